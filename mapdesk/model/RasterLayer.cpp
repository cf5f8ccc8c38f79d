#include "RasterLayer.h"

#include "GdalSupport.h"

#include <QFile>

#include <gdal_priv.h>
#include <gdal_utils.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

namespace mapdesk {

namespace {

// Sides beyond this are refused outright: no real image here is that large,
// and a hostile header should not make GDAL plan huge reads.
constexpr int kMaxSourceSide = 1'000'000;

struct Plane
{
    std::vector<float> values;
    std::vector<bool> valid; // false where the band has no data
};

// Reads one band into an outWidth x outHeight grid (GDAL reduces when smaller).
std::optional<Plane> readBand(GDALRasterBand *band, int width, int height, int outWidth, int outHeight)
{
    Plane plane;
    plane.values.resize(static_cast<std::size_t>(outWidth) * static_cast<std::size_t>(outHeight));
    if (band->RasterIO(GF_Read, 0, 0, width, height, plane.values.data(), outWidth, outHeight, GDT_Float32, 0, 0)
        != CE_None)
        return std::nullopt;
    int hasNoData = 0;
    const double noData = band->GetNoDataValue(&hasNoData);
    plane.valid.resize(plane.values.size());
    for (std::size_t i = 0; i < plane.values.size(); ++i)
        plane.valid[i] =
            std::isfinite(plane.values[i]) && !(hasNoData && plane.values[i] == static_cast<float>(noData));
    return plane;
}

// Byte bands keep their values; other types are stretched from their
// smallest to their largest valid value.
std::vector<int> toBytes(const Plane &plane, GDALDataType type)
{
    std::vector<int> bytes(plane.values.size(), 0);
    if (type == GDT_Byte) {
        for (std::size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = plane.valid[i] ? std::clamp(static_cast<int>(plane.values[i]), 0, 255) : 0;
        return bytes;
    }
    float low = 0;
    float high = 0;
    bool any = false;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (!plane.valid[i])
            continue;
        low = any ? std::min(low, plane.values[i]) : plane.values[i];
        high = any ? std::max(high, plane.values[i]) : plane.values[i];
        any = true;
    }
    const double span = static_cast<double>(high) - static_cast<double>(low);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (plane.valid[i] && span > 0)
            bytes[i] = std::clamp(static_cast<int>(std::lround((plane.values[i] - low) / span * 255.0)), 0, 255);
    }
    return bytes;
}

GDALDatasetUniquePtr openRaster(const QString &path)
{
    GdalSupport::ensureRegistered();
    const GdalSupport::OpeningSettings settings;
    return GDALDatasetUniquePtr(GDALDataset::Open(QFile::encodeName(path).constData(),
                                                  GDAL_OF_RASTER | GDAL_OF_READONLY, GdalSupport::rasterDrivers()));
}

} // namespace

RasterLayer::RasterLayer(QString name, QString sourcePath, bool visible)
    : Layer(std::move(name), visible), m_sourcePath(std::move(sourcePath))
{
}

RasterLayer::~RasterLayer() = default;

void RasterLayer::setSourcePath(const QString &path)
{
    m_sourcePath = path;
}

void RasterLayer::setNotLoaded(const QString &reason)
{
    m_image = QImage();
    m_levels.reset();
    m_extent.reset();
    m_errorText = reason;
}

QString RasterLayer::setMapCoordinateSystem(const CoordinateSystem &map)
{
    if (map.sameAs(m_mapSystem) && map.isValid() == m_mapSystem.isValid())
        return {};
    // The image is read again only when it was or is to be warped.
    const auto warpedInto = [this](const CoordinateSystem &system) {
        return m_dataSystem.isValid() && system.isValid() && !m_dataSystem.sameAs(system);
    };
    if (const Reprojection check(m_dataSystem, map); !check.error().isEmpty())
        return check.error();
    const CoordinateSystem before = m_mapSystem;
    const bool readAgain = warpedInto(before) || warpedInto(map);
    m_mapSystem = map;
    if (!readAgain)
        return {};
    // Read again, warped into the new system; an image not read stays unread.
    if (m_sourcePath.isEmpty() || m_image.isNull() || load())
        return {};
    const QString fault = m_errorText;
    m_mapSystem = before;
    load();
    return fault;
}

QString RasterLayer::warningText() const
{
    if (!m_sourcePath.isEmpty() && m_errorText.isEmpty() && !m_dataSystem.isValid() && m_mapSystem.isValid())
        return QStringLiteral("%1 names no coordinate system; it is drawn as if in the map's (%2)")
            .arg(m_sourcePath, m_mapSystem.name());
    return {};
}

