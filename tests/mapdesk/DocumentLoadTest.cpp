#include "ModelTestSupport.h"

#include "BackgroundReads.h"
#include "DocumentLoad.h"
#include "DocumentReader.h"

#include <QFile>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>

#include <gtest/gtest.h>

using namespace mapdesk;
using modeltest::sample;

namespace {

/// What a person sees of a document's data: each map's system, and each data
/// layer's error, warning, extent and amount of data.
QStringList seen(const Document &document)
{
    QStringList lines;
    std::function<void(const std::vector<std::shared_ptr<Layer>> &)> walk =
        [&](const std::vector<std::shared_ptr<Layer>> &layers) {
            for (const auto &layer : layers) {
                if (const auto group = std::dynamic_pointer_cast<GroupLayer>(layer)) {
                    walk(group->members());
                    continue;
                }
                const QRectF extent = layer->extent().value_or(QRectF());
                QString amount;
                if (const auto features = std::dynamic_pointer_cast<FeatureLayer>(layer))
                    amount = QString::number(features->features().size());
                else if (const auto raster = std::dynamic_pointer_cast<RasterLayer>(layer))
                    amount = QStringLiteral("%1x%2").arg(raster->image().width()).arg(raster->image().height());
                lines << QStringLiteral("  %1 | %2 | %3 | %4 %5 %6 %7 | %8")
                             .arg(layer->name(), layer->errorText(), layer->warningText())
                             .arg(extent.x(), 0, 'f', 3)
                             .arg(extent.y(), 0, 'f', 3)
                             .arg(extent.width(), 0, 'f', 3)
                             .arg(extent.height(), 0, 'f', 3)
                             .arg(amount);
            }
        };
    for (const auto &map : document.mapModels()) {
        lines << map->name() + QStringLiteral(": ") + map->coordinateSystem().definition();
        walk(map->layers());
    }
    return lines;
}

/// The document read on a pool of threads, each layer installed as BackgroundReads hands it back.
std::shared_ptr<Document> readInBackground(const QByteArray &json, const QString &baseDir)
{
    const auto load = DocumentReader::structureFromJson(json, QStringLiteral("doc"), baseDir);
    QThreadPool pool;
    pool.setMaxThreadCount(3);
    BackgroundReads reads(&pool);
    reads.start(DocumentLoad::jobs(load), 1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !reads.running(); }, 30'000));
    EXPECT_EQ(reads.installed(), reads.total());
    return load->document();
}

QByteArray contentsOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

/// The sample villages as `name`.shp in `dir`, without a ".prj" or with
/// one naming a site grid no transformation reaches.
void copyVillages(const QTemporaryDir &dir, const QString &name, bool siteGrid)
{
    for (const char *suffix : {".shp", ".shx", ".dbf"})
        ASSERT_TRUE(QFile::copy(sample(QStringLiteral("data/villages") + QLatin1String(suffix)),
                                dir.filePath(name + QLatin1String(suffix))));
    if (!siteGrid)
        return;
    QFile projection(dir.filePath(name + QStringLiteral(".prj")));
    ASSERT_TRUE(projection.open(QIODevice::WriteOnly));
    projection.write(R"(LOCAL_CS["site grid",UNIT["metre",1]])");
}

QByteArray oneMap(const QByteArray &system, const QByteArray &layers)
{
    return R"({"version": 1, "maps": [{"name": "M", )" + system + R"("layers": [)" + layers + "]}]}";
}

} // namespace

