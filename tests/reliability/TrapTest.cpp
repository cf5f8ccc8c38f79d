// Every procedure that traps its own failures, with a host or file fault
// injected at a real step: the report names the procedure, the module and the
// statement reached, file channel 1 is closed where the handler closes it,
// and what was done before the fault stays done. The legend procedures of the
// set core are trapped in sets_tests.

#include "AddinWorld.h"

#include "FileChannel.h"
#include "HostServices.h"
#include "QuarnelGIS_IO.h"
#include "QuarnelVisibility.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>

#include <gtest/gtest.h>

namespace {

const QString kHostFault = QString::number(HostError::E_FAIL_NUMBER);

constexpr auto record = &SetsWorld::record;

class Traps : public ::testing::Test
{
protected:
    FileChannel &channel() { return world.state().channel1; }

    /// Channel 1 as an earlier failure could have left it: open on the set file.
    void leaveChannelOpen()
    {
        channel().openForInput(world.state().setFilePath);
        ASSERT_TRUE(channel().isOpen());
    }

    /// Checks that exactly one report was shown, at `location`, with the
    /// failure's number and description; then forgets it.
    void expectOneReport(const QString &location, const QString &number, const QString &description)
    {
        std::vector<fake::Box> &boxes = world.host.boxes->boxes;
        ASSERT_EQ(boxes.size(), 1u) << qPrintable(world.reportedModules().join(QLatin1Char('\n')));
        const QStringList lines = boxes[0].text.split(QStringLiteral("\r\n"));
        ASSERT_EQ(lines.size(), 19);
        EXPECT_EQ(boxes[0].title, QStringLiteral("QuarnelVisibility"));
        EXPECT_EQ(lines[8], QStringLiteral("ERROR NUMBER: ") + number);
        EXPECT_EQ(lines[9], QStringLiteral("MODULE: ") + location);
        EXPECT_EQ(lines[10], QStringLiteral("ERROR DESCRIPTION: ") + description);
        boxes.clear();
    }

