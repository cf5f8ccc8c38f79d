#include "QgisSetThemes.h"
#include "HostServices.h"
#include "IDrives.h"
#include "PgTestServer.h"
#include "QgisApplication.h"
#include "QgisSession.h"
#include "QuarnelGIS_Public.h"
#include "SetDatabase.h"
#include "SetStore.h"
#include "VisibilitySetFile.h"
#include "WindowsPath.h"

#include <qgslayertree.h>
#include <qgsmapthemecollection.h>
#include <qgsproject.h>
#include <qgsvectorlayer.h>

#include <QEventLoop>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <ostream>

#include <utility>
#include <vector>

using namespace quarnelqgis;

// Readable names in failure messages.
inline void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace {

/// Drive C rooted in a temporary folder, where the set file lives.
class OneDrive : public IDrives
{
public:
    explicit OneDrive(QString root) : m_root(std::move(root)) {}
    QString root(QChar letter) override { return letter == QLatin1Char('C') ? m_root : QString(); }

private:
    QString m_root;
};

/// One writer of the set file: a state record of its own, as another
/// process has.
struct Writer
{
    explicit Writer(const std::shared_ptr<HostServices> &services) : state(services)
    {
        state.setFilePath = QStringLiteral("C:\\config");
    }
    /// Appends set `name` recording each layer of map "Layers" shown or hidden.
    void save(const QString &name, const std::vector<std::pair<const char *, bool>> &layers,
              const QString &map = QStringLiteral("Layers"))
    {
        SetStore store(state);
        store.openForAppend();
        for (const auto &[layer, visible] : layers)
            VisibilitySetFile::writeRecord(state.channel1, name, map, QLatin1String(layer), visible);
        store.close();
    }
    SetStore store() { return SetStore(state); }
    QuarnelGIS_Public state;
};

/// A project of point layers: "roads" (shown), "rivers" (hidden), two
/// layers named "dup" (shown), a shown group "G" holding "inG" (shown) and a
/// group "Deep" in it holding "deep" (shown, never recorded), and a hidden
/// group "Off" holding "inOff" (checked); with the sets kept as its themes.
struct ThemeWorld
{
    ThemeWorld()
    {
        QgsLayerTree *root = project.layerTreeRoot();
        add(root, "roads");
        add(root, "rivers", false);
        add(root, "dup");
        add(root, "dup");
        QgsLayerTreeGroup *g = root->addGroup(QStringLiteral("G"));
        add(g, "inG");
        add(g->addGroup(QStringLiteral("Deep")), "deep");
        QgsLayerTreeGroup *off = root->addGroup(QStringLiteral("Off"));
        add(off, "inOff");
        off->setItemVisibilityChecked(false);
        services->setDrives(std::make_shared<OneDrive>(dir.path()));
        session = std::make_unique<QgisSession>(QgisSession::Parts{&project, nullptr, nullptr});
        application = std::make_shared<QgisApplication>(session.get());
        themes = std::make_unique<QgisSetThemes>(session.get(), application);
        themes->setSetFile([this] { return WindowsPath::toNative(*services, mine.state.setFilePath); });
        themes->setOnChange([this] { ++told; });
        mine.save(QStringLiteral("none"), {}); // the file, without a set
        themes->setKeepsSets(true);
    }

    QgsVectorLayer *add(QgsLayerTreeGroup *group, const char *name, bool checked = true)
    {
        auto *layer =
            new QgsVectorLayer(QStringLiteral("Point?crs=EPSG:4326"), QLatin1String(name), QStringLiteral("memory"));
        project.addMapLayer(layer, false);
        group->addLayer(layer)->setItemVisibilityChecked(checked);
        return layer;
    }

    QgsMapThemeCollection &collection() { return *project.mapThemeCollection(); }
    /// The layers theme `name` shows, by name, in the project's order.
    QStringList shown(const QString &name)
    {
        QStringList names;
        for (QgsMapLayer *layer : collection().mapThemeVisibleLayers(name))
            names << layer->name();
        names.sort();
        return names;
    }
    /// Lets the event loop run until the themes were next brought in step
    /// (the file watch, a layer change); fails at once when they never are.
    bool waitForPublish()
    {
        const int before = told;
        QEventLoop loop;
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, &loop, &QEventLoop::quit);
        themes->setOnChange([&] {
            ++told;
            loop.quit();
        });
        guard.start(10000);
        loop.exec();
        themes->setOnChange([this] { ++told; });
        return told > before;
    }

    QTemporaryDir dir;
    std::shared_ptr<HostServices> services = std::make_shared<HostServices>();
    Writer mine{services};
    QgsProject project;
    std::unique_ptr<QgisSession> session;
    std::shared_ptr<QgisApplication> application;
    std::unique_ptr<QgisSetThemes> themes;
    int told = 0;
};

