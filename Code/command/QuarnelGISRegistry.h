#pragma once

#include <QString>

/// Registration of the one class in the host's registry: a QSettings INI file
/// of mapdesk's ("mapdesk", "registry", user scope). Writes the class
/// identifier with its ProgID, the module path and threading model, and the
/// type library that describes the class; removal takes away exactly these
/// keys and leaves every other class alone.
namespace QuarnelGISRegistry {
/// Writes the class's keys with `modulePath` as the in-process server.
/// False when the registry cannot be written.
bool registerClass(const QString &modulePath);
/// Removes the class's keys. False when the registry cannot be written.
bool unregisterClass();
} // namespace QuarnelGISRegistry
