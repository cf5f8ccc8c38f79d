#include "DocumentReader.h"

#include "Document.h"
#include "DocumentError.h"
#include "DocumentLoad.h"
#include "FeatureLayer.h"
#include "GroupElement.h"
#include "GroupLayer.h"
#include "Legend.h"
#include "Map.h"
#include "MapFrameElement.h"
#include "MapSurroundFrameElement.h"
#include "NorthArrow.h"
#include "PageLayout.h"
#include "RasterLayer.h"
#include "ScaleBar.h"
#include "Symbol.h"
#include "TextElement.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>
#include <functional>

namespace mapdesk {

namespace {

constexpr int kFormatVersion = 1;
// Page sizes and positions beyond ten metres are certainly faults.
constexpr double kMaxPageMm = 10'000.0;
constexpr double kMaxFontSize = 1'000.0;

QString quoted(const QString &text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}

QString typeName(const QJsonValue &value)
{
    switch (value.type()) {
    case QJsonValue::Null:
        return QStringLiteral("null");
    case QJsonValue::Bool:
        return QStringLiteral("a boolean");
    case QJsonValue::Double:
        return QStringLiteral("a number");
    case QJsonValue::String:
        return QStringLiteral("a string");
    case QJsonValue::Array:
        return QStringLiteral("an array");
    case QJsonValue::Object:
        return QStringLiteral("an object");
    case QJsonValue::Undefined:
        break;
    }
    return QStringLiteral("nothing");
}

/// The fields of `object` that mapdesk does not know, to be written back on
/// saving. A known field that is an object itself (`nested`, with its own
/// known fields) keeps its unknown fields under its name.
QJsonObject otherFields(const QJsonObject &object, const QStringList &known,
                        const QList<std::pair<QString, QStringList>> &nested = {})
{
    QJsonObject other;
    for (auto field = object.begin(); field != object.end(); ++field)
        if (!known.contains(field.key()))
            other.insert(field.key(), field.value());
    for (const auto &[key, members] : nested) {
        const QJsonObject inner = otherFields(object.value(key).toObject(), members);
        if (!inner.isEmpty())
            other.insert(key, inner);
    }
    return other;
}

const QStringList kGeometryFields{QStringLiteral("x"), QStringLiteral("y"), QStringLiteral("width"),
                                  QStringLiteral("height")};

QString child(const QString &where, const QString &key)
{
    return where.isEmpty() ? key : where + QLatin1Char('.') + key;
}

QString item(const QString &where, qsizetype index)
{
    return where + QStringLiteral("[%1]").arg(index);
}

/// One reading of one document: knows the file for its messages and the
/// folder that relative data paths start from.
class Reader
{
public:
    Reader(QString fileName, QString baseDir) : m_fileName(std::move(fileName)), m_baseDir(std::move(baseDir)) {}

    std::shared_ptr<DocumentLoad> read(const QByteArray &json);

private:
    [[noreturn]] void fail(const QString &where, const QString &fault) const
    {
        throw DocumentError(m_fileName, where.isEmpty() ? fault : where + QStringLiteral(": ") + fault);
    }

    [[noreturn]] void wrongType(const QString &where, const QString &expected, const QJsonValue &found) const
    {
        fail(where, QStringLiteral("expected %1, found %2").arg(expected, typeName(found)));
    }

    QJsonValue required(const QJsonObject &object, const QString &key, const QString &where) const
    {
        const QJsonValue value = object.value(key);
        if (value.isUndefined())
            fail(child(where, key), QStringLiteral("missing"));
        return value;
    }

    QJsonObject toObject(const QJsonValue &value, const QString &where) const
    {
        if (!value.isObject())
            wrongType(where, QStringLiteral("an object"), value);
        return value.toObject();
    }

    QString requiredString(const QJsonObject &object, const QString &key, const QString &where) const
    {
        const QJsonValue value = required(object, key, where);
        if (!value.isString())
            wrongType(child(where, key), QStringLiteral("a string"), value);
        return value.toString();
    }

    QJsonArray optionalArray(const QJsonObject &object, const QString &key, const QString &where) const
    {
        const QJsonValue value = object.value(key);
        if (value.isUndefined())
            return {};
        if (!value.isArray())
            wrongType(child(where, key), QStringLiteral("an array"), value);
        return value.toArray();
    }

