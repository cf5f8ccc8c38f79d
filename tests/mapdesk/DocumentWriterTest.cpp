#include "ModelTestSupport.h"

#include "DocumentError.h"
#include "DocumentReader.h"
#include "DocumentWriter.h"
#include "GroupElement.h"
#include "Legend.h"
#include "MapCollection.h"
#include "MapFrameElement.h"
#include "MapSurround.h"
#include "MapSurroundFrameElement.h"
#include "PageLayout.h"
#include "TextElement.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTextStream>

#include <gtest/gtest.h>

#include <csignal>

#include <sys/resource.h>

using namespace mapdesk;
using modeltest::sample;

namespace {

void describeLayers(const std::vector<std::shared_ptr<Layer>> &layers, const QString &indent, QTextStream &out)
{
    for (const auto &layer : layers) {
        out << indent << static_cast<int>(layer->kind()) << ' ' << layer->name() << ' ' << layer->visible();
        if (const auto feature = std::dynamic_pointer_cast<FeatureLayer>(layer))
            out << ' ' << feature->sourcePath() << ' ' << feature->features().size();
        if (const auto raster = std::dynamic_pointer_cast<RasterLayer>(layer))
            out << ' ' << raster->sourcePath() << ' ' << raster->image().width();
        out << '\n';
        if (const auto group = std::dynamic_pointer_cast<GroupLayer>(layer))
            describeLayers(group->members(), indent + QStringLiteral("  "), out);
    }
}

void describeElements(Document &document, const std::vector<std::shared_ptr<Element>> &elements, const QString &indent,
                      QTextStream &out)
{
    for (const auto &element : elements) {
        const QRectF b = element->bounds();
        out << indent << static_cast<int>(element->kind()) << ' ' << b.x() << ',' << b.y() << ',' << b.width() << ','
            << b.height();
        if (const auto frame = std::dynamic_pointer_cast<MapFrameElement>(element))
            out << " map " << document.mapCollection()->indexOf(frame->mapModel().get());
        if (const auto surround = std::dynamic_pointer_cast<MapSurroundFrameElement>(element)) {
            // Which frame: its position among all frames of the page, found by identity.
            out << " surround " << static_cast<int>(surround->surroundModel()->kind()) << " of frame at "
                << surround->mapFrameModel()->bounds().x() << ',' << surround->mapFrameModel()->bounds().y()
                << " same map " << (surround->surroundModel()->map() == surround->mapFrameModel()->mapModel());
        }
        if (const auto text = std::dynamic_pointer_cast<TextElement>(element))
            out << " text " << text->text() << ' ' << text->pointSize();
        out << '\n';
        if (const auto group = std::dynamic_pointer_cast<GroupElement>(element))
            describeElements(document, group->elements(), indent + QStringLiteral("  "), out);
    }
}

/// Everything the file keeps, as text: equal texts mean equal documents.
QString describe(Document &document)
{
    QString text;
    QTextStream out(&text);
    for (const auto &map : document.mapModels()) {
        out << "map " << map->name() << '\n';
        describeLayers(map->layers(), QStringLiteral("  "), out);
    }
    out << "focus " << document.mapCollection()->indexOf(document.focusMapModel().get()) << '\n';
    out << "view " << static_cast<int>(document.activeViewKind()) << '\n';
    const auto layout = document.pageLayoutModel();
    out << "page " << layout->pageSize().width() << 'x' << layout->pageSize().height() << '\n';
    describeElements(document, layout->elements(), QStringLiteral("  "), out);
    return text;
}

} // namespace

TEST(DocumentWriterTest, SamplesRoundTripThroughAnotherFolder)
{
    for (const QString &name : {QStringLiteral("city.mapdesk.json"), QStringLiteral("region.mapdesk.json")}) {
        const auto original = DocumentReader::read(sample(name));
        QTemporaryDir dir;
        const QString copy = dir.filePath(QStringLiteral("deeper/copy.mapdesk.json"));
        QDir().mkpath(QFileInfo(copy).path());
        DocumentWriter::write(*original, copy);
        const auto reread = DocumentReader::read(copy);
        EXPECT_EQ(describe(*reread).toStdString(), describe(*original).toStdString());
        // Sources are written relative to the new file's folder.
        const QByteArray json = [&] {
            QFile f(copy);
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        }();
        EXPECT_FALSE(json.contains(dir.path().toUtf8()));
    }
}

