#include "DataFile.h"

#include "FeatureLayer.h"
#include "GdalSupport.h"
#include "RasterLayer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <gdal.h>
#include <gdal_priv.h>
#include <ogrsf_frmts.h>

namespace mapdesk {

namespace {

/// One filter entry per driver of `drivers`, collecting every pattern in `all`.
void addFormats(const char *const *drivers, QStringList &formats, QStringList &all)
{
    for (const char *const *name = drivers; *name; ++name) {
        GDALDriverH driver = GDALGetDriverByName(*name);
        if (!driver)
            continue;
        QStringList patterns;
        const QString extensions = QString::fromUtf8(GDALGetMetadataItem(driver, GDAL_DMD_EXTENSIONS, nullptr));
        for (const QString &extension : extensions.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            patterns << QStringLiteral("*.") + extension.toLower();
            if (extension.toLower() != extension.toUpper())
                patterns << QStringLiteral("*.") + extension.toUpper();
        }
        if (patterns.isEmpty())
            continue;
        const QString longName = QString::fromUtf8(GDALGetMetadataItem(driver, GDAL_DMD_LONGNAME, nullptr));
        formats << QStringLiteral("%1 (%2)").arg(longName.isEmpty() ? QString::fromUtf8(*name) : longName,
                                                 patterns.join(QLatin1Char(' ')));
        for (const QString &pattern : patterns)
            if (!all.contains(pattern))
                all << pattern;
    }
}

bool identifies(const QString &path, unsigned flags, const char *const *drivers)
{
    const GdalSupport::QuietErrors quiet;
    return GDALIdentifyDriverEx(QFile::encodeName(path).constData(), flags, drivers, nullptr) != nullptr;
}

} // namespace

bool DataFile::isDocument(const QString &path)
{
    return path.endsWith(QLatin1String(".mapdesk.json"), Qt::CaseInsensitive);
}

QString DataFile::dialogFilter()
{
    GdalSupport::ensureRegistered();
    QStringList formats;
    QStringList all;
    addFormats(GdalSupport::vectorDrivers(), formats, all);
    addFormats(GdalSupport::rasterDrivers(), formats, all);
    formats.prepend(QStringLiteral("Data files (%1)").arg(all.join(QLatin1Char(' '))));
    formats << QStringLiteral("All files (*)");
    return formats.join(QStringLiteral(";;"));
}

QString DataFile::layerName(const QString &path)
{
    const QFileInfo info(path);
    const QString name = info.completeBaseName();
    return name.isEmpty() ? info.fileName() : name;
}

QStringList DataFile::datasetLayers(const QString &path)
{
    QStringList names;
    if (isDocument(path) || !GdalSupport::checkLocalFile(path).isEmpty())
        return names;
    GdalSupport::ensureRegistered();
    const GdalSupport::QuietErrors quiet;
    const GDALDatasetUniquePtr dataset(GDALDataset::Open(
        QFile::encodeName(path).constData(), GDAL_OF_VECTOR | GDAL_OF_READONLY, GdalSupport::vectorDrivers()));
    if (!dataset)
        return names;
    for (OGRLayer *layer : dataset->GetLayers())
        names << QString::fromUtf8(layer->GetName());
    return names;
}

std::shared_ptr<Layer> DataFile::open(const QString &path, const QString &datasetLayer, QString *error)
{
    const QString absolute = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    const auto fail = [&](const QString &why) -> std::shared_ptr<Layer> {
        // The readers' own messages mostly name the file already.
        if (error)
            *error =
                why.contains(absolute) ? why : QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(absolute), why);
        return nullptr;
    };
    if (isDocument(absolute))
        return fail(QStringLiteral("a map document, not data; open it with File > Open"));
    if (const QString fault = GdalSupport::checkLocalFile(absolute); !fault.isEmpty())
        return fail(fault);

    GdalSupport::ensureRegistered();
    // A file that only a raster driver knows is an image; everything else is
    // tried as vector data, whose reader says best what is wrong with it.
    const bool raster = identifies(absolute, GDAL_OF_RASTER, GdalSupport::rasterDrivers())
                        && !identifies(absolute, GDAL_OF_VECTOR, GdalSupport::vectorDrivers());
    if (raster) {
        auto layer = std::make_shared<RasterLayer>(layerName(absolute), absolute);
        if (!layer->load())
            return fail(layer->errorText());
        return layer;
    }
    auto layer = std::make_shared<FeatureLayer>(datasetLayer.isEmpty() ? layerName(absolute) : datasetLayer, absolute);
    layer->setDatasetLayer(datasetLayer);
    if (!layer->load())
        return fail(layer->errorText());
    return layer;
}

} // namespace mapdesk