RasterLayer::ReadResult RasterLayer::read(const QString &path, const CoordinateSystem &mapSystem)
{
    ReadResult result;
    result.mapSystem = mapSystem;
    result.errorText = GdalSupport::checkLocalFile(path);
    if (!result.errorText.isEmpty())
        return result;

    const GdalSupport::QuietErrors quiet;
    const GDALDatasetUniquePtr opened = openRaster(path);
    const auto fail = [&result](const QString &fault) {
        result.errorText = fault;
        return std::move(result);
    };
    if (!opened)
        return fail(QStringLiteral("cannot read %1 as an image: %2")
                        .arg(path, GdalSupport::lastError(QStringLiteral("unknown format"))));
    result.dataSystem = CoordinateSystemReader::fromSpatialReference(opened->GetSpatialRef());

    // An image in another system than the map's is read through a warped
    // virtual data set in the map's system, transparent outside the image.
    GDALDatasetUniquePtr warped;
    if (result.dataSystem.isValid() && mapSystem.isValid() && !result.dataSystem.sameAs(mapSystem)) {
        if (const Reprojection check(result.dataSystem, mapSystem); !check.error().isEmpty())
            return fail(QStringLiteral("cannot draw %1 in the map's coordinate system: %2").arg(path, check.error()));
        const QByteArray target = mapSystem.wkt().toUtf8();
        const char *arguments[] = {"-of", "VRT", "-t_srs", target.constData(), "-dstalpha", "-r", "bilinear", nullptr};
        GDALWarpAppOptions *options = GDALWarpAppOptionsNew(const_cast<char **>(arguments), nullptr);
        GDALDatasetH source = GDALDataset::ToHandle(opened.get());
        int usageError = 0;
        warped.reset(GDALDataset::FromHandle(GDALWarp("", nullptr, 1, &source, options, &usageError)));
        GDALWarpAppOptionsFree(options);
        if (!warped)
            return fail(QStringLiteral("cannot draw %1 in the map's coordinate system: %2")
                            .arg(path, GdalSupport::lastError(QStringLiteral("the image cannot be warped"))));
    }
    GDALDataset *dataset = warped ? warped.get() : opened.get();

    const int width = dataset->GetRasterXSize();
    const int height = dataset->GetRasterYSize();
    const int bandCount = dataset->GetRasterCount();
    if (width <= 0 || height <= 0 || bandCount < 1)
        return fail(QStringLiteral("%1 holds no image").arg(path));
    if (width > kMaxSourceSide || height > kMaxSourceSide)
        return fail(QStringLiteral("%1 is too large (%2 x %3 pixels)").arg(path).arg(width).arg(height));

    const double reduce = std::max(1.0, static_cast<double>(std::max(width, height)) / RasterLayer::MaxImageSide);
    const int outWidth = std::max(1, static_cast<int>(width / reduce));
    const int outHeight = std::max(1, static_cast<int>(height / reduce));

    // Which bands make the picture: palette, grey (+ alpha) or RGB (+ alpha).
    GDALRasterBand *first = dataset->GetRasterBand(1);
    const GDALColorTable *palette = bandCount < 3 ? first->GetColorTable() : nullptr;
    std::vector<GDALRasterBand *> colourBands{first};
    if (bandCount >= 3)
        colourBands = {first, dataset->GetRasterBand(2), dataset->GetRasterBand(3)};
    GDALRasterBand *alphaBand = nullptr;
    for (int b = 2; b <= bandCount; ++b) {
        if (dataset->GetRasterBand(b)->GetColorInterpretation() == GCI_AlphaBand)
            alphaBand = dataset->GetRasterBand(b);
    }
    if (!alphaBand && bandCount == 4)
        alphaBand = dataset->GetRasterBand(4);

    std::vector<Plane> planes;
    std::vector<std::vector<int>> bytes;
    for (GDALRasterBand *band : colourBands) {
        auto plane = readBand(band, width, height, outWidth, outHeight);
        if (!plane)
            return fail(QStringLiteral("cannot read the pixels of %1: %2")
                            .arg(path, GdalSupport::lastError(QStringLiteral("read error"))));
        bytes.push_back(toBytes(*plane, band->GetRasterDataType()));
        planes.push_back(std::move(*plane));
    }
    std::vector<int> alpha;
    if (alphaBand) {
        const auto plane = readBand(alphaBand, width, height, outWidth, outHeight);
        if (!plane)
            return fail(QStringLiteral("cannot read the pixels of %1: %2")
                            .arg(path, GdalSupport::lastError(QStringLiteral("read error"))));
        alpha = toBytes(*plane, alphaBand->GetRasterDataType());
    }

    // Premultiplied, as drawing wants it, so that taking it costs nothing on the layer's thread.
    QImage image(outWidth, outHeight, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < outHeight; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < outWidth; ++x) {
            const std::size_t i =
                static_cast<std::size_t>(y) * static_cast<std::size_t>(outWidth) + static_cast<std::size_t>(x);
            const bool valid = planes.front().valid[i];
            QRgb colour = qRgba(0, 0, 0, 0);
            if (valid && palette) {
                const float index = planes.front().values[i];
                const GDALColorEntry *entry = index >= 0 && index < palette->GetColorEntryCount()
                                                  ? palette->GetColorEntry(static_cast<int>(index))
                                                  : nullptr;
                if (entry)
                    colour = qRgba(entry->c1, entry->c2, entry->c3, entry->c4);
            } else if (valid && bytes.size() == 3) {
                colour = qRgb(bytes[0][i], bytes[1][i], bytes[2][i]);
            } else if (valid) {
                colour = qRgb(bytes[0][i], bytes[0][i], bytes[0][i]);
            }
            if (valid && !alpha.empty())
                colour = qRgba(qRed(colour), qGreen(colour), qBlue(colour), alpha[i]);
            line[x] = qPremultiply(colour);
        }
    }

    // Place the image by its geotransform; without one it covers one map unit per pixel.
    double transform[6];
    if (dataset->GetGeoTransform(transform) != CE_None) {
        const double unplaced[6] = {0, 1, 0, static_cast<double>(height), 0, -1};
        std::copy(std::begin(unplaced), std::end(unplaced), std::begin(transform));
    }
    if (!std::all_of(std::begin(transform), std::end(transform), [](double v) { return std::isfinite(v); }))
        return fail(QStringLiteral("%1 has an invalid geotransform").arg(path));
    if (transform[2] != 0 || transform[4] != 0)
        return fail(QStringLiteral("%1 is rotated, which mapdesk cannot draw").arg(path));
    if (transform[1] == 0 || transform[5] == 0)
        return fail(QStringLiteral("%1 has an invalid geotransform").arg(path));

    // Rows run south to north or columns east to west: mirror into a north-up image.
    const bool eastToWest = transform[1] < 0;
    const bool southToNorth = transform[5] > 0;
    image = image.mirrored(eastToWest, southToNorth);
    const double x0 = transform[0];
    const double x1 = transform[0] + width * transform[1];
    const double y0 = transform[3];
    const double y1 = transform[3] + height * transform[5];
    result.extent = QRectF(QPointF(std::min(x0, x1), std::min(y0, y1)), QPointF(std::max(x0, x1), std::max(y0, y1)));
    // Made ready for drawing here, off the layer's thread.
    result.image = ImageLevels::forDrawing(image);
    result.sourceSize = QSize(width, height);
    return result;
}

