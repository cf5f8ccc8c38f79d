#include "DocumentModuleLoader.h"

#include "CommandFailure.h"
#include "DocumentModule.h"

#include <QFileInfo>
#include <QLibrary>
#include <QStringList>

const DocumentModule &loadDocumentModule()
{
    // Asked before the application object exists, which the module makes:
    // the folder of the running program, links resolved, as Qt finds it.
    const QString here = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
    const QString name = QStringLiteral(QUARNEL_SETS_MODULE_NAME);
    const QStringList candidates{here + QLatin1Char('/') + name,
                                 here + QStringLiteral("/" QUARNEL_SETS_MODULE_DIR "/") + name};
    QString problem = QStringLiteral("not found beside %1").arg(here);
    for (const QString &candidate : candidates) {
        if (!QFileInfo::exists(candidate))
            continue;
        QLibrary library(candidate);
        using Entry = const DocumentModule *(*)();
        if (const auto entry = reinterpret_cast<Entry>(library.resolve(kDocumentModuleEntry)))
            return *entry();
        problem = library.errorString();
    }
    throw CommandFailure(CommandFailure::Failed,
                         QStringLiteral("cannot load the document module %1: %2").arg(name, problem));
}
