#pragma once

#include "Com.h"

#include <QLibrary>
#include <QString>

namespace mapdesk {

/// One command module file (a shared library with the component entry
/// points), loaded with QLibrary. Loading and resolving report what went
/// wrong in words that name the file.
///
/// A module, once loaded, stays loaded for the life of the process, even when
/// DllCanUnloadNow would agree: texts it hands out may point into its
/// constants, and Qt's process-wide state (the settings cache its
/// registration wrote to, registered types, the texts shown in the window)
/// may still refer to them.
class ComponentModule
{
public:
    explicit ComponentModule(const QString &path);
    ComponentModule(const ComponentModule &) = delete;
    ComponentModule &operator=(const ComponentModule &) = delete;

    const QString &path() const { return m_path; }
    bool isLoaded() const { return m_library.isLoaded(); }

    /// Loads the module. Returns an empty text on success, otherwise why the
    /// file is missing or is not a loadable module (a module cut short is
    /// refused before the dynamic loader sees it).
    QString load();
    /// The entry point `name` of the loaded module, or nullptr with `error`
    /// telling that the module lacks it.
    QFunctionPointer entryPoint(const char *name, QString *error);

    /// "0x80004005" for a result code.
    static QString resultText(Com::HRESULT result);

private:
    QString m_path;
    QLibrary m_library;
};

} // namespace mapdesk
