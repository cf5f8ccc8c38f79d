// The set store over a set file on a fake drive: saving a document's
// visibility as a set, listing the file's sets, restoring one, clearing them.

#include "SetStore.h"
#include "SetsWorld.h"

#include "HostError.h"
#include "ILayer.h"
#include "IMap.h"
#include "LayerWalk.h"
#include "VisibilitySetFile.h"
#include "WrappingDocument.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace {

using fake::hidden;

class SetStoreTest : public ::testing::Test
{
protected:
    /// Saves `document` as set `name`, as "OK" does.
    void save(const QString &name, IDocument &document)
    {
        store.close();
        store.openForAppend();
        store.appendSet(name, document);
        store.close();
    }
    void save(const QString &name) { save(name, *world.document); }
    /// Restores set `name` into `document`, as a click on the list does.
    void restore(const QString &name, IDocument &document)
    {
        store.close();
        store.openForInput();
        store.restoreSet(name, document);
        store.close();
    }
    void restore(const QString &name) { restore(name, *world.document); }
    QStringList names()
    {
        QStringList found;
        store.openForInput();
        store.listNames([&found](const QString &name) { found << name; });
        store.close();
        return found;
    }
    /// The failure number of `step`, closing the channel as a handler's failure path does.
    int failureOf(const std::function<void()> &step)
    {
        try {
            step();
        } catch (const HostError &error) {
            world.state().channel1.closeQuietly();
            return error.number();
        }
        return 0;
    }

    SetsWorld world;
    SetStore store{world.state()};
};

const QByteArray kStandardSaved = "\"Roads\",\"Layers\",\"Streets\",\"True\"\r\n"
                                  "\"Roads\",\"Layers\",\"Rails\",\"False\"\r\n"
                                  "\"Roads\",\"Layers\",\"Rivers\",\"True\"\r\n"
                                  "\"Roads\",\"Overview\",\"Streets\",\"True\"\r\n";

TEST_F(SetStoreTest, SavesAndRestoresAlsoThroughAHostThatWrapsItsObjectsAfresh)
{
    // Each wrapper lives only as long as the add-in holds it.
    wrapping::Document wrapped(world.document);
    for (IDocument *document : {static_cast<IDocument *>(world.document.get()), static_cast<IDocument *>(&wrapped)}) {
        world.writeFile(QByteArray());
        save(QStringLiteral("Roads"), *document);
        EXPECT_EQ(world.fileBytes(), kStandardSaved); // one record per recordable feature layer, in walk order
    }
    world.writeFile(SetsWorld::record("Roads", "Layers", "Streets", "False")
                    + SetsWorld::record("Roads", "Layers", "Rails", "True")
                    + SetsWorld::record("Roads", "Overview", "Streets", "False"));
    restore(QStringLiteral("Roads"), wrapped);
    EXPECT_FALSE(world.visible("Layers", "Streets"));
    EXPECT_TRUE(world.visible("Layers", "Rails"));
    EXPECT_TRUE(world.visible("Layers", "Rivers"));
    EXPECT_FALSE(world.visible("Overview", "Streets"));
}

TEST_F(SetStoreTest, RestoreSwitchesTheSetsFeatureLayersOnly)
{
    world.writeFile(SetsWorld::record("Roads", "Layers", "Streets", "False")
                    + SetsWorld::record("Roads", "Layers", "Rails", "True")
                    + SetsWorld::record("Roads", "Layers", "Rivers", "False")
                    + SetsWorld::record("Roads", "Overview", "Streets", "False")
                    + SetsWorld::record("Roads", "Layers", "Deep", "False")
                    + SetsWorld::record("Roads", "Layers", "Transport", "False")
                    + SetsWorld::record("Roads", "Layers", "Hills", "False")
                    + SetsWorld::record("Roads", "Nowhere", "Streets", "True")
                    + SetsWorld::record("Other", "Layers", "Rivers", "True"));
    restore(QStringLiteral("Roads"));
    EXPECT_FALSE(world.visible("Layers", "Streets"));
    EXPECT_TRUE(world.visible("Layers", "Rails"));
    EXPECT_FALSE(world.visible("Layers", "Rivers"));
    EXPECT_FALSE(world.visible("Overview", "Streets"));
    // Nested groups, a group's own flag and other kinds of layer are not touched.
    for (const char *untouched : {"Deep", "Transport", "Hills"})
        EXPECT_TRUE(world.layer(QStringLiteral("Layers"), QLatin1String(untouched)).setVisibleCalls.empty())
            << untouched;
    EXPECT_TRUE(world.host.boxes->boxes.empty());
}

