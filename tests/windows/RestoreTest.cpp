// The main window's list: picking a set restores it through the set core and
// redraws; a failure is reported with the click's statement. Selecting
// several sets restores none.

#include "AddinWorld.h"

#include "FileLock.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QTest>

#include <chrono>
#include <functional>
#include <vector>

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

TEST_F(RestoreSet, MissingFileIsReported)
{
    world.writeFile(SetsWorld::record("A", "Layers", "Streets", "False")
                    + SetsWorld::record("B", "Layers", "Streets", "True"));
    world.reload();
    world.select(0);
    EXPECT_FALSE(world.visible("Layers", "Streets"));

    QFile::remove(world.filePath());
    world.select(1);
    EXPECT_EQ(world.reportedModules(), QStringList{QStringLiteral("MODULE: lstbx1_Click frmMain Line : 20")});
    EXPECT_FALSE(world.visible("Layers", "Streets"));
}

TEST(RestoreRedraw, LeavesTheSetFileFreeForOthersWhileTheDocumentRedraws)
{
    struct Case
    {
        const char *what;
        bool picked; ///< the set was picked (and restored) before
        std::function<void(AddinWorld &)> restore;
    };
    const Case cases[] = {
        {"picking a set", false, [](AddinWorld &world) { world.select(0); }},
        {"Restore Exactly", true,
         [](AddinWorld &world) {
             for (QAction *action : world.list().actions())
                 if (action->text() == QStringLiteral("Restore Exactly"))
                     action->trigger();
         }},
    };
    for (const Case &c : cases) {
        AddinWorld world;
        world.writeFile(SetsWorld::record("Roads", "Layers", "Streets", "False"));
        world.reload();
        if (c.picked) {
            world.select(0);
            world.layer(QStringLiteral("Layers"), QStringLiteral("Streets")).on = true;
        }
        // Another computer saves while the document redraws, which it tells
        // its visibility listeners about.
        QFile other(world.filePath());
        ASSERT_TRUE(other.open(QIODevice::ReadWrite));
        std::vector<bool> savedDuringRedraw;
        const auto listening = world.document->subscribeVisibility([&] {
            savedDuringRedraw.push_back(
                FileLock::acquire(other.handle(), FileLock::Kind::Exclusive, std::chrono::milliseconds(0)));
            FileLock::release(other.handle());
        });
        c.restore(world);
        EXPECT_FALSE(world.visible("Layers", "Streets")) << c.what;
        EXPECT_EQ(savedDuringRedraw, std::vector<bool>{true}) << c.what;
        EXPECT_TRUE(world.host.boxes->boxes.empty()) << c.what;
    }
}

/// A person using the set list, which holds ten sets with different first
/// letters; set i hides layer i of the one map.
class ListUser
{
public:
    static inline const QStringList sets{"Alder", "Birch", "Cedar", "Elm", "Fir",
                                         "Hazel", "Larch", "Maple", "Oak", "Pine"};

    ListUser()
    {
        world.useDocument(fake::generatedDocument(1, int(sets.size())));
        QByteArray bytes;
        for (int i = 0; i < sets.size(); ++i)
            bytes += SetsWorld::record(sets[i].toUtf8(), "Map 1", "Layer " + QByteArray::number(i + 1), "False");
        world.writeFile(bytes);
        world.reload();
        QApplication::setActiveWindow(world.window().window());
        world.list().setFocus();
    }

    void click(const char *set, Qt::KeyboardModifiers keys = {}, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mouseClick(world.list().viewport(), button, keys, at(set));
    }
    /// Both clicks of a double-click, as the desktop delivers them.
    void doubleClick(const char *set)
    {
        QWidget *viewport = world.list().viewport();
        QTest::mouseClick(viewport, Qt::LeftButton, {}, at(set));
        QTest::mouseDClick(viewport, Qt::LeftButton, {}, at(set));
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, at(set));
    }
    void key(Qt::Key key, Qt::KeyboardModifiers modifiers = {}) { QTest::keyClick(&world.list(), key, modifiers); }
    /// Types a letter and lets typing pause, which restores the set it led to.
    void type(Qt::Key letter, Qt::KeyboardModifiers modifiers = {})
    {
        key(letter, modifiers);
        static_cast<void>(QTest::qWaitFor([this] { return !restored().isEmpty(); }));
    }
    /// The sets restored, once per restore, in list order.
    QStringList restored() const
    {
        QStringList names;
        for (int i = 0; i < sets.size(); ++i)
            for (std::size_t n = 0; n < layer(i).setVisibleCalls.size(); ++n)
                names << sets[i];
        return names;
    }
    void forgetRestores()
    {
        for (int i = 0; i < sets.size(); ++i)
            layer(i).setVisibleCalls.clear();
    }

    AddinWorld world;

