// The set list's menu: its items and shortcuts, each reaching the set store,
// the list following every change, and the questions answered by a test.
#include "AddinWorld.h"
#include "ISetThemes.h"
#include "SetPrompts.h"

#include <QAction>
#include <QApplication>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

namespace {

/// Answers the menu's questions as a test tells it to, and records them.
class Answers : public SetPrompts
{
public:
    std::optional<QString> newName(QWidget *, const QString &current) override
    {
        asked << QStringLiteral("name for ") + current;
        return name;
    }
    bool confirmMerge(QWidget *, const QString &from, const QString &into) override
    {
        asked << QStringLiteral("merge ") + from + QStringLiteral(" into ") + into;
        return merge;
    }
    QString exportFile(QWidget *, const QStringList &) override { return file; }
    QString importFile(QWidget *) override { return file; }
    SetStore::Clash onClash(QWidget *, const QString &name) override
    {
        asked << QStringLiteral("clash ") + name;
        return clash;
    }
    std::optional<std::vector<SetLayers::Layer>> editLayers(QWidget *, const QString &setName,
                                                            const SetLayers &layers) override
    {
        asked << QStringLiteral("edit ") + setName;
        shownLayers = layers.recorded.size();
        if (whileEditing)
            whileEditing();
        return edited;
    }
    bool overwriteChangedSet(QWidget *, const QString &setName, const QStringList &changes) override
    {
        asked << QStringLiteral("overwrite ") + setName + QStringLiteral(": ") + changes.join(QLatin1Char(';'));
        return overwrite;
    }

    QStringList asked;
    std::optional<QString> name;
    bool merge = true;
    QString file;
    SetStore::Clash clash = SetStore::Clash::Rename;
    std::optional<std::vector<SetLayers::Layer>> edited;
    std::size_t shownLayers = 0;
    std::function<void()> whileEditing;
    bool overwrite = false;
};

class SetMenu : public ::testing::Test
{
protected:
    void SetUp() override
    {
        world.writeFile(SetsWorld::record("Roads", "Layers", "Streets", "False")
                        + SetsWorld::record("Rivers", "Layers", "Rivers", "True"));
        world.reload();
        auto owned = std::make_unique<Answers>();
        answers = owned.get();
        world.window().setPrompts(std::move(owned));
        // Shortcuts reach the list of the active window only.
        QApplication::setActiveWindow(world.window().window());
        world.list().setFocus();
    }
    void choose(const QString &name)
    {
        const QList<QListWidgetItem *> found = world.list().findItems(name, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1);
        const QSignalBlocker quiet(world.list());
        world.list().setCurrentItem(found.front());
    }
    QAction *item(const char *text)
    {
        for (QAction *action : world.list().actions())
            if (action->text() == QLatin1String(text))
                return action;
        return nullptr;
    }
    void key(QKeySequence sequence) { QTest::keySequence(&world.list(), sequence); }

