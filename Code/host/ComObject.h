#pragma once

#include "Com.h"

#include <QUuid>

#include <cstdint>

namespace Com {

/// The identifier each interface of the binary interface is asked for by.
template <typename Interface> const QUuid &interfaceId();
template <> inline const QUuid &interfaceId<IClassFactory>()
{
    return IID_IClassFactory;
}
template <> inline const QUuid &interfaceId<ICommand>()
{
    return IID_ICommand;
}
template <> inline const QUuid &interfaceId<IObjectWithSite>()
{
    return IID_IObjectWithSite;
}

/// IUnknown, written once for every component class: `Derived` derives from
/// Object<Derived, its interfaces...>. QueryInterface hands out the face of
/// the interface asked for (IID_IUnknown gets the first); a class whose own
/// identifiers also name its first face declares a public
/// `static bool isOwnInterface(const QUuid &)`. The reference count starts
/// at 0, and the last Release deletes the object as a `Derived`; a class
/// that is not created with `new` overrides AddRef and Release.
template <typename Derived, typename First, typename... Others> class Object : public First, public Others...
{
public:
    HRESULT QueryInterface(const QUuid &iid, void **object) override
    {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (iid == IID_IUnknown || Derived::isOwnInterface(iid))
            *object = static_cast<First *>(this);
        else
            (void)(face<First>(iid, object) || ... || face<Others>(iid, object));
        if (!*object)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    std::uint32_t AddRef() override { return ++m_references; }
    std::uint32_t Release() override
    {
        const std::uint32_t left = --m_references;
        if (left == 0)
            delete static_cast<Derived *>(this);
        return left;
    }

    /// No identifier of its own: the interfaces' identifiers only.
    static bool isOwnInterface(const QUuid &) { return false; }

    Object(const Object &) = delete;
    Object &operator=(const Object &) = delete;

protected:
    Object() = default;
    ~Object() = default;

private:
    /// Sets `object` to the face of `Interface` when `iid` asks for it.
    template <typename Interface> bool face(const QUuid &iid, void **object)
    {
        if (iid != interfaceId<Interface>())
            return false;
        *object = static_cast<Interface *>(this);
        return true;
    }

    std::uint32_t m_references = 0;
};

} // namespace Com
