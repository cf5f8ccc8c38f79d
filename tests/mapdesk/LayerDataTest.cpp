#include "ModelTestSupport.h"

#include "DataFile.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace mapdesk;
using modeltest::sample;

namespace {

QString data(const QString &name)
{
    return sample(QStringLiteral("data/") + name);
}

std::shared_ptr<FeatureLayer> features(const QString &file)
{
    auto layer = std::make_shared<FeatureLayer>(file, data(file));
    EXPECT_TRUE(layer->load()) << layer->errorText().toStdString();
    return layer;
}

std::shared_ptr<RasterLayer> raster(const QString &file)
{
    auto layer = std::make_shared<RasterLayer>(file, data(file));
    EXPECT_TRUE(layer->load()) << layer->errorText().toStdString();
    return layer;
}

QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &content)
{
    QFile file(dir.filePath(name));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
    return file.fileName();
}

const QRectF kTown(8000, 6000, 4000, 3000);

} // namespace

TEST(LayerDataTest, SampleFeaturesReadWithTheirGeometryAndAttributes)
{
    const auto roads = features(QStringLiteral("roads.geojson"));
    ASSERT_EQ(roads->features().size(), 10u);
    for (const Feature &road : roads->features()) {
        EXPECT_FALSE(road.lines.isEmpty());
        EXPECT_TRUE(road.areas.isEmpty());
        // Straight streets have extents without height; compare their corners.
        EXPECT_TRUE(kTown.contains(road.extent().topLeft()) && kTown.contains(road.extent().bottomRight()));
    }
    EXPECT_EQ(roads->features()[0].attributes.value(QStringLiteral("name")).toString(), QStringLiteral("High Street"));

    const auto poi = features(QStringLiteral("poi.geojson"));
    ASSERT_EQ(poi->features().size(), 10u);
    EXPECT_EQ(poi->features()[0].points, QList<QPointF>({QPointF(10230, 7670)}));

    const auto buildings = features(QStringLiteral("buildings.geojson"));
    EXPECT_EQ(buildings->features().size(), 57u);
    EXPECT_TRUE(kTown.contains(buildings->extent().value()));
    EXPECT_EQ(buildings->features()[0].attributes.value(QStringLiteral("id")).toInt(), 1);

    // The park's pond is a hole; the allotments are two parts of one feature.
    const auto parks = features(QStringLiteral("parks.geojson"));
    ASSERT_EQ(parks->features().size(), 3u);
    const QPainterPath &park = parks->features()[0].areas;
    EXPECT_TRUE(park.contains(QPointF(10700, 7700)));
    EXPECT_FALSE(park.contains(QPointF(11100, 8050)));
    const QPainterPath &allotments = parks->features()[2].areas;
    EXPECT_TRUE(allotments.contains(QPointF(8500, 8500)));
    EXPECT_TRUE(allotments.contains(QPointF(11400, 6500)));
    EXPECT_FALSE(allotments.contains(QPointF(10000, 7500)));

    const auto rivers = features(QStringLiteral("rivers.geojson"));
    EXPECT_EQ(rivers->features().size(), 2u);
    EXPECT_TRUE(QRectF(0, 0, 20000, 15000).contains(rivers->extent().value()));
    EXPECT_GT(rivers->extent().value().width(), 15000);
}

TEST(LayerDataTest, SampleRastersReadWithTheirPlaceOnTheMap)
{
    const auto hillshade = raster(QStringLiteral("hillshade.tif"));
    EXPECT_EQ(hillshade->sourceSize(), QSize(100, 75));
    EXPECT_EQ(hillshade->image().size(), QSize(100, 75));
    EXPECT_EQ(hillshade->extent(), QRectF(0, 0, 20000, 15000));
    const QRgb shade = hillshade->image().pixel(50, 40);
    EXPECT_EQ(qRed(shade), qGreen(shade));
    EXPECT_EQ(qAlpha(shade), 255);

    // A PNG placed by its world file.
    const auto landcover = raster(QStringLiteral("landcover.png"));
    EXPECT_EQ(landcover->sourceSize(), QSize(80, 60));
    EXPECT_EQ(landcover->extent(), kTown);
    EXPECT_NE(landcover->image().pixel(0, 0), landcover->image().pixel(40, 30));

    // Sixteen-bit elevations are stretched to grey; the lake has no data and is transparent.
    const auto elevation = raster(QStringLiteral("elevation.tif"));
    EXPECT_EQ(elevation->sourceSize(), QSize(50, 38));
    const QImage &image = elevation->image();
    const int lakeColumn = 17000 / 400;
    const int lakeRow = static_cast<int>((elevation->extent().value().bottom() - 5500) / 400);
    EXPECT_EQ(qAlpha(image.pixel(lakeColumn, lakeRow)), 0);
    EXPECT_EQ(qAlpha(image.pixel(5, 5)), 255);
    int darkest = 255;
    int brightest = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(image.pixel(x, y)) == 0)
                continue;
            darkest = std::min(darkest, qGray(image.pixel(x, y)));
            brightest = std::max(brightest, qGray(image.pixel(x, y)));
        }
    }
    EXPECT_EQ(darkest, 0);
    EXPECT_EQ(brightest, 255);
}

