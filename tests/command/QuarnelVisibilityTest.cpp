#include "FakeApplication.h"
#include "FakeHost.h"

#include "FileChannel.h"
#include "HostBitmaps.h"
#include "HostClassIds.h"
#include "QuarnelGIS_Public.h"
#include "QuarnelVisibility.h"
#include "frmMain.h"
#include "frmResources.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPointer>

#include <gtest/gtest.h>

#include <new>

namespace {

struct Releaser
{
    void operator()(Com::ICommand *command) const { command->Release(); }
};
using CommandPtr = std::unique_ptr<Com::ICommand, Releaser>;

/// A new command object that took `site` as its host's site.
CommandPtr newCommand(const std::shared_ptr<HostServices> &site)
{
    auto *command = new QuarnelVisibility;
    command->AddRef();
    command->SetSite(site);
    return CommandPtr(command);
}

const QString settingsFolder = QStringLiteral("C:\\Program Files\\QuarnelGIS\\QuarnelVisibility\\");

class CommandTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        host.objects->application = application;
        driveC = host.drives->add(u'C');
    }

    QuarnelVisibility &addin() const { return *static_cast<QuarnelVisibility *>(command.get()); }
    QuarnelGIS_Public &state() const { return *addin().state(); }
    frmMain *mainWindow() const { return addin().mainWindow(); }
    const std::vector<fake::Box> &boxes() const { return host.boxes->boxes; }

    /// The lines of the one report box shown so far.
    QStringList reportLines() const
    {
        EXPECT_EQ(boxes().size(), 1u);
        return boxes().empty() ? QStringList() : boxes().front().text.split(QStringLiteral("\r\n"));
    }

    fake::FakeHost host;
    std::shared_ptr<FakeApplication> application = std::make_shared<FakeApplication>();
    QString driveC;
    CommandPtr command = newCommand(host.services);
};

/// Every answer of the command's presentation, which never depends on state.
void expectPresentation(Com::ICommand &command)
{
    Com::VARIANT_BOOL enabled = 0;
    Com::VARIANT_BOOL checked = 1;
    EXPECT_EQ(command.get_Enabled(&enabled), Com::S_OK);
    EXPECT_EQ(enabled, -1);
    EXPECT_EQ(command.get_Checked(&checked), Com::S_OK);
    EXPECT_EQ(checked, 0);

    QString text = QStringLiteral("stale");
    EXPECT_EQ(command.get_Name(&text), Com::S_OK);
    EXPECT_EQ(text, QStringLiteral("QuarnelGIS_QuarnelVisibility"));
    EXPECT_EQ(command.get_Caption(&text), Com::S_OK);
    EXPECT_EQ(text, QStringLiteral("QuarnelVisibility"));
    EXPECT_EQ(command.get_Tooltip(&text), Com::S_OK);
    EXPECT_EQ(text, QStringLiteral("QuarnelVisibility - Store layer visibility settings"));
    EXPECT_EQ(command.get_Message(&text), Com::S_OK);
    EXPECT_EQ(text, QStringLiteral("QuarnelGIS: www.quarnelgis.com"));
    EXPECT_EQ(command.get_Category(&text), Com::S_OK);
    EXPECT_EQ(text, QStringLiteral("QuarnelGIS"));
    EXPECT_EQ(command.get_HelpFile(&text), Com::S_OK);
    EXPECT_TRUE(text.isEmpty());

    std::int32_t helpContext = 99;
    EXPECT_EQ(command.get_HelpContextID(&helpContext), Com::S_OK);
    EXPECT_EQ(helpContext, 0);
}

TEST_F(CommandTest, PresentationIsTheSameBeforeStartUpAndWhileTheWindowIsOpen)
{
    expectPresentation(*command);
    command->OnCreate(application);
    expectPresentation(*command);
    command->OnClick();
    command->OnClick();
    ASSERT_TRUE(mainWindow()->isVisible());
    expectPresentation(*command);
    EXPECT_TRUE(boxes().empty());
}

