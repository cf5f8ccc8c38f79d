#pragma once

#include <QString>

namespace mapdesk {

/// Registers or unregisters a command module in a component registry by
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

    /// Runs the module's entry point for `action`, writing the user's own
    /// registry, or the registry file `registryFile` when one is given (the
    /// system-wide one). A registry file that unregistering leaves without
    /// keys is removed, with its folder when that is left empty, so that
    /// removing the last module leaves nothing behind. The module stays loaded
    /// (see ComponentModule).
    static Outcome run(Action action, const QString &modulePath, const QString &registryFile = QString());
};

} // namespace mapdesk