    AddinWorld world;
    Answers *answers = nullptr;
};

TEST_F(SetMenu, HasItsItemsWithTheirShortcuts)
{
    struct Expected
    {
        const char *text;
        QKeySequence shortcut;
    };
    const Expected items[] = {
        {"Restore Exactly", QKeySequence(Qt::SHIFT | Qt::Key_Return)},
        {"Rename...", QKeySequence(Qt::Key_F2)},
        {"Delete", QKeySequence(Qt::Key_Delete)},
        {"Replace with Current Visibility", QKeySequence()},
        {"Edit Layers...", QKeySequence(Qt::CTRL | Qt::Key_E)},
        {"Export...", QKeySequence()},
        {"Import...", QKeySequence()},
        {"Undo", QKeySequence(Qt::CTRL | Qt::Key_Z)},
    };
    for (const Expected &expected : items) {
        QAction *action = item(expected.text);
        ASSERT_NE(action, nullptr) << expected.text;
        EXPECT_EQ(action->shortcut(), expected.shortcut) << expected.text;
    }
    EXPECT_EQ(world.list().contextMenuPolicy(), Qt::CustomContextMenu);
}

TEST_F(SetMenu, KeysRenameMergeDeleteAndUndoWithTheListFollowing)
{
    choose(QStringLiteral("Roads"));
    answers->name = QStringLiteral("Main roads");
    key(QKeySequence(Qt::Key_F2));
    EXPECT_EQ(world.listed(), (QStringList{"Main roads", "Rivers"}));

    choose(QStringLiteral("Rivers"));
    answers->name = QStringLiteral("Main roads");
    answers->merge = false;
    key(QKeySequence(Qt::Key_F2));
    EXPECT_EQ(world.listed(), (QStringList{"Main roads", "Rivers"})) << "a merge declined changes nothing";
    answers->merge = true;
    key(QKeySequence(Qt::Key_F2));
    EXPECT_EQ(world.listed(), QStringList{"Main roads"});
    EXPECT_EQ(answers->asked, (QStringList{"name for Roads", "name for Rivers", "merge Rivers into Main roads",
                                           "name for Rivers", "merge Rivers into Main roads"}));

    choose(QStringLiteral("Main roads"));
    key(QKeySequence(Qt::Key_Delete));
    EXPECT_TRUE(world.listed().isEmpty());
    key(QKeySequence(Qt::CTRL | Qt::Key_Z));
    EXPECT_EQ(world.listed(), QStringList{"Main roads"});
    EXPECT_TRUE(world.host.boxes->boxes.empty());
}

TEST_F(SetMenu, ARenameOntoANameSavedMeanwhileAsksBeforeMerging)
{
    // Another instance saves "Lakes" after the list was read.
    const QByteArray before = world.fileBytes();
    world.writeFile(before + SetsWorld::record("Lakes", "Layers", "Rivers", "False"));
    choose(QStringLiteral("Roads"));
    answers->name = QStringLiteral("Lakes");
    answers->merge = false;
    key(QKeySequence(Qt::Key_F2));
    EXPECT_TRUE(world.fileBytes().startsWith(before)) << "a merge declined changes nothing";
    answers->merge = true;
    key(QKeySequence(Qt::Key_F2));
    EXPECT_FALSE(world.fileBytes().contains("\"Roads\""));
    EXPECT_EQ(answers->asked,
              (QStringList{"name for Roads", "merge Roads into Lakes", "name for Roads", "merge Roads into Lakes"}));
    EXPECT_TRUE(world.host.boxes->boxes.empty());
}

TEST_F(SetMenu, ClearAllCanBeUndone)
{
    world.press("Command1");
    EXPECT_TRUE(world.listed().isEmpty());
    EXPECT_EQ(world.fileBytes(), QByteArray());
    key(QKeySequence(Qt::CTRL | Qt::Key_Z));
    EXPECT_EQ(world.listed(), (QStringList{"Rivers", "Roads"}));
}

TEST_F(SetMenu, RestoreExactlyReplaceExportAndImport)
{
    world.layer("Layers", "Rivers").on = true;
    choose(QStringLiteral("Roads"));
    key(QKeySequence(Qt::SHIFT | Qt::Key_Return));
    EXPECT_FALSE(world.visible("Layers", "Streets"));
    EXPECT_FALSE(world.visible("Layers", "Rivers")) << "not in the set";

    world.layer("Layers", "Streets").on = true;
    item("Replace with Current Visibility")->trigger();
    EXPECT_TRUE(world.fileBytes().startsWith(SetsWorld::record("Roads", "Layers", "Streets", "True")));

    QTemporaryDir dir;
    answers->file = dir.filePath(QStringLiteral("roads.sets"));
    item("Export...")->trigger();
    ASSERT_TRUE(QFile::exists(answers->file));
    item("Import...")->trigger();
    EXPECT_EQ(world.listed(), (QStringList{"Rivers", "Roads", "Roads (2)"}));
    EXPECT_TRUE(answers->asked.contains(QStringLiteral("clash Roads")));
    EXPECT_TRUE(world.host.boxes->boxes.empty());
}

TEST_F(SetMenu, EditLayersOpensForTheCurrentSetAndWritesTheAnswer)
{
    // Ctrl+E: the answer replaces the set's records.
    choose(QStringLiteral("Roads"));
    answers->edited = std::vector<SetLayers::Layer>{{"Layers", "Streets", true}, {"Layers", "Rails", false}};
    key(QKeySequence(Qt::CTRL | Qt::Key_E));
    EXPECT_EQ(world.fileBytes(), SetsWorld::record("Roads", "Layers", "Streets", "True")
                                     + SetsWorld::record("Roads", "Layers", "Rails", "False")
                                     + SetsWorld::record("Rivers", "Layers", "Rivers", "True"));
    EXPECT_EQ(answers->shownLayers, 1u);

    // A double-click with Alt held on an entry asks too; a cancelled edit writes nothing.
    const QByteArray before = world.fileBytes();
    answers->edited.reset();
    choose(QStringLiteral("Rivers"));
    const QRect rivers = world.list().visualItemRect(world.list().currentItem());
    QTest::mouseDClick(world.list().viewport(), Qt::LeftButton, Qt::AltModifier, rivers.center());
    EXPECT_EQ(world.fileBytes(), before);
    EXPECT_EQ(answers->asked, (QStringList{"edit Roads", "edit Rivers"}));
    EXPECT_TRUE(world.host.boxes->boxes.empty());
}

TEST_F(SetMenu, EditLayersAsksBeforeOverwritingASaveMadeWhileItWasOpen)
{
    const QByteArray savedMeanwhile = SetsWorld::record("Roads", "Layers", "Rivers", "True");
    const QByteArray edited = SetsWorld::record("Roads", "Layers", "Streets", "True");
    const QByteArray rivers = SetsWorld::record("Rivers", "Layers", "Rivers", "True");
    for (const bool overwrite : {false, true}) {
        world.writeFile(SetsWorld::record("Roads", "Layers", "Streets", "False") + rivers);
        choose(QStringLiteral("Roads"));
        answers->asked.clear();
        answers->edited = std::vector<SetLayers::Layer>{{"Layers", "Streets", true}};
        answers->overwrite = overwrite;
        // Another instance saves "Roads" again while the dialog is open.
        answers->whileEditing = [&] { world.writeFile(world.fileBytes() + savedMeanwhile); };
        key(QKeySequence(Qt::CTRL | Qt::Key_E));
        ASSERT_EQ(answers->asked.size(), 2) << overwrite;
        EXPECT_TRUE(answers->asked[1].startsWith(QStringLiteral("overwrite Roads: "))
                    && answers->asked[1].contains("Rivers"))
            << qPrintable(answers->asked[1]);
        EXPECT_EQ(world.fileBytes(),
                  overwrite ? edited + rivers
                            : SetsWorld::record("Roads", "Layers", "Streets", "False") + rivers + savedMeanwhile);
    }
    EXPECT_TRUE(world.host.boxes->boxes.empty());
}

TEST_F(SetMenu, ARenameToANameTheFileCannotHoldIsRefusedWithWhy)
{
    const QByteArray before = world.fileBytes();
    choose(QStringLiteral("Roads"));
    answers->name = QStringLiteral("a\",\"b");
    key(QKeySequence(Qt::Key_F2));
    EXPECT_EQ(world.fileBytes(), before);
    ASSERT_EQ(world.host.boxes->boxes.size(), 1u);
    const QString told = world.host.boxes->boxes.front().text;
    EXPECT_TRUE(told.contains(QStringLiteral("a\",\"b")) && !told.contains(QStringLiteral("MODULE:")))
        << "told why, not reported as a failure: " << qPrintable(told);
}

TEST_F(SetMenu, AFailedChangeIsReportedWithItsStep)
{
    world.writeFile(SetsWorld::record("Roads", "Layers", "Streets", "False") + "\"Cut\",\"Lay");
    choose(QStringLiteral("Roads"));
    key(QKeySequence(Qt::Key_Delete));
    EXPECT_EQ(world.reportedModules(), QStringList{QStringLiteral("MODULE: mnuDelete_Click frmMain Line : 20")});
}

/// A host's map themes that a test sets up, recording what the window asks.
class FakeThemes : public ISetThemes
{
public:
    void setSetFile(std::function<QString()> nativePath) override { setFile = std::move(nativePath); }
    void setSetStore(std::function<QString()>) override {}
    void setOnChange(std::function<void()> onChange) override { told = std::move(onChange); }
    bool keepsSets() override { return keeping; }
    void setKeepsSets(bool keep) override { keeping = keep; }
    void setsChanged() override { ++changes; }
    QStringList withheldSets() override { return withheld; }
    std::vector<Theme> ownThemes() override { return own; }
    bool exportsLayouts() override { return layouts; }
    void exportLayouts(const QStringList &sets) override { exported.push_back(sets); }

