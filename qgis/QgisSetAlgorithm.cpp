#include "QgisSetAlgorithm.h"

#include "QgisProcessingProvider.h"

#include <qgsexception.h>
#include <qgsprocessingcontext.h>

namespace quarnelqgis {

QString QgisSetAlgorithm::group() const
{
    return QStringLiteral("Visibility sets");
}

QString QgisSetAlgorithm::groupId() const
{
    return QStringLiteral("visibilitysets");
}

QgsProcessingAlgorithm::Flags QgisSetAlgorithm::flags() const
{
    return QgsProcessingAlgorithm::flags() | FlagNoThreading;
}

const QgisProcessingProvider &QgisSetAlgorithm::quarnelProvider() const
{
    const auto *own = dynamic_cast<const QgisProcessingProvider *>(provider());
    if (!own)
        throw QgsProcessingException(QStringLiteral("The QuarnelVisibility provider is not loaded."));
    return *own;
}

QgsProject *QgisSetAlgorithm::projectOf(QgsProcessingContext &context)
{
    if (!context.project())
        throw QgsProcessingException(QStringLiteral("There is no project to work on."));
    return context.project();
}

} // namespace quarnelqgis
