#pragma once

#include <QString>

namespace mapdesk {

/// What the model needs of GDAL around every read: the drivers registered
/// once, GDAL's own error printing silenced for the duration of a read, and
/// the last GDAL error as text. Reads may run on any thread: GDAL keeps the
/// error handlers and the last error per thread, and each read opens its own
/// data set.
class GdalSupport
{
public:
    /// Silences GDAL's error output and clears the last error while it lives.
    class QuietErrors
    {
    public:
        QuietErrors();
        ~QuietErrors();
        QuietErrors(const QuietErrors &) = delete;
        QuietErrors &operator=(const QuietErrors &) = delete;
    };

    /// How the model's readings open a data set, set for the calling thread
    /// while it lives: GDAL lists no folder to learn a file's neighbours (it
    /// asks for each side file it wants, where a folder of thousands of
    /// layers would be listed at every opening), and a GeoPackage is opened
    /// without SpatiaLite's SQL functions, which reading features never uses.
    class OpeningSettings
    {
    public:
        OpeningSettings();
        ~OpeningSettings();
        OpeningSettings(const OpeningSettings &) = delete;
        OpeningSettings &operator=(const OpeningSettings &) = delete;

    private:
        char *m_readdir;
        char *m_spatialite;
    };

    /// The GDAL drivers feature layers read with: only formats of plain local
    /// files, never a driver that reaches out to a server or pulls in other
    /// files named inside the data. A null-terminated list, as GDAL takes it.
    static const char *const *vectorDrivers();
    /// The GDAL drivers raster layers read with (no VRT, which can name any file).
    static const char *const *rasterDrivers();

    /// Registers GDAL's drivers on first use.
    static void ensureRegistered();
    /// GDAL's last error message, or `fallback` when GDAL gave none.
    static QString lastError(const QString &fallback);
    /// The data files a layer may name are plain local files: checks that
    /// `path` is an existing, readable regular file (so that GDAL is never
    /// handed a device, a pipe or one of its virtual or network paths).
    /// Returns the fault, or an empty text when the file is fine.
    static QString checkLocalFile(const QString &path);
};

} // namespace mapdesk