TEST(DocumentWriterTest, ChangedFlagsFocusAndViewAreSaved)
{
    const auto document = DocumentReader::read(sample(QStringLiteral("city.mapdesk.json")));
    const auto town = document->mapModels()[0];
    const auto transport = std::static_pointer_cast<GroupLayer>(town->layers()[1]);
    transport->setVisible(false);
    std::static_pointer_cast<GroupLayer>(transport->members()[2])->members()[1]->setVisible(true);
    document->setFocusMap(document->mapModels()[1]);
    document->setActiveViewKind(Document::ViewKind::Data);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("changed.mapdesk.json"));
    DocumentWriter::write(*document, path);
    const auto reread = DocumentReader::read(path);
    EXPECT_EQ(describe(*reread).toStdString(), describe(*document).toStdString());
    const auto rereadTransport = std::static_pointer_cast<GroupLayer>(reread->mapModels()[0]->layers()[1]);
    EXPECT_FALSE(rereadTransport->visible());
    EXPECT_TRUE(rereadTransport->members()[0]->visible());
    EXPECT_EQ(reread->focusMapModel()->name(), QStringLiteral("Overview"));
}

TEST(DocumentWriterTest, FramesWithoutDistinctIdsGetTheirOwnAndKeepTheirSurrounds)
{
    const auto document = Document::createUntitled();
    const auto second = std::make_shared<Map>(QStringLiteral("Second"));
    document->addMap(second);
    const auto layout = document->pageLayoutModel();
    auto a = std::make_shared<MapFrameElement>(QStringLiteral("same"), document->mapModels()[0], QRectF(0, 0, 10, 10));
    auto b = std::make_shared<MapFrameElement>(QStringLiteral("same"), second, QRectF(20, 0, 10, 10));
    auto c = std::make_shared<MapFrameElement>(QString(), second, QRectF(40, 0, 10, 10));
    layout->addElement(a);
    layout->addElement(b);
    layout->addElement(c);
    layout->addElement(
        std::make_shared<MapSurroundFrameElement>(b, std::make_shared<Legend>(second), QRectF(20, 20, 5, 5)));
    layout->addElement(
        std::make_shared<MapSurroundFrameElement>(c, std::make_shared<Legend>(second), QRectF(40, 20, 5, 5)));

    const auto reread = DocumentReader::fromJson(DocumentWriter::toJson(*document, QStringLiteral("/tmp")),
                                                 QStringLiteral("ids"), QStringLiteral("/tmp"));
    EXPECT_EQ(describe(*reread).toStdString(), describe(*document).toStdString());
}

TEST(DocumentWriterTest, WhatCannotBeSavedIsRefusedNamingTheFile)
{
    QTemporaryDir dir;
    const auto document = Document::createUntitled();
    document->mapModels()[0]->addLayer(std::make_shared<FeatureLayer>(QStringLiteral("Sketch")));
    const QString path = dir.filePath(QStringLiteral("sketch.mapdesk.json"));
    try {
        DocumentWriter::write(*document, path);
        FAIL() << "a layer without data file was saved";
    } catch (const DocumentError &error) {
        EXPECT_EQ(error.file(), path);
        EXPECT_TRUE(error.fault().contains(QStringLiteral("\"Sketch\" has no data file")));
    }
    EXPECT_FALSE(QFile::exists(path));

    // A surround whose frame is not on the page cannot be written as a reference.
    const auto untitled = Document::createUntitled();
    auto offPage = std::make_shared<MapFrameElement>(QStringLiteral("off"), untitled->mapModels()[0]);
    untitled->pageLayoutModel()->addElement(
        std::make_shared<MapSurroundFrameElement>(offPage, std::make_shared<Legend>(untitled->mapModels()[0])));
    EXPECT_THROW(DocumentWriter::toJson(*untitled, dir.path()), DocumentError);

    // The target is a folder: the save fails, the folder stays.
    const QString folder = dir.filePath(QStringLiteral("folder.mapdesk.json"));
    QDir().mkpath(folder);
    EXPECT_THROW(DocumentWriter::write(*Document::createUntitled(), folder), DocumentError);
    EXPECT_TRUE(QFileInfo(folder).isDir());

    // A disk that takes only part of the document: the save fails and the
    // document saved before stays whole.
    const QString saved = dir.filePath(QStringLiteral("saved.mapdesk.json"));
    DocumentWriter::write(*Document::createUntitled(), saved);
    QFile before(saved);
    ASSERT_TRUE(before.open(QIODevice::ReadOnly));
    const QByteArray whole = before.readAll();
    before.close();
    struct rlimit limits = {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &limits), 0);
    struct rlimit small = limits;
    small.rlim_cur = rlim_t(whole.size() / 2);
    const auto handler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    bool refused = false;
    try {
        DocumentWriter::write(*Document::createUntitled(), saved);
    } catch (const DocumentError &) {
        refused = true;
    }
    ::setrlimit(RLIMIT_FSIZE, &limits);
    std::signal(SIGXFSZ, handler);
    EXPECT_TRUE(refused);
    ASSERT_TRUE(before.open(QIODevice::ReadOnly));
    EXPECT_EQ(before.readAll(), whole);
}

