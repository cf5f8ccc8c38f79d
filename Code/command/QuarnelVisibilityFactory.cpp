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