private:
    QPoint at(const char *set)
    {
        QListWidget &list = world.list();
        return list.visualItemRect(list.item(int(sets.indexOf(QLatin1String(set))))).center();
    }
    fake::LayerBase &layer(int i) const
    {
        return world.layer(QStringLiteral("Map 1"), QStringLiteral("Layer %1").arg(i + 1));
    }
};

TEST(SetPicking, RestoresThePickedSetOnceAndNothingWhenSeveralAreSelected)
{
    struct Case
    {
        const char *what;
        std::function<void(ListUser &)> before, act;
        QStringList restored;
    };
    const auto birch = [](ListUser &user) { user.click("Birch"); };
    const auto birchAndCedar = [](ListUser &user) {
        user.click("Birch");
        user.click("Cedar", Qt::ControlModifier);
    };
    const auto oak = [](ListUser &user) { user.click("Oak"); };
    const Case cases[] = {
        {"plain click on another set", birch, [](ListUser &u) { u.click("Cedar"); }, {"Cedar"}},
        {"plain click on the selected set", birch, [](ListUser &u) { u.click("Birch"); }, {"Birch"}},
        {"plain click on one of two selected", birchAndCedar, [](ListUser &u) { u.click("Birch"); }, {"Birch"}},
        {"Ctrl-click selecting another", birch, [](ListUser &u) { u.click("Cedar", Qt::ControlModifier); }, {}},
        {"Ctrl-click deselecting one of two",
         birchAndCedar,
         [](ListUser &u) { u.click("Cedar", Qt::ControlModifier); },
         {}},
        {"Shift-click", birch, [](ListUser &u) { u.click("Fir", Qt::ShiftModifier); }, {}},
        {"Ctrl+A", birch, [](ListUser &u) { u.key(Qt::Key_A, Qt::ControlModifier); }, {}},
        {"Alt-click on another set, which opens its layers when doubled",
         birch,
         [](ListUser &u) { u.click("Cedar", Qt::AltModifier); },
         {}},
        {"right click on another set", birch, [](ListUser &u) { u.click("Cedar", {}, Qt::RightButton); }, {}},
        {"double-click on another set", birch, [](ListUser &u) { u.doubleClick("Cedar"); }, {"Cedar"}},
        {"double-click on the selected set", birch, [](ListUser &u) { u.doubleClick("Birch"); }, {"Birch"}},
        {"Down", birch, [](ListUser &u) { u.key(Qt::Key_Down); }, {"Cedar"}},
        {"Up", birch, [](ListUser &u) { u.key(Qt::Key_Up); }, {"Alder"}},
        {"Home", oak, [](ListUser &u) { u.key(Qt::Key_Home); }, {"Alder"}},
        {"End", birch, [](ListUser &u) { u.key(Qt::Key_End); }, {"Pine"}},
        {"Page Down", oak, [](ListUser &u) { u.key(Qt::Key_PageDown); }, {"Pine"}},
        {"Page Up", birch, [](ListUser &u) { u.key(Qt::Key_PageUp); }, {"Alder"}},
        {"typing a first letter", birch, [](ListUser &u) { u.type(Qt::Key_M); }, {"Maple"}},
        {"typing a capital first letter", birch, [](ListUser &u) { u.type(Qt::Key_M, Qt::ShiftModifier); }, {"Maple"}},
        {"Up at the top", [](ListUser &u) { u.click("Alder"); }, [](ListUser &u) { u.key(Qt::Key_Up); }, {}},
        {"Shift+Down", birch, [](ListUser &u) { u.key(Qt::Key_Down, Qt::ShiftModifier); }, {}},
        {"Shift+Up back to the first of a range",
         birch,
         [](ListUser &u) {
             u.key(Qt::Key_Down, Qt::ShiftModifier);
             u.key(Qt::Key_Up, Qt::ShiftModifier);
         },
         {}},
        {"Ctrl+Down", birch, [](ListUser &u) { u.key(Qt::Key_Down, Qt::ControlModifier); }, {}},
    };
    for (const Case &c : cases) {
        ListUser user;
        if (c.before)
            c.before(user);
        user.forgetRestores();
        c.act(user);
        EXPECT_EQ(user.restored(), c.restored) << c.what;
        EXPECT_TRUE(user.world.host.boxes->boxes.empty()) << c.what;
    }
}

} // namespace
