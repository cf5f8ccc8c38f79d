// The main window's list: a selection restores its set through the set core
// and redraws; a failure is reported with the click's statement.

#include "AddinWorld.h"

#include <QFile>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class RestoreSet : public ::testing::Test
{
protected:
    void selectName(const QString &name) { world.select(world.listed().indexOf(name)); }
    AddinWorld world;
};

TEST_F(RestoreSet, ClickRestoresTheSelectedSetAndRedraws)
{
    world.writeFile(SetsWorld::record("Other", "Layers", "Rivers", "False")
                    + SetsWorld::record("Roads", "Layers", "Streets", "False")
                    + SetsWorld::record("Roads", "Layers", "Rails", "True"));
    world.reload();
    selectName(QStringLiteral("Roads"));
    EXPECT_FALSE(world.visible("Layers", "Streets"));
    EXPECT_TRUE(world.visible("Layers", "Rails"));
    EXPECT_TRUE(world.visible("Layers", "Rivers"));
    EXPECT_EQ(world.contentsUpdates(), 1);
    EXPECT_EQ(world.viewRefreshes(), 2); // the data view, twice
    EXPECT_TRUE(world.host.boxes->boxes.empty());
    EXPECT_FALSE(world.state().channel1.isOpen());
}

TEST_F(RestoreSet, CutShortLastRecordAppliesWhatCameBeforeReportsOnceAndDoesNotRedraw)
{
    world.writeFile(SetsWorld::record("S", "Layers", "Streets", "True") + "\"Other\",\"x\"\r\n");
    world.reload();
    world.writeFile(SetsWorld::record("S", "Layers", "Streets", "False") + "\"S\",\"Layers\"\r\n");
    world.host.boxes->boxes.clear();
    selectName(QStringLiteral("S"));
    EXPECT_FALSE(world.visible("Layers", "Streets"));
    ASSERT_EQ(world.reportedModules(), QStringList{QStringLiteral("MODULE: lstbx1_Click frmMain Line : 40")});
    EXPECT_EQ(world.contentsUpdates(), 0);
    EXPECT_EQ(world.viewRefreshes(), 0);
    EXPECT_EQ(world.list().currentItem()->text(), QStringLiteral("S"));
}

TEST_F(RestoreSet, MissingFileIsReportedAndKeyboardSelectionRestoresToo)
{
    world.writeFile(SetsWorld::record("A", "Layers", "Streets", "False")
                    + SetsWorld::record("B", "Layers", "Streets", "True"));
    world.reload();
    world.select(0);
    EXPECT_FALSE(world.visible("Layers", "Streets"));
    world.list().setFocus();
    QTest::keyClick(&world.list(), Qt::Key_Down);
    EXPECT_TRUE(world.visible("Layers", "Streets"));

    QFile::remove(world.filePath());
    QTest::keyClick(&world.list(), Qt::Key_Up);
    EXPECT_EQ(world.reportedModules(), QStringList{QStringLiteral("MODULE: lstbx1_Click frmMain Line : 20")});
    EXPECT_TRUE(world.visible("Layers", "Streets"));
}

TEST_F(RestoreSet, DoubleClickChangesNothingFurther)
{
    world.writeFile(SetsWorld::record("A", "Layers", "Streets", "False"));
    world.reload();
    world.select(0);
    world.layer(QStringLiteral("Layers"), QStringLiteral("Streets")).on = true;
    QListWidget &list = world.list();
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, list.visualItemRect(list.item(0)).center());
    EXPECT_TRUE(world.visible("Layers", "Streets"));
}

} // namespace
