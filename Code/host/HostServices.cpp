#include "HostServices.h"

#include "HostError.h"
#include "IDrives.h"
#include "IMessageBox.h"
#include "IObjectFactory.h"
#include "IScreenMetrics.h"
#include "IShell.h"

namespace {
struct Installed
{
    std::shared_ptr<IMessageBox> messageBox;
    std::shared_ptr<IShell> shell;
    std::shared_ptr<IScreenMetrics> screen;
    std::shared_ptr<IDrives> drives;
    std::shared_ptr<IObjectFactory> objectFactory;
};

Installed &installed()
{
    static Installed services;
    return services;
}

template <typename T>
T &required(const std::shared_ptr<T> &service, const char *name)
{
    if (!service)
        throw HostError(HostError::E_FAIL_NUMBER, QStringLiteral("The host provides no %1 service").arg(QLatin1String(name)));
    return *service;
}
} // namespace

void HostServices::setMessageBox(std::shared_ptr<IMessageBox> service) { installed().messageBox = std::move(service); }
void HostServices::setShell(std::shared_ptr<IShell> service) { installed().shell = std::move(service); }
void HostServices::setScreen(std::shared_ptr<IScreenMetrics> service) { installed().screen = std::move(service); }
void HostServices::setDrives(std::shared_ptr<IDrives> service) { installed().drives = std::move(service); }
void HostServices::setObjectFactory(std::shared_ptr<IObjectFactory> service) { installed().objectFactory = std::move(service); }
void HostServices::clear() { installed() = Installed{}; }

IMessageBox &HostServices::messageBox() { return required(installed().messageBox, "message box"); }
IShell &HostServices::shell() { return required(installed().shell, "shell"); }
IScreenMetrics &HostServices::screen() { return required(installed().screen, "screen"); }
IDrives &HostServices::drives() { return required(installed().drives, "drive table"); }
IObjectFactory &HostServices::objectFactory() { return required(installed().objectFactory, "object factory"); }