TEST(LayerDataTest, ImagesWithoutGeoreferencingOrTooLargeAreStillShown)
{
    QTemporaryDir dir;
    QImage wide(3000, 10, QImage::Format_RGB32);
    wide.fill(Qt::red);
    wide.setPixel(0, 0, qRgb(0, 0, 255));
    const QString path = dir.filePath(QStringLiteral("wide.png"));
    ASSERT_TRUE(wide.save(path));

    RasterLayer layer(QStringLiteral("Wide"), path);
    ASSERT_TRUE(layer.load()) << layer.errorText().toStdString();
    EXPECT_EQ(layer.sourceSize(), QSize(3000, 10));
    EXPECT_EQ(layer.image().width(), RasterLayer::MaxImageSide);
    EXPECT_EQ(layer.extent(), QRectF(0, 0, 3000, 10));
    EXPECT_EQ(layer.image().pixel(layer.image().width() - 1, 0), qRgb(255, 0, 0));
    // North up: the first row of the file is the top of the image.
    EXPECT_EQ(layer.image().pixel(0, 0), qRgb(0, 0, 255));
}

TEST(LayerDataTest, UnreadableSourcesLeaveAnEmptyLayerWithAnError)
{
    QTemporaryDir dir;
    FeatureLayer feature(QStringLiteral("F"), writeFile(dir, QStringLiteral("bad.geojson"), "{\"type\": \"Feature"));
    EXPECT_FALSE(feature.load());
    EXPECT_TRUE(feature.errorText().startsWith(QStringLiteral("cannot read")));
    EXPECT_TRUE(feature.features().empty());
    EXPECT_EQ(feature.extent(), std::nullopt);

    // A format the layer does not accept, even though GDAL knows it.
    FeatureLayer csv(QStringLiteral("C"), writeFile(dir, QStringLiteral("table.csv"), "x,y\n1,2\n"));
    EXPECT_FALSE(csv.load());

    RasterLayer image(QStringLiteral("R"), writeFile(dir, QStringLiteral("bad.tif"), "II*\0garbage"));
    EXPECT_FALSE(image.load());
    EXPECT_FALSE(image.errorText().isEmpty());
    EXPECT_TRUE(image.image().isNull());

    // A raster read as features, and no source at all.
    FeatureLayer wrongKind(QStringLiteral("W"), data(QStringLiteral("hillshade.tif")));
    EXPECT_FALSE(wrongKind.load());
    FeatureLayer none(QStringLiteral("N"));
    EXPECT_FALSE(none.load());
    EXPECT_FALSE(none.errorText().isEmpty());

    // A layer that failed reads again once its source is there.
    const QString later = dir.filePath(QStringLiteral("later.geojson"));
    FeatureLayer retry(QStringLiteral("L"), later);
    EXPECT_FALSE(retry.load());
    QFile::copy(data(QStringLiteral("poi.geojson")), later);
    EXPECT_TRUE(retry.load());
    EXPECT_TRUE(retry.errorText().isEmpty());
    EXPECT_EQ(retry.features().size(), 10u);
}

TEST(LayerDataTest, CollectionsAndMultiPartsAreSplitIntoAreasLinesAndPoints)
{
    QTemporaryDir dir;
    const QString path = writeFile(dir, QStringLiteral("mixed.geojson"), R"({"type": "FeatureCollection", "features": [
        {"type": "Feature", "properties": {"n": 1.5, "s": "x"},
            "geometry": {"type": "GeometryCollection", "geometries": [
            {"type": "Point", "coordinates": [1, 2]},
            {"type": "MultiLineString", "coordinates": [[[0, 0], [5, 5]], [[6, 6], [7, 7]]]},
            {"type": "Polygon", "coordinates": [[[10, 10], [20, 10], [20, 20], [10, 10]]]}]}},
        {"type": "Feature", "properties": {}, "geometry": null}]})");
    FeatureLayer layer(QStringLiteral("Mixed"), path);
    ASSERT_TRUE(layer.load()) << layer.errorText().toStdString();
    ASSERT_EQ(layer.features().size(), 2u);
    const Feature &mixed = layer.features()[0];
    EXPECT_EQ(mixed.points, QList<QPointF>({QPointF(1, 2)}));
    EXPECT_EQ(mixed.lines.elementCount(), 4);
    EXPECT_EQ(mixed.areas.boundingRect(), QRectF(10, 10, 10, 10));
    EXPECT_EQ(mixed.extent(), QRectF(0, 0, 20, 20));
    EXPECT_DOUBLE_EQ(mixed.attributes.value(QStringLiteral("n")).toDouble(), 1.5);
    EXPECT_TRUE(layer.features()[1].extent().isNull());
    EXPECT_EQ(layer.extent(), QRectF(0, 0, 20, 20));
}

