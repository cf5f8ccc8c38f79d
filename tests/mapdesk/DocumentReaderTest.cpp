#include "ModelTestSupport.h"

#include "DocumentError.h"
#include "DocumentReader.h"
#include "GroupElement.h"
#include "Legend.h"
#include "MapFrameElement.h"
#include "MapSurroundFrameElement.h"
#include "PageLayout.h"
#include "TextElement.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace mapdesk;
using modeltest::names;
using modeltest::sample;

namespace {

const QString kFile = QStringLiteral("/docs/test.mapdesk.json");

/// The message of reading `json`, or "" when it reads.
QString readFault(const QByteArray &json, const QString &baseDir = QStringLiteral("/nonexistent"))
{
    try {
        DocumentReader::fromJson(json, kFile, baseDir);
    } catch (const DocumentError &error) {
        EXPECT_EQ(error.file(), kFile);
        EXPECT_TRUE(error.message().startsWith(kFile + QStringLiteral(": "))) << error.message().toStdString();
        return error.fault();
    }
    return {};
}

QByteArray withLayers(const QByteArray &layers)
{
    return R"({"version": 1, "maps": [{"name": "M", "layers": [)" + layers + "]}]}";
}

QByteArray withElements(const QByteArray &elements)
{
    return R"({"version": 1, "maps": [{"name": "M"}, {"name": "N"}],
               "pageLayout": {"elements": [)"
           + elements + "]}}";
}

QByteArray nestedGroups(int depth)
{
    QByteArray json = R"({"type": "feature", "name": "leaf", "source": "x.geojson"})";
    for (int i = 0; i < depth; ++i)
        json = R"({"type": "group", "name": "g", "layers": [)" + json + "]}";
    return withLayers(json);
}

QByteArray nestedElementGroups(int depth)
{
    QByteArray json = R"({"type": "text", "text": "t", "geometry": {"x": 0, "y": 0, "width": 1, "height": 1}})";
    for (int i = 0; i < depth; ++i)
        json = R"({"type": "group", "elements": [)" + json + "]}";
    return withElements(json);
}

template <typename T> std::shared_ptr<T> element(const std::shared_ptr<Element> &e)
{
    return std::dynamic_pointer_cast<T>(e);
}

} // namespace

TEST(DocumentReaderTest, ReadsTheCitySampleWhole)
{
    const auto document = DocumentReader::read(sample(QStringLiteral("city.mapdesk.json")));
    EXPECT_EQ(document->filePath(), QFileInfo(sample(QStringLiteral("city.mapdesk.json"))).absoluteFilePath());
    ASSERT_EQ(document->mapModels().size(), 2u);
    const auto town = document->mapModels()[0];
    const auto overview = document->mapModels()[1];
    EXPECT_EQ(town->name(), QStringLiteral("Town"));
    EXPECT_EQ(names(town->layers()),
              QStringList({"Points of interest", "Transport", "Buildings", "Green and water", "Hillshade"}));
    const auto transport = std::dynamic_pointer_cast<GroupLayer>(town->layers()[1]);
    ASSERT_TRUE(transport);
    EXPECT_EQ(names(transport->members()), QStringList({"Roads", "Railway", "Paths"}));
    const auto paths = std::dynamic_pointer_cast<GroupLayer>(transport->members()[2]);
    ASSERT_TRUE(paths);
    EXPECT_FALSE(paths->members()[1]->visible());
    EXPECT_EQ(document->focusMapModel(), town);
    EXPECT_EQ(document->activeViewKind(), Document::ViewKind::Layout);

    // Every data file of the sample reads.
    for (const auto &map : document->mapModels()) {
        std::vector<std::shared_ptr<Layer>> pending(map->layers().begin(), map->layers().end());
        while (!pending.empty()) {
            const auto layer = pending.back();
            pending.pop_back();
            EXPECT_TRUE(layer->errorText().isEmpty()) << layer->errorText().toStdString();
            if (const auto group = std::dynamic_pointer_cast<GroupLayer>(layer))
                pending.insert(pending.end(), group->members().begin(), group->members().end());
        }
    }

    // Page: title, two frames, legends of both maps, arrow, scale bar, a group with a legend, a second town legend.
    const auto layout = document->pageLayoutModel();
    EXPECT_EQ(layout->pageSize(), QSizeF(297, 210));
    const auto &elements = layout->elements();
    ASSERT_EQ(elements.size(), 9u);
    EXPECT_EQ(element<MapFrameElement>(elements[1])->mapModel(), town);
    EXPECT_EQ(element<MapFrameElement>(elements[2])->mapModel(), overview);
    EXPECT_EQ(elements[1]->bounds(), QRectF(10, 22, 190, 178));
    const auto overviewLegend = element<MapSurroundFrameElement>(elements[4]);
    EXPECT_EQ(overviewLegend->mapFrameModel(), elements[2]);
    const auto group = element<GroupElement>(elements[7]);
    ASSERT_TRUE(group);
    ASSERT_EQ(group->elements().size(), 2u);
    EXPECT_EQ(element<MapSurroundFrameElement>(group->elements()[1])->mapFrameModel()->mapModel(), town);
    const auto lastLegend = element<MapSurroundFrameElement>(elements[8]);
    ASSERT_TRUE(lastLegend);
    const auto legend = std::dynamic_pointer_cast<Legend>(lastLegend->surroundModel());
    ASSERT_TRUE(legend);
    EXPECT_EQ(legend->map(), town);
    // Its items match the flags as read: Cycle routes and Land cover are off.
    EXPECT_EQ(names(legend->items()), QStringList({"Points of interest", "Roads", "Railway", "Footpaths", "Buildings",
                                                   "Parks", "Rivers", "Hillshade"}));
    EXPECT_EQ(legend->refreshCount(), 0);
}

TEST(DocumentReaderTest, ReadsTheRegionSampleInCentimetres)
{
    const auto document = DocumentReader::read(sample(QStringLiteral("region.mapdesk.json")));
    ASSERT_EQ(document->mapModels().size(), 2u);
    EXPECT_EQ(document->focusMapModel()->name(), QStringLiteral("Region"));
    EXPECT_EQ(document->activeViewKind(), Document::ViewKind::Data);
    const auto layout = document->pageLayoutModel();
    EXPECT_NEAR(layout->pageSize().width(), 210, 1e-9);
    EXPECT_NEAR(layout->pageSize().height(), 297, 1e-9);
    const QRectF frame = layout->elements()[1]->bounds();
    EXPECT_NEAR(frame.x(), 10, 1e-9);
    EXPECT_NEAR(frame.height(), 142.5, 1e-9);
    // Hidden group: its visible member is not drawn.
    EXPECT_FALSE(names(document->focusMapModel()->drawnLayers()).contains(QStringLiteral("Cycle routes")));
}

TEST(DocumentReaderTest, ReferencesResolveByNameIndexAndForward)
{
    const auto document = DocumentReader::fromJson(withElements(R"(
        {"type": "mapSurround", "kind": "scaleBar", "mapFrame": "later",
            "geometry": {"x": 0, "y": 0, "width": 1, "height": 1}},
        {"type": "group", "elements": [
            {"type": "mapFrame", "id": "later", "map": "N", "geometry": {"x": 0, "y": 0, "width": 1, "height": 1}}]})"),
                                                   kFile, QStringLiteral("/tmp"));
    const auto &elements = document->pageLayoutModel()->elements();
    const auto scaleBar = element<MapSurroundFrameElement>(elements[0]);
    const auto frame = element<MapFrameElement>(element<GroupElement>(elements[1])->elements()[0]);
    EXPECT_EQ(scaleBar->mapFrameModel(), frame);
    EXPECT_EQ(frame->mapModel(), document->mapModels()[1]);
    EXPECT_EQ(document->focusMapModel(), document->mapModels()[0]);
    EXPECT_EQ(document->activeViewKind(), Document::ViewKind::Data);
}

TEST(DocumentReaderTest, MalformedDocumentsAreRefusedWithTheirPlaceAndFault)
{
    const struct
    {
        QByteArray json;
        QString fault;
    } cases[] = {
        {R"({"version": 1, "maps": [)", "malformed JSON at offset"},
        {"", "malformed JSON at offset 0"},
        {"[1, 2]", "a map document is a JSON object, this file holds an array"},
        {R"({"maps": []})", "version: missing"},
        {R"({"version": "1", "maps": []})", "version: expected a number, found a string"},
        {R"({"version": 2, "maps": []})", "version: unsupported version 2"},
        {R"({"version": 1, "maps": {}})", "maps: expected an array, found an object"},
        {R"({"version": 1, "maps": []})", "maps: a document needs at least one map"},
        {R"({"version": 1, "maps": [{"name": 7}]})", "maps[0].name: expected a string, found a number"},
        {R"({"version": 1, "maps": [{"name": "M", "layers": 3}]})",
         "maps[0].layers: expected an array, found a number"},
        {withLayers(R"({"type": "vector", "name": "x"})"), "maps[0].layers[0].type: unknown layer type \"vector\""},
        {withLayers(R"({"type": "feature", "name": "x", "visible": "yes", "source": "a"})"),
         "maps[0].layers[0].visible: expected true or false, found a string"},
        {withLayers(R"({"type": "feature", "name": "x"})"), "maps[0].layers[0].source: missing"},
        {withLayers(R"({"type": "feature", "name": "x", "source": "a", "symbol": {"colour": "reddish"}})"),
         "maps[0].layers[0].symbol.colour: \"reddish\" is not a colour"},
        {withLayers(R"({"type": "feature", "name": "x", "source": "a", "symbol": {"colour": "red", "lineWidth": -1}})"),
         "maps[0].layers[0].symbol.lineWidth: -1 is out of range"},
        {withLayers(R"({"type": "feature", "name": "x", "source": "a", "symbol": {"lineWidth": 1}})"),
         "maps[0].layers[0].symbol.colour: missing"},
        {withLayers(R"({"type": "raster", "name": "x", "source": ""})"), "maps[0].layers[0].source: empty"},
        {withLayers(R"({"type": "group", "name": "g", "layers": [null]})"),
         "maps[0].layers[0].layers[0]: expected an object, found null"},
        {R"({"version": 1, "maps": [{"name": "M"}], "focusMap": "Nowhere"})", "focusMap: no map named \"Nowhere\""},
        {R"({"version": 1, "maps": [{"name": "M"}], "focusMap": 1})", "focusMap: no map at index 1"},
        {R"({"version": 1, "maps": [{"name": "M"}], "focusMap": 0.5})", "focusMap: no map at index 0.5"},
        {R"({"version": 1, "maps": [{"name": "M"}, {"name": "M"}], "focusMap": "M"})",
         "focusMap: 2 maps are named \"M\""},
        {R"({"version": 1, "maps": [{"name": "M"}], "activeView": "map"})", "activeView: unknown view \"map\""},
        {R"({"version": 1, "maps": [{"name": "M"}], "pageLayout": {"units": "in"}})",
         "pageLayout.units: unknown unit \"in\""},
        {R"({"version": 1, "maps": [{"name": "M"}], "pageLayout": {"size": {"width": 0, "height": 5}}})",
         "pageLayout.size: the page needs a width and a height above zero"},
        {R"({"version": 1, "maps": [{"name": "M"}], "pageLayout": {"size": {"width": 1e9, "height": 5}}})",
         "pageLayout.size.width: 1e+09 is out of range"},
        {withElements(
             R"({"type": "mapFrame", "id": "f", "map": "Q", "geometry": {"x": 0, "y": 0, "width": 1, "height": 1}})"),
         "pageLayout.elements[0].map: no map named \"Q\""},
        {withElements(R"({"type": "mapFrame", "id": "f", "map": 0})"), "pageLayout.elements[0].geometry: missing"},
        {withElements(
             R"({"type": "mapFrame", "id": "f", "map": 0, "geometry": {"x": 0, "y": 0, "width": -1, "height": 1}})"),
         "pageLayout.elements[0].geometry.width: -1 is out of range"},
        {withElements(
             R"({"type": "mapFrame", "id": "f", "map": 0, "geometry": {"x": 0, "y": 0, "width": 1, "height": 1}},
                         {"type": "mapFrame", "id": "f", "map": 1,
                             "geometry": {"x": 0, "y": 0, "width": 1, "height": 1}})"),
         "pageLayout.elements[1].id: another map frame has the id \"f\""},
        {withElements(
             R"({"type": "mapSurround", "kind": "legend", "mapFrame": "none",
                 "geometry": {"x": 0, "y": 0, "width": 1, "height": 1}})"),
         "pageLayout.elements[0].mapFrame: no map frame has the id \"none\""},
        {withElements(
             R"({"type": "mapFrame", "id": "f", "map": 0, "geometry": {"x": 0, "y": 0, "width": 1, "height": 1}},
                         {"type": "mapSurround", "kind": "compass", "mapFrame": "f",
                             "geometry": {"x": 0, "y": 0, "width": 1, "height": 1}})"),
         "pageLayout.elements[1].kind: unknown map surround \"compass\""},
        {withElements(R"({"type": "picture"})"), "pageLayout.elements[0].type: unknown element type \"picture\""},
        {withElements(R"({"type": "text", "text": 5, "geometry": {"x": 0, "y": 0, "width": 1, "height": 1}})"),
         "pageLayout.elements[0].text: expected a string, found a number"},
    };
    for (const auto &c : cases) {
        const QString fault = readFault(c.json);
        EXPECT_TRUE(fault.startsWith(c.fault))
            << "expected: " << c.fault.toStdString() << "\n     got: " << fault.toStdString();
    }
}

