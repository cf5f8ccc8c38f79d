#include "ServerRegistration.h"

#include "Com.h"
#include "ComponentModule.h"
#include "ComponentRegistryLayout.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include <exception>

namespace mapdesk {

namespace {
/// Names the registry file a module's registration writes for as long as it
/// lives (see ComponentRegistryLayout::openForRegistration).
class RegistryTarget
{
public:
    explicit RegistryTarget(const QString &file)
    {
        if (QCoreApplication *app = QCoreApplication::instance())
            app->setProperty(ComponentRegistryLayout::targetFileProperty(), file);
    }
    ~RegistryTarget()
    {
        if (QCoreApplication *app = QCoreApplication::instance())
            app->setProperty(ComponentRegistryLayout::targetFileProperty(), QVariant());
    }
    RegistryTarget(const RegistryTarget &) = delete;
    RegistryTarget &operator=(const RegistryTarget &) = delete;
};

/// Removes a registry file without keys, and then its folder if empty.
void removeIfEmpty(const QString &file)
{
    if (!QFileInfo(file).isFile() || !QSettings(file, QSettings::IniFormat).allKeys().isEmpty())
        return;
    QFile::remove(file);
    QDir().rmdir(QFileInfo(file).absolutePath());
}
} // namespace

ServerRegistration::Outcome ServerRegistration::run(Action action, const QString &modulePath,
                                                    const QString &registryFile)
{
    const bool registering = action == Action::Register;
    const QString doing = registering ? QStringLiteral("register") : QStringLiteral("unregister");
    const char *entryName = registering ? "DllRegisterServer" : "DllUnregisterServer";
    if (!registryFile.isEmpty() && !QCoreApplication::instance())
        return {false, QStringLiteral("Cannot %1 %2: no application to name the registry %3")
                           .arg(doing, modulePath, registryFile)};

    ComponentModule module(modulePath);
    QString error = module.load();
    if (!error.isEmpty())
        return {false, QStringLiteral("Cannot %1 %2: %3").arg(doing, modulePath, error)};
    auto entry = reinterpret_cast<Com::DllRegisterServerFn>(module.entryPoint(entryName, &error));
    if (!entry)
        return {false, QStringLiteral("Cannot %1 %2: %3").arg(doing, modulePath, error)};

    Com::HRESULT result = Com::E_FAIL;
    try {
        const RegistryTarget target(registryFile);
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
    if (!registering && !registryFile.isEmpty())
        removeIfEmpty(registryFile);
    const QString where = registryFile.isEmpty() ? QString() : QStringLiteral(" in ") + registryFile;
    return {true, QStringLiteral("%1 %2%3").arg(
                      registering ? QStringLiteral("Registered") : QStringLiteral("Unregistered"), modulePath, where)};
}

} // namespace mapdesk
