#include "AddinWorld.h"

#include "HostClassIds.h"
#include "QtCompat.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class HelpWindow : public ::testing::Test
{
protected:
    QWidget *pressHelp()
    {
        world.press("btnHelp2");
        return world.host.objects->frames.back()->attached->formWidget();
    }
    AddinWorld world;
};

TEST_F(HelpWindow, EveryPressOpensAnotherCaptionedHelpWindow)
{
    QWidget *first = pressHelp();
    QWidget *second = pressHelp();
    EXPECT_NE(first, second);
    ASSERT_EQ(world.host.objects->frames.size(), 3u); // the main window's and two help windows
    for (std::size_t i : {1u, 2u}) {
        EXPECT_EQ(world.host.objects->frames[i]->caption, QStringLiteral("QuarnelVisibility - Help"));
        EXPECT_TRUE(world.host.objects->frames[i]->visible);
        EXPECT_EQ(world.host.objects->frames[i]->moveCount, 0);
    }
    EXPECT_EQ(first->size(), QSize(616, 385));
    EXPECT_EQ(QtCompat::pixmapOf(*first->findChild<QLabel *>(QStringLiteral("Picture"))).size(), QSize(616, 389));
}

TEST_F(HelpWindow, LinksOpenTheirExactTargetsAndChangeNothingElse)
{
    world.writeFile("\"A\",\"Layers\",\"Streets\",\"False\"\r\n");
    QWidget *help = pressHelp();
    const char *labels[] = {"Label2", "Label3", "Label4"};
    for (const char *name : labels) {
        QLabel *label = help->findChild<QLabel *>(QLatin1String(name));
        ASSERT_NE(label, nullptr) << name;
        EXPECT_EQ(label->cursor().hotSpot(), QPoint(10, 10));
        EXPECT_TRUE(label->font().underline());
        EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(0, 0, 192));
        QTest::mouseClick(label, Qt::LeftButton);
    }
    ASSERT_EQ(world.host.shell->calls.size(), 3u);
    EXPECT_EQ(world.host.shell->calls[0].file, QStringLiteral("https://www.quarnelgis.com"));
    EXPECT_EQ(world.host.shell->calls[1].file, QStringLiteral("mailto:info@quarnelgis.com"));
    EXPECT_EQ(world.host.shell->calls[2].file,
              QStringLiteral("https://www.quarnelgis.com/Products/ArcGIS/QuarnelVisibility/index.htm"));
    EXPECT_EQ(world.host.shell->calls[2].owner, help);
    EXPECT_EQ(world.fileBytes(), QByteArray("\"A\",\"Layers\",\"Streets\",\"False\"\r\n"));
    EXPECT_TRUE(world.layer(QStringLiteral("Layers"), QStringLiteral("Streets")).setVisibleCalls.empty());
    EXPECT_EQ(help->findChild<QLabel *>(QStringLiteral("Label4"))->text(), QStringLiteral("Check for Updates"));
    EXPECT_EQ(help->findChild<QLabel *>(QStringLiteral("Label4"))->toolTip(), QStringLiteral("Get the latest version"));
}

TEST_F(HelpWindow, ProductPageFollowsTheProductName)
{
    world.state().productName = QStringLiteral("Other Name");
    QWidget *help = pressHelp();
    QTest::mouseClick(help->findChild<QLabel *>(QStringLiteral("Label4")), Qt::LeftButton);
    EXPECT_EQ(world.host.shell->calls.back().file,
              QStringLiteral("https://www.quarnelgis.com/Products/ArcGIS/Other Name/index.htm"));
    EXPECT_EQ(world.host.objects->frames.back()->caption, QStringLiteral("Other Name - Help"));
}

TEST_F(HelpWindow, FailingFrameIsReported)
{
    world.host.objects->failFor << HostClassIds::ModelessFrame;
    world.press("btnHelp2");
    EXPECT_EQ(world.reportedModules(), QStringList{QStringLiteral("MODULE: btnHelp_Click frmMain Line : 20")});
}

} // namespace
