#include "QuarnelGISModule.h"

#include "QuarnelGISIds.h"
#include "QuarnelGISRegistry.h"
#include "QuarnelVisibilityFactory.h"

#include <QFileInfo>

#include <dlfcn.h>

#include <new>

namespace {
// Hosts call the module on their user-interface thread only.
long liveObjects = 0;
long serverLocks = 0;

/// The absolute path of the file this code was loaded from.
QString modulePath()
{
    Dl_info info{};
    if (dladdr(reinterpret_cast<void *>(&DllRegisterServer), &info) == 0 || !info.dli_fname)
        return QString();
    return QFileInfo(QString::fromLocal8Bit(info.dli_fname)).absoluteFilePath();
}
} // namespace

namespace QuarnelGISModule {

void objectCreated() noexcept
{
    ++liveObjects;
}

void objectDestroyed() noexcept
{
    --liveObjects;
}

void lockServer(bool lock) noexcept
{
    if (lock)
        ++serverLocks;
    else if (serverLocks > 0)
        --serverLocks;
}

bool canUnload() noexcept
{
    return liveObjects == 0 && serverLocks == 0;
}

} // namespace QuarnelGISModule

extern "C" {

Com::HRESULT DllGetClassObject(const QUuid *classId, const QUuid *iid, void **object)
{
    if (!object)
        return Com::E_POINTER;
    *object = nullptr;
    if (!classId || !iid)
        return Com::E_POINTER;
    if (*classId != QuarnelGISIds::CLSID_QuarnelVisibility)
        return Com::CLASS_E_CLASSNOTAVAILABLE;
    auto *factory = new (std::nothrow) QuarnelVisibilityFactory;
    if (!factory)
        return Com::E_OUTOFMEMORY;
    factory->AddRef();
    const Com::HRESULT result = factory->QueryInterface(*iid, object);
    factory->Release();
    return result;
}

Com::HRESULT DllCanUnloadNow()
{
    return QuarnelGISModule::canUnload() ? Com::S_OK : Com::S_FALSE;
}

Com::HRESULT DllRegisterServer()
{
    try {
        const QString path = modulePath();
        if (path.isEmpty())
            return Com::SELFREG_E_CLASS;
        return QuarnelGISRegistry::registerClass(path) ? Com::S_OK : Com::SELFREG_E_CLASS;
    } catch (...) {
        return Com::SELFREG_E_CLASS;
    }
}

Com::HRESULT DllUnregisterServer()
{
    try {
        return QuarnelGISRegistry::unregisterClass() ? Com::S_OK : Com::SELFREG_E_CLASS;
    } catch (...) {
        return Com::SELFREG_E_CLASS;
    }
}

} // extern "C"
