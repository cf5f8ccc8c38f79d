#include "QgisExportLayoutAlgorithm.h"

#include "HostError.h"
#include "QgisLayoutExport.h"
#include "QgisProcessingProvider.h"
#include "QgisSetSource.h"

#include <qgsexception.h>
#include <qgsprintlayout.h>
#include <qgsprocessingfeedback.h>
#include <qgsprocessingoutputs.h>
#include <qgsprocessingparameters.h>

namespace quarnelqgis {

QString QgisExportLayoutAlgorithm::name() const
{
    return QStringLiteral("exportlayoutforeachset");
}

QString QgisExportLayoutAlgorithm::displayName() const
{
    return QStringLiteral("Export layout for each set");
}

QString QgisExportLayoutAlgorithm::shortHelpString() const
{
    return QStringLiteral(
        "Exports a print layout once for each set, to a file named after the set. Every map of the layout that "
        "does not follow a theme of its own shows the set as restoring it would; an atlas gives one file of many "
        "pages per set (PDF) or one file per page. The canvas, the Layers panel and the project are not changed. "
        "Sets: one name a line; empty for every set of the file.");
}

QgsProcessingAlgorithm *QgisExportLayoutAlgorithm::createInstance() const
{
    return new QgisExportLayoutAlgorithm();
}

void QgisExportLayoutAlgorithm::initAlgorithm(const QVariantMap &)
{
    addParameter(new QgsProcessingParameterLayout(QStringLiteral("LAYOUT"), QStringLiteral("Print layout")));
    addParameter(new QgsProcessingParameterString(QStringLiteral("SETS"), QStringLiteral("Sets (one a line)"),
                                                  QVariant(), true, true));
    addParameter(new QgsProcessingParameterEnum(
        QStringLiteral("FORMAT"), QStringLiteral("Format"),
        QStringList{QStringLiteral("PDF"), QStringLiteral("PNG"), QStringLiteral("SVG")}, false, 0));
    addParameter(
        new QgsProcessingParameterBoolean(QStringLiteral("EXACTLY"), QStringLiteral("Restore Exactly"), false));
    addParameter(
        new QgsProcessingParameterBoolean(QStringLiteral("REPLACE"), QStringLiteral("Replace files that exist"), true));
    addParameter(new QgsProcessingParameterFolderDestination(QStringLiteral("FOLDER"), QStringLiteral("Folder")));
    addOutput(new QgsProcessingOutputNumber(QStringLiteral("WRITTEN"), QStringLiteral("Files written")));
}

QVariantMap QgisExportLayoutAlgorithm::processAlgorithm(const QVariantMap &parameters, QgsProcessingContext &context,
                                                        QgsProcessingFeedback *feedback)
{
    QgsPrintLayout *layout = parameterAsLayout(parameters, QStringLiteral("LAYOUT"), context);
    if (!layout)
        throw QgsProcessingException(QStringLiteral("There is no such print layout."));
    std::unique_ptr<QgisSetSource> sets = quarnelProvider().setsFor(projectOf(context));

    QgisLayoutExport::Request request;
    request.layout = layout->name();
    const QString named = parameterAsString(parameters, QStringLiteral("SETS"), context);
    for (const QString &line : named.split(QLatin1Char('\n')))
        if (!line.trimmed().isEmpty())
            request.sets << (line.endsWith(QLatin1Char('\r')) ? line.chopped(1) : line);
    if (request.sets.isEmpty()) {
        try {
            request.sets = sets->names();
        } catch (const HostError &error) {
            throw QgsProcessingException(error.description());
        }
    }
    const QgisLayoutExport::Format formats[] = {QgisLayoutExport::Format::Pdf, QgisLayoutExport::Format::Png,
                                                QgisLayoutExport::Format::Svg};
    request.format = formats[qBound(0, parameterAsEnum(parameters, QStringLiteral("FORMAT"), context), 2)];
    request.restore = parameterAsBool(parameters, QStringLiteral("EXACTLY"), context) ? SetStore::Restore::Exactly
                                                                                      : SetStore::Restore::AsSaved;
    request.folder = parameterAsString(parameters, QStringLiteral("FOLDER"), context);

    QgisLayoutExport exporter(*sets);
    const bool replace = parameterAsBool(parameters, QStringLiteral("REPLACE"), context);
    exporter.askExisting = [replace](const QStringList &) {
        return replace ? QgisLayoutExport::Existing::Replace : QgisLayoutExport::Existing::Skip;
    };
    exporter.progress = [feedback](int done, int total, const QString &set) {
        if (!feedback)
            return true;
        if (total > 0)
            feedback->setProgress(100.0 * done / total);
        if (!set.isEmpty())
            feedback->pushInfo(QStringLiteral("Set \"%1\"").arg(set));
        return !feedback->isCanceled();
    };
    const QgisLayoutExport::Outcome outcome = exporter.run(request);
    if (feedback) {
        for (const QString &failure : outcome.failures)
            feedback->reportError(failure);
        feedback->pushInfo(outcome.summary());
    }
    if (outcome.written.isEmpty() && !outcome.failures.isEmpty())
        throw QgsProcessingException(outcome.summary());
    return {{QStringLiteral("WRITTEN"), double(outcome.written.size())}, {QStringLiteral("FOLDER"), request.folder}};
}

} // namespace quarnelqgis
