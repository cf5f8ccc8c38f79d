#include "QgisApplication.h"

#include "HostError.h"
#include "QgisDocument.h"
#include "QgisSession.h"

namespace quarnelqgis {

QgisApplication::QgisApplication(QgisSession *session) : m_session(session) {}

QgisApplication::~QgisApplication() = default;

std::shared_ptr<IDocument> QgisApplication::document()
{
    if (!m_session || !m_session->project())
        throw HostError(HostError::E_FAIL_NUMBER, QStringLiteral("QGIS has no project open"));
    if (!m_document || m_generation != m_session->projectGeneration()) {
        m_document = std::make_shared<QgisDocument>(m_session);
        m_generation = m_session->projectGeneration();
    }
    return m_document;
}

} // namespace quarnelqgis