    bool optionalBool(const QJsonObject &object, const QString &key, const QString &where, bool fallback) const
    {
        const QJsonValue value = object.value(key);
        if (value.isUndefined())
            return fallback;
        if (!value.isBool())
            wrongType(child(where, key), QStringLiteral("true or false"), value);
        return value.toBool();
    }

    double number(const QJsonValue &value, const QString &where, double low, double high) const
    {
        if (!value.isDouble())
            wrongType(where, QStringLiteral("a number"), value);
        const double x = value.toDouble();
        if (!std::isfinite(x) || x < low || x > high)
            fail(where, QStringLiteral("%1 is out of range (%2 .. %3)").arg(x).arg(low).arg(high));
        return x;
    }

    void readMaps(const QJsonObject &root);
    std::shared_ptr<Layer> readLayer(const QJsonValue &value, const QString &where, int depth);
    std::shared_ptr<Layer> readLayerFields(const QJsonValue &value, const QString &where, int depth);
    Symbol readSymbol(const QJsonValue &value, const QString &where) const;
    QString sourcePath(const QJsonObject &object, const QString &where) const;
    std::shared_ptr<Map> mapReference(const QJsonValue &value, const QString &where) const;
    void readFocusMap(const QJsonObject &root);
    void readActiveView(const QJsonObject &root);
    void readPageLayout(const QJsonObject &root);
    QRectF readGeometry(const QJsonObject &object, const QString &where) const;
    void collectMapFrames(const QJsonArray &elements, const QString &where, int depth);
    std::shared_ptr<Element> readElement(const QJsonValue &value, const QString &where, int depth) const;
    std::shared_ptr<Element> readElementFields(const QJsonValue &value, const QString &where, int depth) const;

