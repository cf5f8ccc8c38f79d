// The whole-file changes of the set store: each one's bytes afterwards, the
// file before it kept for undo, records of other writers kept, and failures
// that leave the file as it was.
#include "HostError.h"
#include "SetStore.h"
#include "SetsWorld.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <optional>
#include <vector>

#include <sys/resource.h>

namespace {

const QByteArray kRoads = SetsWorld::record("Roads", "Layers", "Streets", "True");
const QByteArray kRivers = SetsWorld::record("Rivers", "Layers", "Rivers", "False");
const QByteArray kRoads2 = SetsWorld::record("Roads", "Overview", "Streets", "False");
// A record the earlier writer left, with a quote inside its name: copied as it stands.
const QByteArray kEarlier = "\"say \"hi\"\",\"Layers\",\"Rails\",\"True\"\r\n";

class SetFileChanges : public ::testing::Test
{
protected:
    void SetUp() override { world.writeFile(kRoads + kRivers + kEarlier + kRoads2); }

    QByteArray previous() const
    {
        QFile file(world.filePath() + QStringLiteral(".previous"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
    int failureOf(const std::function<void()> &step)
    {
        try {
            step();
        } catch (const HostError &error) {
            return error.number();
        }
        return 0;
    }

    SetsWorld world;
    SetStore store{world.state()};
};

TEST_F(SetFileChanges, EachChangeWritesItsBytesKeepsTheFileBeforeAndUndoesAndRedoes)
{
    const QByteArray before = kRoads + kRivers + kEarlier + kRoads2;
    struct Case
    {
        const char *name;
        std::function<void(SetStore &)> change;
        QByteArray after;
        std::optional<QByteArray> from = std::nullopt; ///< the file before; `before` when not given
    };
    // Runs of one set's records are passed over at once: a run that goes on
    // with the same name written otherwise (unquoted) or is broken by
    // another set must still end where the records say.
    const QByteArray kLakes = SetsWorld::record("Rivers", "Layers", "Lakes", "True");
    const QByteArray unquoted = "Rivers,Layers,Ponds,False\r\n";
    const QByteArray runs = kRivers + kLakes + unquoted + kRivers + kRoads + kLakes + kRivers + kRoads2 + kLakes;
    const Case cases[] = {
        {"rename", [](SetStore &s) { EXPECT_EQ(s.renameSet("Roads", "Streets only"), SetStore::Rename::Renamed); },
         SetsWorld::record("Streets only", "Layers", "Streets", "True") + kRivers + kEarlier
             + SetsWorld::record("Streets only", "Overview", "Streets", "False")},
        {"rename into a set that exists merges",
         [](SetStore &s) {
             EXPECT_EQ(s.renameSet("Rivers", "Roads", SetStore::OntoNameInUse::Merge), SetStore::Rename::Renamed);
         },
         kRoads + SetsWorld::record("Roads", "Layers", "Rivers", "False") + kEarlier + kRoads2},
        {"delete",
         [](SetStore &s) {
             EXPECT_EQ(s.deleteSets({"Roads", "say \"hi\""}), 3);
         },
         kRivers},
        {"replace",
         [this](SetStore &s) {
             world.layer("Layers", "Streets").on = false;
             EXPECT_TRUE(s.replaceSet("Rivers", *world.document));
         },
         kRoads + SetsWorld::record("Rivers", "Layers", "Streets", "False")
             + SetsWorld::record("Rivers", "Layers", "Rails", "False")
             + SetsWorld::record("Rivers", "Layers", "Rivers", "True")
             + SetsWorld::record("Rivers", "Overview", "Streets", "True") + kEarlier + kRoads2},
        {"clear all", [](SetStore &s) { s.clearAll(); }, QByteArray()},
        {"delete amid runs of another set", [](SetStore &s) { EXPECT_EQ(s.deleteSets({"Roads"}), 2); },
         kRivers + kLakes + unquoted + kRivers + kLakes + kRivers + kLakes, runs},
        {"rename amid runs of another set",
         [](SetStore &s) { EXPECT_EQ(s.renameSet("Roads", "Streets only"), SetStore::Rename::Renamed); },
         kRivers + kLakes + unquoted + kRivers + SetsWorld::record("Streets only", "Layers", "Streets", "True") + kLakes
             + kRivers + SetsWorld::record("Streets only", "Overview", "Streets", "False") + kLakes,
         runs},
        {"delete of a run written two ways", [](SetStore &s) { EXPECT_EQ(s.deleteSets({"Rivers"}), 7); },
         kRoads + kRoads2, runs},
    };
    for (const Case &c : cases) {
        const QByteArray from = c.from.value_or(before);
        world.writeFile(from);
        c.change(store);
        EXPECT_EQ(world.fileBytes(), c.after) << c.name;
        EXPECT_EQ(previous(), from) << c.name;
        EXPECT_TRUE(store.undo()) << c.name;
        EXPECT_EQ(world.fileBytes(), from) << c.name;
        EXPECT_TRUE(store.undo()) << c.name << ": undo again redoes";
        EXPECT_EQ(world.fileBytes(), c.after) << c.name;
    }
}

TEST_F(SetFileChanges, AnEditReplacesTheSetWhereItStoodAndKeepsTheBytesOfWhatItLeaves)
{
    // Roads records Layers/Streets (written unquoted by another tool),
    // Overview/Streets off, and Layers/Rails twice, last off; other sets
    // stand between its records.
    const QByteArray streets = "Roads,Layers,Streets,True\r\n";
    const QByteArray railsOn = SetsWorld::record("Roads", "Layers", "Rails", "True");
    const QByteArray railsOff = SetsWorld::record("Roads", "Layers", "Rails", "False");
    const QByteArray before = streets + kRivers + kEarlier + kRoads2 + railsOn + railsOff;
    using Layer = SetLayers::Layer;
    const Layer streetsOn{"Layers", "Streets", true};
    const Layer rails{"Layers", "Rails", false};
    const Layer overview{"Overview", "Streets", false};
    struct Case
    {
        const char *name;
        QString set;
        std::vector<Layer> layers;
        bool found;
        std::optional<QByteArray> after; ///< nothing: the file stays as it was
    };
    const Case cases[] = {
        {"untick",
         "Roads",
         {{"Layers", "Streets", false}, rails, overview},
         true,
         SetsWorld::record("Roads", "Layers", "Streets", "False") + railsOff + kRoads2 + kRivers + kEarlier},
        {"tick",
         "Roads",
         {streetsOn, rails, {"Overview", "Streets", true}},
         true,
         streets + railsOff + SetsWorld::record("Roads", "Overview", "Streets", "True") + kRivers + kEarlier},
        {"remove", "Roads", {streetsOn, overview}, true, streets + kRoads2 + kRivers + kEarlier},
        {"add",
         "Roads",
         {streetsOn, rails, {"Layers", "Rivers", true}, overview},
         true,
         streets + railsOff + SetsWorld::record("Roads", "Layers", "Rivers", "True") + kRoads2 + kRivers + kEarlier},
        {"remove every layer", "Roads", {}, true, kRivers + kEarlier},
        {"a quote in the set's name",
         "say \"hi\"",
         {{"Layers", "Rails", false}},
         true,
         streets + kRivers + "\"say \"\"hi\"\"\",\"Layers\",\"Rails\",\"False\"\r\n" + kRoads2 + railsOn + railsOff},
        {"left as it was", "Rivers", {{"Layers", "Rivers", false}}, true, std::nullopt},
        {"no such set", "Lakes", {streetsOn}, false, std::nullopt},
    };
    for (const Case &c : cases) {
        world.writeFile(before);
        const QByteArray undoPoint = previous();
        EXPECT_EQ(store.editSet(c.set, c.layers), c.found) << c.name;
        EXPECT_EQ(world.fileBytes(), c.after.value_or(before)) << c.name;
        if (!c.after) {
            EXPECT_EQ(previous(), undoPoint) << c.name << ": the last change stays the one to undo";
            continue;
        }
        EXPECT_TRUE(store.undo()) << c.name;
        EXPECT_EQ(world.fileBytes(), before) << c.name;
    }
}

TEST_F(SetFileChanges, AnEditWritesOnlyWhileTheSetRecordsWhatWasReadJudgedUnderTheLock)
{
    using Layer = SetLayers::Layer;
    const std::vector<Layer> edit{{"Layers", "Streets", false}};
    struct Case
    {
        const char *name;
        QByteArray savedMeanwhile; ///< appended between reading the set and the edit
        std::vector<Layer> shown;  ///< what the person was shown
        SetStore::Edit outcome;
        QStringList changes;
    };
    // As the dialog shows them, grouped by map: any order is the same set.
    const std::vector<Layer> roads{{"Overview", "Streets", false}, {"Layers", "Streets", true}};
    const Case cases[] = {
        {"another set saved", SetsWorld::record("Lakes", "Layers", "Lakes", "True"), roads, SetStore::Edit::Edited, {}},
        {"saved again as it was", kRoads + kRoads2, roads, SetStore::Edit::Edited, {}},
        {"saved again otherwise",
         SetsWorld::record("Roads", "Layers", "Streets", "False")
             + SetsWorld::record("Roads", "Layers", "Lakes", "True"),
         roads,
         SetStore::Edit::ChangedSince,
         {"Layers / Streets: now hidden, was shown", "Layers / Lakes: recorded shown, newly"}},
        {"shown otherwise than recorded",
         {},
         {{"Layers", "Streets", true}},
         SetStore::Edit::ChangedSince,
         {"Overview / Streets: recorded hidden, newly"}},
    };
    const QByteArray before = kRoads + kRivers + kEarlier + kRoads2;
    for (const Case &c : cases) {
        world.writeFile(before + c.savedMeanwhile);
        std::vector<SetStore::LayerChange> changes;
        EXPECT_EQ(store.editSet("Roads", edit, c.shown, &changes), c.outcome) << c.name;
        EXPECT_EQ(SetStore::describe(changes), c.changes) << c.name;
        if (c.outcome == SetStore::Edit::ChangedSince)
            EXPECT_EQ(world.fileBytes(), before + c.savedMeanwhile) << c.name;
        else
            EXPECT_TRUE(world.fileBytes().startsWith(SetsWorld::record("Roads", "Layers", "Streets", "False")))
                << c.name;
    }

    // Without a reading the edit writes; after one, a save in between refuses it with what changed.
    world.writeFile(before);
    SetStore reader{world.state()};
    reader.layersOf("Roads", *world.document);
    world.writeFile(before + SetsWorld::record("Roads", "Overview", "Streets", "True"));
    EXPECT_EQ(failureOf([&] { reader.editSet("Roads", edit); }), 75);
    EXPECT_EQ(world.fileBytes(), before + SetsWorld::record("Roads", "Overview", "Streets", "True"));
    EXPECT_TRUE(store.editSet("Roads", edit));
}

TEST_F(SetFileChanges, ANameTheFileCannotHoldIsNeverWrittenByARenameOrAnImport)
{
    const QByteArray before = world.fileBytes();
    EXPECT_EQ(failureOf([&] { store.renameSet("Roads", "a\",\"b"); }), 52);
    EXPECT_EQ(failureOf([&] { store.renameSet("Roads", "Rivers\n\"x", SetStore::OntoNameInUse::Merge); }), 52);
    // A name read from another file that this one would read otherwise.
    QTemporaryDir dir;
    const QString importing = dir.filePath(QStringLiteral("odd.sets"));
    QFile file(importing);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(SetsWorld::record("Fine", "Layers", "Rails", "True") + "\"x\r\n\"y\",\"M\r\nN\",\"L\",\"True\"\r\n");
    file.close();
    EXPECT_EQ(failureOf([&] { store.importSets(importing, [](const QString &) { return SetStore::Clash::Merge; }); }),
              52);
    EXPECT_EQ(world.fileBytes(), before);
    EXPECT_EQ(previous(), "<missing>");
}

TEST_F(SetFileChanges, ARenameOntoANameInUseMergesOnlyWhenAsked)
{
    // The name came into use after the list was read: the file decides.
    EXPECT_EQ(store.renameSet("Rivers", "Roads"), SetStore::Rename::NameInUse);
    EXPECT_EQ(world.fileBytes(), kRoads + kRivers + kEarlier + kRoads2);
    EXPECT_EQ(previous(), "<missing>") << "nothing changed, nothing to undo";
    EXPECT_EQ(store.renameSet("Rivers", "Roads", SetStore::OntoNameInUse::Merge), SetStore::Rename::Renamed);
    EXPECT_EQ(store.names(), (QStringList{"Roads", "say \"hi\""}));
}

TEST_F(SetFileChanges, AChangeTheDiskCannotTakeKeepsTheFileAndTheLastUndoPoint)
{
    ASSERT_EQ(store.deleteSets({"Rivers"}), 1);
    const QByteArray afterDelete = world.fileBytes();
    // No room for the new file: the import fails, and Undo still takes
    // back the delete.
    struct rlimit saved = {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    struct rlimit limited = saved;
    limited.rlim_cur = rlim_t(afterDelete.size() + 8);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    QTemporaryDir dir;
    QFile in(dir.filePath(QStringLiteral("in.sets")));
    ASSERT_TRUE(in.open(QIODevice::WriteOnly));
    in.write(kRivers + kRivers);
    in.close();
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    const int failure =
        failureOf([&] { store.importSets(in.fileName(), [](const QString &) { return SetStore::Clash::Merge; }); });
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(failure, 61);
    EXPECT_EQ(world.fileBytes(), afterDelete);
    EXPECT_TRUE(store.undo());
    EXPECT_EQ(world.fileBytes(), kRoads + kRivers + kEarlier + kRoads2);
}

TEST_F(SetFileChanges, UndoKeepsWhatWasSavedAfterTheChange)
{
    // Rename, a save, undo, a delete: the save survives all of them.
    ASSERT_EQ(store.renameSet("Roads", "Streets only"), SetStore::Rename::Renamed);
    QFile file(world.filePath());
    ASSERT_TRUE(file.open(QIODevice::Append));
    const QByteArray saved = SetsWorld::record("Saved", "Layers", "Rails", "True");
    file.write(saved);
    file.close();
    EXPECT_TRUE(store.undo());
    EXPECT_EQ(world.fileBytes(), kRoads + kRivers + kEarlier + kRoads2 + saved);
    EXPECT_EQ(store.deleteSets({"Rivers"}), 1);
    EXPECT_EQ(world.fileBytes(), kRoads + kEarlier + kRoads2 + saved);
    EXPECT_TRUE(store.undo());
    EXPECT_EQ(world.fileBytes(), kRoads + kRivers + kEarlier + kRoads2 + saved);
}

TEST_F(SetFileChanges, AChangeThatFindsNothingLeavesTheFileAndTheUndoAlone)
{
    store.clearAll();
    world.writeFile(kRivers);
    EXPECT_EQ(store.renameSet("Missing", "Other"), SetStore::Rename::NoSuchSet);
    EXPECT_EQ(store.deleteSets({"Missing"}), 0);
    EXPECT_FALSE(store.replaceSet("Missing", *world.document));
    EXPECT_EQ(store.repair(), 0);
    EXPECT_EQ(world.fileBytes(), kRivers);
    EXPECT_EQ(previous(), kRoads + kRivers + kEarlier + kRoads2) << "the last real change stays undoable";
}

TEST_F(SetFileChanges, ADamagedTailStopsEveryChangeButRepairWhichCutsItBackUndoably)
{
    const QByteArray damaged = kRoads + kRivers + "\"Cut\",\"Layers\",\"Stre";
    world.writeFile(damaged);
    EXPECT_EQ(failureOf([&] { store.renameSet("Roads", "X"); }), 62);
    EXPECT_EQ(failureOf([&] { store.deleteSets({"Roads"}); }), 62);
    EXPECT_EQ(world.fileBytes(), damaged);
    // Cut inside a record of the set whose run a change passes over.
    const QByteArray cutInRun = kRoads + kRivers + kRivers + "\"Rivers\",\"Layers\",\"Stre";
    world.writeFile(cutInRun);
    EXPECT_EQ(failureOf([&] { store.renameSet("Roads", "X"); }), 62);
    EXPECT_EQ(failureOf([&] { store.deleteSets({"Roads"}); }), 62);
    EXPECT_EQ(world.fileBytes(), cutInRun);
    world.writeFile(damaged);

    const SetStore::CheckReport report = store.check();
    EXPECT_EQ(report.records, 2);
    EXPECT_EQ(report.sets, 2);
    EXPECT_EQ(report.bytes, damaged.size());
    ASSERT_EQ(report.damaged.size(), 1u);
    EXPECT_EQ(report.damaged[0].line, 3);

    EXPECT_EQ(store.repair(), qsizetype(std::strlen("\"Cut\",\"Layers\",\"Stre")));
    EXPECT_EQ(world.fileBytes(), kRoads + kRivers);
    EXPECT_TRUE(store.check().damaged.empty());
    EXPECT_TRUE(store.undo());
    EXPECT_EQ(world.fileBytes(), damaged);
}

TEST_F(SetFileChanges, ExportAndImportCarrySetsAndSettleClashesAsAsked)
{
    QTemporaryDir dir;
    const QString exported = dir.filePath(QStringLiteral("shared.sets"));
    EXPECT_EQ(store.exportSets({"Roads", "say \"hi\""}, exported), 3);
    QFile file(exported);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), kRoads + kEarlier + kRoads2);
    EXPECT_NE(failureOf([&] { store.exportSets({"Roads"}, dir.filePath("missing/folder/x.sets")); }), 0);

    struct Case
    {
        SetStore::Clash clash;
        QByteArray appended;
        QStringList added;
    };
    const QByteArray incoming = kRivers + SetsWorld::record("New", "Layers", "Rails", "True");
    const Case cases[] = {
        {SetStore::Clash::Merge, incoming, {"Rivers", "New"}},
        {SetStore::Clash::Skip, SetsWorld::record("New", "Layers", "Rails", "True"), {"New"}},
        {SetStore::Clash::Rename,
         SetsWorld::record("Rivers (2)", "Layers", "Rivers", "False")
             + SetsWorld::record("New", "Layers", "Rails", "True"),
         {"Rivers (2)", "New"}},
    };
    const QString importing = dir.filePath(QStringLiteral("in.sets"));
    QFile in(importing);
    ASSERT_TRUE(in.open(QIODevice::WriteOnly));
    in.write(incoming);
    in.close();
    for (const Case &c : cases) {
        const QByteArray before = kRoads + kRivers;
        world.writeFile(before);
        QStringList asked;
        const SetStore::ImportOutcome outcome = store.importSets(importing, [&](const QString &name) {
            asked << name;
            return c.clash;
        });
        EXPECT_EQ(asked, QStringList{"Rivers"});
        EXPECT_EQ(outcome.added, c.added);
        EXPECT_EQ(world.fileBytes(), before + c.appended);
        EXPECT_TRUE(store.undo());
        EXPECT_EQ(world.fileBytes(), before);
    }

    // A damaged or missing file to import adds nothing; a damaged one is
    // named with the line of its damaged record and what is wrong with it.
    struct Damaged
    {
        QByteArray bytes;
        const char *where;
    };
    for (const Damaged &d : {Damaged{kRivers + "\"Cut\",\"Lay", "line 2 is damaged (the file ends inside it)"},
                             Damaged{kRivers + kRivers + SetsWorld::record("X", "Layers", "Rails", "Maybe"),
                                     "line 3 is damaged (the visibility is neither True nor False)"}}) {
        ASSERT_TRUE(in.open(QIODevice::WriteOnly | QIODevice::Truncate));
        in.write(d.bytes);
        in.close();
        world.writeFile(kRoads);
        try {
            store.importSets(importing, [](const QString &) { return SetStore::Clash::Merge; });
            ADD_FAILURE() << d.where;
        } catch (const HostError &error) {
            EXPECT_EQ(error.number(), 62);
            EXPECT_TRUE(error.description().contains(QDir::toNativeSeparators(importing)))
                << error.description().toStdString();
            EXPECT_TRUE(error.description().contains(QLatin1String(d.where))) << error.description().toStdString();
        }
    }
    EXPECT_EQ(failureOf([&] {
                  store.importSets(dir.filePath("none"), [](const QString &) { return SetStore::Clash::Merge; });
              }),
              53);
    EXPECT_EQ(world.fileBytes(), kRoads);
}

TEST_F(SetFileChanges, AChangeKeepsWhatWasSavedBeforeIt)
{
    // An import, then a save through the channel, then a rename: each keeps the others.
    const SetStore::ImportOutcome outcome = [&] {
        QTemporaryDir dir;
        QFile in(dir.filePath(QStringLiteral("in.sets")));
        EXPECT_TRUE(in.open(QIODevice::WriteOnly));
        in.write(SetsWorld::record("Late", "Layers", "Rails", "True"));
        in.close();
        return store.importSets(in.fileName(), [&](const QString &) { return SetStore::Clash::Skip; });
    }();
    EXPECT_EQ(outcome.added, QStringList{"Late"});
    store.close();
    store.openForAppend();
    store.appendSet(QStringLiteral("Saved meanwhile"), *world.document);
    store.close();
    EXPECT_EQ(store.renameSet("Late", "Later"), SetStore::Rename::Renamed);
    EXPECT_TRUE(world.fileBytes().contains("\"Saved meanwhile\",\"Overview\",\"Streets\",\"True\"\r\n"));
    EXPECT_EQ(store.names(), (QStringList{"Roads", "Rivers", "say \"hi\"", "Later", "Saved meanwhile"}));
}

TEST_F(SetFileChanges, RestoreExactlyHidesWhatTheSetDoesNotMention)
{
    for (const char *layer : {"Streets", "Rivers", "Rails"})
        world.layer("Layers", layer).on = true;
    store.openForInput();
    store.restoreSet(QStringLiteral("Roads"), *world.document, SetStore::Restore::Exactly);
    store.close();
    EXPECT_TRUE(world.visible("Layers", "Streets"));
    EXPECT_FALSE(world.visible("Overview", "Streets"));
    EXPECT_FALSE(world.visible("Layers", "Rivers")) << "not in the set";
    EXPECT_FALSE(world.visible("Layers", "Rails")) << "not in the set";

    world.layer("Layers", "Rivers").on = true;
    store.openForInput();
    store.restoreSet(QStringLiteral("Missing"), *world.document, SetStore::Restore::Exactly);
    store.close();
    EXPECT_TRUE(world.visible("Layers", "Rivers")) << "a set that is not there hides nothing";
}

} // namespace

namespace {

TEST(SetFileChangesOnTheFileItself, ExportOverItOrImportOfItIsRefusedAndAMissingFileStaysMissing)
{
    SetsWorld world;
    SetStore store(world.state());
    world.writeFile(kRoads);
    const QString previous = world.filePath() + QStringLiteral(".previous");
    store.clearAll();
    world.writeFile(kRoads);
    for (const QString &target : {world.filePath(), previous}) {
        EXPECT_THROW(store.exportSets({"Roads"}, target), HostError);
        EXPECT_THROW(store.importSets(target, [](const QString &) { return SetStore::Clash::Merge; }), HostError);
    }
    EXPECT_EQ(world.fileBytes(), kRoads);

    ASSERT_TRUE(QFile::remove(world.filePath()));
    ASSERT_TRUE(QFile::remove(previous));
    EXPECT_EQ(store.renameSet("Roads", "X"), SetStore::Rename::NoSuchSet);
    EXPECT_EQ(store.deleteSets({"Roads"}), 0);
    EXPECT_FALSE(store.undo());
    EXPECT_FALSE(QFile::exists(world.filePath())) << "nothing to change creates nothing";
}

} // namespace
