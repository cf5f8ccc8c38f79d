#include "QgisPanelFrame.h"
#include "FrameWindow.h"
#include "HostError.h"
#include "IForm.h"

#include <qgsdockwidget.h>

#include <QAction>
#include <QMainWindow>
#include <QPointer>
#include <QTest>

#include <gtest/gtest.h>

using namespace quarnelqgis;

namespace {

/// A form as the add-in makes them, named as its window is.
class TestForm : public QWidget, public IForm
{
public:
    explicit TestForm(const char *name)
    {
        setObjectName(QLatin1String(name));
        resize(306, 173);
    }
    QWidget *formWidget() override { return this; }
    void formLoad() override
    {
        if (onLoad)
            onLoad();
    }
    std::function<void()> onLoad;
};

/// QGIS's main window as far as the panel sees it, counting the panels
/// added through QGIS and taken away again.
struct MainWindowWorld
{
    MainWindowWorld()
    {
        window.setCentralWidget(new QWidget);
        window.resize(900, 700);
        window.show();
        dock.mainWindow = &window;
        dock.add = [this](QDockWidget *panel) {
            window.addDockWidget(Qt::RightDockWidgetArea, panel);
            added << panel;
        };
        dock.remove = [this](QDockWidget *panel) { removed << panel; };
    }

    QgsDockWidget *onlyPanel() const
    {
        const QList<QgsDockWidget *> panels = window.findChildren<QgsDockWidget *>(QgisPanelFrame::panelName());
        return panels.size() == 1 ? panels.first() : nullptr;
    }

    QMainWindow window;
    QgisPanelFrame::Dock dock;
    QList<QDockWidget *> added;
    QList<QDockWidget *> removed;
};

TEST(QgisPanelFrame, TheAddInsWindowLivesInAPanelThatFloatsWhereItIsPutTheFirstTime)
{
    MainWindowWorld w;
    TestForm form("frmMain");
    auto frame = std::make_unique<QgisPanelFrame>(w.dock);
    // The add-in places its window during the load step.
    form.onLoad = [&] { frame->move(140, 90, 0, 0); };
    frame->attach(&form);
    frame->setCaption(QStringLiteral("QuarnelVisibility"));

    QgsDockWidget *panel = w.onlyPanel();
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(w.added, QList<QDockWidget *>{panel});
    EXPECT_EQ(panel->allowedAreas(), Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea);
    EXPECT_TRUE(panel->isFloating());
    EXPECT_EQ(panel->windowTitle(), QStringLiteral("QuarnelVisibility"));
    EXPECT_EQ(panel->toggleViewAction()->text(), QStringLiteral("QuarnelVisibility"));
    EXPECT_FALSE(panel->isVisible());
    EXPECT_TRUE(panel->isAncestorOf(&form));
    EXPECT_FALSE(form.isWindow());

    frame->setVisible(true);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(panel));
    EXPECT_EQ(panel->pos(), QPoint(140, 90));
    EXPECT_EQ(form.size(), QSize(306, 173));
    frame->setVisible(false);
    EXPECT_FALSE(panel->isVisible());

    const QPointer<QgsDockWidget> gone = panel;
    frame.reset();
    EXPECT_TRUE(gone.isNull());
    EXPECT_EQ(w.removed.size(), 1);
    EXPECT_EQ(w.onlyPanel(), nullptr);
    EXPECT_EQ(form.parentWidget(), nullptr);
}

TEST(QgisPanelFrame, APlaceQgisKeptInItsWindowStateWinsOverThePlaceTheAddInGives)
{
    QByteArray state;
    {
        MainWindowWorld w;
        TestForm form("frmMain");
        QgisPanelFrame frame(w.dock);
        frame.attach(&form);
        frame.setVisible(true);
        w.window.addDockWidget(Qt::LeftDockWidgetArea, w.onlyPanel());
        w.onlyPanel()->setFloating(false);
        state = w.window.saveState();
    }
    // The next session: QGIS restores its window state before the add-in
    // makes its panel.
    MainWindowWorld w;
    w.window.restoreState(state);
    TestForm form("frmMain");
    QgisPanelFrame frame(w.dock);
    form.onLoad = [&] { frame.move(140, 90, 0, 0); };
    frame.attach(&form);
    frame.setVisible(true);
    QgsDockWidget *panel = w.onlyPanel();
    ASSERT_NE(panel, nullptr);
    EXPECT_FALSE(panel->isFloating());
    EXPECT_EQ(w.window.dockWidgetArea(panel), Qt::LeftDockWidgetArea);
}

TEST(QgisPanelFrame, OtherFormsFloatOverQgisAsInMapdesk)
{
    MainWindowWorld w;
    TestForm form("frmName");
    auto frame = std::make_unique<QgisPanelFrame>(w.dock);
    frame->attach(&form);
    frame->setCaption(QStringLiteral("Name"));
    frame->setVisible(true);

    EXPECT_EQ(w.onlyPanel(), nullptr);
    EXPECT_TRUE(w.added.isEmpty());
    auto *window = qobject_cast<mapdesk::FrameWindow *>(form.parentWidget());
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isWindow());
    EXPECT_EQ(window->parentWidget(), &w.window);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Name"));

    frame.reset();
    EXPECT_EQ(form.parentWidget(), nullptr);
    EXPECT_THROW(QgisPanelFrame(w.dock).attach(nullptr), HostError);
}

} // namespace