TEST(DocumentReaderTest, NestingIsLimited)
{
    EXPECT_TRUE(readFault(nestedGroups(DocumentReader::MaxNesting)).isEmpty());
    EXPECT_TRUE(readFault(nestedGroups(DocumentReader::MaxNesting + 1))
                    .endsWith(QStringLiteral("group layers are nested deeper than 64 levels")));
    EXPECT_TRUE(readFault(nestedElementGroups(DocumentReader::MaxNesting)).isEmpty());
    EXPECT_TRUE(readFault(nestedElementGroups(DocumentReader::MaxNesting + 1))
                    .endsWith(QStringLiteral("group elements are nested deeper than 64 levels")));
    // Far deeper than any limit: refused by the JSON parser, without a crash.
    EXPECT_TRUE(readFault(QByteArray(100000, '[')).startsWith(QStringLiteral("malformed JSON")));
    EXPECT_TRUE(readFault(nestedGroups(600)).startsWith(QStringLiteral("malformed JSON")));
}

TEST(DocumentReaderTest, FilesThatCannotBeReadAreNamedInTheMessage)
{
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("missing.mapdesk.json"));
    try {
        DocumentReader::read(missing);
        FAIL() << "a missing file read";
    } catch (const DocumentError &error) {
        EXPECT_EQ(error.message(), missing + QStringLiteral(": the file does not exist"));
    }
    EXPECT_THROW(DocumentReader::read(dir.path()), DocumentError);

    const QString huge = dir.filePath(QStringLiteral("huge.mapdesk.json"));
    QFile file(huge);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_TRUE(file.resize(DocumentReader::MaxFileSize + 1));
    file.close();
    try {
        DocumentReader::read(huge);
        FAIL() << "an oversized file read";
    } catch (const DocumentError &error) {
        EXPECT_EQ(error.file(), huge);
        EXPECT_TRUE(error.fault().contains(QStringLiteral("too large")));
    }
}

