#include "QuarnelGIS_IO.h"

#include "ErrorReporter.h"
#include "HostError.h"
#include "QuarnelGIS_Public.h"
#include "RuntimeError.h"
#include "WindowsPath.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdint>

namespace {

const QString moduleName = QStringLiteral("QuarnelGIS_IO");

/// The native path with any trailing separators removed, so that a folder
/// path ending in "\" names the folder itself. Empty when there is no drive.
QString nativeWithoutTrailingSlash(const HostServices &services, const QString &windowsPath)
{
    QString native = WindowsPath::toNative(services, windowsPath);
    while (native.size() > 1 && native.endsWith(QLatin1Char('/')))
        native.chop(1);
    return native;
}

/// A file without the owner's write permission is what the scripting
/// runtime calls read-only; it is checked by its bit, because a process with
/// administrative rights would otherwise delete it anyway.
bool isReadOnly(const QFileInfo &info)
{
    return !info.permissions().testFlag(QFileDevice::WriteOwner) || !info.isWritable();
}

} // namespace

namespace QuarnelGIS_IO {

bool fDoesFileExist(const QuarnelGIS_Public &state, const QString &path)
{
    std::int32_t line = 0;
    try {
        line = 10;
        const QString native = WindowsPath::toNative(state.services, path);
        line = 20;
        if (native.isEmpty())
            return false;
        line = 30;
        return QFileInfo(native).isFile();
    } catch (...) {
        state.reporter().reportCurrentFailure(QStringLiteral("fDoesFileExist "), moduleName, line);
        return false;
    }
}

bool fDoesDirectoryExist(const QuarnelGIS_Public &state, const QString &path)
{
    std::int32_t line = 0;
    try {
        line = 10;
        const QString native = nativeWithoutTrailingSlash(state.services, path);
        line = 20;
        if (native.isEmpty())
            return false;
        line = 30;
        return QFileInfo(native).isDir();
    } catch (...) {
        state.reporter().reportCurrentFailure(QStringLiteral("fDoesDirectoryExist "), moduleName, line);
        return false;
    }
}

void fDeleteFile(const QuarnelGIS_Public &state, const QString &path)
{
    std::int32_t line = 0;
    try {
        line = 10;
        if (!fDoesFileExist(state, path))
            return;
        line = 20;
        const QString native = WindowsPath::toNative(state.services, path);
        const QFileInfo info(native);
        line = 30;
        if (isReadOnly(info))
            throwRuntimeError(RuntimeError::PermissionDenied);
        line = 40;
        QFile file(native);
        if (!file.remove()) {
            if (!QFileInfo(info.absolutePath()).isWritable())
                throwRuntimeError(RuntimeError::PermissionDenied);
            if (info.exists())
                throwRuntimeError(RuntimeError::PathFileAccessError);
        }
    } catch (...) {
        state.reporter().reportCurrentFailure(QStringLiteral("fDeleteFile "), moduleName, line);
    }
}

void fCreateDirectory(const QuarnelGIS_Public &state, const QString &path)
{
    std::int32_t line = 0;
    try {
        line = 10;
        const QString native = nativeWithoutTrailingSlash(state.services, path);
        line = 20;
        if (native.isEmpty())
            throwRuntimeError(RuntimeError::PathNotFound);
        line = 30;
        const QFileInfo target(native);
        if (target.exists() || target.isSymLink())
            throwRuntimeError(RuntimeError::FileAlreadyExists);
        line = 40;
        const QString parent = target.absolutePath();
        if (!QFileInfo(parent).isDir())
            throwRuntimeError(RuntimeError::PathNotFound);
        line = 50;
        if (!QDir(parent).mkdir(target.fileName())) {
            if (!QFileInfo(parent).isWritable())
                throwRuntimeError(RuntimeError::PermissionDenied);
            throwRuntimeError(RuntimeError::PathFileAccessError);
        }
    } catch (...) {
        state.reporter().reportCurrentFailure(QStringLiteral("fCreateDirectory "), moduleName, line);
    }
}

} // namespace QuarnelGIS_IO
