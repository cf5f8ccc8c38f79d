#include "ModelTestSupport.h"

#include "CoordinateSystem.h"
#include "DocumentReader.h"
#include "DocumentWriter.h"
#include "FeatureLayer.h"
#include "SystemsFound.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace mapdesk;
using modeltest::sample;

namespace {

CoordinateSystem namedSystem(const char *definition)
{
    QString fault;
    const CoordinateSystem read = CoordinateSystem::fromDefinition(QLatin1String(definition), &fault);
    EXPECT_TRUE(read.isValid()) << definition << ": " << fault.toStdString();
    return read;
}

/// A GeoJSON file of one point, in the system `crs` names (none: GeoJSON's WGS 84).
QString pointFile(const QTemporaryDir &dir, const QString &name, const char *crs, const QPointF &at)
{
    const QString member =
        crs ? QStringLiteral(R"("crs": {"type": "name", "properties": {"name": "%1"}},)").arg(QLatin1String(crs))
            : QString();
    QFile file(dir.filePath(name));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QStringLiteral(R"({"type": "FeatureCollection", %1 "features": [{"type": "Feature", "properties": {},
        "geometry": {"type": "Point", "coordinates": [%2, %3]}}]})")
                   .arg(member)
                   .arg(at.x(), 0, 'g', 17)
                   .arg(at.y(), 0, 'g', 17)
                   .toUtf8());
    return file.fileName();
}

} // namespace

// A point of data in one system is drawn where it lies in the map's system,
// within a pixel (a metre, or a hundred-thousandth of a degree).
TEST(CoordinateSystemTest, DataIsDrawnWhereItLiesInTheMapsSystem)
{
    const struct
    {
        const char *data; // the GeoJSON's crs member; null: WGS 84
        QPointF point;
        const char *map;
        QPointF drawn;
        double pixel;
    } rows[] = {
        {"urn:ogc:def:crs:EPSG::27700", {10000, 7500}, "EPSG:27700", {10000, 7500}, 1},
        {nullptr, {-1.5, 52.0}, "EPSG:27700", {434423.007, 233624.375}, 1},
        {"urn:ogc:def:crs:EPSG::27700", {10000, 7500}, "EPSG:4326", {-7.426453, 49.840528}, 1e-5},
        {nullptr, {-1.5, 52.0}, "EPSG:3857", {-166979.236, 6800125.454}, 1},
        {"urn:ogc:def:crs:EPSG::32630", {600000, 5760000}, "EPSG:27700", {431421.663, 231565.154}, 1},
        {"urn:ogc:def:crs:EPSG::27700", {10000, 7500}, "EPSG:3857", {-826708.944, 6418703.782}, 1},
    };
    QTemporaryDir dir;
    for (const auto &row : rows) {
        const QString where =
            QStringLiteral("%1 in %2").arg(QLatin1String(row.data ? row.data : "WGS 84"), QLatin1String(row.map));
        FeatureLayer layer(QStringLiteral("P"), pointFile(dir, QStringLiteral("p.geojson"), row.data, row.point));
        ASSERT_TRUE(layer.load()) << layer.errorText().toStdString();
        ASSERT_EQ(layer.setMapCoordinateSystem(namedSystem(row.map)), QString()) << qPrintable(where);
        const QPointF drawn = layer.features().at(0).points.at(0);
        EXPECT_NEAR(drawn.x(), row.drawn.x(), row.pixel) << qPrintable(where);
        EXPECT_NEAR(drawn.y(), row.drawn.y(), row.pixel) << qPrintable(where);
        EXPECT_EQ(layer.warningText(), QString()) << qPrintable(where);
    }
}

// An image is warped into the map's system: it covers where its corners lie
// there, within one of its own pixels.
TEST(CoordinateSystemTest, ImagesAreWarpedIntoTheMapsSystem)
{
    RasterLayer layer(QStringLiteral("Hillshade"), sample(QStringLiteral("data/hillshade.tif")));
    ASSERT_TRUE(layer.load());
    ASSERT_EQ(layer.setMapCoordinateSystem(namedSystem("EPSG:3857")), QString());
    const QRectF extent = layer.extent().value();
    // The bounds of the image's corners in the map's system.
    Reprojection toMap(namedSystem("EPSG:27700"), namedSystem("EPSG:3857"));
    std::optional<QRectF> corners;
    for (const QPointF &corner : {QPointF(0, 0), QPointF(20000, 0), QPointF(0, 15000), QPointF(20000, 15000)})
        corners = Layer::united(corners, QRectF(toMap.map(corner), QSizeF(0, 0)));
    const double pixel = extent.width() / layer.image().width();
    EXPECT_NEAR(extent.left(), corners->left(), pixel);
    EXPECT_NEAR(extent.right(), corners->right(), pixel);
    EXPECT_NEAR(extent.top(), corners->top(), pixel);
    EXPECT_NEAR(extent.bottom(), corners->bottom(), pixel);
    EXPECT_FALSE(layer.image().isNull());
    EXPECT_EQ(qAlpha(layer.image().pixel(0, 0)), 0) << "outside the warped image is transparent";
}

