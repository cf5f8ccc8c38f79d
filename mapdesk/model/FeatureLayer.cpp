#include "FeatureLayer.h"

#include "GdalSupport.h"
#include "SystemsFound.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include <cmath>
#include <limits>
#include <optional>

namespace mapdesk {

namespace {

// Collections inside collections are rare; a bound keeps hostile data from
// exhausting the stack.
constexpr int kMaxGeometryDepth = 32;

bool finite(double x, double y)
{
    return std::isfinite(x) && std::isfinite(y);
}

void addLineString(QPainterPath &path, const OGRLineString *line, bool close)
{
    bool started = false;
    const int n = line->getNumPoints();
    for (int i = 0; i < n; ++i) {
        const double x = line->getX(i);
        const double y = line->getY(i);
        if (!finite(x, y))
            continue;
        if (started) {
            path.lineTo(x, y);
        } else {
            path.moveTo(x, y);
            started = true;
        }
    }
    if (started && close)
        path.closeSubpath();
}

void addGeometry(const OGRGeometry *geometry, Feature &feature, int depth)
{
    if (!geometry || geometry->IsEmpty() || depth > kMaxGeometryDepth)
        return;
    if (geometry->hasCurveGeometry()) {
        const std::unique_ptr<OGRGeometry> linear(geometry->getLinearGeometry());
        if (linear && !linear->hasCurveGeometry())
            addGeometry(linear.get(), feature, depth + 1);
        return;
    }
    switch (wkbFlatten(geometry->getGeometryType())) {
    case wkbPoint: {
        const OGRPoint *point = geometry->toPoint();
        if (finite(point->getX(), point->getY()))
            feature.points.append(QPointF(point->getX(), point->getY()));
        break;
    }
    case wkbLineString:
        addLineString(feature.lines, geometry->toLineString(), false);
        break;
    case wkbPolygon:
        for (const OGRLinearRing *ring : *geometry->toPolygon())
            addLineString(feature.areas, ring, true);
        break;
    case wkbMultiPoint:
    case wkbMultiLineString:
    case wkbMultiPolygon:
    case wkbGeometryCollection:
        for (const OGRGeometry *part : *geometry->toGeometryCollection())
            addGeometry(part, feature, depth + 1);
        break;
    default:
        // Surfaces of triangles and the like are not drawn.
        break;
    }
}

QVariant fieldValue(const OGRFeature &source, int index)
{
    switch (source.GetFieldDefnRef(index)->GetType()) {
    case OFTInteger:
        return source.GetFieldAsInteger(index);
    case OFTInteger64:
        return static_cast<qlonglong>(source.GetFieldAsInteger64(index));
    case OFTReal:
        return source.GetFieldAsDouble(index);
    default:
        return QString::fromUtf8(source.GetFieldAsString(index));
    }
}

Feature convert(const OGRFeature &source)
{
    Feature feature;
    feature.areas.setFillRule(Qt::OddEvenFill);
    addGeometry(source.GetGeometryRef(), feature, 0);
    for (int i = 0; i < source.GetFieldCount(); ++i) {
        if (source.IsFieldSetAndNotNull(i))
            feature.attributes.insert(QString::fromUtf8(source.GetFieldDefnRef(i)->GetNameRef()),
                                      fieldValue(source, i));
    }
    return feature;
}

} // namespace

FeatureLayer::FeatureLayer(QString name, QString sourcePath, bool visible)
    : Layer(std::move(name), visible), m_sourcePath(std::move(sourcePath)), m_data(std::make_shared<FeatureData>())
{
}

FeatureLayer::~FeatureLayer() = default;

void FeatureLayer::setSourcePath(const QString &path)
{
    m_sourcePath = path;
}

void FeatureLayer::setNotLoaded(const QString &reason)
{
    m_sourceFeatures.clear();
    m_data = std::make_shared<FeatureData>();
    m_errorText = reason;
}

namespace {

/// Every point of the features, in order, into and out of coordinate lists.
template <typename Visit> void forEachPoint(std::vector<Feature> &features, const Visit &visit)
{
    for (Feature &feature : features) {
        for (QPainterPath *path : {&feature.areas, &feature.lines}) {
            for (int i = 0; i < path->elementCount(); ++i) {
                const QPainterPath::Element element = path->elementAt(i);
                QPointF point(element.x, element.y);
                visit(point);
                path->setElementPositionAt(i, point.x(), point.y());
            }
        }
        for (QPointF &point : feature.points)
            visit(point);
    }
}

/// Converts `features` from `data` into `map` in place; the fault, or empty when done.
QString convertInto(std::vector<Feature> &features, const CoordinateSystem &data, const CoordinateSystem &map)
{
    Reprojection reprojection(data, map);
    if (!reprojection.error().isEmpty())
        return reprojection.error();
    if (reprojection.isIdentity())
        return {};
    std::vector<double> xs;
    std::vector<double> ys;
    forEachPoint(features, [&](QPointF &point) {
        xs.push_back(point.x());
        ys.push_back(point.y());
    });
    if (!reprojection.apply(xs, ys))
        return reprojection.error();
    std::size_t next = 0;
    forEachPoint(features, [&](QPointF &point) {
        point = QPointF(xs[next], ys[next]);
        ++next;
    });
    return {};
}

} // namespace

QString FeatureLayer::setMapCoordinateSystem(const CoordinateSystem &map)
{
    std::vector<Feature> converted = m_sourceFeatures;
    if (const QString fault = convertInto(converted, m_dataSystem, map); !fault.isEmpty())
        return fault;
    m_mapSystem = map;
    m_data = std::make_shared<FeatureData>(std::move(converted));
    return {};
}

namespace {

/// The source's layer of an open data set, or the fault.
OGRLayer *sourceLayer(GDALDataset &dataset, const QString &path, const QString &datasetLayer, QString &fault)
{
    if (dataset.GetLayerCount() < 1) {
        fault = QStringLiteral("%1 holds no feature layer").arg(path);
        return nullptr;
    }
    OGRLayer *source =
        datasetLayer.isEmpty() ? dataset.GetLayer(0) : dataset.GetLayerByName(datasetLayer.toUtf8().constData());
    if (!source)
        fault = QStringLiteral("%1 holds no layer named \"%2\"").arg(path, datasetLayer);
    return source;
}

GDALDatasetUniquePtr openVector(const QString &path)
{
    GdalSupport::ensureRegistered();
    const GdalSupport::OpeningSettings settings;
    return GDALDatasetUniquePtr(GDALDataset::Open(QFile::encodeName(path).constData(),
                                                  GDAL_OF_VECTOR | GDAL_OF_READONLY, GdalSupport::vectorDrivers()));
}

/// What a Shapefile's side file says of its coordinate system, as the key
/// of the system found for it: the ".prj" file's bytes, "none" without one,
/// null for any other data or a side file that cannot be read.
QByteArray systemKey(const QString &path)
{
    const QFileInfo info(path);
    if (info.suffix().compare(QLatin1String("shp"), Qt::CaseInsensitive) != 0)
        return {};
    // Where GDAL looks for it, in its order.
    for (const QString &suffix : {QStringLiteral("prj"), QStringLiteral("PRJ")}) {
        QFile side(info.path() + QLatin1Char('/') + info.completeBaseName() + QLatin1Char('.') + suffix);
        if (!side.exists())
            continue;
        if (!side.open(QIODevice::ReadOnly))
            return {};
        return QByteArrayLiteral("prj:") + side.readAll();
    }
    return QByteArrayLiteral("none");
}

/// The layer's system: the one found before for the same side file, else
/// GDAL's (which, for a ".prj", searches PROJ's database), kept in `found`.
class SystemLookup
{
public:
    SystemLookup(const QString &path, SystemsFound *found)
        : m_found(found), m_key(found ? systemKey(path) : QByteArray())
    {
        if (!m_key.isNull())
            m_known = m_found->find(m_key);
        // GDAL's own search is wasted on a system found before.
        if (m_known)
            m_noSearch.emplace("USE_OSR_FIND_MATCHES", "NO", true);
    }

