// A command module for the loader's tests: one command class, a factory that
// knows only that class, self-registration in the same keys the add-in
// writes, and a record of every call so that tests can see what the host did.
#include "ComObject.h"
#include "ComponentRegistryLayout.h"
#include "HostBitmaps.h"
#include "TestCommandEvents.h"

#include <QImage>
#include <QSettings>

#include <dlfcn.h>

#define TEST_MODULE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {
const QUuid kClassId{QStringLiteral(TEST_COMMAND_CLASS_ID)};
const QString kProgId = QStringLiteral("MapdeskTest.Command");

TestCommandEvents events;

QString modulePath()
{
    Dl_info info{};
    if (dladdr(reinterpret_cast<const void *>(&modulePath), &info) == 0 || !info.dli_fname)
        return {};
    return QString::fromLocal8Bit(info.dli_fname);
}

class Command final : public Com::Object<Command, Com::ICommand>
{
public:
    Command()
    {
        ++events.created;
        ++events.alive;
    }
    ~Command() { --events.alive; }

    Com::HRESULT get_Enabled(Com::VARIANT_BOOL *enabled) override { return set(enabled, Com::VARIANT_TRUE); }
    Com::HRESULT get_Checked(Com::VARIANT_BOOL *checked) override { return set(checked, Com::VARIANT_FALSE); }
    Com::HRESULT get_Name(QString *name) override { return set(name, QStringLiteral("MapdeskTest_Command")); }
    Com::HRESULT get_Caption(QString *caption) override { return set(caption, QStringLiteral("Test Command")); }
    Com::HRESULT get_Tooltip(QString *tooltip) override { return set(tooltip, QStringLiteral("Test Command - tip")); }
    Com::HRESULT get_Message(QString *message) override { return set(message, QStringLiteral("MapdeskTest: status")); }
    Com::HRESULT get_HelpFile(QString *helpFile) override { return set(helpFile, QString()); }
    Com::HRESULT get_HelpContextID(std::int32_t *id) override { return set(id, 0); }
    Com::HRESULT get_Bitmap(Com::OLE_HANDLE *bitmap) override
    {
        static const QImage picture = [] {
            QImage image(16, 16, QImage::Format_RGB32);
            image.fill(Qt::white);
            image.setPixel(8, 8, qRgb(0, 0, 255));
            return image;
        }();
        return set(bitmap, HostBitmaps::handleFor(&picture, picture));
    }
    Com::HRESULT get_Category(QString *category) override { return set(category, QStringLiteral("MapdeskTest")); }
    Com::HRESULT OnCreate(HostObjectPtr hook) override
    {
        ++events.onCreate;
        events.hook = hook.get();
        return Com::S_OK;
    }
    Com::HRESULT OnClick() override
    {
        ++events.onClick;
        return Com::S_OK;
    }

private:
    template <typename T, typename V> static Com::HRESULT set(T *target, V value)
    {
        if (!target)
            return Com::E_POINTER;
        *target = value;
        return Com::S_OK;
    }
};

/// The module's one factory, a static object: it counts the references the
/// host holds instead of deleting itself.
class Factory final : public Com::Object<Factory, Com::IClassFactory>
{
public:
    std::uint32_t AddRef() override { return static_cast<std::uint32_t>(++events.factoriesAlive); }
    std::uint32_t Release() override { return static_cast<std::uint32_t>(--events.factoriesAlive); }
    Com::HRESULT CreateInstance(Com::IUnknown *outer, const QUuid &iid, void **object) override
    {
        if (!object)
            return Com::E_POINTER;
        *object = nullptr;
        if (outer)
            return Com::CLASS_E_NOAGGREGATION;
        auto *command = new Command;
        command->AddRef();
        const Com::HRESULT result = command->QueryInterface(iid, object);
        command->Release();
        return result;
    }
    Com::HRESULT LockServer(bool) override { return Com::S_OK; }
};
Factory factory;

QSettings registry()
{
    return ComponentRegistryLayout::openForRegistration();
}
} // namespace

TEST_MODULE_EXPORT Com::HRESULT DllGetClassObject(const QUuid *classId, const QUuid *iid, void **object)
{
    if (!classId || !iid || !object)
        return Com::E_POINTER;
    *object = nullptr;
    if (*classId != kClassId)
        return Com::CLASS_E_CLASSNOTAVAILABLE;
    return factory.QueryInterface(*iid, object);
}

TEST_MODULE_EXPORT Com::HRESULT DllCanUnloadNow()
{
    return events.alive == 0 && events.factoriesAlive == 0 ? Com::S_OK : Com::S_FALSE;
}

TEST_MODULE_EXPORT Com::HRESULT DllRegisterServer()
{
    QSettings settings = registry();
    namespace Layout = ComponentRegistryLayout;
    const QString key = Layout::classKey(kClassId.toString(QUuid::WithBraces).toUpper()) + QLatin1Char('/');
    settings.setValue(key + Layout::progIdValue(), kProgId);
    settings.setValue(key + Layout::serverPathValue(), modulePath());
    settings.setValue(key + Layout::threadingModelValue(), QStringLiteral("Apartment"));
    settings.setValue(Layout::progIdClassKey(kProgId), kClassId.toString(QUuid::WithBraces).toUpper());
    settings.sync();
    return settings.status() == QSettings::NoError ? Com::S_OK : Com::SELFREG_E_CLASS;
}

TEST_MODULE_EXPORT Com::HRESULT DllUnregisterServer()
{
    QSettings settings = registry();
    settings.remove(ComponentRegistryLayout::classKey(kClassId.toString(QUuid::WithBraces).toUpper()));
    settings.remove(ComponentRegistryLayout::progIdKey(kProgId));
    settings.sync();
    return settings.status() == QSettings::NoError ? Com::S_OK : Com::SELFREG_E_CLASS;
}

/// The record of calls, for the tests.
TEST_MODULE_EXPORT const TestCommandEvents *TestCommandModule_Events()
{
    return &events;
}

/// Empties the record of calls; objects still alive stay counted.
TEST_MODULE_EXPORT void TestCommandModule_Reset()
{
    const int alive = events.alive;
    const int factoriesAlive = events.factoriesAlive;
    events = TestCommandEvents{};
    events.alive = alive;
    events.factoriesAlive = factoriesAlive;
}
