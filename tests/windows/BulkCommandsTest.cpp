// The main window's "Off", "On" and "Clear All": each reaches the set core,
// redraws its way and reports a failure with its statement.

#include "AddinWorld.h"

#include <QFile>

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

class BulkCommands : public ::testing::Test
{
protected:
    AddinWorld world;
};

TEST(BulkCommandsRedraw, OffRedrawsTheActiveViewAndOnRunsTheFullRedraw)
{
    for (bool layout : {false, true}) {
        AddinWorld fresh;
        fresh.document->layoutActive = layout;
        const fake::Legend &legend = *fresh.document->layout->legend(2);
        fresh.press("Command2");
        EXPECT_FALSE(fresh.visible("Layers", "Streets"));
        EXPECT_FALSE(fresh.visible("Overview", "Streets"));
        EXPECT_EQ(fresh.contentsUpdates(), 1);
        EXPECT_EQ(fresh.viewRefreshes(), 1);
        EXPECT_EQ(legend.calls.count("refresh"), 0);

        fresh.press("Command3");
        EXPECT_TRUE(fresh.visible("Layers", "Streets"));
        EXPECT_TRUE(fresh.visible("Overview", "Streets"));
        EXPECT_EQ(fresh.contentsUpdates(), 2);
        EXPECT_EQ(fresh.viewRefreshes(), 3);
        EXPECT_EQ(legend.calls.count("refresh"), layout ? 1 : 0); // "On" refreshes the legend in the layout
        EXPECT_TRUE(fresh.host.boxes->boxes.empty());
    }
}

TEST_F(BulkCommands, FailingLayerIsReportedWithoutRedraw)
{
    world.layer(QStringLiteral("Layers"), QStringLiteral("Rails")).calls.fail("setVisible");
    world.press("Command3");
    world.press("Command2");
    EXPECT_EQ(world.reportedModules(), (QStringList{QStringLiteral("MODULE: Command3_Click frmMain Line : 10"),
                                                    QStringLiteral("MODULE: Command2_Click frmMain Line : 10")}));
    EXPECT_EQ(world.contentsUpdates(), 0);
    EXPECT_EQ(world.viewRefreshes(), 0);
}

TEST_F(BulkCommands, ClearAllEmptiesListAndFile)
{
    world.writeFile("\"A\",\"Layers\",\"Streets\",\"True\"\r\n");
    world.window().addSetName(QStringLiteral("A"));
    world.press("Command1");
    EXPECT_EQ(world.list().count(), 0);
    EXPECT_EQ(world.fileBytes(), QByteArray());
    EXPECT_TRUE(world.host.boxes->boxes.empty());

    QFile::remove(world.filePath());
    world.press("Command1");
    EXPECT_EQ(world.fileBytes(), QByteArray());
    EXPECT_TRUE(world.host.boxes->boxes.empty());
}

TEST_F(BulkCommands, ClearAllOnAFileThatCannotBeDeletedKeepsItsSets)
{
    const QByteArray saved = "\"A\",\"Layers\",\"Streets\",\"True\"\r\n";
    world.writeFile(saved);
    world.window().addSetName(QStringLiteral("A"));
    ASSERT_EQ(::chmod(world.filePath().toLocal8Bit().constData(), 0444), 0);
    world.press("Command1");
    ::chmod(world.filePath().toLocal8Bit().constData(), 0644);
    ASSERT_GE(world.host.boxes->boxes.size(), 1u);
    EXPECT_EQ(world.reportedModules().first(), QStringLiteral("MODULE: fDeleteFile QuarnelGIS_IO Line : 30"));
    EXPECT_EQ(world.fileBytes(), saved);
    ASSERT_EQ(world.list().count(), 1) << "the list shows the sets the file still holds";
    EXPECT_EQ(world.list().item(0)->text(), QStringLiteral("A"));
}

TEST_F(BulkCommands, ClearAllWithoutSettingsFolderIsReported)
{
    world.state().setFilePath.clear();
    world.press("Command1");
    EXPECT_EQ(world.reportedModules().last(), QStringLiteral("MODULE: Command1_Click frmMain Line : 40"));
}

} // namespace
