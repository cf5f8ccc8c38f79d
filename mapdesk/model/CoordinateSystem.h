#pragma once

#include <QPointF>
#include <QString>

#include <memory>
#include <vector>

namespace mapdesk {

/// A coordinate reference system, as GDAL/OSR knows it, held as its WKT so
/// that it is a plain value. Axes are always taken in the traditional GIS
/// order: x east (or longitude), y north (or latitude). An empty system
/// means none is known.
class CoordinateSystem
{
public:
    /// No known system.
    CoordinateSystem() = default;

    /// The system `text` names: "EPSG:27700", WKT or a PROJ string (anything
    /// OSR reads). Empty, with the fault in `error`, when it names none.
    static CoordinateSystem fromDefinition(const QString &text, QString *error = nullptr);

    bool isValid() const { return !m_wkt.isEmpty(); }
    /// As the document stores it: "AUTHORITY:CODE" when the system is exactly
    /// one of an authority's, else its WKT.
    QString definition() const;
    QString wkt() const { return m_wkt; }
    /// Its name, such as "OSGB36 / British National Grid"; empty when none is known.
    QString name() const;
    /// Whether coordinates are longitudes and latitudes (in degrees).
    bool isGeographic() const;
    /// Metres per unit of a projected system's axes; for a geographic system,
    /// metres per degree along the equator.
    double metresPerUnit() const;
    /// The same system (OSR's judgement, whatever the WKT's spelling).
    bool sameAs(const CoordinateSystem &other) const;

private:
    explicit CoordinateSystem(QString wkt) : m_wkt(std::move(wkt)) {}
    friend class Reprojection;
    friend class CoordinateSystemReader;

    QString m_wkt;
};

/// Reads the coordinate system GDAL found for a data set (".prj",
/// GeoPackage, GeoTIFF, GeoJSON's WGS 84). For the model's readers only.
class CoordinateSystemReader
{
public:
    /// From an OGRSpatialReference (passed as void, to keep GDAL out of headers); null: none.
    static CoordinateSystem fromSpatialReference(const void *spatialReference);
};

/// Moves coordinates from one system into another (OGRCoordinateTransformation).
/// Between two equal systems, or when either is unknown, coordinates stay as they are.
class Reprojection
{
public:
    Reprojection(const CoordinateSystem &from, const CoordinateSystem &to);
    ~Reprojection();
    Reprojection(const Reprojection &) = delete;
    Reprojection &operator=(const Reprojection &) = delete;

    /// Why the systems cannot be converted; empty when they can.
    QString error() const { return m_error; }
    /// Whether coordinates change at all.
    bool isIdentity() const { return !m_transform; }
    /// Converts the points in place; false (with error()) when any fails.
    bool apply(std::vector<double> &xs, std::vector<double> &ys);
    QPointF map(const QPointF &point, bool *ok = nullptr);

private:
    struct Transform;
    std::unique_ptr<Transform> m_transform;
    QString m_error;
};

} // namespace mapdesk
