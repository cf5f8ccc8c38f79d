#include "QgisLayoutExport.h"

#include "HostError.h"
#include "QgisSetSource.h"

#include <qgslayoutatlas.h>
#include <qgslayoutexporter.h>
#include <qgslayoutitemmap.h>
#include <qgslayoutmanager.h>
#include <qgsprintlayout.h>
#include <qgsproject.h>

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QSignalBlocker>

#include <memory>

namespace quarnelqgis {

namespace {

/// Room left in a file name of 255 bytes for " (99)", "-9999" and the extension.
constexpr int kMaxBaseBytes = 230;

QString resultText(QgsLayoutExporter::ExportResult result)
{
    switch (result) {
    case QgsLayoutExporter::Success:
        return {};
    case QgsLayoutExporter::Canceled:
        return QStringLiteral("The export was cancelled.");
    case QgsLayoutExporter::MemoryError:
        return QStringLiteral("There was not enough memory to draw the layout.");
    case QgsLayoutExporter::FileError:
        return QStringLiteral("The file could not be written.");
    case QgsLayoutExporter::PrintError:
        return QStringLiteral("The PDF could not be made.");
    case QgsLayoutExporter::SvgLayerError:
        return QStringLiteral("The SVG layers could not be made.");
    case QgsLayoutExporter::IteratorError:
        return QStringLiteral("The atlas could not be prepared.");
    }
    return QStringLiteral("The export failed.");
}

/// Whether a map item shows a theme of its own, by name or data-defined.
bool followsTheme(const QgsLayoutItemMap &map)
{
    return map.followVisibilityPreset() || map.dataDefinedProperties().isActive(QgsLayoutObject::MapStylePreset);
}

QString withoutExtension(const QString &path)
{
    return path.left(path.lastIndexOf(QLatin1Char('.')));
}

} // namespace

QString QgisLayoutExport::extensionOf(Format format)
{
    switch (format) {
    case Format::Png:
        return QStringLiteral("png");
    case Format::Svg:
        return QStringLiteral("svg");
    case Format::Pdf:
        break;
    }
    return QStringLiteral("pdf");
}

QString QgisLayoutExport::fileNameFor(const QString &setName, Format format)
{
    static const QString forbidden = QStringLiteral("/\\:*?\"<>|");
    QString base;
    base.reserve(setName.size());
    for (const QChar c : setName)
        base += (c.unicode() < 0x20 || c.unicode() == 0x7f || forbidden.contains(c)) ? QLatin1Char('_') : c;
    base = base.trimmed();
    // Never a hidden file, "." or "..".
    for (int i = 0; i < base.size() && base.at(i) == QLatin1Char('.'); ++i)
        base[i] = QLatin1Char('_');
    while (base.toUtf8().size() > kMaxBaseBytes) {
        base.chop(1);
        if (!base.isEmpty() && QChar(base.back()).isHighSurrogate())
            base.chop(1);
    }
    if (base.isEmpty())
        base = QStringLiteral("_");
    return base + QLatin1Char('.') + extensionOf(format);
}

QStringList QgisLayoutExport::layoutNames(const QgsProject *project)
{
    QStringList names;
    if (project)
        for (const QgsPrintLayout *layout : project->layoutManager()->printLayouts())
            names << layout->name();
    return names;
}

QString QgisLayoutExport::Outcome::summary() const
{
    QStringList lines;
    lines << (written.size() == 1 ? QStringLiteral("1 file written.")
                                  : QStringLiteral("%1 files written.").arg(written.size()));
    if (skipped > 0)
        lines << QStringLiteral("%1 existing file(s) kept.").arg(skipped);
    if (cancelled)
        lines << QStringLiteral("Cancelled before the last set.");
    lines << failures;
    return lines.join(QLatin1Char('\n'));
}

QString QgisLayoutExport::exportTo(QgsPrintLayout &layout, const QString &path, Format format,
                                   QStringList *written) const
{
    QgsLayoutAtlas *atlas = layout.atlas();
    QgsLayoutExporter exporter(&layout);
    QgsLayoutExporter::ExportResult result = QgsLayoutExporter::Success;
    if (atlas && atlas->enabled()) {
        QString error;
        if (format == Format::Pdf) {
            // The whole atlas in one file of many pages.
            result = QgsLayoutExporter::exportToPdf(atlas, path, QgsLayoutExporter::PdfExportSettings(), error);
            if (result == QgsLayoutExporter::Success)
                *written << path;
            return result == QgsLayoutExporter::Success ? QString() : (error.isEmpty() ? resultText(result) : error);
        }
        // Images hold one page each: "<set>-<n>" for the atlas's n-th feature.
        if (!atlas->beginRender() || atlas->count() == 0)
            return QStringLiteral("The atlas has no features.");
        for (int i = 0; i < atlas->count() && result == QgsLayoutExporter::Success; ++i) {
            if (!atlas->seekTo(i))
                return QStringLiteral("The atlas could not go to feature %1.").arg(i + 1);
            const QString page =
                QStringLiteral("%1-%2.%3").arg(withoutExtension(path)).arg(i + 1).arg(extensionOf(format));
            result = format == Format::Png ? exporter.exportToImage(page, QgsLayoutExporter::ImageExportSettings())
                                           : exporter.exportToSvg(page, QgsLayoutExporter::SvgExportSettings());
            if (result == QgsLayoutExporter::Success)
                *written << page;
        }
        atlas->endRender();
        return resultText(result);
    }
    switch (format) {
    case Format::Pdf:
        result = exporter.exportToPdf(path, QgsLayoutExporter::PdfExportSettings());
        break;
    case Format::Png:
        result = exporter.exportToImage(path, QgsLayoutExporter::ImageExportSettings());
        break;
    case Format::Svg:
        result = exporter.exportToSvg(path, QgsLayoutExporter::SvgExportSettings());
        break;
    }
    if (result == QgsLayoutExporter::Success)
        *written << path;
    return resultText(result);
}

QgisLayoutExport::Outcome QgisLayoutExport::run(const Request &request)
{
    Outcome outcome;
    const int total = int(request.sets.size());
    QgsProject *project = m_sets.project();
    QgsPrintLayout *original =
        project ? dynamic_cast<QgsPrintLayout *>(project->layoutManager()->layoutByName(request.layout)) : nullptr;
    if (!original) {
        outcome.failures << QStringLiteral("There is no print layout \"%1\".").arg(request.layout);
        return outcome;
    }
    const QDir folder(request.folder);
    if (request.folder.isEmpty() || !QDir().mkpath(folder.absolutePath())) {
        outcome.failures << QStringLiteral("The folder \"%1\" cannot be made.").arg(request.folder);
        return outcome;
    }

    // One file for each set; two sets whose names make the same file name
    // get numbered files.
    QStringList paths;
    QSet<QString> taken;
    for (const QString &set : request.sets) {
        QString name = fileNameFor(set, request.format);
        const QString stem = withoutExtension(name);
        for (int n = 2; taken.contains(name); ++n)
            name = QStringLiteral("%1 (%2).%3").arg(stem).arg(n).arg(extensionOf(request.format));
        taken.insert(name);
        paths << folder.absoluteFilePath(name);
    }
    QStringList existing;
    for (const QString &path : paths)
        if (QFileInfo::exists(path))
            existing << path;
    Existing onExisting = Existing::Replace;
    if (!existing.isEmpty() && askExisting)
        onExisting = askExisting(existing);
    if (onExisting == Existing::Cancel) {
        outcome.cancelled = true;
        return outcome;
    }

    // The copy's maps are given each set's layers in turn; the project's own
    // layout is never touched.
    // Building the copy counts as a change of the project in QGIS's eyes;
    // nobody hears of it, and a project saved before stays saved.
    std::unique_ptr<QgsPrintLayout> copy;
    {
        const bool wasDirty = project->isDirty();
        const QSignalBlocker quiet(project);
        copy.reset(original->clone());
        if (!wasDirty)
            project->setDirty(false);
    }
    QList<QgsLayoutItemMap *> maps;
    copy->layoutItems(maps);

    for (int i = 0; i < total; ++i) {
        const QString &set = request.sets.at(i);
        const QString &path = paths.at(i);
        if (progress && !progress(i, total, set)) {
            outcome.cancelled = true;
            return outcome;
        }
        if (onExisting == Existing::Skip && existing.contains(path)) {
            ++outcome.skipped;
            continue;
        }
        const QString file = QFileInfo(path).fileName();
        try {
            bool found = false;
            const QList<QgsMapLayer *> layers = m_sets.layersShown(set, request.restore, &found);
            if (!found) {
                outcome.failures << QStringLiteral("Set \"%1\" (file \"%2\"): there is no such set.").arg(set, file);
                continue;
            }
            for (QgsLayoutItemMap *map : maps) {
                if (followsTheme(*map))
                    continue;
                map->setLayers(layers);
                map->setKeepLayerSet(true);
            }
        } catch (const HostError &error) {
            outcome.failures << QStringLiteral("Set \"%1\" (file \"%2\"): %3").arg(set, file, error.description());
            continue;
        }
        const QString failed = exportTo(*copy, path, request.format, &outcome.written);
        if (!failed.isEmpty())
            outcome.failures << QStringLiteral("Set \"%1\" (file \"%2\"): %3").arg(set, file, failed);
    }
    if (progress)
        progress(total, total, {});
    return outcome;
}

} // namespace quarnelqgis
