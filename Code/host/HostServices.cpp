#include "HostServices.h"

#include "HostError.h"
#include "IDrives.h"
#include "IMessageBox.h"
#include "IObjectFactory.h"
#include "IScreenMetrics.h"
#include "IShell.h"

namespace {
template <typename T> T &required(const std::shared_ptr<T> &service, const char *name)
{
    if (!service)
        throw HostError(HostError::E_FAIL_NUMBER,
                        QStringLiteral("The host provides no %1 service").arg(QLatin1String(name)));
    return *service;
}
} // namespace

IMessageBox &HostServices::messageBox() const
{
    return required(m_messageBox, "message box");
}
IShell &HostServices::shell() const
{
    return required(m_shell, "shell");
}
IScreenMetrics &HostServices::screen() const
{
    return required(m_screen, "screen");
}
IDrives &HostServices::drives() const
{
    return required(m_drives, "drive table");
}
IObjectFactory &HostServices::objectFactory() const
{
    return required(m_objectFactory, "object factory");
}
