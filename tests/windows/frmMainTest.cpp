#include "frmMain.h"

#include "FakeHost.h"
#include "IModelessFrame.h"
#include "QtCompat.h"
#include "QuarnelGIS_Public.h"

#include <QApplication>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

/// A main window over a settings folder on a fake drive C, as start-up leaves it.
class MainWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const QString root = host.drives->add(QLatin1Char('C'));
        folder = root + QStringLiteral("/Program Files/QuarnelGIS/QuarnelVisibility/");
        QDir().mkpath(folder);
        QuarnelGIS_Public &state = *host.state;
        state.productName = QStringLiteral("QuarnelVisibility");
        state.productVersion = QStringLiteral("v2.12");
        state.setFilePath = QStringLiteral("C:\\Program Files\\QuarnelGIS\\QuarnelVisibility\\config");
        writeFile(QByteArray());
        mainWindow = std::make_unique<frmMain>(state);
    }
    void TearDown() override { mainWindow.reset(); }

    void writeFile(const QByteArray &bytes)
    {
        QFile file(folder + QStringLiteral("config"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }

    frmMain &window() { return *mainWindow; }

    QStringList listed()
    {
        QStringList names;
        for (int i = 0; i < window().setList()->count(); ++i)
            names << window().setList()->item(i)->text();
        return names;
    }

    template <typename T> T *control(const char *name) { return window().findChild<T *>(QLatin1String(name)); }

    fake::FakeHost host;
    std::unique_ptr<frmMain> mainWindow;
    QString folder;
};

TEST_F(MainWindow, FrameIsCreatedOnceAttachedCaptionedAndCentred)
{
    auto frame = window().Frame();
    EXPECT_EQ(frame, window().Frame());
    ASSERT_EQ(host.objects->frames.size(), 1u);
    fake::Frame &fakeFrame = *host.objects->frames[0];
    EXPECT_EQ(fakeFrame.attachCount, 1);
    EXPECT_EQ(fakeFrame.attached, &window());
    EXPECT_EQ(fakeFrame.caption, QStringLiteral("QuarnelVisibility"));
    // (1920 - 306) / 2 = 807; (1080 - 173) / 2 = 453.5, rounded to the even 454.
    EXPECT_EQ(fakeFrame.left, 807);
    EXPECT_EQ(fakeFrame.top, 454);
    EXPECT_EQ(fakeFrame.reserved, std::make_pair(0, 0));
    EXPECT_EQ(control<QLabel>("txtVersion")->text(), QStringLiteral("v2.12"));
    EXPECT_TRUE(host.boxes->boxes.empty());
}

TEST_F(MainWindow, CentringRoundsHalvesToEvenAndPassesNegativeCoordinates)
{
    host.screen->width = 1923 * 15.0; // 961.5 - 153 = 808.5 -> 808
    host.screen->height = 100 * 15.0; // 50 - 86.5 = -36.5 -> -36
    window().Frame();
    EXPECT_EQ(host.objects->frames[0]->left, 808);
    EXPECT_EQ(host.objects->frames[0]->top, -36);
}

TEST_F(MainWindow, ListsDistinctNamesSortedIgnoringCase)
{
    writeFile("\"beta\",\"Layers\",\"Streets\",\"True\"\r\n"
              "\"Alpha\",\"Layers\",\"Streets\",\"False\"\r\n"
              "\"beta\",\"Layers\",\"Rivers\",\"True\"\r\n"
              "\"Beta\",\"Layers\",\"Rivers\",\"True\"\r\n"
              "\"gamma\",\"Layers\",\"Rivers\",\"True\"\r\n");
    window().Frame();
    EXPECT_EQ(listed(), (QStringList{QStringLiteral("Alpha"), QStringLiteral("beta"), QStringLiteral("Beta"),
                                     QStringLiteral("gamma")}));
    EXPECT_TRUE(host.boxes->boxes.empty());
}

TEST_F(MainWindow, EmptyFileGivesEmptyListAndNoMessage)
{
    window().Frame();
    EXPECT_EQ(window().setList()->count(), 0);
    EXPECT_TRUE(host.boxes->boxes.empty());
}

TEST_F(MainWindow, CutShortFileListsNamesThenReportsOnce)
{
    writeFile("\"Roads\",\"Layers\",\"Streets\",\"True\"\r\n"
              "\"Rivers\",\"Layers\"\r\n");
    window().Frame();
    EXPECT_EQ(listed(), (QStringList{QStringLiteral("Rivers"), QStringLiteral("Roads")}));
    ASSERT_EQ(host.boxes->boxes.size(), 1u);
    const QStringList lines = host.boxes->boxes[0].text.split(QStringLiteral("\r\n"));
    EXPECT_EQ(lines[8], QStringLiteral("ERROR NUMBER: 62"));
    EXPECT_EQ(lines[9], QStringLiteral("MODULE: Form_Load frmMain Line : 60"));
    EXPECT_EQ(host.objects->frames[0]->moveCount, 1);
    EXPECT_EQ(control<QLabel>("txtVersion")->text(), QStringLiteral("v2.12"));
}

TEST_F(MainWindow, MissingFileOrEmptyPathIsReportedAndTheWindowStillLoads)
{
    QFile::remove(folder + QStringLiteral("config"));
    window().Frame();
    ASSERT_EQ(host.boxes->boxes.size(), 1u);
    EXPECT_EQ(host.boxes->boxes[0].text.split(QStringLiteral("\r\n"))[9],
              QStringLiteral("MODULE: Form_Load frmMain Line : 50"));
    EXPECT_EQ(window().setList()->count(), 0);

    host.state->setFilePath.clear();
    mainWindow = std::make_unique<frmMain>(*host.state);
    window().Frame()->setVisible(true);
    EXPECT_EQ(host.boxes->boxes.size(), 2u);
    EXPECT_TRUE(host.objects->frames.back()->visible);
}

TEST_F(MainWindow, AddedNamesTakeTheirSortedPlaceBesideEqualOnes)
{
    for (const char *name : {"roads", "Zoo", "alpha", "Roads", "roads", "   "})
        window().addSetName(QString::fromLatin1(name));
    EXPECT_EQ(listed(), (QStringList{QStringLiteral("   "), QStringLiteral("alpha"), QStringLiteral("roads"),
                                     QStringLiteral("Roads"), QStringLiteral("roads"), QStringLiteral("Zoo")}));
}

TEST_F(MainWindow, NamesAreShownAsPlainText)
{
    writeFile("\"<b>x</b>\",\"m\",\"l\",\"True\"\r\n");
    window().Frame();
    ASSERT_EQ(window().setList()->count(), 1);
    EXPECT_EQ(window().setList()->item(0)->text(), QStringLiteral("<b>x</b>"));
}

TEST_F(MainWindow, ControlsCarryTheirCaptionsTooltipsAndPlaces)
{
    struct Expected
    {
        const char *name;
        QRect geometry;
        const char *caption;
        const char *tooltip;
    };
    const Expected buttons[] = {
        {"btnCreateNewGrid", {12, 112, 65, 22}, "Save ", "Click to save the current layer visibility settings"},
        {"Command1", {81, 112, 62, 22}, "Clear All", "Clear the list of all saved configurations"},
        {"Command3", {219, 16, 29, 22}, "On", "Tun all layers on"},
        {"Command2", {252, 16, 29, 23}, "Off", "Turn all layers off"},
        {"btnHelp2", {252, 48, 29, 22}, "?", "Help"},
    };
    for (const Expected &e : buttons) {
        QPushButton *button = control<QPushButton>(e.name);
        ASSERT_NE(button, nullptr) << e.name;
        EXPECT_EQ(button->geometry(), e.geometry) << e.name;
        EXPECT_EQ(button->text(), QString::fromLatin1(e.caption)) << e.name;
        EXPECT_EQ(button->toolTip(), QString::fromLatin1(e.tooltip)) << e.name;
        EXPECT_EQ(button->cursor().hotSpot(), QPoint(10, 10)) << e.name;
    }
    EXPECT_EQ(window().size(), QSize(306, 173));
    EXPECT_EQ(control<QGroupBox>("Frame2")->title(), QStringLiteral("Saved visibility settings:"));
    EXPECT_EQ(control<QGroupBox>("Frame2")->geometry(), QRect(8, 8, 289, 141));
    EXPECT_EQ(window().setList()->geometry(), QRect(12, 24, 131, 82));
    EXPECT_EQ(window().setList()->toolTip(), QStringLiteral("Click to restore a saved visibility configuration"));
    EXPECT_EQ(control<QLabel>("Label1")->text(), QStringLiteral("All layers:"));
    EXPECT_EQ(control<QLabel>("Label2")->toolTip(), QStringLiteral("Visit us!"));
    EXPECT_EQ(control<QLabel>("Label3")->toolTip(), QStringLiteral("Email us!"));
    EXPECT_EQ(control<QLabel>("Image2")->toolTip(),
              QStringLiteral("For more information, please visit www.quarnelgis.com or email info@quarnelgis.com"));
    EXPECT_EQ(QtCompat::pixmapOf(*control<QLabel>("Image2")).size(), QSize(120, 50));
    EXPECT_EQ(window().palette().color(QPalette::Window), QColor(171, 181, 193));
    EXPECT_EQ(window().setList()->palette().color(QPalette::Text), QColor(0, 0, 255));
    EXPECT_TRUE(window().setList()->font().bold());
    EXPECT_DOUBLE_EQ(control<QPushButton>("btnHelp2")->font().pointSizeF(), 9.75);
    EXPECT_EQ(control<QLabel>("txtVersion")->palette().color(QPalette::WindowText), QColor(224, 224, 224));
}

TEST_F(MainWindow, TabOrderRunsFromTheListThroughTheButtons)
{
    window().show();
    QApplication::setActiveWindow(&window());
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window()));
    window().setList()->setFocus();
    const char *order[] = {"lstbx1", "btnCreateNewGrid", "Command1", "Command3", "Command2", "btnHelp2"};
    for (const char *name : order) {
        ASSERT_NE(QApplication::focusWidget(), nullptr);
        EXPECT_EQ(QApplication::focusWidget()->objectName(), QLatin1String(name));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
}

TEST_F(MainWindow, LinksOpenTheMakersAddressesThroughTheShell)
{
    window().Frame()->setVisible(true);
    QTest::mouseClick(control<QLabel>("Label2"), Qt::LeftButton);
    QTest::mouseClick(control<QLabel>("Label3"), Qt::LeftButton);
    QTest::mouseClick(control<QLabel>("Image2"), Qt::LeftButton);
    ASSERT_EQ(host.shell->calls.size(), 3u);
    EXPECT_EQ(host.shell->calls[0].file, QStringLiteral("https://www.quarnelgis.com"));
    EXPECT_EQ(host.shell->calls[1].file, QStringLiteral("mailto:info@quarnelgis.com"));
    EXPECT_EQ(host.shell->calls[2].file, QStringLiteral("https://www.quarnelgis.com"));
    for (const fake::ShellCall &call : host.shell->calls) {
        EXPECT_EQ(call.owner, &window());
        EXPECT_EQ(call.operation, QStringLiteral("Open"));
        EXPECT_TRUE(call.parameters.isEmpty() && !call.parameters.isNull());
        EXPECT_TRUE(call.directory.isEmpty() && !call.directory.isNull());
        EXPECT_EQ(call.showCommand, 1);
    }
}

} // namespace