const QStringList kCanvas = {"dup", "dup", "inG", "deep", "roads"};

QStringList sorted(QStringList names)
{
    names.sort();
    return names;
}

TEST(QgisSetThemes, ASetsThemeShowsWhatAClickOnItWouldShow)
{
    struct Row
    {
        const char *what;
        std::vector<std::pair<const char *, bool>> set;
        QString map;
        QStringList shown;
    };
    const std::vector<Row> rows = {
        {"a recorded layer hidden", {{"roads", false}}, "Layers", {"dup", "dup", "inG", "deep"}},
        {"a recorded layer shown", {{"rivers", true}}, "Layers", {"dup", "dup", "inG", "deep", "roads", "rivers"}},
        {"every layer of a repeated name", {{"dup", false}}, "Layers", {"inG", "deep", "roads"}},
        {"a group's member", {{"inG", false}}, "Layers", {"dup", "dup", "deep", "roads"}},
        {"a member of a hidden group stays unseen", {{"inOff", true}}, "Layers", kCanvas},
        {"the later record of a layer", {{"roads", false}, {"roads", true}}, "Layers", kCanvas},
        {"a layer of another map is not matched", {{"roads", false}}, "Other", kCanvas},
        {"unmentioned layers as on the canvas", {{"nowhere", false}}, "Layers", kCanvas},
    };
    ThemeWorld world;
    for (const Row &row : rows)
        world.mine.save(QLatin1String(row.what), row.set, row.map);
    world.themes->publishNow();
    for (const Row &row : rows)
        EXPECT_EQ(world.shown(QLatin1String(row.what)), sorted(row.shown)) << row.what;
    EXPECT_TRUE(world.collection()
                    .mapThemeState(QStringLiteral("a group's member"))
                    .checkedGroupNodes()
                    .contains(QStringLiteral("G/Deep")));
}

TEST(QgisSetThemes, ThemesFollowTheFileAndMarkTheProjectOnlyWhenTheyChange)
{
    ThemeWorld world;
    world.mine.save(QStringLiteral("A"), {{"roads", false}});
    world.mine.save(QStringLiteral("B"), {{"rivers", true}});
    world.themes->publishNow();
    world.project.setDirty(false);
    world.themes->publishNow();
    EXPECT_FALSE(world.project.isDirty()) << "nothing changed";

    SetStore store = world.mine.store();
    store.renameSet(QStringLiteral("A"), QStringLiteral("A2"));
    store.deleteSets({QStringLiteral("B")});
    world.themes->publishNow();
    EXPECT_TRUE(world.project.isDirty());
    EXPECT_EQ(sorted(world.collection().mapThemes()), QStringList({"A2"}));
    EXPECT_EQ(world.shown(QStringLiteral("A2")), sorted({"dup", "dup", "inG", "deep"}));

    store.undo();
    world.themes->publishNow();
    EXPECT_EQ(sorted(world.collection().mapThemes()), QStringList({"A2", "B"}));
    store.clearAll();
    world.themes->publishNow();
    EXPECT_TRUE(world.collection().mapThemes().isEmpty());
}

TEST(QgisSetThemes, AChangeWrittenByAnotherProcessReachesTheThemesFromTheFileOrTheTeamsDatabase)
{
    PgTestServer server;
    ASSERT_TRUE(server.running()) << server.why().toStdString();
    SetDatabase(server.connection()).initialise();
    for (const bool inDatabase : {false, true}) {
        ThemeWorld world;
        if (inDatabase)
            world.themes->setSetStore([&] { return server.connection(); });
        world.themes->publishNow();
        if (inDatabase) {
            SetDatabase(server.connection()).appendSet("theirs", {{"Layers", "roads", "False"}});
        } else {
            Writer other(world.services);
            other.save(QStringLiteral("theirs"), {{"roads", false}});
        }
        ASSERT_TRUE(world.waitForPublish()) << inDatabase;
        EXPECT_EQ(world.shown(QStringLiteral("theirs")), sorted({"dup", "dup", "inG", "deep"})) << inDatabase;
    }
}