    AddinWorld world;
};

// ICommand_OnClick ------------------------------------------------------------

TEST_F(Traps, OnClickWhoseFrameCannotBeShownKeepsTheDocumentAndTheLoadedWindow)
{
    world.writeFile(record("Roads", "Layers", "Streets", "True"));
    QuarnelVisibility *command = new QuarnelVisibility;
    command->AddRef();
    command->SetSite(world.host.services);
    command->OnCreate(world.application);
    world.host.objects->prepareFrame = [](fake::Frame &frame) { frame.failToShow = true; };
    QuarnelGIS_Public &state = *command->state();
    state.channel1.openForInput(state.setFilePath);

    command->OnClick();

    expectOneReport(QStringLiteral("ICommand_OnClick QuarnelVisibility Line : 40"), kHostFault,
                    QStringLiteral("The frame cannot be shown"));
    EXPECT_FALSE(state.channel1.isOpen());
    EXPECT_EQ(state.document, world.document);
    fake::Frame &frame = *world.host.objects->frames.back();
    EXPECT_EQ(frame.attached, command->mainWindow());
    QListWidget &loaded = *command->mainWindow()->setList(); // loaded while attached
    ASSERT_EQ(loaded.count(), 1);
    EXPECT_EQ(loaded.item(0)->text(), QStringLiteral("Roads"));
    EXPECT_FALSE(frame.visible);

    frame.failToShow = false;
    command->Release();
}

// Form_Load of frmMain ----------------------------------------------------------

TEST_F(Traps, MainWindowLoadThatCannotPlaceItsFrameLoadsNothingYetIsShown)
{
    world.writeFile(record("Roads", "Layers", "Streets", "True"));
    world.host.objects->prepareFrame = [](fake::Frame &frame) { frame.failToMove = true; };
    leaveChannelOpen();
    world.reload();
    expectOneReport(QStringLiteral("Form_Load frmMain Line : 10"), kHostFault,
                    QStringLiteral("The frame cannot be moved"));
    EXPECT_FALSE(channel().isOpen());
    EXPECT_TRUE(world.control<QLabel>("txtVersion")->text().isEmpty());
    EXPECT_TRUE(world.listed().isEmpty());
    EXPECT_TRUE(world.host.objects->frames.back()->visible);
    EXPECT_TRUE(world.window().isVisible());
}

TEST_F(Traps, MainWindowLoadOfACutShortFileKeepsPositionVersionAndEarlierNames)
{
    world.writeFile(record("Roads", "Layers", "Streets", "True") + "\"Rivers\",\"Layers\",\"Rivers\"");
    world.reload();
    expectOneReport(QStringLiteral("Form_Load frmMain Line : 60"), QStringLiteral("62"),
                    QStringLiteral("Input past end of file"));
    EXPECT_FALSE(channel().isOpen());
    EXPECT_EQ(world.host.objects->frames.back()->moveCount, 1);
    EXPECT_EQ(world.control<QLabel>("txtVersion")->text(), QStringLiteral("v2.12"));
    EXPECT_EQ(world.listed(), (QStringList{QStringLiteral("Rivers"), QStringLiteral("Roads")}));

    // The channel is free for the next handler: the complete file lists cleanly.
    world.writeFile(record("Roads", "Layers", "Streets", "True"));
    world.reload();
    EXPECT_TRUE(world.host.boxes->boxes.empty());
    EXPECT_EQ(world.listed(), QStringList{QStringLiteral("Roads")});
}

TEST_F(Traps, MainWindowLoadWithoutItsFileClosesTheChannelItFoundOpen)
{
    QFile::remove(world.filePath());
    world.newWindow();
    channel().openForAppend(QStringLiteral("C:\\Program Files\\scratch"));
    world.window().Frame()->setVisible(true);
    expectOneReport(QStringLiteral("Form_Load frmMain Line : 50"), QStringLiteral("53"),
                    QStringLiteral("File not found"));
    EXPECT_FALSE(channel().isOpen());
    EXPECT_TRUE(world.listed().isEmpty());
    EXPECT_EQ(world.control<QLabel>("txtVersion")->text(), QStringLiteral("v2.12"));
}

// Form_Load of frmName and btnCreateNewGrid_Click -------------------------------

TEST_F(Traps, NameDialogThatCannotBeCentredIsStillShownAndSaves)
{
    world.host.objects->prepareFrame = [](fake::Frame &frame) { frame.failToMove = true; };
    QWidget *dialog = world.pressSave();
    expectOneReport(QStringLiteral("Form_Load frmName Line : 10"), kHostFault,
                    QStringLiteral("The frame cannot be moved"));
    const fake::Frame &frame = *world.host.objects->frames.back();
    EXPECT_EQ(frame.moveCount, 0);
    EXPECT_TRUE(frame.visible);
    EXPECT_EQ(frame.caption, QStringLiteral("QuarnelVisibility"));

    AddinWorld::nameBox(dialog)->setText(QStringLiteral("Roads"));
    AddinWorld::pressIn(dialog, "Command1");
    EXPECT_TRUE(world.host.boxes->boxes.empty());
    EXPECT_EQ(world.listed(), QStringList{QStringLiteral("Roads")});
}

TEST_F(Traps, SaveWhoseDialogCannotBeShownLeavesALoadedHiddenDialog)
{
    world.host.objects->prepareFrame = [](fake::Frame &frame) { frame.failToShow = true; };
    world.press("btnCreateNewGrid");
    expectOneReport(QStringLiteral("btnCreateNewGrid_Click frmMain Line : 20"), kHostFault,
                    QStringLiteral("The frame cannot be shown"));
    const fake::Frame &frame = *world.host.objects->frames.back();
    ASSERT_NE(frame.attached, nullptr);
    EXPECT_EQ(frame.moveCount, 1); // loaded and centred before the fault
    EXPECT_FALSE(frame.visible);
    EXPECT_FALSE(frame.attached->formWidget()->isVisible());
    EXPECT_EQ(world.fileBytes(), QByteArray());
}

// btnHelp_Click ------------------------------------------------------------------

TEST_F(Traps, HelpWhoseWindowCannotBeShownLeavesItCaptionedAndHidden)
{
    world.host.objects->prepareFrame = [](fake::Frame &frame) { frame.failToShow = true; };
    world.press("btnHelp2");
    expectOneReport(QStringLiteral("btnHelp_Click frmMain Line : 20"), kHostFault,
                    QStringLiteral("The frame cannot be shown"));
    const fake::Frame &frame = *world.host.objects->frames.back();
    EXPECT_EQ(frame.caption, QStringLiteral("QuarnelVisibility - Help"));
    EXPECT_FALSE(frame.visible);

    // The next press opens another help window.
    world.host.objects->prepareFrame = nullptr;
    world.press("btnHelp2");
    EXPECT_TRUE(world.host.boxes->boxes.empty());
    EXPECT_TRUE(world.host.objects->frames.back()->visible);
}

// Command1_Click of frmMain ("Clear All") -----------------------------------------

TEST_F(Traps, ClearAllThatCannotRecreateTheFileKeepsTheListEmpty)
{
    // A folder where the file should be: nothing to delete, nothing to open.
    QFile::remove(world.filePath());
    ASSERT_TRUE(QDir().mkdir(world.filePath()));
    world.window().addSetName(QStringLiteral("Roads"));
    channel().openForAppend(QStringLiteral("C:\\Program Files\\scratch"));
    world.press("Command1");
    expectOneReport(QStringLiteral("Command1_Click frmMain Line : 40"), QStringLiteral("75"),
                    QStringLiteral("Path/File access error"));
    EXPECT_FALSE(channel().isOpen());
    EXPECT_TRUE(world.listed().isEmpty());
    EXPECT_TRUE(QFileInfo(world.filePath()).isDir());
}

// Command1_Click of frmName ("OK") --------------------------------------------------

TEST_F(Traps, OkWithoutTheSettingsFolderWritesNothingAndKeepsTheDialog)
{
    ASSERT_TRUE(QDir(world.folder).removeRecursively());
    QWidget *dialog = world.pressSave();
    AddinWorld::nameBox(dialog)->setText(QStringLiteral("Roads"));
    AddinWorld::pressIn(dialog, "Command1");
    expectOneReport(QStringLiteral("Command1_Click frmName Line : 40"), QStringLiteral("76"),
                    QStringLiteral("Path not found"));
    EXPECT_FALSE(channel().isOpen());
    EXPECT_FALSE(QDir(world.folder).exists());
    EXPECT_TRUE(world.listed().isEmpty());
    EXPECT_EQ(AddinWorld::nameBox(dialog)->text(), QStringLiteral("Roads"));
    EXPECT_TRUE(world.host.objects->frames.back()->visible);
}

TEST_F(Traps, OkFailingMidWalkClosesTheChannelAndKeepsTheRecordsWritten)
{
    auto vanishing = std::make_shared<fake::Layer>(QStringLiteral("Vanishing"));
    world.document->map(QStringLiteral("Overview"))->layers.push_back(vanishing);
    QWidget *dialog = world.pressSave();
    AddinWorld::nameBox(dialog)->setText(QStringLiteral("Roads"));
    vanishing->calls.fail("name");
    AddinWorld::pressIn(dialog, "Command1");
    expectOneReport(QStringLiteral("Command1_Click frmName Line : 50"), kHostFault, QStringLiteral("name failed at 0"));
    EXPECT_FALSE(channel().isOpen());
    // The first map's three records and the second map's first record.
    EXPECT_EQ(world.fileBytes(),
              record("Roads", "Layers", "Streets", "True") + record("Roads", "Layers", "Rails", "False")
                  + record("Roads", "Layers", "Rivers", "True") + record("Roads", "Overview", "Streets", "True"));
    EXPECT_TRUE(world.listed().isEmpty());
    EXPECT_EQ(AddinWorld::nameBox(dialog)->text(), QStringLiteral("Roads"));
    EXPECT_TRUE(world.host.objects->frames.back()->visible);

    // The same dialog saves once the layer is back.
    vanishing->calls.heal();
    AddinWorld::pressIn(dialog, "Command1");
    EXPECT_TRUE(world.host.boxes->boxes.empty());
    EXPECT_EQ(world.fileBytes().count("\r\n"), 4 + 5);
    EXPECT_EQ(world.listed(), QStringList{QStringLiteral("Roads")});
}

TEST_F(Traps, OkWhoseDialogCannotBeHiddenHasSavedAndListed)
{
    QWidget *dialog = world.pressSave();
    AddinWorld::nameBox(dialog)->setText(QStringLiteral("Roads"));
    world.host.objects->frames.back()->failToShow = true;
    AddinWorld::pressIn(dialog, "Command1");
    expectOneReport(QStringLiteral("Command1_Click frmName Line : 90"), kHostFault,
                    QStringLiteral("The frame cannot be shown"));
    EXPECT_FALSE(channel().isOpen());
    EXPECT_EQ(world.fileBytes().count("\r\n"), 4);
    EXPECT_EQ(world.listed(), QStringList{QStringLiteral("Roads")});
    EXPECT_TRUE(AddinWorld::nameBox(dialog)->text().isEmpty());
}

// Command2_Click of frmName ("Cancel") ------------------------------------------------

TEST_F(Traps, CancelWhoseDialogCannotBeHiddenChangesNothing)
{
    QWidget *dialog = world.pressSave();
    AddinWorld::nameBox(dialog)->setText(QStringLiteral("Roads"));
    world.host.objects->frames.back()->failToShow = true;
    AddinWorld::pressIn(dialog, "Command2");
    expectOneReport(QStringLiteral("Command2_Click frmName Line : 10"), kHostFault,
                    QStringLiteral("The frame cannot be shown"));
    EXPECT_EQ(world.fileBytes(), QByteArray());
    EXPECT_TRUE(world.listed().isEmpty());
    EXPECT_EQ(AddinWorld::nameBox(dialog)->text(), QStringLiteral("Roads"));
}

// Command2_Click ("Off") and Command3_Click ("On") of frmMain ---------------------------

TEST_F(Traps, OffFailingAfterTheWalkLeavesTheLayersOff)
{
    fake::Calls &document = world.document->calls;
    document.fail("updateContents");
    leaveChannelOpen();
    world.press("Command2");
    expectOneReport(QStringLiteral("Command2_Click frmMain Line : 20"), kHostFault,
                    QStringLiteral("updateContents failed at 0"));
    EXPECT_FALSE(channel().isOpen());
    EXPECT_FALSE(world.visible("Layers", "Streets"));
    EXPECT_FALSE(world.visible("Overview", "Streets"));
    EXPECT_EQ(world.viewRefreshes(), 0);

    document.heal();
    document.fail("activeView");
    world.layer(QStringLiteral("Layers"), QStringLiteral("Streets")).on = true;
    leaveChannelOpen();
    world.press("Command2");
    expectOneReport(QStringLiteral("Command2_Click frmMain Line : 30"), kHostFault,
                    QStringLiteral("activeView failed at 0"));
    EXPECT_FALSE(channel().isOpen());
    EXPECT_FALSE(world.visible("Layers", "Streets"));
    EXPECT_EQ(world.contentsUpdates(), 2); // the failed update counted
    EXPECT_EQ(world.viewRefreshes(), 0);
}

TEST_F(Traps, OnFailingInTheRedrawLeavesTheLayersOn)
{
    world.press("Command2");
    world.document->calls.fail("activeView");
    leaveChannelOpen();
    world.press("Command3");
    expectOneReport(QStringLiteral("Command3_Click frmMain Line : 20"), kHostFault,
                    QStringLiteral("activeView failed at 1"));
    EXPECT_FALSE(channel().isOpen());
    EXPECT_TRUE(world.visible("Layers", "Rails"));
    EXPECT_TRUE(world.visible("Overview", "Streets"));
    EXPECT_EQ(world.contentsUpdates(), 2); // "Off", then "On" before the fault
    EXPECT_EQ(world.viewRefreshes(), 1);   // "Off" only
}

TEST_F(Traps, OnInAnEmptyDocumentWithTheDataViewActiveIsReported)
{
    // Without a map there is no data view: the document has no active view to redraw.
    world.useDocument(fake::Document::create());
    world.press("Command3");
    expectOneReport(QStringLiteral("Command3_Click frmMain Line : 20"), QStringLiteral("91"),
                    QStringLiteral("Object variable or With block variable not set"));
    EXPECT_EQ(world.contentsUpdates(), 1);
    EXPECT_EQ(world.viewRefreshes(), 0);
}

// lstbx1_Click -------------------------------------------------------------------------

TEST_F(Traps, RestoreStoppedByALockedLayerKeepsWhatItSwitched)
{
    auto locked = std::make_shared<fake::Layer>(QStringLiteral("Locked"));
    locked->calls.fail("setVisible");
    world.document->map(QStringLiteral("Overview"))->layers.push_back(locked);
    world.writeFile(record("S", "Layers", "Streets", "False") + record("S", "Overview", "Locked", "False")
                    + record("S", "Layers", "Rivers", "False"));
    world.reload();
    world.select(0);
    expectOneReport(QStringLiteral("lstbx1_Click frmMain Line : 40"), kHostFault,
                    QStringLiteral("setVisible failed at 0"));
    EXPECT_FALSE(channel().isOpen());
    EXPECT_FALSE(world.visible("Layers", "Streets"));
    EXPECT_TRUE(world.visible("Layers", "Rivers"));
    EXPECT_EQ(world.contentsUpdates(), 0);
    EXPECT_EQ(world.list().currentItem()->text(), QStringLiteral("S"));
}

TEST_F(Traps, RestoreFailingInTheRedrawHasAppliedEveryRecordAndClosesTheChannel)
{
    world.writeFile(record("S", "Layers", "Streets", "False") + record("S", "Layers", "Rivers", "False"));
    world.reload();
    world.document->calls.fail("activeView");
    world.select(0);
    expectOneReport(QStringLiteral("lstbx1_Click frmMain Line : 50"), kHostFault,
                    QStringLiteral("activeView failed at 0"));
    EXPECT_FALSE(channel().isOpen());
    EXPECT_FALSE(world.visible("Layers", "Streets"));
    EXPECT_FALSE(world.visible("Layers", "Rivers"));
    EXPECT_EQ(world.contentsUpdates(), 1);
    EXPECT_EQ(world.viewRefreshes(), 0);

    // The channel is free: the next restore reads the file again.
    world.document->calls.heal();
    world.writeFile(record("S", "Layers", "Streets", "True"));
    world.reload();
    world.select(0);
    EXPECT_TRUE(world.host.boxes->boxes.empty());
    EXPECT_TRUE(world.visible("Layers", "Streets"));
}

// The four helpers of QuarnelGIS_IO ----------------------------------------------------------

TEST_F(Traps, FileSystemHelpersReportTheStatementReachedAndAnswerPlainly)
{
    world.state().services.setDrives(nullptr);
    EXPECT_FALSE(QuarnelGIS_IO::fDoesFileExist(world.state(), world.state().setFilePath));
    expectOneReport(QStringLiteral("fDoesFileExist QuarnelGIS_IO Line : 10"), kHostFault,
                    QStringLiteral("The host provides no drive table service"));
    EXPECT_FALSE(QuarnelGIS_IO::fDoesDirectoryExist(world.state(), QStringLiteral("C:\\Program Files\\")));
    expectOneReport(QStringLiteral("fDoesDirectoryExist QuarnelGIS_IO Line : 10"), kHostFault,
                    QStringLiteral("The host provides no drive table service"));
    // "Clear All" without a drive table: the delete reports through its test,
    // then the handler's own opening fails.
    world.window().addSetName(QStringLiteral("Roads"));
    world.press("Command1");
    EXPECT_EQ(world.reportedModules(), (QStringList{QStringLiteral("MODULE: fDoesFileExist QuarnelGIS_IO Line : 10"),
                                                    QStringLiteral("MODULE: Command1_Click frmMain Line : 40")}));
    world.host.boxes->boxes.clear();
    EXPECT_TRUE(world.listed().isEmpty());
    world.state().services.setDrives(world.host.drives);

    QuarnelGIS_IO::fCreateDirectory(world.state(), QStringLiteral("C:\\Program Files\\QuarnelGIS\\"));
    expectOneReport(QStringLiteral("fCreateDirectory QuarnelGIS_IO Line : 30"), QStringLiteral("58"),
                    QStringLiteral("File already exists"));
    QuarnelGIS_IO::fCreateDirectory(world.state(), QStringLiteral("C:\\Program Files\\Missing\\QuarnelVisibility\\"));
    expectOneReport(QStringLiteral("fCreateDirectory QuarnelGIS_IO Line : 40"), QStringLiteral("76"),
                    QStringLiteral("Path not found"));

    world.writeFile("\"Roads\",\"Layers\",\"Streets\",\"True\"\r\n");
    ASSERT_TRUE(QFile::setPermissions(world.filePath(), QFileDevice::ReadOwner));
    QuarnelGIS_IO::fDeleteFile(world.state(), world.state().setFilePath);
    expectOneReport(QStringLiteral("fDeleteFile QuarnelGIS_IO Line : 30"), QStringLiteral("70"),
                    QStringLiteral("Permission denied"));
    ASSERT_TRUE(QFile::setPermissions(world.filePath(), QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    EXPECT_EQ(world.fileBytes(), QByteArray("\"Roads\",\"Layers\",\"Streets\",\"True\"\r\n"));
}

} // namespace
