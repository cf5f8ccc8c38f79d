#include "CoordinateSystem.h"

#include "GdalSupport.h"

#include <cpl_conv.h>
#include <ogr_spatialref.h>

#include <cmath>

namespace mapdesk {

namespace {

/// OSR's reference for `wkt`, with x east and y north whatever the system's own axis order.
std::unique_ptr<OGRSpatialReference> referenceOf(const QString &wkt)
{
    auto reference = std::make_unique<OGRSpatialReference>();
    reference->SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    if (wkt.isEmpty() || reference->importFromWkt(wkt.toUtf8().constData()) != OGRERR_NONE)
        return nullptr;
    return reference;
}

QString wktOf(const OGRSpatialReference &reference)
{
    char *text = nullptr;
    const char *const options[] = {"FORMAT=WKT2_2019", nullptr};
    if (reference.exportToWkt(&text, options) != OGRERR_NONE || !text) {
        CPLFree(text);
        return {};
    }
    const QString wkt = QString::fromUtf8(text);
    CPLFree(text);
    return wkt;
}

} // namespace

CoordinateSystem CoordinateSystem::fromDefinition(const QString &text, QString *error)
{
    GdalSupport::ensureRegistered();
    const GdalSupport::QuietErrors quiet;
    OGRSpatialReference reference;
    // Only definitions in the text itself: no file or URL is read.
    const char *const options[] = {"ALLOW_NETWORK_ACCESS=NO", "ALLOW_FILE_ACCESS=NO", nullptr};
    if (text.trimmed().isEmpty()
        || reference.SetFromUserInput(text.trimmed().toUtf8().constData(), options) != OGRERR_NONE) {
        if (error)
            *error = QStringLiteral("\"%1\" is no coordinate system mapdesk knows (%2)")
                         .arg(text.trimmed(), GdalSupport::lastError(QStringLiteral("not understood")));
        return {};
    }
    return CoordinateSystem(wktOf(reference));
}

QString CoordinateSystem::definition() const
{
    const auto reference = referenceOf(m_wkt);
    if (!reference)
        return {};
    const char *authority = reference->GetAuthorityName(nullptr);
    const char *code = reference->GetAuthorityCode(nullptr);
    if (authority && code) {
        // Only when the authority's system is this very one.
        const QString named = QStringLiteral("%1:%2").arg(QString::fromUtf8(authority), QString::fromUtf8(code));
        if (fromDefinition(named).sameAs(*this))
            return named;
    }
    return m_wkt;
}

QString CoordinateSystem::name() const
{
    const auto reference = referenceOf(m_wkt);
    return reference && reference->GetName() ? QString::fromUtf8(reference->GetName()) : QString();
}

bool CoordinateSystem::isGeographic() const
{
    const auto reference = referenceOf(m_wkt);
    return reference && reference->IsGeographic();
}

double CoordinateSystem::metresPerUnit() const
{
    const auto reference = referenceOf(m_wkt);
    if (!reference)
        return 1.0;
    if (reference->IsGeographic()) {
        // A degree along the equator of the system's ellipsoid.
        const double radius = reference->GetSemiMajor();
        const double radiansPerUnit = reference->GetAngularUnits();
        return radius * radiansPerUnit;
    }
    const double metres = reference->GetLinearUnits();
    return metres > 0 ? metres : 1.0;
}

bool CoordinateSystem::sameAs(const CoordinateSystem &other) const
{
    if (m_wkt == other.m_wkt)
        return true;
    const auto mine = referenceOf(m_wkt);
    const auto theirs = referenceOf(other.m_wkt);
    const char *const options[] = {"IGNORE_DATA_AXIS_TO_SRS_AXIS_MAPPING=YES", "CRITERION=EQUIVALENT", nullptr};
    return mine && theirs && mine->IsSame(theirs.get(), options);
}

CoordinateSystem CoordinateSystemReader::fromSpatialReference(const void *spatialReference)
{
    if (!spatialReference)
        return {};
    return CoordinateSystem(wktOf(*static_cast<const OGRSpatialReference *>(spatialReference)));
}

struct Reprojection::Transform
{
    std::unique_ptr<OGRCoordinateTransformation> transformation;
};

Reprojection::Reprojection(const CoordinateSystem &from, const CoordinateSystem &to)
{
    if (!from.isValid() || !to.isValid() || from.sameAs(to))
        return;
    GdalSupport::ensureRegistered();
    const GdalSupport::QuietErrors quiet;
    const auto source = referenceOf(from.wkt());
    const auto target = referenceOf(to.wkt());
    std::unique_ptr<OGRCoordinateTransformation> transformation(
        source && target ? OGRCreateCoordinateTransformation(source.get(), target.get()) : nullptr);
    if (!transformation) {
        m_error = QStringLiteral("no transformation from %1 to %2: %3")
                      .arg(from.name(), to.name(), GdalSupport::lastError(QStringLiteral("unknown reason")));
        return;
    }
    m_transform = std::make_unique<Transform>();
    m_transform->transformation = std::move(transformation);
}

Reprojection::~Reprojection() = default;

bool Reprojection::apply(std::vector<double> &xs, std::vector<double> &ys)
{
    if (!m_transform || xs.empty())
        return m_error.isEmpty();
    std::vector<int> success(xs.size(), 0);
    const std::vector<double> givenXs = xs;
    const std::vector<double> givenYs = ys;
    const GdalSupport::QuietErrors quiet;
    const bool done = m_transform->transformation->Transform(static_cast<std::size_t>(xs.size()), xs.data(), ys.data(),
                                                             nullptr, success.data());
    for (std::size_t i = 0; i < xs.size(); ++i) {
        if (!done || !success[i] || !std::isfinite(xs[i]) || !std::isfinite(ys[i])) {
            m_error = QStringLiteral("the point (%1, %2) cannot be converted: %3")
                          .arg(givenXs[i])
                          .arg(givenYs[i])
                          .arg(GdalSupport::lastError(QStringLiteral("outside the area of the systems")));
            return false;
        }
    }
    return true;
}

QPointF Reprojection::map(const QPointF &point, bool *ok)
{
    std::vector<double> xs{point.x()};
    std::vector<double> ys{point.y()};
    const bool converted = apply(xs, ys);
    if (ok)
        *ok = converted;
    return converted ? QPointF(xs[0], ys[0]) : point;
}

} // namespace mapdesk
