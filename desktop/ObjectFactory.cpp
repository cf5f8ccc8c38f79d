#include "ObjectFactory.h"

#include "HostClassIds.h"
#include "HostError.h"
#include "IApplication.h"
#include "ModelessFrame.h"

namespace mapdesk {

HostObjectPtr ObjectFactory::create(const QUuid &classId)
{
    if (classId == HostClassIds::ApplicationReference) {
        std::shared_ptr<IApplication> application = m_application.lock();
        if (!application)
            throw HostError(HostError::E_FAIL_NUMBER, QStringLiteral("The application is not running"));
        return application;
    }
    if (classId == HostClassIds::ModelessFrame) {
        if (m_frameMaker)
            return m_frameMaker();
        return std::make_shared<ModelessFrame>(m_frameOwner.data());
    }
    throw HostError(ClassNotRegistered, QStringLiteral("Class not registered"));
}

} // namespace mapdesk
