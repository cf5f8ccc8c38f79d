#pragma once

#include "QuarnelHostExport.h"

#include <memory>

class IDrives;
class IMessageBox;
class IObjectFactory;
class IScreenMetrics;
class IShell;

/// The desktop services of the running host, one set per process. The host
/// (or a test) installs them before it loads the add-in; the add-in reaches
/// them only through the accessors, which throw HostError when a service is
/// missing.
class QUARNELHOST_EXPORT HostServices
{
public:
    static void setMessageBox(std::shared_ptr<IMessageBox> service);
    static void setShell(std::shared_ptr<IShell> service);
    static void setScreen(std::shared_ptr<IScreenMetrics> service);
    static void setDrives(std::shared_ptr<IDrives> service);
    static void setObjectFactory(std::shared_ptr<IObjectFactory> service);
    /// Removes every service (tests, shutdown).
    static void clear();

    static IMessageBox &messageBox();
    static IShell &shell();
    static IScreenMetrics &screen();
    static IDrives &drives();
    static IObjectFactory &objectFactory();
};