TEST(DocumentReaderTest, LayerWithUnreadableDataIsKeptWithItsError)
{
    QTemporaryDir dir;
    QFile garbage(dir.filePath(QStringLiteral("garbage.geojson")));
    ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
    garbage.write("this is not geographic data");
    garbage.close();
    QDir(dir.path()).mkdir(QStringLiteral("folder.tif"));

    const auto document = DocumentReader::fromJson(withLayers(R"(
        {"type": "feature", "name": "Gone", "source": "gone.geojson"},
        {"type": "feature", "name": "Garbage", "source": "garbage.geojson", "visible": false},
        {"type": "raster", "name": "Folder", "source": "folder.tif"},
        {"type": "feature", "name": "Remote", "source": "/vsicurl/http://example.invalid/a.geojson"})"),
                                                   kFile, dir.path());
    const auto &layers = document->mapModels()[0]->layers();
    ASSERT_EQ(layers.size(), 4u);
    EXPECT_EQ(layers[0]->errorText(),
              QStringLiteral("data file not found: ") + dir.filePath(QStringLiteral("gone.geojson")));
    EXPECT_TRUE(layers[1]->errorText().startsWith(QStringLiteral("cannot read ")
                                                  + dir.filePath(QStringLiteral("garbage.geojson"))));
    EXPECT_FALSE(layers[1]->visible());
    EXPECT_TRUE(layers[2]->errorText().startsWith(QStringLiteral("not a regular file")));
    EXPECT_TRUE(layers[3]->errorText().startsWith(QStringLiteral("data file not found")));
    EXPECT_TRUE(std::static_pointer_cast<FeatureLayer>(layers[0])->features().empty());
    EXPECT_TRUE(std::static_pointer_cast<RasterLayer>(layers[2])->image().isNull());
}