TEST_F(CommandTest, TextGetterOutOfMemoryShowsItsOwnBoxAndGivesEmptyText)
{
    QString text = QStringLiteral("stale");
    const Com::HRESULT result =
        addin().guardedText("ICommand_Tooltip", &text, []() -> QString { throw std::bad_alloc(); });
    EXPECT_EQ(result, Com::S_OK);
    EXPECT_TRUE(text.isEmpty());
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].text, QStringLiteral("Error: ICommand_Tooltip()"));
    EXPECT_EQ(boxes()[0].title, QStringLiteral("QuarnelVisibility"));
}

TEST_F(CommandTest, StartUpFillsTheStateRecordAndPreparesTheSettingsFolderOnTheFirstDrive)
{
    const QString driveD = host.drives->add(u'D');

    EXPECT_EQ(command->OnCreate(application), Com::S_OK);

    EXPECT_TRUE(boxes().empty());
    EXPECT_EQ(state().productName, QStringLiteral("QuarnelVisibility"));
    EXPECT_EQ(state().productVersion, QStringLiteral("v2.12"));
    ASSERT_TRUE(mainWindow());
    EXPECT_FALSE(mainWindow()->isVisible());
    EXPECT_TRUE(host.objects->frames.empty()) << "creating the window must not load or show it";
    EXPECT_EQ(state().settingsDrive, QStringLiteral("C"));
    EXPECT_EQ(state().settingsFolder, settingsFolder);
    EXPECT_EQ(state().setFilePath, settingsFolder + QStringLiteral("config"));
    QFile file(driveC + QStringLiteral("/Program Files/QuarnelGIS/QuarnelVisibility/config"));
    ASSERT_TRUE(file.exists());
    EXPECT_EQ(file.size(), 0);
    EXPECT_FALSE(QDir(driveD + QStringLiteral("/Program Files/QuarnelGIS")).exists());
    // The application is taken from the host at the first click, not from the hook.
    EXPECT_FALSE(state().appReference);
    EXPECT_FALSE(state().application);
    EXPECT_FALSE(state().document);
}

TEST_F(CommandTest, StartUpWithoutProgramFilesShowsTheSorryBoxAndGoesOn)
{
    host.drives->roots.clear();

    EXPECT_EQ(command->OnCreate(application), Com::S_OK);

    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_TRUE(boxes()[0].text.startsWith(QStringLiteral("Sorry, QuarnelVisibility can't find")))
        << qPrintable(boxes()[0].text);
    EXPECT_EQ(boxes()[0].title, QStringLiteral("QuarnelVisibility"));
    EXPECT_TRUE(mainWindow());
    EXPECT_EQ(state().productName, QStringLiteral("QuarnelVisibility"));
    EXPECT_EQ(state().productVersion, QStringLiteral("v2.12"));
    EXPECT_TRUE(state().settingsFolder.isEmpty());
    EXPECT_TRUE(state().setFilePath.isEmpty());
}

TEST_F(CommandTest, StartUpWithAHookThatIsNoApplicationFailsWithItsOwnBox)
{
    EXPECT_EQ(command->OnCreate(std::make_shared<FakeDocument>()), Com::S_OK);

    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].text, QStringLiteral("Error: ICommand_OnCreate()"));
    EXPECT_EQ(boxes()[0].title, QStringLiteral("QuarnelVisibility"));
    EXPECT_FALSE(mainWindow());
    EXPECT_FALSE(addin().state()) << "no state record without an application";
}

TEST_F(CommandTest, StartUpWithAnEmptyHookCompletesAndClicksStillWork)
{
    EXPECT_EQ(command->OnCreate(nullptr), Com::S_OK);

    EXPECT_TRUE(boxes().empty());
    ASSERT_TRUE(mainWindow());
    EXPECT_EQ(state().setFilePath, settingsFolder + QStringLiteral("config"));
    command->OnClick();
    EXPECT_TRUE(mainWindow()->isVisible());
    EXPECT_EQ(state().document, application->current) << "the application comes from the host at the click";
}

