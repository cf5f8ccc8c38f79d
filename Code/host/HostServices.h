#pragma once

#include "HostObject.h"

#include <memory>

class IDrives;
class IMapPictures;
class IMessageBox;
class IObjectFactory;
class IScreenMetrics;
class IShell;
class ISetThemes;

/// The desktop services a host offers its add-ins: one bundle per host,
/// handed to each command object as its site (Com::IObjectWithSite) before
/// the host asks the command anything. The accessors throw HostError when the
/// host left a service out, but for the optional ones, which are null then.
class QUARNELHOST_EXPORT HostServices : public HostObject
{
public:
    void setMessageBox(std::shared_ptr<IMessageBox> service) { m_messageBox = std::move(service); }
    void setShell(std::shared_ptr<IShell> service) { m_shell = std::move(service); }
    void setScreen(std::shared_ptr<IScreenMetrics> service) { m_screen = std::move(service); }
    void setDrives(std::shared_ptr<IDrives> service) { m_drives = std::move(service); }
    void setObjectFactory(std::shared_ptr<IObjectFactory> service) { m_objectFactory = std::move(service); }
    void setSetThemes(std::shared_ptr<ISetThemes> service) { m_setThemes = std::move(service); }
    void setPictures(std::shared_ptr<IMapPictures> service) { m_pictures = std::move(service); }

    IMessageBox &messageBox() const;
    IShell &shell() const;
    IScreenMetrics &screen() const;
    IDrives &drives() const;
    IObjectFactory &objectFactory() const;
    /// The map themes the sets can be kept as; null for a host without them.
    std::shared_ptr<ISetThemes> setThemes() const { return m_setThemes; }
    /// The focus map's pictures, an optional service: null when the host
    /// offers none.
    std::shared_ptr<IMapPictures> pictures() const { return m_pictures; }

private:
    std::shared_ptr<IMessageBox> m_messageBox;
    std::shared_ptr<IShell> m_shell;
    std::shared_ptr<IScreenMetrics> m_screen;
    std::shared_ptr<IDrives> m_drives;
    std::shared_ptr<IObjectFactory> m_objectFactory;
    std::shared_ptr<ISetThemes> m_setThemes;
    std::shared_ptr<IMapPictures> m_pictures;
};