TEST_F(SetStoreTest, LaterRecordWinsAndSimilarNamesStayApart)
{
    world.writeFile(SetsWorld::record("Roads", "Layers", "Streets", "True")
                    + SetsWorld::record("roads", "Layers", "Rivers", "False")
                    + SetsWorld::record("Roads ", "Layers", "Rivers", "False")
                    + SetsWorld::record("Roads", "Layers", "Streets", "false")
                    + SetsWorld::record("Roads", "Layers", "Rivers", "True"));
    EXPECT_EQ(names(), (QStringList{QStringLiteral("Roads"), QStringLiteral("roads"), QStringLiteral("Roads ")}));
    world.layer(QStringLiteral("Layers"), QStringLiteral("Rivers")).on = false;
    restore(QStringLiteral("Roads"));
    EXPECT_FALSE(world.visible("Layers", "Streets")); // "false" is not "True"
    EXPECT_TRUE(world.visible("Layers", "Rivers"));
}

TEST_F(SetStoreTest, SavedTwiceTheSecondSaveDecidesAndTheNameIsListedOnce)
{
    fake::LayerBase &streets = world.layer(QStringLiteral("Layers"), QStringLiteral("Streets"));
    save(QStringLiteral("Roads"));
    streets.on = false;
    save(QStringLiteral("Roads"));
    streets.on = true;
    restore(QStringLiteral("Roads"));
    EXPECT_FALSE(streets.on);
    EXPECT_EQ(names(), QStringList{QStringLiteral("Roads")});
}

TEST_F(SetStoreTest, RestoresInAnotherDocumentByNameAndMovedLayersToo)
{
    world.writeFile(SetsWorld::record("S", "Layers", "Streets", "False")
                    + SetsWorld::record("S", "Layers", "Rivers", "False"));
    auto other = fake::DocumentBuilder()
                     .map(QStringLiteral("Layers"))
                     .group(QStringLiteral("Water"), {"Rivers"})
                     .layer("Streets")
                     .layer("Streets")
                     .layer("Parks")
                     .build();
    restore(QStringLiteral("S"), *other);
    const auto &layers = other->map(QStringLiteral("Layers"))->layers;
    const bool expected[] = {true, false, false, true}; // Water, Streets, Streets, Parks
    for (std::size_t i = 0; i < layers.size(); ++i)
        EXPECT_EQ(layers[i]->visible(), expected[i]) << i;
    EXPECT_FALSE(other->layer(QStringLiteral("Layers"), QStringLiteral("Rivers"))->on);
}

TEST_F(SetStoreTest, CutShortRecordFailsAfterTheRecordsBeforeItWereApplied)
{
    world.writeFile(SetsWorld::record("S", "Layers", "Streets", "False") + "\"S\",\"Layers\"\r\n");
    EXPECT_EQ(failureOf([&] { restore(QStringLiteral("S")); }), 62);
    EXPECT_FALSE(world.visible("Layers", "Streets"));
}

TEST_F(SetStoreTest, SaveFailingMidWalkKeepsThePartialBlockAndAGoodSaveFollows)
{
    world.useDocument(fake::DocumentBuilder().map(QStringLiteral("M")).layer("first").layer("second").build());
    fake::LayerBase &second = world.layer(QStringLiteral("M"), QStringLiteral("second"));
    second.calls.fail("name");
    EXPECT_EQ(failureOf([&] { save(QStringLiteral("Set")); }), HostError::E_FAIL_NUMBER);
    EXPECT_EQ(world.fileBytes(), SetsWorld::record("Set", "M", "first", "True"));

    second.calls.heal();
    save(QStringLiteral("Set"));
    EXPECT_EQ(world.fileBytes(), SetsWorld::record("Set", "M", "first", "True")
                                     + SetsWorld::record("Set", "M", "first", "True")
                                     + SetsWorld::record("Set", "M", "second", "True"));
}

TEST_F(SetStoreTest, DocumentWithoutRecordableLayersWritesNothing)
{
    world.useDocument(fake::DocumentBuilder().map(QStringLiteral("M")).raster(QStringLiteral("r")).build());
    save(QStringLiteral("Empty"));
    EXPECT_EQ(world.fileBytes(), QByteArray());
}

TEST_F(SetStoreTest, ClearingLeavesAnEmptyFileWhetherOrNotOneWasThere)
{
    for (bool present : {true, false}) {
        if (present)
            world.writeFile(SetsWorld::record("A", "Layers", "Streets", "True"));
        else
            QFile::remove(world.filePath());
        store.emptyFile();
        store.close();
        store.openForAppend();
        store.close();
        EXPECT_EQ(world.fileBytes(), QByteArray()) << present;
    }
    EXPECT_TRUE(world.host.boxes->boxes.empty());
}