TEST(QgisSetThemes, ALayerRenamedIsMatchedAgainAlsoFromATeamsDatabaseThatIsAwayNow)
{
    PgTestServer server;
    ASSERT_TRUE(server.running()) << server.why().toStdString();
    SetDatabase(server.connection()).initialise();
    SetDatabase(server.connection()).appendSet("S", {{"Layers", "streets", "False"}});
    for (const bool inDatabase : {false, true}) {
        ThemeWorld world;
        if (inDatabase)
            world.themes->setSetStore([&] { return server.connection(); });
        else
            world.mine.save(QStringLiteral("S"), {{"streets", false}});
        world.themes->publishNow();
        // A change of the layers alone publishes from the sets read before.
        if (inDatabase)
            server.kill();
        world.project.mapLayersByName(QStringLiteral("roads")).front()->setName(QStringLiteral("streets"));
        ASSERT_TRUE(world.waitForPublish()) << inDatabase;
        EXPECT_EQ(world.shown(QStringLiteral("S")), sorted({"dup", "dup", "inG", "deep"})) << inDatabase;
    }
}

TEST(QgisSetThemes, APersonsOwnThemeOfASetsNameIsLeftAlone)
{
    // A few themes go to QGIS one by one, many in one go.
    for (int others : {0, 12}) {
        ThemeWorld world;
        QgsMapThemeCollection::MapThemeLayerRecord rivers(
            world.project.mapLayersByName(QStringLiteral("rivers")).front());
        rivers.usingCurrentStyle = true;
        rivers.currentStyle = QStringLiteral("default");
        QgsMapThemeCollection::MapThemeRecord own;
        own.addLayerRecord(rivers);
        own.setHasCheckedStateInfo(true);
        own.setCheckedGroupNodes({QStringLiteral("Off")});
        world.collection().insert(QStringLiteral("Mine"), own);
        world.mine.save(QStringLiteral("Mine"), {{"roads", false}});
        for (int i = 0; i < others; ++i)
            world.mine.save(QStringLiteral("Other %1").arg(i), {{"roads", false}});
        QSignalSpy changed(&world.collection(), &QgsMapThemeCollection::mapThemeChanged);
        QSignalSpy themesChanged(&world.collection(), &QgsMapThemeCollection::mapThemesChanged);
        world.project.setDirty(false);
        world.themes->publishNow();
        EXPECT_EQ(changed.size(), others) << others;
        EXPECT_EQ(themesChanged.isEmpty(), others == 0) << others;
        EXPECT_EQ(world.project.isDirty(), others > 0) << others;
        const QgsMapThemeCollection::MapThemeRecord kept = world.collection().mapThemeState(QStringLiteral("Mine"));
        ASSERT_EQ(kept.layerRecords().size(), 1) << others;
        EXPECT_EQ(kept.layerRecords().front().currentStyle, QStringLiteral("default")) << others;
        EXPECT_EQ(kept.checkedGroupNodes(), own.checkedGroupNodes()) << others;
        EXPECT_EQ(world.shown(QStringLiteral("Mine")), QStringList({"rivers"})) << others;
        EXPECT_EQ(world.themes->withheldSets(), QStringList({"Mine"})) << others;

        world.themes->setKeepsSets(false);
        EXPECT_EQ(world.collection().mapThemes(), QStringList({"Mine"})) << "ours gone, the person's kept";
        EXPECT_FALSE(world.themes->keepsSets());
    }
}