// Progress hears of each data layer, group members in their place, only once
// the whole file is known to be sound; stopping leaves the rest not loaded,
// raster layers too.
TEST(DocumentReaderTest, ProgressNamesEachDataLayerAndCanStopTheReading)
{
    const QByteArray layers = R"(
        {"type": "feature", "name": "A", "source": "a.geojson"},
        {"type": "group", "name": "G", "layers": [{"type": "raster", "name": "B", "source": "b.tif"}]},
        {"type": "feature", "name": "C", "source": "c.geojson"})";
    QStringList heard;
    const auto stopAt = [&heard](int stop) {
        return [&heard, stop](const QString &name, int done, int total) {
            heard << QStringLiteral("%1 %2/%3").arg(name).arg(done).arg(total);
            return done < stop;
        };
    };
    auto document = DocumentReader::fromJson(withLayers(layers), kFile, QStringLiteral("/nonexistent"), stopAt(3));
    EXPECT_EQ(heard, (QStringList{"A 0/3", "B 1/3", "C 2/3"}));
    EXPECT_TRUE(document->mapModels()[0]->layers()[0]->errorText().startsWith(QStringLiteral("data file not found")));

    heard.clear();
    document = DocumentReader::fromJson(withLayers(layers), kFile, QStringLiteral("/nonexistent"), stopAt(1));
    EXPECT_EQ(heard, (QStringList{"A 0/3", "B 1/3"}));
    const auto &read = document->mapModels()[0]->layers();
    EXPECT_TRUE(read[0]->errorText().startsWith(QStringLiteral("data file not found")));
    const auto group = std::static_pointer_cast<GroupLayer>(read[1]);
    EXPECT_EQ(group->members()[0]->errorText(), DocumentReader::notLoadedText());
    EXPECT_EQ(read[2]->errorText(), DocumentReader::notLoadedText());

    heard.clear();
    EXPECT_THROW(DocumentReader::fromJson(R"({"version": 1, "maps": [{"name": "M", "layers": [)" + layers
                                              + R"(]}], "activeView": "sideways"})",
                                          kFile, QStringLiteral("/nonexistent"), stopAt(3)),
                 DocumentError);
    EXPECT_TRUE(heard.isEmpty()) << "no data is read from a file that is refused";
}
