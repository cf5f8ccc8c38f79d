#include "DocumentWriter.h"

#include "Document.h"
#include "DocumentError.h"
#include "DocumentReader.h"
#include "FeatureLayer.h"
#include "GroupElement.h"
#include "GroupLayer.h"
#include "Map.h"
#include "MapCollection.h"
#include "MapFrameElement.h"
#include "MapSurround.h"
#include "MapSurroundFrameElement.h"
#include "PageLayout.h"
#include "RasterLayer.h"
#include "TextElement.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QSet>
#include <QStorageInfo>

namespace mapdesk {

namespace {

/// `written` over the fields kept from the file: what mapdesk writes wins,
/// and an object it writes keeps the kept object's other fields.
QJsonObject overKept(QJsonObject kept, const QJsonObject &written)
{
    for (auto field = written.begin(); field != written.end(); ++field) {
        const QJsonValue old = kept.value(field.key());
        if (old.isObject() && field.value().isObject())
            kept.insert(field.key(), overKept(old.toObject(), field.value().toObject()));
        else
            kept.insert(field.key(), field.value());
    }
    return kept;
}

/// The mount point of the volume that holds `path`, found from its nearest
/// existing folder (the file itself need not exist).
QString volumeOf(const QString &path)
{
    QString existing = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    while (!QFileInfo::exists(existing) && !QDir(existing).isRoot())
        existing = QFileInfo(existing).absolutePath();
    const QStorageInfo volume(existing);
    return volume.isValid() ? volume.rootPath() : QDir(existing).rootPath();
}

/// One writing of one document.
class Writer
{
public:
    Writer(Document &document, QString baseDir, QString fileName)
        : m_document(document), m_baseDir(std::move(baseDir)), m_fileName(std::move(fileName))
    {
    }

    QJsonObject write();

private:
    [[noreturn]] void fail(const QString &fault) const { throw DocumentError(m_fileName, fault); }

    QJsonObject writeLayer(Layer &layer, int depth) const;
    QString relativeSource(const QString &source, const QString &layerName) const;
    void assignFrameIds(const std::vector<std::shared_ptr<Element>> &elements, int depth);
    QJsonObject writeElement(const std::shared_ptr<Element> &element, int depth) const;
    QJsonObject writeElementFields(const std::shared_ptr<Element> &element, int depth) const;
    static QJsonObject writeGeometry(const QRectF &rect);

