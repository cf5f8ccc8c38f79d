#include "FeatureLayer.h"

#include "GdalSupport.h"

#include <QFile>
#include <QStringList>

#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include <cmath>
#include <limits>

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

} // namespace

QString FeatureLayer::setMapCoordinateSystem(const CoordinateSystem &map)
{
    Reprojection reprojection(m_dataSystem, map);
    if (!reprojection.error().isEmpty())
        return reprojection.error();
    std::vector<Feature> converted = m_sourceFeatures;
    if (!reprojection.isIdentity()) {
        std::vector<double> xs;
        std::vector<double> ys;
        forEachPoint(converted, [&](QPointF &point) {
            xs.push_back(point.x());
            ys.push_back(point.y());
        });
        if (!reprojection.apply(xs, ys))
            return reprojection.error();
        std::size_t next = 0;
        forEachPoint(converted, [&](QPointF &point) {
            point = QPointF(xs[next], ys[next]);
            ++next;
        });
    }
    m_mapSystem = map;
    m_data = std::make_shared<FeatureData>(std::move(converted));
    return {};
}

bool FeatureLayer::load()
{
    m_sourceFeatures.clear();
    m_data = std::make_shared<FeatureData>();
    m_dataSystem = {};
    m_skipped = 0;
    m_stoppedAt.clear();
    m_errorText = GdalSupport::checkLocalFile(m_sourcePath);
    if (!m_errorText.isEmpty())
        return false;

    GdalSupport::ensureRegistered();
    const GdalSupport::QuietErrors quiet;
    const GDALDatasetUniquePtr dataset(GDALDataset::Open(
        QFile::encodeName(m_sourcePath).constData(), GDAL_OF_VECTOR | GDAL_OF_READONLY, GdalSupport::vectorDrivers()));
    if (!dataset) {
        m_errorText = QStringLiteral("cannot read %1 as vector data: %2")
                          .arg(m_sourcePath, GdalSupport::lastError(QStringLiteral("unknown format")));
        return false;
    }
    if (dataset->GetLayerCount() < 1) {
        m_errorText = QStringLiteral("%1 holds no feature layer").arg(m_sourcePath);
        return false;
    }
    OGRLayer *source =
        m_datasetLayer.isEmpty() ? dataset->GetLayer(0) : dataset->GetLayerByName(m_datasetLayer.toUtf8().constData());
    if (!source) {
        m_errorText = QStringLiteral("%1 holds no layer named \"%2\"").arg(m_sourcePath, m_datasetLayer);
        return false;
    }
    m_dataSystem = CoordinateSystemReader::fromSpatialReference(source->GetSpatialRef());
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
                m_stoppedAt = firstFault;
            break;
        }
        if (failed)
            ++skipped;
        else
            features.push_back(convert(*feature));
    }
    if (features.empty() && !firstFault.isEmpty()) {
        m_stoppedAt.clear();
        m_errorText = QStringLiteral("cannot read the features of %1: %2").arg(m_sourcePath, firstFault);
        return false;
    }
    m_skipped = skipped;
    m_sourceFeatures = std::move(features);
    if (const QString fault = setMapCoordinateSystem(m_mapSystem); !fault.isEmpty()) {
        setNotLoaded(QStringLiteral("cannot draw %1 in the map's coordinate system: %2").arg(m_sourcePath, fault));
        return false;
    }
    return true;
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