TEST_F(CommandTest, ASecondStartUpReplacesTheMainWindowAndClicksShowTheNewOne)
{
    command->OnCreate(application);
    const QPointer<QWidget> first = mainWindow();

    command->OnCreate(application);

    ASSERT_TRUE(mainWindow());
    EXPECT_TRUE(first.isNull());
    command->OnClick();
    ASSERT_EQ(host.objects->frames.size(), 1u);
    ASSERT_TRUE(host.objects->frames[0]->attached);
    EXPECT_EQ(host.objects->frames[0]->attached->formWidget(), mainWindow());
    EXPECT_TRUE(mainWindow()->isVisible());
}

TEST_F(CommandTest, EachCommandObjectHasItsOwnStateAndReleasingOneClosesItsWindow)
{
    command->OnCreate(application);
    command->OnClick();
    const QPointer<QWidget> window = mainWindow();
    CommandPtr other = newCommand(host.services);
    other->OnCreate(application);
    auto &otherAddin = *static_cast<QuarnelVisibility *>(other.get());
    EXPECT_NE(otherAddin.state(), addin().state());
    EXPECT_FALSE(otherAddin.mainWindow()->isVisible());

    command.reset();

    EXPECT_TRUE(window.isNull());
    EXPECT_EQ(otherAddin.state()->productName, QStringLiteral("QuarnelVisibility"));
}

TEST_F(CommandTest, TwoClicksShowOneFrameAndTakeTheDocumentAnew)
{
    command->OnCreate(application);
    const auto firstDocument = application->current;

    command->OnClick();

    ASSERT_EQ(host.objects->frames.size(), 1u);
    const auto frame = host.objects->frames[0];
    EXPECT_TRUE(frame->visible);
    EXPECT_EQ(frame->caption, QStringLiteral("QuarnelVisibility"));
    EXPECT_EQ(frame->attachCount, 1);
    EXPECT_TRUE(mainWindow()->isVisible());
    EXPECT_EQ(state().appReference, application);
    EXPECT_EQ(state().application, application);
    EXPECT_EQ(state().document, firstDocument);

    const auto secondDocument = std::make_shared<FakeDocument>();
    application->current = secondDocument;
    command->OnClick();

    EXPECT_EQ(host.objects->frames.size(), 1u);
    EXPECT_EQ(frame->attachCount, 1);
    EXPECT_TRUE(frame->visible);
    EXPECT_EQ(state().document, secondDocument);
    EXPECT_EQ(application->documentRequests, 2);
    EXPECT_EQ(host.objects->appReferencesCreated, 1);
    EXPECT_TRUE(boxes().empty());
}

TEST_F(CommandTest, TheApplicationReferenceIsCreatedOnceAndKept)
{
    command->OnCreate(application);
    command->OnClick();
    host.objects->failFor.append(HostClassIds::ApplicationReference);

    command->OnClick();

    EXPECT_TRUE(boxes().empty());
    EXPECT_EQ(host.objects->appReferencesCreated, 1);
    EXPECT_EQ(application->documentRequests, 2);
}

TEST_F(CommandTest, AClickFailingForTheApplicationReferenceReportsStatement10AndShowsNothing)
{
    command->OnCreate(application);
    host.objects->failFor.append(HostClassIds::ApplicationReference);
    state().channel1.openForAppend(QStringLiteral("C:\\Program Files\\left-open.txt"));

    EXPECT_EQ(command->OnClick(), Com::S_OK);

    const QStringList lines = reportLines();
    ASSERT_EQ(lines.size(), 19);
    EXPECT_EQ(lines[8], QStringLiteral("ERROR NUMBER: -2147467259"));
    EXPECT_EQ(lines[9], QStringLiteral("MODULE: ICommand_OnClick QuarnelVisibility Line : 10"));
    EXPECT_EQ(lines[10], QStringLiteral("ERROR DESCRIPTION: Cannot create object"));
    EXPECT_EQ(boxes()[0].title, QStringLiteral("QuarnelVisibility"));
    EXPECT_FALSE(state().channel1.isOpen());
    EXPECT_TRUE(host.objects->frames.empty());
    EXPECT_FALSE(mainWindow()->isVisible());
    EXPECT_FALSE(state().appReference);
    EXPECT_FALSE(state().document);

    // The next click, with the host working again, gets through.
    host.objects->failFor.clear();
    host.boxes->boxes.clear();
    command->OnClick();
    EXPECT_TRUE(boxes().empty());
    EXPECT_TRUE(mainWindow()->isVisible());
}