    CoordinateSystem of(OGRLayer &source)
    {
        if (m_known)
            return *m_known;
        CoordinateSystem system = CoordinateSystemReader::fromSpatialReference(source.GetSpatialRef());
        if (!m_key.isNull())
            m_found->keep(m_key, system);
        return system;
    }

private:
    SystemsFound *m_found;
    QByteArray m_key;
    std::optional<CoordinateSystem> m_known;
    std::optional<CPLConfigOptionSetter> m_noSearch;
};

/// The features of the source as read, in their own system.
FeatureLayer::ReadResult readSource(const QString &path, const QString &datasetLayer, SystemsFound *found)
{
    FeatureLayer::ReadResult result;
    result.errorText = GdalSupport::checkLocalFile(path);
    if (!result.errorText.isEmpty())
        return result;
    const GdalSupport::QuietErrors quiet;
    SystemLookup system(path, found);
    const GDALDatasetUniquePtr dataset = openVector(path);
    if (!dataset) {
        result.errorText = QStringLiteral("cannot read %1 as vector data: %2")
                               .arg(path, GdalSupport::lastError(QStringLiteral("unknown format")));
        return result;
    }
    OGRLayer *source = sourceLayer(*dataset, path, datasetLayer, result.errorText);
    if (!source)
        return result;
    result.dataSystem = system.of(*source);
    source->ResetReading();
    // Each feature is read on its own: one that cannot be read is left out
    // and counted, and the others are kept.
    std::vector<Feature> features;
    int skipped = 0;
    QString firstFault;
    for (;;) {
        CPLErrorReset();
        const OGRFeatureUniquePtr feature(source->GetNextFeature());
        const bool failed = CPLGetLastErrorType() >= CE_Failure;
        if (failed && firstFault.isEmpty())
            firstFault = GdalSupport::lastError(QStringLiteral("read error"));
        if (!feature) {
            // The reading stopped: at the end, or at a fault it cannot pass.
            if (failed)
                result.stoppedAt = firstFault;
            break;
        }
        if (failed)
            ++skipped;
        else
            features.push_back(convert(*feature));
    }
    if (features.empty() && !firstFault.isEmpty()) {
        result.stoppedAt.clear();
        result.errorText = QStringLiteral("cannot read the features of %1: %2").arg(path, firstFault);
        return result;
    }
    result.skipped = skipped;
    result.sourceFeatures = std::move(features);
    return result;
}

} // namespace

FeatureLayer::ReadResult FeatureLayer::read(const QString &path, const QString &datasetLayer,
                                            const CoordinateSystem &mapSystem, SystemsFound *found)
{
    ReadResult result = readSource(path, datasetLayer, found);
    result.mapSystem = mapSystem;
    // Data that cannot be drawn in the map's system is not shown, whether or not it was read.
    std::vector<Feature> converted = result.sourceFeatures;
    if (const QString fault = convertInto(converted, result.dataSystem, mapSystem); !fault.isEmpty()) {
        result.sourceFeatures.clear();
        result.errorText = QStringLiteral("cannot draw %1 in the map's coordinate system: %2").arg(path, fault);
        return result;
    }
    if (result.errorText.isEmpty())
        result.data = std::make_shared<FeatureData>(std::move(converted));
    return result;
}

CoordinateSystem FeatureLayer::readCoordinateSystem(const QString &path, const QString &datasetLayer,
                                                    SystemsFound *found)
{
    if (!GdalSupport::checkLocalFile(path).isEmpty())
        return {};
    const GdalSupport::QuietErrors quiet;
    SystemLookup system(path, found);
    const GDALDatasetUniquePtr dataset = openVector(path);
    QString fault;
    OGRLayer *source = dataset ? sourceLayer(*dataset, path, datasetLayer, fault) : nullptr;
    return source ? system.of(*source) : CoordinateSystem();
}

void FeatureLayer::install(ReadResult result)
{
    m_sourceFeatures = std::move(result.sourceFeatures);
    m_data = std::move(result.data);
    m_dataSystem = result.dataSystem;
    m_mapSystem = result.mapSystem;
    m_skipped = result.skipped;
    m_stoppedAt = result.stoppedAt;
    m_errorText = result.errorText;
}

bool FeatureLayer::load()
{
    install(read(m_sourcePath, m_datasetLayer, m_mapSystem));
    return m_errorText.isEmpty();
}

Symbol FeatureLayer::symbol() const
{
    if (m_symbol)
        return *m_symbol;
    Symbol fallback;
    fallback.colour = Symbol::paletteColour(0);
    return fallback;
}

QString FeatureLayer::warningText() const
{
    QStringList warnings;
    if (m_skipped == 1)
        warnings << QStringLiteral("1 feature of %1 could not be read and is not shown").arg(m_sourcePath);
    else if (m_skipped > 1)
        warnings
            << QStringLiteral("%1 features of %2 could not be read and are not shown").arg(m_skipped).arg(m_sourcePath);
    if (!m_sourcePath.isEmpty() && m_errorText.isEmpty() && !m_dataSystem.isValid() && m_mapSystem.isValid())
        warnings << QStringLiteral("%1 names no coordinate system; it is drawn as if in the map's (%2)")
                        .arg(m_sourcePath, m_mapSystem.name());
    if (!m_stoppedAt.isEmpty())
        warnings << QStringLiteral("reading %1 stopped after %2 features at a fault: %3")
                        .arg(m_sourcePath)
                        .arg(m_data->features().size() + static_cast<std::size_t>(m_skipped))
                        .arg(m_stoppedAt);
    return warnings.join(QLatin1Char('\n'));
}

void FeatureLayer::setFeatures(std::vector<Feature> features)
{
    m_dataSystem = {};
    m_sourceFeatures = features;
    m_data = std::make_shared<FeatureData>(std::move(features));
    m_errorText.clear();
    m_skipped = 0;
    m_stoppedAt.clear();
}

} // namespace mapdesk
