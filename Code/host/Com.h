#pragma once

#include "HostObject.h"

#include <QString>
#include <QUuid>

#include <cstdint>

/// The small component binary interface between a host and a command module:
/// reference counting, QueryInterface by interface identifier, a class
/// factory and the command interface.
namespace Com {
using HRESULT = std::int32_t;
using VARIANT_BOOL = std::int16_t;
using OLE_HANDLE = std::int32_t;

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
constexpr HRESULT CLASS_E_NOAGGREGATION = static_cast<HRESULT>(0x80040110u);
constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = static_cast<HRESULT>(0x80040111u);
constexpr HRESULT SELFREG_E_CLASS = static_cast<HRESULT>(0x80040201u);

constexpr VARIANT_BOOL VARIANT_TRUE = -1;
constexpr VARIANT_BOOL VARIANT_FALSE = 0;

inline bool succeeded(HRESULT hr)
{
    return hr >= 0;
}

inline const QUuid IID_IUnknown{QStringLiteral("{00000000-0000-0000-C000-000000000046}")};
inline const QUuid IID_IClassFactory{QStringLiteral("{00000001-0000-0000-C000-000000000046}")};
inline const QUuid IID_ICommand{QStringLiteral("{36B06538-4437-11D1-B970-080009EE4E51}")};
inline const QUuid IID_IObjectWithSite{QStringLiteral("{FC4801A3-2BA9-11CF-A229-00AA003D7352}")};

class IUnknown
{
public:
    virtual HRESULT QueryInterface(const QUuid &iid, void **object) = 0;
    virtual std::uint32_t AddRef() = 0;
    virtual std::uint32_t Release() = 0;

protected:
    ~IUnknown() = default;
};

class IClassFactory : public IUnknown
{
public:
    virtual HRESULT CreateInstance(IUnknown *outer, const QUuid &iid, void **object) = 0;
    virtual HRESULT LockServer(bool lock) = 0;

protected:
    ~IClassFactory() = default;
};

/// A toolbar command: its presentation, its creation hook and its click.
class ICommand : public IUnknown
{
public:
    virtual HRESULT get_Enabled(VARIANT_BOOL *enabled) = 0;
    virtual HRESULT get_Checked(VARIANT_BOOL *checked) = 0;
    virtual HRESULT get_Name(QString *name) = 0;
    virtual HRESULT get_Caption(QString *caption) = 0;
    virtual HRESULT get_Tooltip(QString *tooltip) = 0;
    virtual HRESULT get_Message(QString *message) = 0;
    virtual HRESULT get_HelpFile(QString *helpFile) = 0;
    virtual HRESULT get_HelpContextID(std::int32_t *helpContextId) = 0;
    /// A handle that HostBitmaps resolves to the button's picture.
    virtual HRESULT get_Bitmap(OLE_HANDLE *bitmap) = 0;
    virtual HRESULT get_Category(QString *category) = 0;
    /// Called once with the running application as the hook.
    virtual HRESULT OnCreate(HostObjectPtr hook) = 0;
    virtual HRESULT OnClick() = 0;

protected:
    ~ICommand() = default;
};

/// An object that takes its host site: the host hands every new command
/// object the site that carries its desktop services (a HostServices) before
/// it asks the command anything else.
class IObjectWithSite : public IUnknown
{
public:
    virtual HRESULT SetSite(HostObjectPtr site) = 0;

protected:
    ~IObjectWithSite() = default;
};

// Entry points every command module exports with C linkage.
using DllGetClassObjectFn = HRESULT (*)(const QUuid *classId, const QUuid *iid, void **object);
using DllCanUnloadNowFn = HRESULT (*)();
using DllRegisterServerFn = HRESULT (*)();
using DllUnregisterServerFn = HRESULT (*)();
} // namespace Com