// A source on the document's volume is written relative to it, beside, below
// or above it; one on another volume keeps its absolute path.
TEST(DocumentWriterTest, SourcesOnTheDocumentsVolumeAreRelativeOthersAbsolute)
{
    const QString base = QStringLiteral("/maps/project");
    const struct
    {
        QString source;
        QString written;
    } cases[] = {
        {QStringLiteral("/maps/project/roads.geojson"), QStringLiteral("roads.geojson")},
        {QStringLiteral("/maps/project/data/deep/rivers.shp"), QStringLiteral("data/deep/rivers.shp")},
        {QStringLiteral("/maps/other/parks.gpkg"), QStringLiteral("../other/parks.gpkg")},
        {QStringLiteral("/maps/project-old/parks.gpkg"), QStringLiteral("../project-old/parks.gpkg")},
        {QStringLiteral("/maps/hills.tif"), QStringLiteral("../hills.tif")},
        {QStringLiteral("/elsewhere/dem.tif"), QStringLiteral("../../elsewhere/dem.tif")},
        // /proc is a volume of its own on every Linux system.
        {QStringLiteral("/proc/maps/dem.tif"), QStringLiteral("/proc/maps/dem.tif")},
    };
    for (const auto &c : cases) {
        const auto document = Document::createUntitled();
        document->mapModels()[0]->addLayer(std::make_shared<FeatureLayer>(QStringLiteral("L"), c.source));
        const QJsonObject root = QJsonDocument::fromJson(DocumentWriter::toJson(*document, base)).object();
        const QJsonObject layer = root[QStringLiteral("maps")][0][QStringLiteral("layers")][0].toObject();
        EXPECT_EQ(layer[QStringLiteral("source")].toString(), c.written) << qPrintable(c.source);
    }
}

// Fields mapdesk does not know, anywhere in the file (written by a later
// version or by hand), are written back as they were; mapdesk's own win.
TEST(DocumentWriterTest, FieldsMapdeskDoesNotKnowSurviveASave)
{
    const QByteArray json = R"({"version": 1, "author": "Ann", "focusMap": 0,
        "maps": [{"name": "Town", "extent": [0, 0, 10, 10], "layers": [
            {"type": "feature", "name": "Roads", "source": "roads.geojson", "labels": {"field": "name"}},
            {"type": "group", "name": "G", "expanded": false, "layers": [
                {"type": "raster", "name": "Photo", "source": "photo.tif", "opacity": 0.5}]}]}],
        "pageLayout": {"units": "cm", "size": {"width": 29.7, "height": 21, "orientation": "landscape"},
            "margins": 5, "elements": [
            {"type": "mapFrame", "id": "f", "map": 0, "border": "none",
             "geometry": {"x": 1, "y": 1, "width": 10, "height": 10, "rotation": 15}},
            {"type": "mapSurround", "kind": "legend", "mapFrame": "f", "columns": 2,
             "geometry": {"x": 12, "y": 1, "width": 5, "height": 5}},
            {"type": "group", "name": "titles", "elements": [
                {"type": "text", "text": "T", "colour": "red", "geometry": {"x": 1, "y": 12, "width": 5, "height": 1}}]}]}})";
    const auto document = DocumentReader::fromJson(json, QStringLiteral("kept"), QStringLiteral("/maps"));
    document->mapModels()[0]->layers()[0]->setVisible(false);
    const QJsonObject saved =
        QJsonDocument::fromJson(DocumentWriter::toJson(*document, QStringLiteral("/maps"))).object();

    const QJsonObject map = saved[QStringLiteral("maps")][0].toObject();
    const QJsonObject page = saved[QStringLiteral("pageLayout")].toObject();
    const QJsonArray elements = page[QStringLiteral("elements")].toArray();
    const struct
    {
        const char *where;
        QJsonValue found;
        QJsonValue expected;
    } rows[] = {
        {"root", saved[QStringLiteral("author")], QStringLiteral("Ann")},
        {"map", map[QStringLiteral("extent")], QJsonArray{0, 0, 10, 10}},
        {"feature layer", map[QStringLiteral("layers")][0][QStringLiteral("labels")],
         QJsonObject{{QStringLiteral("field"), QStringLiteral("name")}}},
        {"feature layer's own field", map[QStringLiteral("layers")][0][QStringLiteral("visible")], false},
        {"group layer", map[QStringLiteral("layers")][1][QStringLiteral("expanded")], false},
        {"raster in a group", map[QStringLiteral("layers")][1][QStringLiteral("layers")][0][QStringLiteral("opacity")],
         0.5},
        {"page", page[QStringLiteral("margins")], 5},
        {"page size", page[QStringLiteral("size")][QStringLiteral("orientation")], QStringLiteral("landscape")},
        {"page size in mm", page[QStringLiteral("size")][QStringLiteral("width")], 297},
        {"map frame", elements[0][QStringLiteral("border")], QStringLiteral("none")},
        {"geometry", elements[0][QStringLiteral("geometry")][QStringLiteral("rotation")], 15},
        {"geometry in mm", elements[0][QStringLiteral("geometry")][QStringLiteral("width")], 100},
        {"surround", elements[1][QStringLiteral("columns")], 2},
        {"group element", elements[2][QStringLiteral("name")], QStringLiteral("titles")},
        {"text in a group", elements[2][QStringLiteral("elements")][0][QStringLiteral("colour")],
         QStringLiteral("red")},
    };
    for (const auto &row : rows)
        EXPECT_EQ(row.found, row.expected) << row.where;
}