    QString m_fileName;
    QString m_baseDir;
    std::shared_ptr<Document> m_document;
    /// The layers with data, in the file's order, each with its map's index.
    std::vector<std::pair<std::shared_ptr<Layer>, std::size_t>> m_dataLayers;
    double m_unitMm = 1.0;
    // Map frames by id, and by the place in the file that defines them.
    QHash<QString, std::shared_ptr<MapFrameElement>> m_framesById;
    QHash<QString, std::shared_ptr<MapFrameElement>> m_framesByPlace;
    /// The coordinate systems the file gives its maps, by index.
    std::vector<CoordinateSystem> m_systems;
    /// The first of m_dataLayers in the map being read.
    std::size_t m_firstOfMap = 0;
};

std::shared_ptr<DocumentLoad> Reader::read(const QByteArray &json)
{
    QJsonParseError error;
    const QJsonDocument parsed = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        fail({}, QStringLiteral("malformed JSON at offset %1: %2").arg(error.offset).arg(error.errorString()));
    if (!parsed.isObject())
        fail({}, QStringLiteral("a map document is a JSON object, this file holds %1")
                     .arg(parsed.isArray() ? QStringLiteral("an array") : QStringLiteral("no object")));
    const QJsonObject root = parsed.object();

    const QJsonValue version = required(root, QStringLiteral("version"), {});
    if (!version.isDouble())
        wrongType(QStringLiteral("version"), QStringLiteral("a number"), version);
    if (version.toDouble() != kFormatVersion)
        fail(QStringLiteral("version"), QStringLiteral("unsupported version %1 (mapdesk reads version %2)")
                                            .arg(version.toDouble())
                                            .arg(kFormatVersion));

    m_document = Document::create();
    m_document->setOtherFields(
        otherFields(root, {QStringLiteral("version"), QStringLiteral("maps"), QStringLiteral("focusMap"),
                           QStringLiteral("activeView"), QStringLiteral("pageLayout")}));
    readMaps(root);
    readFocusMap(root);
    readActiveView(root);
    readPageLayout(root);
    Symbol::giveDefaults(m_document->mapModels());
    m_document->captureDrawnState();
    return std::make_shared<DocumentLoad>(m_document, m_systems, m_dataLayers);
}

void Reader::readMaps(const QJsonObject &root)
{
    const QString where = QStringLiteral("maps");
    const QJsonValue value = required(root, where, {});
    if (!value.isArray())
        wrongType(where, QStringLiteral("an array"), value);
    const QJsonArray maps = value.toArray();
    if (maps.isEmpty())
        fail(where, QStringLiteral("a document needs at least one map"));
    for (qsizetype i = 0; i < maps.size(); ++i) {
        const QString place = item(where, i);
        const QJsonObject object = toObject(maps[i], place);
        auto map = std::make_shared<Map>(requiredString(object, QStringLiteral("name"), place));
        if (const QJsonValue system = object.value(QStringLiteral("coordinateSystem")); !system.isUndefined()) {
            const QString systemPlace = child(place, QStringLiteral("coordinateSystem"));
            if (!system.isString())
                wrongType(systemPlace, QStringLiteral("a string"), system);
            QString fault;
            const CoordinateSystem read = CoordinateSystem::fromDefinition(system.toString(), &fault);
            if (!read.isValid())
                fail(systemPlace, fault);
            m_systems.resize(static_cast<std::size_t>(i) + 1);
            m_systems.back() = read;
        }
        map->setOtherFields(otherFields(
            object, {QStringLiteral("name"), QStringLiteral("layers"), QStringLiteral("coordinateSystem")}));
        const QString layersPlace = child(place, QStringLiteral("layers"));
        const QJsonArray layers = optionalArray(object, QStringLiteral("layers"), place);
        for (qsizetype j = 0; j < layers.size(); ++j)
            map->addLayer(readLayer(layers[j], item(layersPlace, j), 1));
        m_document->addMap(map);
        m_systems.resize(static_cast<std::size_t>(i) + 1);
        for (std::size_t first = m_firstOfMap; first < m_dataLayers.size(); ++first)
            m_dataLayers[first].second = static_cast<std::size_t>(i);
        m_firstOfMap = m_dataLayers.size();
    }
}

std::shared_ptr<Layer> Reader::readLayer(const QJsonValue &value, const QString &where, int depth)
{
    std::shared_ptr<Layer> layer = readLayerFields(value, where, depth);
    QStringList known{QStringLiteral("type"), QStringLiteral("name"), QStringLiteral("visible")};
    switch (layer->kind()) {
    case Layer::Kind::Feature:
        known << QStringLiteral("source") << QStringLiteral("layer") << QStringLiteral("symbol");
        break;
    case Layer::Kind::Raster:
        known << QStringLiteral("source");
        break;
    case Layer::Kind::Group:
        known << QStringLiteral("layers");
        break;
    }
    layer->setOtherFields(otherFields(value.toObject(), known));
    return layer;
}

std::shared_ptr<Layer> Reader::readLayerFields(const QJsonValue &value, const QString &where, int depth)
{
    const QJsonObject object = toObject(value, where);
    const QString type = requiredString(object, QStringLiteral("type"), where);
    const QString name = requiredString(object, QStringLiteral("name"), where);
    const bool visible = optionalBool(object, QStringLiteral("visible"), where, true);

    if (type == QLatin1String("feature")) {
        auto layer = std::make_shared<FeatureLayer>(name, sourcePath(object, where), visible);
        const QJsonValue table = object.value(QStringLiteral("layer"));
        if (!table.isUndefined() && !table.isString())
            wrongType(child(where, QStringLiteral("layer")), QStringLiteral("a string"), table);
        layer->setDatasetLayer(table.toString());
        if (const QJsonValue symbol = object.value(QStringLiteral("symbol")); !symbol.isUndefined())
            layer->setSymbol(readSymbol(symbol, child(where, QStringLiteral("symbol"))));
        m_dataLayers.emplace_back(layer, 0);
        return layer;
    }
    if (type == QLatin1String("raster")) {
        auto layer = std::make_shared<RasterLayer>(name, sourcePath(object, where), visible);
        m_dataLayers.emplace_back(layer, 0);
        return layer;
    }
    if (type == QLatin1String("group")) {
        if (depth > DocumentReader::MaxNesting)
            fail(where,
                 QStringLiteral("group layers are nested deeper than %1 levels").arg(DocumentReader::MaxNesting));
        auto group = std::make_shared<GroupLayer>(name, visible);
        const QString membersPlace = child(where, QStringLiteral("layers"));
        const QJsonArray members = optionalArray(object, QStringLiteral("layers"), where);
        for (qsizetype i = 0; i < members.size(); ++i)
            group->addLayer(readLayer(members[i], item(membersPlace, i), depth + 1));
        return group;
    }
    fail(child(where, QStringLiteral("type")),
         QStringLiteral("unknown layer type %1 (expected \"feature\", \"raster\" or \"group\")").arg(quoted(type)));
}

Symbol Reader::readSymbol(const QJsonValue &value, const QString &where) const
{
    const QJsonObject object = toObject(value, where);
    Symbol symbol;
    const QString colourPlace = child(where, QStringLiteral("colour"));
    const QString colour = requiredString(object, QStringLiteral("colour"), where);
    symbol.colour = QColor::fromString(colour);
    if (!symbol.colour.isValid())
        fail(colourPlace, QStringLiteral("%1 is not a colour (expected one such as \"#1f78b4\")").arg(quoted(colour)));
    if (const QJsonValue width = object.value(QStringLiteral("lineWidth")); !width.isUndefined())
        symbol.lineWidth = number(width, child(where, QStringLiteral("lineWidth")), 0, Symbol::MaxLineWidth);
    if (const QJsonValue size = object.value(QStringLiteral("pointSize")); !size.isUndefined())
        symbol.pointSize = number(size, child(where, QStringLiteral("pointSize")), 0, Symbol::MaxPointSize);
    return symbol;
}

QString Reader::sourcePath(const QJsonObject &object, const QString &where) const
{
    const QString source = requiredString(object, QStringLiteral("source"), where);
    if (source.isEmpty())
        fail(child(where, QStringLiteral("source")), QStringLiteral("empty data file name"));
    if (source.contains(QChar::Null))
        fail(child(where, QStringLiteral("source")), QStringLiteral("the data file name holds a NUL character"));
    return QDir::cleanPath(QDir(m_baseDir).absoluteFilePath(source));
}

std::shared_ptr<Map> Reader::mapReference(const QJsonValue &value, const QString &where) const
{
    const auto &maps = m_document->mapModels();
    if (value.isDouble()) {
        const double index = value.toDouble();
        if (index != std::floor(index) || index < 0 || index >= static_cast<double>(maps.size()))
            fail(where, QStringLiteral("no map at index %1 (the document has %2 maps)").arg(index).arg(maps.size()));
        return maps[static_cast<std::size_t>(index)];
    }
    if (value.isString()) {
        const QString name = value.toString();
        std::shared_ptr<Map> found;
        int matches = 0;
        for (const auto &map : maps) {
            if (map->name() == name) {
                found = found ? found : map;
                ++matches;
            }
        }
        if (matches == 0)
            fail(where, QStringLiteral("no map named %1").arg(quoted(name)));
        if (matches > 1)
            fail(where,
                 QStringLiteral("%1 maps are named %2; refer to the map by its index").arg(matches).arg(quoted(name)));
        return found;
    }
    wrongType(where, QStringLiteral("a map index or name"), value);
}

void Reader::readFocusMap(const QJsonObject &root)
{
    const QJsonValue value = root.value(QStringLiteral("focusMap"));
    if (!value.isUndefined())
        m_document->setFocusMap(mapReference(value, QStringLiteral("focusMap")));
}

void Reader::readActiveView(const QJsonObject &root)
{
    const QString where = QStringLiteral("activeView");
    const QJsonValue value = root.value(where);
    if (value.isUndefined())
        return;
    if (!value.isString())
        wrongType(where, QStringLiteral("\"data\" or \"layout\""), value);
    if (value.toString() == QLatin1String("data"))
        m_document->setActiveViewKind(Document::ViewKind::Data);
    else if (value.toString() == QLatin1String("layout"))
        m_document->setActiveViewKind(Document::ViewKind::Layout);
    else
        fail(where, QStringLiteral("unknown view %1 (expected \"data\" or \"layout\")").arg(quoted(value.toString())));
}

void Reader::readPageLayout(const QJsonObject &root)
{
    const QString where = QStringLiteral("pageLayout");
    const QJsonValue value = root.value(where);
    if (value.isUndefined())
        return;
    const QJsonObject layout = toObject(value, where);
    m_document->pageLayoutModel()->setOtherFields(
        otherFields(layout, {QStringLiteral("units"), QStringLiteral("size"), QStringLiteral("elements")},
                    {{QStringLiteral("size"), {QStringLiteral("width"), QStringLiteral("height")}}}));

    const QJsonValue units = layout.value(QStringLiteral("units"));
    if (!units.isUndefined()) {
        const QString place = child(where, QStringLiteral("units"));
        if (!units.isString())
            wrongType(place, QStringLiteral("\"mm\" or \"cm\""), units);
        if (units.toString() == QLatin1String("cm"))
            m_unitMm = 10.0;
        else if (units.toString() != QLatin1String("mm"))
            fail(place, QStringLiteral("unknown unit %1 (expected \"mm\" or \"cm\")").arg(quoted(units.toString())));
    }

    const QJsonValue size = layout.value(QStringLiteral("size"));
    if (!size.isUndefined()) {
        const QString place = child(where, QStringLiteral("size"));
        const QJsonObject object = toObject(size, place);
        const double limit = kMaxPageMm / m_unitMm;
        const double width =
            number(required(object, QStringLiteral("width"), place), child(place, QStringLiteral("width")), 0, limit);
        const double height =
            number(required(object, QStringLiteral("height"), place), child(place, QStringLiteral("height")), 0, limit);
        if (width <= 0 || height <= 0)
            fail(place, QStringLiteral("the page needs a width and a height above zero"));
        m_document->pageLayoutModel()->setPageSize(QSizeF(width * m_unitMm, height * m_unitMm));
    }

    const QString elementsPlace = child(where, QStringLiteral("elements"));
    const QJsonArray elements = optionalArray(layout, QStringLiteral("elements"), where);
    // Map frames first, so that a map surround may name a frame that comes after it.
    collectMapFrames(elements, elementsPlace, 1);
    for (qsizetype i = 0; i < elements.size(); ++i)
        m_document->pageLayoutModel()->addElement(readElement(elements[i], item(elementsPlace, i), 1));
}

QRectF Reader::readGeometry(const QJsonObject &object, const QString &where) const
{
    const QString place = child(where, QStringLiteral("geometry"));
    const QJsonObject geometry = toObject(required(object, QStringLiteral("geometry"), where), place);
    const double limit = kMaxPageMm / m_unitMm;
    const auto coordinate = [&](const char *key, double low) {
        const QString name = QLatin1String(key);
        return number(required(geometry, name, place), child(place, name), low, limit) * m_unitMm;
    };
    const double x = coordinate("x", -limit);
    const double y = coordinate("y", -limit);
    const double width = coordinate("width", 0);
    const double height = coordinate("height", 0);
    return QRectF(x, y, width, height);
}

void Reader::collectMapFrames(const QJsonArray &elements, const QString &where, int depth)
{
    for (qsizetype i = 0; i < elements.size(); ++i) {
        const QString place = item(where, i);
        const QJsonObject object = toObject(elements[i], place);
        const QString type = requiredString(object, QStringLiteral("type"), place);
        if (type == QLatin1String("group")) {
            if (depth > DocumentReader::MaxNesting)
                fail(place,
                     QStringLiteral("group elements are nested deeper than %1 levels").arg(DocumentReader::MaxNesting));
            collectMapFrames(optionalArray(object, QStringLiteral("elements"), place),
                             child(place, QStringLiteral("elements")), depth + 1);
        } else if (type == QLatin1String("mapFrame")) {
            const QString id = requiredString(object, QStringLiteral("id"), place);
            if (id.isEmpty())
                fail(child(place, QStringLiteral("id")), QStringLiteral("a map frame needs an id"));
            if (m_framesById.contains(id))
                fail(child(place, QStringLiteral("id")),
                     QStringLiteral("another map frame has the id %1").arg(quoted(id)));
            const auto map =
                mapReference(required(object, QStringLiteral("map"), place), child(place, QStringLiteral("map")));
            auto frame = std::make_shared<MapFrameElement>(id, map, readGeometry(object, place));
            m_framesById.insert(id, frame);
            m_framesByPlace.insert(place, frame);
        }
    }
}

std::shared_ptr<Element> Reader::readElement(const QJsonValue &value, const QString &where, int depth) const
{
    std::shared_ptr<Element> element = readElementFields(value, where, depth);
    QStringList known{QStringLiteral("type"), QStringLiteral("geometry")};
    switch (element->kind()) {
    case Element::Kind::MapFrame:
        known << QStringLiteral("id") << QStringLiteral("map");
        break;
    case Element::Kind::MapSurroundFrame:
        known << QStringLiteral("kind") << QStringLiteral("mapFrame");
        break;
    case Element::Kind::Group:
        known << QStringLiteral("elements");
        break;
    case Element::Kind::Text:
        known << QStringLiteral("text") << QStringLiteral("fontSize");
        break;
    }
    const bool placed = element->kind() != Element::Kind::Group;
    element->setOtherFields(
        otherFields(value.toObject(), known,
                    placed ? QList<std::pair<QString, QStringList>>{{QStringLiteral("geometry"), kGeometryFields}}
                           : QList<std::pair<QString, QStringList>>{}));
    return element;
}

std::shared_ptr<Element> Reader::readElementFields(const QJsonValue &value, const QString &where, int depth) const
{
    const QJsonObject object = toObject(value, where);
    const QString type = requiredString(object, QStringLiteral("type"), where);
    if (type == QLatin1String("mapFrame"))
        return m_framesByPlace.value(where);
    if (type == QLatin1String("mapSurround")) {
        const QString frameId = requiredString(object, QStringLiteral("mapFrame"), where);
        const auto frame = m_framesById.value(frameId);
        if (!frame)
            fail(child(where, QStringLiteral("mapFrame")),
                 QStringLiteral("no map frame has the id %1").arg(quoted(frameId)));
        const QString kind = requiredString(object, QStringLiteral("kind"), where);
        std::shared_ptr<MapSurround> surround;
        if (kind == QLatin1String("legend"))
            surround = std::make_shared<Legend>(frame->mapModel());
        else if (kind == QLatin1String("northArrow"))
            surround = std::make_shared<NorthArrow>(frame->mapModel());
        else if (kind == QLatin1String("scaleBar"))
            surround = std::make_shared<ScaleBar>(frame->mapModel());
        else
            fail(child(where, QStringLiteral("kind")),
                 QStringLiteral("unknown map surround %1 (expected \"legend\", \"northArrow\" or \"scaleBar\")")
                     .arg(quoted(kind)));
        return std::make_shared<MapSurroundFrameElement>(frame, surround, readGeometry(object, where));
    }
    if (type == QLatin1String("group")) {
        // The nesting was checked while the map frames were collected.
        auto group = std::make_shared<GroupElement>();
        const QString membersPlace = child(where, QStringLiteral("elements"));
        const QJsonArray members = optionalArray(object, QStringLiteral("elements"), where);
        for (qsizetype i = 0; i < members.size(); ++i)
            group->addElement(readElement(members[i], item(membersPlace, i), depth + 1));
        return group;
    }
    if (type == QLatin1String("text")) {
        double pointSize = TextElement::DefaultPointSize;
        const QJsonValue size = object.value(QStringLiteral("fontSize"));
        if (!size.isUndefined())
            pointSize = number(size, child(where, QStringLiteral("fontSize")), 1, kMaxFontSize);
        return std::make_shared<TextElement>(requiredString(object, QStringLiteral("text"), where),
                                             readGeometry(object, where), pointSize);
    }
    fail(child(where, QStringLiteral("type")),
         QStringLiteral("unknown element type %1 (expected \"mapFrame\", \"mapSurround\", \"group\" or \"text\")")
             .arg(quoted(type)));
}

} // namespace

QString DocumentReader::notLoadedText()
{
    return QStringLiteral("not loaded: reading the document was cancelled");
}

std::shared_ptr<Document> DocumentReader::read(const QString &path, const Progress &progress)
{
    const auto load = readStructure(path);
    load->readAll(progress);
    return load->document();
}

std::shared_ptr<DocumentLoad> DocumentReader::readStructure(const QString &path)
{
    const QFileInfo info(path);
    const QString file = info.absoluteFilePath();
    if (!info.exists())
        throw DocumentError(file, QStringLiteral("the file does not exist"));
    if (!info.isFile())
        throw DocumentError(file, QStringLiteral("not a regular file"));
    if (info.size() > MaxFileSize)
        throw DocumentError(file, QStringLiteral("the file is too large for a map document (%1 bytes, at most %2)")
                                      .arg(info.size())
                                      .arg(MaxFileSize));
    QFile input(file);
    if (!input.open(QIODevice::ReadOnly))
        throw DocumentError(file, QStringLiteral("cannot open the file: %1").arg(input.errorString()));
    const QByteArray json = input.read(MaxFileSize + 1);
    if (input.error() != QFileDevice::NoError)
        throw DocumentError(file, QStringLiteral("cannot read the file: %1").arg(input.errorString()));
    if (json.size() > MaxFileSize)
        throw DocumentError(file, QStringLiteral("the file is too large for a map document"));

    auto load = structureFromJson(json, file, info.absolutePath());
    load->document()->setFilePath(file);
    return load;
}

std::shared_ptr<Document> DocumentReader::fromJson(const QByteArray &json, const QString &fileName,
                                                   const QString &baseDir, const Progress &progress)
{
    const auto load = structureFromJson(json, fileName, baseDir);
    load->readAll(progress);
    return load->document();
}

std::shared_ptr<DocumentLoad> DocumentReader::structureFromJson(const QByteArray &json, const QString &fileName,
                                                                const QString &baseDir)
{
    return Reader(fileName, baseDir).read(json);
}

} // namespace mapdesk
