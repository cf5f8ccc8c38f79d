#include "QuarnelVisibilityFactory.h"

#include "QuarnelGISModule.h"
#include "QuarnelVisibility.h"

#include <new>

QuarnelVisibilityFactory::QuarnelVisibilityFactory()
{
    QuarnelGISModule::objectCreated();
}

QuarnelVisibilityFactory::~QuarnelVisibilityFactory()
{
    QuarnelGISModule::objectDestroyed();
}

Com::HRESULT QuarnelVisibilityFactory::QueryInterface(const QUuid &iid, void **object)
{
    if (!object)
        return Com::E_POINTER;
    if (iid == Com::IID_IUnknown || iid == Com::IID_IClassFactory) {
        *object = static_cast<Com::IClassFactory *>(this);
        AddRef();
        return Com::S_OK;
    }
    *object = nullptr;
    return Com::E_NOINTERFACE;
}

std::uint32_t QuarnelVisibilityFactory::AddRef()
{
    return ++m_references;
}

std::uint32_t QuarnelVisibilityFactory::Release()
{
    const std::uint32_t left = --m_references;
    if (left == 0)
        delete this;
    return left;
}

Com::HRESULT QuarnelVisibilityFactory::CreateInstance(Com::IUnknown *outer, const QUuid &iid, void **object)
{
    if (!object)
        return Com::E_POINTER;
    *object = nullptr;
    if (outer)
        return Com::CLASS_E_NOAGGREGATION;
    auto *command = new (std::nothrow) QuarnelVisibility;
    if (!command)
        return Com::E_OUTOFMEMORY;
    command->AddRef();
    const Com::HRESULT result = command->QueryInterface(iid, object);
    command->Release();
    return result;
}

Com::HRESULT QuarnelVisibilityFactory::LockServer(bool lock)
{
    QuarnelGISModule::lockServer(lock);
    return Com::S_OK;
}