// Each feature layer's symbol is kept; a layer without one gets the colour of
// the first layer of its name, or else the first palette colour no other
// layer has, and keeps it from then on.
TEST(DocumentWriterTest, SymbolsAreKeptAndLayersWithoutOneGetColoursOfTheirOwn)
{
    const QByteArray json = R"({"version": 1, "maps": [{"name": "A", "layers": [
            {"type": "feature", "name": "Roads", "source": "roads.geojson"},
            {"type": "feature", "name": "Rail", "source": "rail.geojson",
             "symbol": {"colour": "#e31a1c", "lineWidth": 3.5, "pointSize": 9}}]},
        {"name": "B", "layers": [{"type": "group", "name": "G", "layers": [
            {"type": "feature", "name": "Parks", "source": "parks.geojson"}]},
            {"type": "feature", "name": "Rail", "source": "rail.geojson"}]}]})";
    const auto document = DocumentReader::fromJson(json, QStringLiteral("symbols"), QStringLiteral("/maps"));
    const auto symbolOf = [](Document &d, int map, const QString &name) {
        std::shared_ptr<Layer> found;
        for (const auto &layer : d.mapModels()[static_cast<std::size_t>(map)]->layers()) {
            const auto group = std::dynamic_pointer_cast<GroupLayer>(layer);
            found = layer->name() == name ? layer : group ? group->members()[0] : found;
        }
        return std::dynamic_pointer_cast<FeatureLayer>(found)->symbol();
    };
    const struct
    {
        int map;
        const char *layer;
        Symbol symbol;
    } rows[] = {
        {0, "Roads", {Symbol::paletteColour(0), Symbol::DefaultLineWidth, Symbol::DefaultPointSize}},
        {0, "Rail", {QColor(0xe3, 0x1a, 0x1c), 3.5, 9}},
        {1, "Parks", {Symbol::paletteColour(2), Symbol::DefaultLineWidth, Symbol::DefaultPointSize}},
        {1, "Rail", {QColor(0xe3, 0x1a, 0x1c), Symbol::DefaultLineWidth, Symbol::DefaultPointSize}},
    };
    const auto reread = DocumentReader::fromJson(DocumentWriter::toJson(*document, QStringLiteral("/maps")),
                                                 QStringLiteral("saved"), QStringLiteral("/maps"));
    for (const auto &row : rows) {
        EXPECT_EQ(symbolOf(*document, row.map, QLatin1String(row.layer)), row.symbol) << row.layer;
        EXPECT_EQ(symbolOf(*reread, row.map, QLatin1String(row.layer)), row.symbol) << row.layer << " saved";
    }
}