    Document &m_document;
    QString m_baseDir;
    QString m_fileName;
    QHash<const MapFrameElement *, QString> m_frameIds;
    QSet<QString> m_usedIds;
};

QJsonObject Writer::write()
{
    const auto &maps = m_document.mapModels();
    QJsonArray mapArray;
    for (const auto &map : maps) {
        QJsonArray layers;
        for (const auto &layer : map->layers())
            layers.append(writeLayer(*layer, 1));
        QJsonObject object{{QStringLiteral("name"), map->name()}, {QStringLiteral("layers"), layers}};
        if (const CoordinateSystem system = map->coordinateSystem(); system.isValid())
            object.insert(QStringLiteral("coordinateSystem"), system.definition());
        mapArray.append(overKept(map->otherFields(), object));
    }

    const auto layout = m_document.pageLayoutModel();
    assignFrameIds(layout->elements(), 1);
    QJsonArray elements;
    for (const auto &element : layout->elements())
        elements.append(writeElement(element, 1));

    QJsonObject root{
        {QStringLiteral("version"), 1},
        {QStringLiteral("maps"), mapArray},
        {QStringLiteral("activeView"),
         m_document.activeViewKind() == Document::ViewKind::Layout ? QStringLiteral("layout") : QStringLiteral("data")},
        {QStringLiteral("pageLayout"),
         overKept(
             layout->otherFields(),
             QJsonObject{{QStringLiteral("units"), QStringLiteral("mm")},
                         {QStringLiteral("size"), QJsonObject{{QStringLiteral("width"), layout->pageSize().width()},
                                                              {QStringLiteral("height"), layout->pageSize().height()}}},
                         {QStringLiteral("elements"), elements}})},
    };
    if (const auto focus = m_document.focusMapModel())
        root.insert(QStringLiteral("focusMap"), m_document.mapCollection()->indexOf(focus.get()));
    return overKept(m_document.otherFields(), root);
}

QJsonObject Writer::writeLayer(Layer &layer, int depth) const
{
    QJsonObject object{{QStringLiteral("name"), layer.name()}, {QStringLiteral("visible"), layer.visible()}};
    switch (layer.kind()) {
    case Layer::Kind::Feature:
        object.insert(QStringLiteral("type"), QStringLiteral("feature"));
        object.insert(QStringLiteral("source"),
                      relativeSource(static_cast<FeatureLayer &>(layer).sourcePath(), layer.name()));
        if (const QString table = static_cast<FeatureLayer &>(layer).datasetLayer(); !table.isEmpty())
            object.insert(QStringLiteral("layer"), table);
        if (static_cast<FeatureLayer &>(layer).hasOwnSymbol()) {
            const Symbol symbol = static_cast<FeatureLayer &>(layer).symbol();
            object.insert(QStringLiteral("symbol"),
                          QJsonObject{{QStringLiteral("colour"), symbol.colour.name(QColor::HexRgb)},
                                      {QStringLiteral("lineWidth"), symbol.lineWidth},
                                      {QStringLiteral("pointSize"), symbol.pointSize}});
        }
        break;
    case Layer::Kind::Raster:
        object.insert(QStringLiteral("type"), QStringLiteral("raster"));
        object.insert(QStringLiteral("source"),
                      relativeSource(static_cast<RasterLayer &>(layer).sourcePath(), layer.name()));
        break;
    case Layer::Kind::Group: {
        if (depth > DocumentReader::MaxNesting)
            fail(QStringLiteral("group layers nested deeper than %1 levels cannot be saved")
                     .arg(DocumentReader::MaxNesting));
        QJsonArray members;
        for (const auto &member : static_cast<GroupLayer &>(layer).members())
            members.append(writeLayer(*member, depth + 1));
        object.insert(QStringLiteral("type"), QStringLiteral("group"));
        object.insert(QStringLiteral("layers"), members);
        break;
    }
    }
    return overKept(layer.otherFields(), object);
}

QString Writer::relativeSource(const QString &source, const QString &layerName) const
{
    if (source.isEmpty())
        fail(QStringLiteral("the layer \"%1\" has no data file and cannot be saved").arg(layerName));
    // Data on the document's own volume is written relative to it, beside,
    // below or above it, so that a project folder moved or copied whole
    // still finds its data; data on another volume (a removable disk, a
    // network share) keeps its absolute path, which no relative one could
    // follow.
    const QString relative = QDir(m_baseDir).relativeFilePath(source);
    if (QDir::isAbsolutePath(relative) || volumeOf(m_baseDir) != volumeOf(source))
        return QDir::cleanPath(QFileInfo(source).absoluteFilePath());
    return relative;
}

void Writer::assignFrameIds(const std::vector<std::shared_ptr<Element>> &elements, int depth)
{
    if (depth > DocumentReader::MaxNesting)
        fail(QStringLiteral("group elements nested deeper than %1 levels cannot be saved")
                 .arg(DocumentReader::MaxNesting));
    for (const auto &element : elements) {
        if (const auto group = std::dynamic_pointer_cast<GroupElement>(element)) {
            assignFrameIds(group->elements(), depth + 1);
        } else if (const auto frame = std::dynamic_pointer_cast<MapFrameElement>(element)) {
            // Keep the frame's own id unless it is empty or taken; then make one up.
            QString id = frame->id();
            for (int n = 1; id.isEmpty() || m_usedIds.contains(id); ++n)
                id = QStringLiteral("frame%1").arg(n);
            m_usedIds.insert(id);
            m_frameIds.insert(frame.get(), id);
        }
    }
}

QJsonObject Writer::writeGeometry(const QRectF &rect)
{
    return QJsonObject{{QStringLiteral("x"), rect.x()},
                       {QStringLiteral("y"), rect.y()},
                       {QStringLiteral("width"), rect.width()},
                       {QStringLiteral("height"), rect.height()}};
}

QJsonObject Writer::writeElement(const std::shared_ptr<Element> &element, int depth) const
{
    return overKept(element->otherFields(), writeElementFields(element, depth));
}

QJsonObject Writer::writeElementFields(const std::shared_ptr<Element> &element, int depth) const
{
    switch (element->kind()) {
    case Element::Kind::MapFrame: {
        const auto &frame = static_cast<MapFrameElement &>(*element);
        const int index = m_document.mapCollection()->indexOf(frame.mapModel().get());
        if (index < 0)
            fail(QStringLiteral("the map frame \"%1\" shows a map that is not in the document").arg(frame.id()));
        return QJsonObject{{QStringLiteral("type"), QStringLiteral("mapFrame")},
                           {QStringLiteral("id"), m_frameIds.value(&frame)},
                           {QStringLiteral("map"), index},
                           {QStringLiteral("geometry"), writeGeometry(frame.bounds())}};
    }
    case Element::Kind::MapSurroundFrame: {
        const auto &surroundFrame = static_cast<MapSurroundFrameElement &>(*element);
        const auto mapFrame = surroundFrame.mapFrameModel();
        if (!mapFrame || !m_frameIds.contains(mapFrame.get()))
            fail(QStringLiteral("a map surround is tied to a map frame that is not on the page layout"));
        QString kind;
        switch (surroundFrame.surroundModel()->kind()) {
        case MapSurround::Kind::Legend:
            kind = QStringLiteral("legend");
            break;
        case MapSurround::Kind::NorthArrow:
            kind = QStringLiteral("northArrow");
            break;
        case MapSurround::Kind::ScaleBar:
            kind = QStringLiteral("scaleBar");
            break;
        }
        return QJsonObject{{QStringLiteral("type"), QStringLiteral("mapSurround")},
                           {QStringLiteral("kind"), kind},
                           {QStringLiteral("mapFrame"), m_frameIds.value(mapFrame.get())},
                           {QStringLiteral("geometry"), writeGeometry(surroundFrame.bounds())}};
    }
    case Element::Kind::Group: {
        QJsonArray members;
        for (const auto &member : static_cast<GroupElement &>(*element).elements())
            members.append(writeElement(member, depth + 1));
        return QJsonObject{{QStringLiteral("type"), QStringLiteral("group")}, {QStringLiteral("elements"), members}};
    }
    case Element::Kind::Text: {
        const auto &text = static_cast<TextElement &>(*element);
        return QJsonObject{{QStringLiteral("type"), QStringLiteral("text")},
                           {QStringLiteral("text"), text.text()},
                           {QStringLiteral("fontSize"), text.pointSize()},
                           {QStringLiteral("geometry"), writeGeometry(text.bounds())}};
    }
    }
    fail(QStringLiteral("an element of an unknown kind cannot be saved"));
}

} // namespace

void DocumentWriter::write(Document &document, const QString &path)
{
    const QFileInfo info(path);
    const QString file = info.absoluteFilePath();
    const QByteArray json = toJson(document, info.absolutePath(), file);
    // Unbuffered, so that a write the disk refuses fails the save instead of
    // a short document being committed over the whole one.
    QSaveFile output(file);
    if (!output.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        throw DocumentError(file, QStringLiteral("cannot save: %1").arg(output.errorString()));
    if (output.write(json) != json.size() || !output.commit())
        throw DocumentError(file, QStringLiteral("cannot save: %1").arg(output.errorString()));
}

QByteArray DocumentWriter::toJson(Document &document, const QString &baseDir, const QString &fileName)
{
    return QJsonDocument(Writer(document, baseDir, fileName).write()).toJson(QJsonDocument::Indented);
}

} // namespace mapdesk
