#include "QgisProcessingProvider.h"

#include "QgisApplication.h"
#include "QgisExportLayoutAlgorithm.h"
#include "QgisHost.h"
#include "QgisRestoreSetAlgorithm.h"
#include "QgisSaveSetAlgorithm.h"
#include "QgisSession.h"
#include "QgisSetSource.h"
#include "QuarnelGIS_Public.h"
#include "RefreshAfterVisibilityChange.h"

#include <QIcon>

namespace quarnelqgis {

QgisProcessingProvider::QgisProcessingProvider(QgisHost &host, QObject *parent)
    : QgsProcessingProvider(parent), m_host(host)
{
}

QgisProcessingProvider::~QgisProcessingProvider() = default;

QString QgisProcessingProvider::id() const
{
    return QStringLiteral("quarnelvisibility");
}

QString QgisProcessingProvider::name() const
{
    return QStringLiteral("QuarnelVisibility");
}

QIcon QgisProcessingProvider::icon() const
{
    return QIcon(QStringLiteral(":/quarnel/command16.png"));
}

void QgisProcessingProvider::loadAlgorithms()
{
    addAlgorithm(new QgisRestoreSetAlgorithm());
    addAlgorithm(new QgisSaveSetAlgorithm());
    addAlgorithm(new QgisExportLayoutAlgorithm());
}

std::unique_ptr<QgisSetSource> QgisProcessingProvider::setsFor(QgsProject *project) const
{
    return std::make_unique<QgisSetSource>(m_host.services(), project);
}

void QgisProcessingProvider::withDocument(QgsProject *project,
                                          const std::function<void(QuarnelGIS_Public &state)> &work) const
{
    std::unique_ptr<QgisSetSource> sets = setsFor(project);
    QuarnelGIS_Public &state = sets->state();
    std::unique_ptr<QgisSession> ownSession;
    std::shared_ptr<QgisApplication> application;
    if (m_host.session() && m_host.session()->project() == project) {
        application = m_host.application();
    } else {
        ownSession = std::make_unique<QgisSession>(QgisSession::Parts{project, nullptr, nullptr});
        application = std::make_shared<QgisApplication>(ownSession.get());
    }
    state.application = application;
    state.document = application->document();
    work(state);
    RefreshAfterVisibilityChange(state);
    if (ownSession)
        ownSession->finishBatch();
}

} // namespace quarnelqgis
