#include "QgisRestoreSetAlgorithm.h"

#include "HostError.h"
#include "QgisProcessingProvider.h"
#include "QuarnelGIS_Public.h"
#include "SetStore.h"

#include <qgsexception.h>
#include <qgsprocessingoutputs.h>
#include <qgsprocessingparameters.h>

namespace quarnelqgis {

QString QgisRestoreSetAlgorithm::name() const
{
    return QStringLiteral("restoreset");
}

QString QgisRestoreSetAlgorithm::displayName() const
{
    return QStringLiteral("Restore a set");
}

QString QgisRestoreSetAlgorithm::shortHelpString() const
{
    return QStringLiteral("Switches the layers a saved set records on or off again, as selecting the set in the "
                          "QuarnelVisibility window does. With Restore Exactly, every layer the set does not "
                          "mention is hidden.");
}

QgsProcessingAlgorithm *QgisRestoreSetAlgorithm::createInstance() const
{
    return new QgisRestoreSetAlgorithm();
}

void QgisRestoreSetAlgorithm::initAlgorithm(const QVariantMap &)
{
    addParameter(new QgsProcessingParameterString(QStringLiteral("SET"), QStringLiteral("Set")));
    addParameter(
        new QgsProcessingParameterBoolean(QStringLiteral("EXACTLY"), QStringLiteral("Restore Exactly"), false));
    addOutput(new QgsProcessingOutputNumber(QStringLiteral("RECORDS"), QStringLiteral("Records applied")));
}

QVariantMap QgisRestoreSetAlgorithm::processAlgorithm(const QVariantMap &parameters, QgsProcessingContext &context,
                                                      QgsProcessingFeedback *)
{
    const QString set = parameterAsString(parameters, QStringLiteral("SET"), context);
    const SetStore::Restore how = parameterAsBool(parameters, QStringLiteral("EXACTLY"), context)
                                      ? SetStore::Restore::Exactly
                                      : SetStore::Restore::AsSaved;
    qsizetype applied = 0;
    try {
        quarnelProvider().withDocument(projectOf(context), [&](QuarnelGIS_Public &state) {
            applied = SetStore(state).restoreSetFromFile(set, *state.document, how);
        });
    } catch (const HostError &error) {
        throw QgsProcessingException(error.description());
    }
    if (applied == 0)
        throw QgsProcessingException(QStringLiteral("There is no set \"%1\".").arg(set));
    return {{QStringLiteral("RECORDS"), double(applied)}};
}

} // namespace quarnelqgis