    std::function<QString()> setFile;
    std::function<void()> told;
    bool keeping = false;
    int changes = 0;
    QStringList withheld;
    std::vector<Theme> own;
    bool layouts = false;
    std::vector<QStringList> exported;
};

TEST_F(SetMenu, TheMapThemeItemsReachTheHostsThemes)
{
    EXPECT_EQ(item("Keep Sets as Map Themes"), nullptr) << "a host without themes";
    auto themes = std::make_shared<FakeThemes>();
    themes->own = {{QStringLiteral("Water"), {{QStringLiteral("Layers"), QStringLiteral("Rivers"), true}}},
                   {QStringLiteral("Roads"), {{QStringLiteral("Layers"), QStringLiteral("Streets"), true}}}};
    world.host.services->setSetThemes(themes);
    world.reload();
    auto owned = std::make_unique<Answers>();
    answers = owned.get();
    answers->clash = SetStore::Clash::Skip;
    world.window().setPrompts(std::move(owned));
    ASSERT_TRUE(themes->setFile);
    EXPECT_TRUE(themes->setFile().endsWith(QStringLiteral("config")));

    QAction *keep = item("Keep Sets as Map Themes");
    ASSERT_NE(keep, nullptr);
    EXPECT_FALSE(keep->isChecked());
    keep->trigger();
    EXPECT_TRUE(themes->keeping);

    themes->withheld = QStringList{QStringLiteral("Roads")};
    themes->told();
    EXPECT_TRUE(keep->toolTip().contains(QStringLiteral("Roads")));

    const int before = themes->changes;
    item("Import Map Themes as Sets...")->trigger();
    EXPECT_EQ(world.listed(), (QStringList{"Rivers", "Roads", "Water"}));
    EXPECT_EQ(answers->asked, QStringList({"clash Roads"}));
    EXPECT_GT(themes->changes, before) << "the file's change reaches the themes";
    item("Undo")->trigger();
    EXPECT_EQ(world.listed(), (QStringList{"Rivers", "Roads"}));
}

TEST_F(SetMenu, ExportLayoutForEachSetHandsTheSelectedSetsToAHostWithLayouts)
{
    for (const bool layouts : {false, true}) {
        auto themes = std::make_shared<FakeThemes>();
        themes->layouts = layouts;
        world.host.services->setSetThemes(themes);
        world.reload();
        QAction *exportItem = item("Export Layout for Each Set...");
        ASSERT_EQ(exportItem != nullptr, layouts) << "shown only by a host that can";
        if (!exportItem)
            continue;
        world.list().selectAll();
        exportItem->trigger();
        world.list().clearSelection();
        world.list().findItems(QStringLiteral("Rivers"), Qt::MatchExactly).front()->setSelected(true);
        exportItem->trigger();
        EXPECT_EQ(themes->exported, (std::vector<QStringList>{{"Rivers", "Roads"}, {"Rivers"}}));
    }
}

} // namespace