// Read on a pool of threads, a document comes out as read in one go: each
// map in the system the file gives it or else its first layer's (in
// table-of-contents order) that names one, every layer in it, the same
// faults and warnings.
TEST(DocumentLoadTest, ReadingInTheBackgroundGivesTheDocumentOfReadingInOneGo)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    copyVillages(dir, QStringLiteral("unplaced"), false); // data naming no system
    copyVillages(dir, QStringLiteral("site"), true);
    const QByteArray data = (modeltest::samplesDir() + QStringLiteral("/data/")).toUtf8();

    const struct
    {
        const char *what;
        QByteArray json;
        QString baseDir;
        QStringList systems;
    } rows[] = {
        {"city sample",
         contentsOf(sample(QStringLiteral("city.mapdesk.json"))),
         modeltest::samplesDir(),
         {QStringLiteral("EPSG:27700"), QStringLiteral("EPSG:27700")}},
        {"region sample",
         contentsOf(sample(QStringLiteral("region.mapdesk.json"))),
         modeltest::samplesDir(),
         {QStringLiteral("EPSG:27700"), QStringLiteral("EPSG:27700")}},
        {"system from the first layer naming one",
         oneMap({}, R"({"type": "feature", "name": "missing", "source": "missing.geojson"},
                       {"type": "group", "name": "G", "layers": [
                           {"type": "feature", "name": "unplaced", "source": "unplaced.shp"},
                           {"type": "raster", "name": "hillshade", "source": ")"
                        + data + R"(hillshade.tif"}]},
                       {"type": "feature", "name": "poi", "source": ")"
                        + data + R"(poi.geojson"})"),
         dir.path(),
         {QStringLiteral("EPSG:27700")}},
        {"system from the file, data converted and images warped",
         oneMap(R"("coordinateSystem": "EPSG:4326", )", R"({"type": "feature", "name": "roads", "source": ")" + data
                                                            + R"(roads.geojson"},
                       {"type": "raster", "name": "elevation", "source": ")"
                                                            + data + R"(elevation.tif"},
                       {"type": "feature", "name": "unplaced", "source": "unplaced.shp"})"),
         dir.path(),
         {QStringLiteral("EPSG:4326")}},
        {"one source shown twice, and two tables of one file",
         oneMap({}, R"({"type": "feature", "name": "roads", "source": ")" + data + R"(roads.geojson"},
                       {"type": "feature", "name": "town parks", "source": ")"
                        + data + R"(town.gpkg", "layer": "parks"},
                       {"type": "feature", "name": "roads again", "source": ")"
                        + data + R"(roads.geojson"},
                       {"type": "feature", "name": "town roads", "source": ")"
                        + data + R"(town.gpkg", "layer": "roads"})"),
         dir.path(),
         {QStringLiteral("EPSG:27700")}},
        {"no system anywhere",
         oneMap({}, R"({"type": "feature", "name": "unplaced", "source": "unplaced.shp"})"),
         dir.path(),
         {QString()}},
        {"a layer that cannot be drawn in the map's system",
         oneMap({}, R"({"type": "feature", "name": "roads", "source": ")" + data + R"(roads.geojson"},
                       {"type": "feature", "name": "site", "source": "site.shp"},
                       {"type": "feature", "name": "town parks", "source": ")"
                        + data + R"(town.gpkg", "layer": "parks"})"),
         dir.path(),
         {QStringLiteral("EPSG:27700")}},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        const auto inOneGo = DocumentReader::fromJson(row.json, QStringLiteral("doc"), row.baseDir);
        const auto inBackground = readInBackground(row.json, row.baseDir);
        EXPECT_EQ(seen(*inBackground).join(QLatin1Char('\n')).toStdString(),
                  seen(*inOneGo).join(QLatin1Char('\n')).toStdString());
        ASSERT_EQ(inOneGo->mapModels().size(), std::size_t(row.systems.size()));
        for (std::size_t map = 0; map < inOneGo->mapModels().size(); ++map)
            EXPECT_EQ(inOneGo->mapModels()[map]->coordinateSystem().definition(),
                      row.systems[static_cast<qsizetype>(map)]);
    }
}

// A layer whose data cannot be drawn in its map's system is left without
// data, naming why; the map keeps its system and the other layers stay in it.
TEST(DocumentLoadTest, ALayerThatCannotBeDrawnLeavesTheMapAndTheOthersInTheMapsSystem)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    copyVillages(dir, QStringLiteral("site"), true);
    const QByteArray data = (modeltest::samplesDir() + QStringLiteral("/data/")).toUtf8();
    const auto document = DocumentReader::fromJson(oneMap(R"("coordinateSystem": "EPSG:4326", )",
                                                          R"({"type": "feature", "name": "site", "source": "site.shp"},
                  {"type": "feature", "name": "roads", "source": ")"
                                                              + data + R"(roads.geojson"})"),
                                                   QStringLiteral("doc"), dir.path());
    const auto map = document->mapModels().front();
    EXPECT_EQ(map->coordinateSystem().definition(), QStringLiteral("EPSG:4326"));
    EXPECT_TRUE(
        map->layers()[0]->errorText().startsWith(QStringLiteral("cannot draw %1 in the map's coordinate system: ")
                                                     .arg(dir.filePath(QStringLiteral("site.shp")))))
        << map->layers()[0]->errorText().toStdString();
    EXPECT_LT(map->layers()[1]->extent().value().width(), 1) << "the roads in degrees";
}

// Results are installed in the jobs' order whatever order they are read in;
// once cancelled, or gone, nothing more is installed, also of jobs still
// running then.
TEST(DocumentLoadTest, ResultsAreInstalledInOrderAndNothingAfterCancelling)
{
    for (const bool destroy : {false, true}) {
        SCOPED_TRACE(destroy ? "destroyed" : "cancelled");
        QThreadPool pool;
        pool.setMaxThreadCount(4);
        QSemaphore gate;
        std::vector<int> installed;
        std::vector<BackgroundReads::Job> jobs;
        for (int job = 0; job < 8; ++job) {
            jobs.emplace_back([job, &gate, &installed]() -> BackgroundReads::Install {
                if (job == 3)
                    gate.acquire(); // read last
                return [job, &installed] { installed.push_back(job); };
            });
        }
        auto reads = std::make_unique<BackgroundReads>(&pool);
        int finished = 0;
        QObject::connect(reads.get(), &BackgroundReads::finished, [&finished] { ++finished; });
        reads->start(std::move(jobs));
        ASSERT_TRUE(QTest::qWaitFor([&] { return installed.size() == 3; }, 10'000));
        QTest::qWait(50);
        EXPECT_EQ(installed, (std::vector<int>{0, 1, 2})) << "the later ones wait for the fourth";
        if (destroy) {
            reads.reset();
        } else {
            reads->cancel();
            EXPECT_EQ(finished, 1);
            EXPECT_FALSE(reads->running());
        }
        gate.release();
        pool.waitForDone();
        QTest::qWait(20);
        EXPECT_EQ(installed, (std::vector<int>{0, 1, 2}));
    }
}