TEST_F(SetStoreTest, OddNamesComeBackWholeFromTheFile)
{
    world.useDocument(SetsWorld::oddNamesDocument());
    const QStringList odd = SetsWorld::oddNames();
    // Each set saved with only its own layer hidden.
    for (const QString &name : odd) {
        world.layer(name, name).on = false;
        save(name);
        world.layer(name, name).on = true;
    }
    QByteArray expected;
    for (const QString &set : odd)
        for (const QString &layer : odd)
            expected +=
                SetsWorld::record(set.toUtf8(), layer.toUtf8(), layer.toUtf8(), layer == set ? "False" : "True");
    EXPECT_EQ(world.fileBytes(), expected);
    EXPECT_EQ(names(), odd);
    for (const QString &set : odd) {
        restore(set);
        for (const QString &name : odd)
            EXPECT_EQ(world.layer(name, name).on, name != set) << qPrintable(set) << " / " << qPrintable(name);
    }
}

/// A restore as the plainest reading of its rule: each record of the set,
/// decoded, switches every recordable feature layer whose map and layer names
/// equal the record's; exactly, every pair of names no record carried is
/// hidden afterwards.
void restoreByWalking(SetStore &store, const QString &set, IDocument &document, bool exactly)
{
    std::set<std::pair<QString, QString>> mentioned;
    store.readSet(set, [&](const VisibilityRecord &record) {
        mentioned.insert({record.mapName, record.layerName});
        LayerWalk::forEachRecordable(
            document, [&](IMap &map) { return map.name() == record.mapName; },
            [&](IMap &, const std::shared_ptr<ILayer> &layer) {
                if (layer->name() == record.layerName)
                    layer->setVisible(record.isVisible());
            });
    });
    if (!exactly || mentioned.empty())
        return;
    LayerWalk::forEachRecordable(
        document, [](IMap &) { return true; },
        [&](IMap &map, const std::shared_ptr<ILayer> &layer) {
            if (!mentioned.count({map.name(), layer->name()}))
                layer->setVisible(false);
        });
}

TEST_F(SetStoreTest, RestoreSwitchesEveryLayerOfTheRecordsNamesAsAWalkWould)
{
    const QString loneSurrogate = QString(QChar(0xD800)) + QLatin1Char('x');
    const auto document = [&] {
        return fake::DocumentBuilder()
            .map(QStringLiteral("Layers"))
            .layer("Streets")
            .group(QStringLiteral("Transport"), {"Streets", "Rails", fake::group(QStringLiteral("Nested"), {"Deep"})})
            .layer("Straßen")
            .layer("道路 🚗")
            .layer(QStringLiteral("\uFEFFmarked"))
            .layer("say \"hi\"")
            .layer("café")
            .layer(loneSurrogate)
            .raster(QStringLiteral("Relief"))
            .map(QStringLiteral("Layers"))
            .layer(fake::hidden("Streets"))
            .map(QStringLiteral("Übersicht"))
            .layer("Streets")
            .layer(fake::hidden("Rivers"))
            .build();
    };
    auto r = [](const QByteArray &map, const QByteArray &layer, const QByteArray &flag = "False") {
        return SetsWorld::record("S", map, layer, flag);
    };
    // Ü and ß in Windows-1252.
    const QByteArray overview1252 = QByteArray("\xDC") + "bersicht", streets1252 = QByteArray("Stra\xDF") + "en";
    const struct
    {
        const char *what;
        QByteArray file;
    } rows[] = {
        {"every layer in walk order", r("Layers", "Streets") + r("Layers", "Streets") + r("Layers", "Rails")
                                          + r("Layers", "Straßen") + r("Layers", "道路 🚗")
                                          + r("Layers", "\xEF\xBB\xBFmarked") + r("Layers", "say \"\"hi\"\"")
                                          + r("Layers", "café") + r("Layers", "Streets") + r("Übersicht", "Streets")
                                          + r("Übersicht", "Rivers", "True")},
        {"out of order, repeated: the later record wins",
         r("Übersicht", "Rivers", "True") + r("Layers", "Streets") + r("Layers", "Rails")
             + r("Layers", "Streets", "True") + r("Übersicht", "Rivers") + r("Layers", "Rails", "True")},
        {"Windows-1252 fields", r(overview1252, "Rivers", "True") + r("Layers", streets1252) + r("Layers", "caf\xE9")},
        {"fields not written plainly",
         "S,Layers,Rails,False\r\n\"S\",\"Layers\",\"Streets\",False\r\n\"S\",\"Layers\",\"say \"hi\"\",\"False\"\r\n"
         "\"S\",\""
             + overview1252 + "\",\"Rivers\",True\r\n"},
        {"names no layer carries",
         r("Layers", "Streets", "True") + r("Übersicht", "Rails") + r("Nowhere", "Streets") + r("Layers", "Deep")
             + r("Layers", "Transport") + r("Layers", "Relief") + r("Layers", "streets") + r("Layers", "Streets ")
             + r("Layers", "marked") + r("Layers", "\xEF\xBF\xBDx") + r("Layers", "?x") + r("Layers", "\xED\xA0\x80x")
             + r("Other", "Rivers", "True") + SetsWorld::record("T", "Layers", "Rails", "False")},
        {"flags other than True",
         r("Übersicht", "Rivers", "true") + r("Layers", "Rails", "True ") + r("Layers", "café", "")},
    };
    for (const auto &row : rows) {
        for (const bool exactly : {false, true}) {
            world.writeFile(row.file);
            const auto restored = document();
            const auto walked = document();
            store.openForInput();
            store.restoreSet(QStringLiteral("S"), *restored,
                             exactly ? SetStore::Restore::Exactly : SetStore::Restore::AsSaved);
            store.close();
            store.openForInput();
            restoreByWalking(store, QStringLiteral("S"), *walked, exactly);
            store.close();
            std::vector<std::vector<bool>> calls[2];
            bool switched = false;
            for (int i = 0; i < 2; ++i)
                LayerWalk::forEachRecordable(
                    *(i == 0 ? restored : walked), [](IMap &) { return true; },
                    [&](IMap &, const std::shared_ptr<ILayer> &layer) {
                        calls[i].push_back(dynamic_cast<fake::LayerBase &>(*layer).setVisibleCalls);
                        switched = switched || !calls[i].back().empty();
                    });
            EXPECT_EQ(calls[0], calls[1]) << row.what << (exactly ? ", exactly" : "");
            EXPECT_TRUE(switched || !exactly) << row.what;
        }
    }
}

} // namespace