TEST_F(CommandTest, AClickFailingForTheDocumentReportsStatement30AndShowsNothing)
{
    command->OnCreate(application);
    application->documentFails = true;

    command->OnClick();

    const QStringList lines = reportLines();
    ASSERT_EQ(lines.size(), 19);
    EXPECT_EQ(lines[9], QStringLiteral("MODULE: ICommand_OnClick QuarnelVisibility Line : 30"));
    EXPECT_EQ(lines[10], QStringLiteral("ERROR DESCRIPTION: No document"));
    EXPECT_EQ(state().appReference, application) << "what was done before the failure stays";
    EXPECT_TRUE(host.objects->frames.empty());
    EXPECT_FALSE(mainWindow()->isVisible());
}

TEST_F(CommandTest, AClickFailingForTheFrameReportsStatement40)
{
    command->OnCreate(application);
    host.objects->failFor.append(HostClassIds::ModelessFrame);

    command->OnClick();

    const QStringList lines = reportLines();
    ASSERT_EQ(lines.size(), 19);
    EXPECT_EQ(lines[9], QStringLiteral("MODULE: ICommand_OnClick QuarnelVisibility Line : 40"));
    EXPECT_EQ(state().document, application->current);
    EXPECT_FALSE(mainWindow()->isVisible());
}

TEST_F(CommandTest, AClickBeforeAnyStartUpReportsTheMissingWindowInsteadOfCrashing)
{
    command->OnClick();

    const QStringList lines = reportLines();
    ASSERT_EQ(lines.size(), 19);
    EXPECT_EQ(lines[7], QStringLiteral("APPLICATION:  "));
    EXPECT_EQ(lines[8], QStringLiteral("ERROR NUMBER: 91"));
    EXPECT_EQ(lines[9], QStringLiteral("MODULE: ICommand_OnClick QuarnelVisibility Line : 40"));
    EXPECT_TRUE(host.objects->frames.empty());
}

TEST_F(CommandTest, TheBitmapIsTheButtonPictureOfTheHiddenResourceWindow)
{
    Com::OLE_HANDLE handle = 0;
    ASSERT_EQ(command->get_Bitmap(&handle), Com::S_OK);
    EXPECT_NE(handle, 0);

    const QImage image = HostBitmaps::image(handle);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(16, 16));
    EXPECT_EQ(image.depth(), 24);
    for (const QPoint corner : {QPoint(0, 0), QPoint(15, 0), QPoint(0, 15), QPoint(15, 15)})
        EXPECT_EQ(image.pixelColor(corner), QColor(Qt::white)) << corner.x() << "," << corner.y();
    int bluePixels = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor colour = image.pixelColor(x, y);
            bluePixels += colour.blue() > 150 && colour.red() < 60 && colour.green() < 60;
        }
    EXPECT_GT(bluePixels, 10) << "the letters are blue";

    // The same picture on every request, also from another command object.
    Com::OLE_HANDLE again = 0;
    ASSERT_EQ(newCommand(host.services)->get_Bitmap(&again), Com::S_OK);
    EXPECT_EQ(again, handle);
    for (QWidget *window : QApplication::topLevelWidgets())
        EXPECT_FALSE(qobject_cast<frmResources *>(window) && window->isVisible()) << "never shown";
    EXPECT_TRUE(boxes().empty());
}

} // namespace
