#pragma once

#include <QString>

namespace mapdesk {

/// Registers or unregisters a command module in the component registry by
/// loading it and calling its own DllRegisterServer or DllUnregisterServer.
class ServerRegistration
{
public:
    enum class Action { Register, Unregister };

    struct Outcome
    {
        bool succeeded = false;
        QString message; ///< what was done, or what went wrong, naming the file
    };

    /// Runs the module's entry point for `action`. The module stays loaded
    /// (see ComponentModule).
    static Outcome run(Action action, const QString &modulePath);
};

} // namespace mapdesk
