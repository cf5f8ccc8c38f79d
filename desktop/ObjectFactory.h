#pragma once

#include "IObjectFactory.h"

#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>

class IApplication;

namespace mapdesk {

/// Creates the host objects an add-in asks for by class: the application
/// reference (the running application itself) and new modeless frames, by
/// default floating over the frame owner, the host's main window, or made by
/// the host's own frame maker. It holds neither the application nor the
/// owner: the application is watched through a weak pointer, the owner
/// through a guard.
class ObjectFactory : public IObjectFactory
{
public:
    /// The error number of a class the factory does not know.
    static constexpr std::int32_t ClassNotRegistered = static_cast<std::int32_t>(0x80040154u);

    void setApplication(std::weak_ptr<IApplication> application) { m_application = std::move(application); }
    void setFrameOwner(QWidget *owner) { m_frameOwner = owner; }
    /// Makes the modeless frames instead of the floating ones (a host whose
    /// frames live elsewhere, such as in its main window's panels).
    void setFrameMaker(std::function<HostObjectPtr()> maker) { m_frameMaker = std::move(maker); }

    /// Throws HostError 0x80040154 "Class not registered" for an unknown class.
    HostObjectPtr create(const QUuid &classId) override;

private:
    std::weak_ptr<IApplication> m_application;
    QPointer<QWidget> m_frameOwner;
    std::function<HostObjectPtr()> m_frameMaker;
};

} // namespace mapdesk
