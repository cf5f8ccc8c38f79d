#include "ServerRegistration.h"

#include "Com.h"
#include "ComponentModule.h"

#include <exception>

namespace mapdesk {

ServerRegistration::Outcome ServerRegistration::run(Action action, const QString &modulePath)
{
    const bool registering = action == Action::Register;
    const QString doing = registering ? QStringLiteral("register") : QStringLiteral("unregister");
    const char *entryName = registering ? "DllRegisterServer" : "DllUnregisterServer";

    ComponentModule module(modulePath);
    QString error = module.load();
    if (!error.isEmpty())
        return {false, QStringLiteral("Cannot %1 %2: %3").arg(doing, modulePath, error)};
    auto entry = reinterpret_cast<Com::DllRegisterServerFn>(module.entryPoint(entryName, &error));
    if (!entry)
        return {false, QStringLiteral("Cannot %1 %2: %3").arg(doing, modulePath, error)};

    Com::HRESULT result = Com::E_FAIL;
    try {
        result = entry();
    } catch (const std::exception &failure) {
        return {false, QStringLiteral("Cannot %1 %2: %3 failed: %4")
                           .arg(doing, modulePath, QLatin1String(entryName), QString::fromLocal8Bit(failure.what()))};
    } catch (...) {
        return {false, QStringLiteral("Cannot %1 %2: %3 failed").arg(doing, modulePath, QLatin1String(entryName))};
    }
    if (!Com::succeeded(result))
        return {false, QStringLiteral("Cannot %1 %2: %3 returned %4")
                           .arg(doing, modulePath, QLatin1String(entryName), ComponentModule::resultText(result))};
    return {true, QStringLiteral("%1 %2").arg(registering ? QStringLiteral("Registered") : QStringLiteral("Unregistered"),
                                              modulePath)};
}

} // namespace mapdesk
