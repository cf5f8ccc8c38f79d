#include "GdalSupport.h"

#include <QFileInfo>

#include <cpl_conv.h>
#include <cpl_error.h>
#include <gdal.h>

#include <mutex>

#include <sqlite3.h>

namespace mapdesk {

namespace {
const char *const kVectorDrivers[] = {"GeoJSON", "ESRI Shapefile", "GPKG", "FlatGeobuf", nullptr};
const char *const kRasterDrivers[] = {"GTiff", "PNG", "JPEG", "GIF", "BMP", nullptr};
} // namespace

const char *const *GdalSupport::vectorDrivers()
{
    return kVectorDrivers;
}

const char *const *GdalSupport::rasterDrivers()
{
    return kRasterDrivers;
}

GdalSupport::QuietErrors::QuietErrors()
{
    CPLPushErrorHandler(CPLQuietErrorHandler);
    CPLErrorReset();
}

GdalSupport::QuietErrors::~QuietErrors()
{
    CPLPopErrorHandler();
}

namespace {

/// The calling thread's own setting of `key`, copied; null when it has none.
char *threadSetting(const char *key)
{
    const char *value = CPLGetThreadLocalConfigOption(key, nullptr);
    return value ? CPLStrdup(value) : nullptr;
}

void restoreSetting(const char *key, char *value)
{
    CPLSetThreadLocalConfigOption(key, value);
    CPLFree(value);
}

} // namespace

GdalSupport::OpeningSettings::OpeningSettings()
    : m_readdir(threadSetting("GDAL_DISABLE_READDIR_ON_OPEN")), m_spatialite(threadSetting("SPATIALITE_LOAD"))
{
    CPLSetThreadLocalConfigOption("GDAL_DISABLE_READDIR_ON_OPEN", "TRUE");
    CPLSetThreadLocalConfigOption("SPATIALITE_LOAD", "NO");
}

GdalSupport::OpeningSettings::~OpeningSettings()
{
    restoreSetting("GDAL_DISABLE_READDIR_ON_OPEN", m_readdir);
    restoreSetting("SPATIALITE_LOAD", m_spatialite);
}

void GdalSupport::ensureRegistered()
{
    static std::once_flag registered;
    std::call_once(registered, [] {
        // SQLite counts every allocation under one lock for the whole
        // process: GeoPackages and PROJ's database read on several threads
        // at once waited on it for a tenth of their time. Nothing here reads
        // the counts. Only takes effect before SQLite's first use.
        sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
        GDALAllRegister();
    });
}

QString GdalSupport::lastError(const QString &fallback)
{
    const char *message = CPLGetLastErrorMsg();
    if (message && *message)
        return QString::fromUtf8(message);
    return fallback;
}

QString GdalSupport::checkLocalFile(const QString &path)
{
    if (path.isEmpty())
        return QStringLiteral("the layer names no data file");
    const QFileInfo info(path);
    if (!info.exists())
        return QStringLiteral("data file not found: %1").arg(path);
    if (!info.isFile())
        return QStringLiteral("not a regular file: %1").arg(path);
    if (!info.isReadable())
        return QStringLiteral("data file not readable: %1").arg(path);
    return {};
}

} // namespace mapdesk