CoordinateSystem RasterLayer::readCoordinateSystem(const QString &path)
{
    if (!GdalSupport::checkLocalFile(path).isEmpty())
        return {};
    const GdalSupport::QuietErrors quiet;
    const GDALDatasetUniquePtr opened = openRaster(path);
    return opened ? CoordinateSystemReader::fromSpatialReference(opened->GetSpatialRef()) : CoordinateSystem();
}

void RasterLayer::install(ReadResult result)
{
    m_levels = result.image.isNull() ? nullptr : std::make_shared<const ImageLevels>(result.image);
    m_image = m_levels ? m_levels->image() : QImage();
    m_sourceSize = result.sourceSize;
    m_extent = result.extent;
    m_dataSystem = result.dataSystem;
    m_mapSystem = result.mapSystem;
    m_errorText = result.errorText;
}

bool RasterLayer::load()
{
    install(read(m_sourcePath, m_mapSystem));
    return m_errorText.isEmpty();
}

void RasterLayer::setImage(const QImage &image, const QRectF &extent)
{
    m_levels = image.isNull() ? nullptr : std::make_shared<const ImageLevels>(image);
    m_image = m_levels ? m_levels->image() : QImage();
    m_sourceSize = image.size();
    m_extent = extent;
    m_errorText.clear();
}

} // namespace mapdesk