namespace {

TEST_F(SetStoreTest, ARestoreIndexesTheDocumentAgainOnlyAfterTheDocumentLetItsIndexGo)
{
    const struct
    {
        const char *what;
        bool keeps;      ///< whether the document keeps what it is given
        bool changed;    ///< between the restores, Streets became "Old streets" and a new Streets came
        bool letGo;      ///< and the document let its index go
        bool walksAgain; ///< the second restore walks the document
    } rows[] = {
        {"an index kept", true, false, false, false},
        {"let go after a change", true, true, true, true},
        {"nothing kept", false, true, false, true},
    };
    world.writeFile(SetsWorld::record("S", "Layers", "Streets", "True")
                    + SetsWorld::record("S", "Layers", "Rails", "False"));
    for (const auto &row : rows) {
        const auto document =
            fake::DocumentBuilder().map(QStringLiteral("Layers")).layer(hidden("Streets")).layer("Rails").build();
        document->keeps = row.keeps;
        restore(QStringLiteral("S"), *document);
        const int walks = document->calls.count("maps");
        auto &layers = document->map(QStringLiteral("Layers"))->layers;
        const auto flag = [](const std::shared_ptr<ILayer> &layer) -> fake::LayerBase & {
            return dynamic_cast<fake::LayerBase &>(*layer);
        };
        if (row.changed) {
            document->layer(QStringLiteral("Layers"), QStringLiteral("Streets"))->title = QStringLiteral("Old streets");
            layers.push_back(std::make_shared<fake::Layer>(QStringLiteral("Streets"), false));
        }
        if (row.letGo)
            document->kept.reset();
        for (const auto &layer : layers)
            flag(layer).on = flag(layer).title == "Rails";
        restore(QStringLiteral("S"), *document);
        EXPECT_EQ(document->calls.count("maps") > walks, row.walksAgain) << row.what;
        using Flags = std::vector<std::pair<QString, bool>>;
        Flags flags;
        for (const auto &layer : layers)
            flags.emplace_back(flag(layer).title, flag(layer).on);
        const Flags expected = row.changed ? Flags{{"Old streets", false}, {"Rails", false}, {"Streets", true}}
                                           : Flags{{"Streets", true}, {"Rails", false}};
        EXPECT_EQ(flags, expected) << row.what;
    }
}

} // namespace