// Data without a system is drawn as if in the map's, with a warning; a map
// whose system cannot be reached from a layer's is refused and stays as it was.
TEST(CoordinateSystemTest, DataWithoutASystemIsTakenAsTheMapsAndUnreachableSystemsAreRefused)
{
    QTemporaryDir dir;
    for (const char *suffix : {".shp", ".shx", ".dbf"})
        ASSERT_TRUE(QFile::copy(sample(QStringLiteral("data/villages") + QLatin1String(suffix)),
                                dir.filePath(QStringLiteral("villages") + QLatin1String(suffix))));
    auto unplaced = std::make_shared<FeatureLayer>(QStringLiteral("V"), dir.filePath(QStringLiteral("villages.shp")));
    ASSERT_TRUE(unplaced->load());
    EXPECT_FALSE(unplaced->dataCoordinateSystem().isValid());
    const QPointF first = unplaced->features().at(0).points.at(0);
    Map map;
    map.addLayer(unplaced);
    ASSERT_EQ(map.setCoordinateSystem(namedSystem("EPSG:4326")), QString());
    EXPECT_EQ(unplaced->features().at(0).points.at(0), first) << "drawn as it is";
    EXPECT_TRUE(unplaced->warningText().contains(QStringLiteral("names no coordinate system"))) << "and told";

    auto placed = std::make_shared<FeatureLayer>(
        QStringLiteral("P"),
        pointFile(dir, QStringLiteral("p.geojson"), "urn:ogc:def:crs:EPSG::27700", QPointF(10000, 7500)));
    ASSERT_TRUE(placed->load());
    ASSERT_EQ(map.adopt(*placed), QString());
    map.addLayer(placed);
    const QString fault = map.setCoordinateSystem(namedSystem(R"(ENGCRS["site grid",EDATUM["site"],CS[Cartesian,2],
        AXIS["x",east,LENGTHUNIT["metre",1]],AXIS["y",north,LENGTHUNIT["metre",1]]])"));
    EXPECT_TRUE(fault.startsWith(placed->sourcePath())) << fault.toStdString();
    EXPECT_EQ(map.coordinateSystem().definition(), QStringLiteral("EPSG:4326"));
    EXPECT_NEAR(placed->features().at(0).points.at(0).x(), -7.426453, 1e-5) << "still in the map's system";
}

// A map keeps its system in the document; without one, it takes its first
// layer's. The samples are in the British National Grid.
TEST(CoordinateSystemTest, MapsKeepTheirSystemInTheDocumentOrTakeTheirFirstLayers)
{
    const auto city = DocumentReader::read(sample(QStringLiteral("city.mapdesk.json")));
    for (const auto &map : city->mapModels())
        EXPECT_EQ(map->coordinateSystem().definition(), QStringLiteral("EPSG:27700")) << qPrintable(map->name());

    city->mapModels()[1]->setCoordinateSystem(namedSystem("EPSG:4326"));
    const QJsonObject saved = QJsonDocument::fromJson(DocumentWriter::toJson(*city, modeltest::samplesDir())).object();
    EXPECT_EQ(saved[QStringLiteral("maps")][1][QStringLiteral("coordinateSystem")], QStringLiteral("EPSG:4326"));
    const auto reread =
        DocumentReader::fromJson(QJsonDocument(saved).toJson(), QStringLiteral("reread"), modeltest::samplesDir());
    EXPECT_EQ(reread->mapModels()[1]->coordinateSystem().definition(), QStringLiteral("EPSG:4326"));
    EXPECT_LT(reread->mapModels()[1]->fullExtent().value().width(), 1) << "the overview in degrees";
}

// Shapefiles read in one go share the search for the systems their ".prj"
// files mean: each is given the system a reading of its own finds, two
// copies of one ".prj" the same, a different ".prj" its own.
TEST(CoordinateSystemTest, ShapefilesReadTogetherEachGetTheSystemTheirProjFileMeans)
{
    const QTemporaryDir dir;
    const auto copy = [&](const QString &name, const QByteArray &prj) {
        for (const char *side : {"shp", "shx", "dbf"})
            EXPECT_TRUE(QFile::copy(sample(QStringLiteral("data/villages.%1").arg(QLatin1String(side))),
                                    dir.filePath(QStringLiteral("%1.%2").arg(name, QLatin1String(side)))));
        QFile file(dir.filePath(name + QStringLiteral(".prj")));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(prj) == prj.size());
        return dir.filePath(name + QStringLiteral(".shp"));
    };
    QFile grid(sample(QStringLiteral("data/villages.prj")));
    ASSERT_TRUE(grid.open(QIODevice::ReadOnly));
    const QByteArray gridPrj = grid.readAll();
    const QByteArray wgs84Prj =
        R"(GEOGCS["GCS_WGS_1984",DATUM["D_WGS_1984",SPHEROID["WGS_1984",6378137.0,298.257223563]],PRIMEM["Greenwich",0.0],UNIT["Degree",0.0174532925199433]])";
    const QString files[] = {copy(QStringLiteral("a"), gridPrj), copy(QStringLiteral("b"), gridPrj),
                             copy(QStringLiteral("c"), wgs84Prj)};

    SystemsFound found;
    for (const QString &file : files) {
        const CoordinateSystem alone = FeatureLayer::readCoordinateSystem(file, {});
        ASSERT_TRUE(alone.isValid()) << file.toStdString();
        EXPECT_EQ(FeatureLayer::read(file, {}, {}, &found).dataSystem.wkt(), alone.wkt()) << file.toStdString();
        EXPECT_EQ(FeatureLayer::readCoordinateSystem(file, {}, &found).wkt(), alone.wkt()) << file.toStdString();
    }
    EXPECT_EQ(FeatureLayer::read(files[0], {}, {}, &found).dataSystem.definition(), QStringLiteral("EPSG:27700"));
    EXPECT_EQ(FeatureLayer::read(files[2], {}, {}, &found).dataSystem.definition(), QStringLiteral("EPSG:4326"));
}