TEST(QgisSetThemes, ATickOnTheCanvasReachesTheLayersTheSetsDoNotMention)
{
    struct Row
    {
        const char *what;
        const char *node;
        bool checked;
        QStringList hidesRoads;  ///< set "hidesRoads": roads recorded hidden
        QStringList showsRivers; ///< set "showsRivers": rivers recorded shown
    };
    const std::vector<Row> rows = {
        {"a layer ticked on", "rivers", true, {"dup", "dup", "inG", "deep", "rivers"}, kCanvas + QStringList{"rivers"}},
        {"a recorded layer unticked",
         "roads",
         false,
         {"dup", "dup", "inG", "deep"},
         {"dup", "dup", "inG", "deep", "rivers"}},
        {"a group unticked", "G", false, {"dup", "dup"}, {"dup", "dup", "roads", "rivers"}},
        {"a group ticked on",
         "Off",
         true,
         {"dup", "dup", "inG", "deep", "inOff"},
         kCanvas + QStringList{"rivers", "inOff"}},
    };
    // A few themes go to QGIS one by one, many in one go.
    for (int others : {0, 12}) {
        for (const Row &row : rows) {
            ThemeWorld world;
            world.mine.save(QStringLiteral("hidesRoads"), {{"roads", false}});
            world.mine.save(QStringLiteral("showsRivers"), {{"rivers", true}});
            for (int i = 0; i < others; ++i)
                world.mine.save(QStringLiteral("Other %1").arg(i), {{"nowhere", false}});
            world.themes->publishNow();
            world.project.setDirty(false);
            QgsLayerTreeNode *node = world.project.layerTreeRoot()->findGroup(QLatin1String(row.node));
            if (!node)
                node = world.project.layerTreeRoot()->findLayer(
                    world.project.mapLayersByName(QLatin1String(row.node)).front());
            node->setItemVisibilityChecked(row.checked);
            ASSERT_TRUE(world.waitForPublish()) << row.what;
            EXPECT_EQ(world.shown(QStringLiteral("hidesRoads")), sorted(row.hidesRoads)) << row.what << others;
            EXPECT_EQ(world.shown(QStringLiteral("showsRivers")), sorted(row.showsRivers)) << row.what << others;
            EXPECT_TRUE(world.project.isDirty()) << row.what << others;
        }
    }
}

TEST(QgisSetThemes, ThePersonsThemesImportAsSetsInOneUndoableChange)
{
    ThemeWorld world;
    QgsMapThemeCollection::MapThemeRecord own;
    for (const char *name : {"rivers", "inG"})
        own.addLayerRecord(
            QgsMapThemeCollection::MapThemeLayerRecord(world.project.mapLayersByName(QLatin1String(name)).front()));
    world.collection().insert(QStringLiteral("Water"), own);
    world.collection().insert(QStringLiteral("Nothing"), QgsMapThemeCollection::MapThemeRecord());
    world.mine.save(QStringLiteral("Published"), {{"roads", false}});
    world.themes->publishNow();

    const std::vector<ISetThemes::Theme> themes = world.themes->ownThemes();
    ASSERT_EQ(themes.size(), 2u) << "the theme published from a set is not the person's";
    SetStore store = world.mine.store();
    store.importThemes(themes, [](const QString &) { return SetStore::Clash::Skip; });
    const SetLayers water = store.layersOf(QStringLiteral("Water"), *world.application->document());
    QStringList recorded;
    for (const SetLayers::Row &row : water.recorded)
        recorded << row.layer.layerName + (row.layer.visible ? QStringLiteral("+") : QStringLiteral("-"));
    EXPECT_EQ(recorded, QStringList({"roads-", "rivers+", "dup-", "inG+", "inOff-"}));
    EXPECT_TRUE(store.names().contains(QStringLiteral("Nothing")));

    store.undo();
    EXPECT_EQ(store.names(), QStringList({"Published"}));
}

TEST(QgisSetThemes, TicksInARowReachQgisOnce)
{
    ThemeWorld world;
    world.mine.save(QStringLiteral("showsRivers"), {{"rivers", true}});
    // Enough themes that they go to QGIS in one go.
    for (int i = 0; i < 12; ++i)
        world.mine.save(QStringLiteral("Other %1").arg(i), {{"nowhere", false}});
    world.themes->publishNow();
    QSignalSpy handed(&world.collection(), &QgsMapThemeCollection::mapThemesChanged);
    QgsLayerTree *root = world.project.layerTreeRoot();
    const auto tick = [&](const char *name, bool checked) {
        root->findLayer(world.project.mapLayersByName(QLatin1String(name)).front())->setItemVisibilityChecked(checked);
    };
    tick("rivers", true);
    // A person's short rest between two ticks.
    QEventLoop rest;
    QTimer::singleShot(80, &rest, &QEventLoop::quit);
    rest.exec();
    tick("roads", false);
    ASSERT_TRUE(world.waitForPublish());
    EXPECT_EQ(handed.count(), 1);
    EXPECT_EQ(world.shown(QStringLiteral("Other 0")), sorted({"dup", "dup", "inG", "deep", "rivers"}));
}

} // namespace
