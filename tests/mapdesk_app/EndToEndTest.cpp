#include "Application.h"
#include "CommandLoader.h"
#include "ComponentRegistry.h"
#include "DesktopHost.h"
#include "Document.h"
#include "FakeHost.h"
#include "FrameWindow.h"
#include "Layer.h"
#include "LoadedCommand.h"
#include "MainWindow.h"
#include "Map.h"
#include "ServerRegistration.h"
#include "TocWidget.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>

#include <gtest/gtest.h>

namespace {

using namespace mapdesk;

/// The frames floating over the window that carry the add-in's main window.
QList<FrameWindow *> addInFrames(QWidget *window)
{
    QList<FrameWindow *> frames;
    for (FrameWindow *frame : window->findChildren<FrameWindow *>(QString(), Qt::FindDirectChildrenOnly))
        if (frame->form() && QLatin1String(frame->form()->metaObject()->className()) == QLatin1String("frmMain"))
            frames << frame;
    return frames;
}

// The add-in module registered in a registry of its own, found by a host
// started in this process with a sample document and a drive C: of its own;
// its button shows the command's presentation and opens the add-in's window.
TEST(EndToEnd, RegisteredAddInGetsItsButtonAndOpensItsWindowOverTheHost)
{
    QTemporaryDir registryDir;
    QTemporaryDir driveC;
    ASSERT_TRUE(registryDir.isValid() && driveC.isValid());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, registryDir.path());
    ASSERT_TRUE(QDir().mkpath(driveC.filePath(QStringLiteral("Program Files"))));

    const QString module = QStringLiteral(QUARNEL_MODULE);
    const ServerRegistration::Outcome registered =
        ServerRegistration::run(ServerRegistration::Action::Register, module);
    ASSERT_TRUE(registered.succeeded) << qPrintable(registered.message);
    const std::optional<QUuid> classId =
        ComponentRegistry().classOfProgId(QStringLiteral("QuarnelGIS.QuarnelVisibility"));
    ASSERT_TRUE(classId.has_value());

    DesktopHost host;
    const QString error = host.start(
        {{QStringLiteral("C=") + driveC.path()}, QStringLiteral(MAPDESK_SAMPLES "/city.mapdesk.json"), false});
    ASSERT_EQ(error, QString());
    // Boxes of the add-in are recorded rather than shown, so nothing blocks.
    auto boxes = std::make_shared<fake::MessageBoxes>();
    host.services()->setMessageBox(boxes);
    MainWindow *window = host.mainWindow();
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));

    ASSERT_EQ(host.commands()->problems(), QStringList());
    ASSERT_EQ(host.commands()->commands().size(), 1u);
    EXPECT_EQ(host.commands()->commands().front()->entry().classId, *classId);

    // The button's presentation, read through the command interface.
    auto *button = window->findChild<QAction *>(QStringLiteral("QuarnelGIS_QuarnelVisibility"));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->text(), QStringLiteral("QuarnelVisibility"));
    EXPECT_EQ(button->toolTip(), QStringLiteral("QuarnelVisibility - Store layer visibility settings"));
    EXPECT_TRUE(button->statusTip().startsWith(QStringLiteral("QuarnelGIS: ")));
    auto *toolbar = qobject_cast<QToolBar *>(button->parent());
    ASSERT_NE(toolbar, nullptr);
    EXPECT_EQ(toolbar->windowTitle(), QStringLiteral("QuarnelGIS")) << "the command's category";
    EXPECT_FALSE(button->icon().isNull());
    EXPECT_EQ(button->icon().availableSizes().value(0), QSize(16, 16));

    // OnCreate ran at load: the add-in prepared its settings on drive C:.
    EXPECT_TRUE(
        QFileInfo::exists(driveC.filePath(QStringLiteral("Program Files/QuarnelGIS/QuarnelVisibility/config"))));
    EXPECT_TRUE(addInFrames(window).isEmpty()) << "no window before the first click";

    button->trigger();
    QList<FrameWindow *> frames = addInFrames(window);
    ASSERT_EQ(frames.size(), 1);
    FrameWindow *frame = frames.front();
    EXPECT_TRUE(frame->isVisible());
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("QuarnelVisibility"));
    const QRect screen = frame->screen()->geometry();
    EXPECT_LE(std::abs(frame->x() + frame->width() / 2.0 - screen.width() / 2.0), 1.0) << "centred across";
    EXPECT_LE(std::abs(frame->y() + frame->height() / 2.0 - screen.height() / 2.0), 1.0) << "centred down";
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "the window does not block the host";

    // Closing hides it; the next click shows the same window again.
    frame->close();
    EXPECT_FALSE(frame->isVisible());
    button->trigger();
    EXPECT_EQ(addInFrames(window), QList<FrameWindow *>{frame});
    EXPECT_TRUE(frame->isVisible());

    // The window works on the host's document: "Off" switches the feature
    // layers off and the table of contents shows it.
    const std::shared_ptr<Map> town = host.application()->currentDocument()->mapModels().front();
    const std::shared_ptr<Layer> firstLayer = town->layers().front();
    ASSERT_TRUE(firstLayer->visible());
    QPushButton *off = nullptr;
    for (QPushButton *candidate : frame->findChildren<QPushButton *>())
        if (candidate->text() == QStringLiteral("Off"))
            off = candidate;
    ASSERT_NE(off, nullptr);
    QTest::mouseClick(off, Qt::LeftButton);
    EXPECT_FALSE(firstLayer->visible());
    QTreeWidgetItem *item = window->tableOfContents()->itemOf(firstLayer.get());
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->checkState(0), Qt::Unchecked);

    EXPECT_TRUE(boxes->boxes.empty()) << qPrintable(boxes->boxes.empty() ? QString() : boxes->boxes.front().text);
}

} // namespace
