#pragma once

#include <QString>

class HostServices;

/// Resolves Windows-shaped paths ("C:\Program Files\...") to native ones
/// through the host's drive table: "X:\" becomes the root folder of drive X
/// and every "\" a "/".
namespace WindowsPath {
/// The native path, or an empty text when the path names no drive the
/// machine has (a letter without a drive, an empty or relative path).
QString toNative(const HostServices &services, const QString &windowsPath);
} // namespace WindowsPath
