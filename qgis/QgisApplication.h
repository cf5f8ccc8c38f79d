#pragma once

#include "IApplication.h"

#include <QPointer>

#include <memory>

namespace quarnelqgis {

class QgisDocument;
class QgisSession;

/// QGIS as the add-in's running application. Its document is the project
/// open at the moment it is asked for: after a project switch (new, opened,
/// closed) it hands out a new document, so that nothing the add-in learnt
/// about the old project carries over.
class QgisApplication : public virtual IApplication
{
public:
    explicit QgisApplication(QgisSession *session);
    ~QgisApplication() override;

    std::shared_ptr<IDocument> document() override;

private:
    QPointer<QgisSession> m_session;
    std::shared_ptr<QgisDocument> m_document;
    int m_generation = -1;
};

} // namespace quarnelqgis