// A file of several layers (a GeoPackage's tables) is read one layer at a
// time, by its name; the file lists them in its own order.
TEST(LayerDataTest, OneLayerOfAFileOfSeveralIsReadByItsName)
{
    EXPECT_EQ(DataFile::datasetLayers(data(QStringLiteral("town.gpkg"))),
              (QStringList{QStringLiteral("roads"), QStringLiteral("railway"), QStringLiteral("parks")}));
    EXPECT_EQ(DataFile::datasetLayers(data(QStringLiteral("roads.geojson"))), QStringList{QStringLiteral("roads")});
    EXPECT_EQ(DataFile::datasetLayers(data(QStringLiteral("hillshade.tif"))), QStringList());

    const struct
    {
        const char *table;
        std::size_t features; // 0: the table is not there
    } rows[] = {{"", 10}, {"roads", 10}, {"railway", 1}, {"parks", 3}, {"lakes", 0}};
    for (const auto &row : rows) {
        FeatureLayer layer(QStringLiteral("L"), data(QStringLiteral("town.gpkg")));
        layer.setDatasetLayer(QLatin1String(row.table));
        EXPECT_EQ(layer.load(), row.features > 0) << row.table;
        EXPECT_EQ(layer.features().size(), row.features) << row.table;
        if (row.features == 0) {
            EXPECT_TRUE(layer.errorText().contains(QStringLiteral("no layer named \"lakes\""))) << row.table;
        }
    }
}

// A feature that cannot be read is left out and counted; the others stay.
TEST(LayerDataTest, AFeatureThatCannotBeReadIsLeftOutAndCounted)
{
    QTemporaryDir dir;
    for (const char *suffix : {".shp", ".dbf", ".prj"})
        ASSERT_TRUE(QFile::copy(data(QStringLiteral("villages") + QLatin1String(suffix)),
                                dir.filePath(QStringLiteral("villages") + QLatin1String(suffix))));
    // The index gives the second record a length far beyond the file's end.
    QFile original(data(QStringLiteral("villages.shx")));
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    QByteArray index = original.readAll();
    const char huge[] = {0, 1, static_cast<char>(0x86), static_cast<char>(0xa0)};
    index.replace(100 + 8 + 4, 4, huge, 4);
    const QString shapes =
        writeFile(dir, QStringLiteral("villages.shx"), index).replace(QStringLiteral(".shx"), QStringLiteral(".shp"));

    FeatureLayer layer(QStringLiteral("Villages"), shapes);
    ASSERT_TRUE(layer.load()) << layer.errorText().toStdString();
    EXPECT_EQ(layer.features().size(), 4u);
    EXPECT_EQ(layer.skippedFeatures(), 1);
    EXPECT_EQ(layer.warningText(), QStringLiteral("1 feature of %1 could not be read and is not shown").arg(shapes));

    FeatureLayer whole(QStringLiteral("Villages"), data(QStringLiteral("villages.shp")));
    ASSERT_TRUE(whole.load());
    EXPECT_EQ(whole.features().size(), 5u);
    EXPECT_EQ(whole.warningText(), QString());
}

// Identify finds a feature inside its areas (not in their holes) and near
// its lines, outlines and points.
TEST(LayerDataTest, AFeatureIsFoundAtItsShapes)
{
    Feature feature;
    feature.areas.setFillRule(Qt::OddEvenFill);
    feature.areas.addRect(0, 0, 100, 100);
    feature.areas.addRect(40, 40, 20, 20); // a hole
    feature.lines.moveTo(200, 0);
    feature.lines.lineTo(300, 0);
    feature.points = {QPointF(500, 500)};
    const struct
    {
        QPointF at;
        bool found;
    } rows[] = {
        {{10, 10}, true}, {{50, 50}, false}, {{40.5, 50}, true}, {{103, 50}, true},      {{106, 50}, false},
        {{250, 3}, true}, {{250, 6}, false}, {{302, 2}, true},   {{503, 0 + 500}, true}, {{500, 506}, false},
    };
    for (const auto &row : rows)
        EXPECT_EQ(feature.isAt(row.at, 4), row.found) << row.at.x() << ", " << row.at.y();
}
