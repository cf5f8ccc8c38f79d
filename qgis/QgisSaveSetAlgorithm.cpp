#include "QgisSaveSetAlgorithm.h"

#include "HostError.h"
#include "QgisApplication.h"
#include "QgisProcessingProvider.h"
#include "QgisSession.h"
#include "QgisSetSource.h"
#include "QuarnelGIS_Public.h"
#include "SetNames.h"
#include "SetStore.h"

#include <qgsexception.h>
#include <qgsprocessingoutputs.h>
#include <qgsprocessingparameters.h>

namespace quarnelqgis {

QString QgisSaveSetAlgorithm::name() const
{
    return QStringLiteral("saveset");
}

QString QgisSaveSetAlgorithm::displayName() const
{
    return QStringLiteral("Save the current visibility as a set");
}

QString QgisSaveSetAlgorithm::shortHelpString() const
{
    return QStringLiteral("Records which layers are visible now under a name, as Save in the QuarnelVisibility "
                          "window does. Saving under a name in use adds to that set, unless Replace is ticked.");
}

QgsProcessingAlgorithm *QgisSaveSetAlgorithm::createInstance() const
{
    return new QgisSaveSetAlgorithm();
}

void QgisSaveSetAlgorithm::initAlgorithm(const QVariantMap &)
{
    addParameter(new QgsProcessingParameterString(QStringLiteral("SET"), QStringLiteral("Set")));
    addParameter(new QgsProcessingParameterBoolean(QStringLiteral("REPLACE"),
                                                   QStringLiteral("Replace a set of that name"), false));
    addOutput(new QgsProcessingOutputString(QStringLiteral("SET"), QStringLiteral("Set")));
}

QVariantMap QgisSaveSetAlgorithm::processAlgorithm(const QVariantMap &parameters, QgsProcessingContext &context,
                                                   QgsProcessingFeedback *)
{
    const QString set = parameterAsString(parameters, QStringLiteral("SET"), context);
    const bool replace = parameterAsBool(parameters, QStringLiteral("REPLACE"), context);
    if (set.isEmpty())
        throw QgsProcessingException(QStringLiteral("Please enter a name."));
    if (!SetNames::fileHolds(set))
        throw QgsProcessingException(SetNames::notHeldText(set));
    QgsProject *project = projectOf(context);
    try {
        // Reading the layer tree changes nothing: the provider's own session
        // over the project is enough.
        std::unique_ptr<QgisSetSource> sets = quarnelProvider().setsFor(project);
        sets->makeFolder();
        QgisSession session(QgisSession::Parts{project, nullptr, nullptr});
        QgisApplication application(&session);
        SetStore store(sets->state());
        if (replace && store.replaceSet(set, *application.document()))
            return {{QStringLiteral("SET"), set}};
        store.appendSetToFile(set, *application.document());
    } catch (const HostError &error) {
        throw QgsProcessingException(error.description());
    }
    return {{QStringLiteral("SET"), set}};
}

} // namespace quarnelqgis
