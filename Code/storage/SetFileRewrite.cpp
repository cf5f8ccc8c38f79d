#include "SetFileRewrite.h"

#include "FileLock.h"
#include "HostError.h"
#include "RegularFile.h"
#include "WindowsPath.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

[[noreturn]] void fail(std::int32_t number, const char *description)
{
    throw HostError(number, QString::fromLatin1(description));
}

/// An open, locked set file, unlocked and closed when it goes.
class LockedFile
{
public:
    /// Opens `native` (created empty when `create`) and locks it; the lock is
    /// taken on the file the path names once locked, however often it was
    /// replaced meanwhile. A missing file is not opened (descriptor -1).
    LockedFile(const QString &native, FileLock::Kind kind, bool create)
    {
        const int flags = (kind == FileLock::Kind::Exclusive ? O_RDWR : O_RDONLY) | (create ? O_CREAT : 0);
        for (int attempt = 0; attempt < 10; ++attempt) {
            m_descriptor = RegularFile::open(native, flags);
            if (m_descriptor < 0) {
                if (errno == ENOENT && !create)
                    return;
                if (errno == ENOENT || errno == ENOTDIR)
                    fail(76, "Path not found");
                if (errno == EACCES || errno == EPERM)
                    fail(70, "Permission denied");
                fail(75, "Path/File access error");
            }
            if (!FileLock::acquire(m_descriptor, kind))
                break;
            if (RegularFile::isNamedBy(m_descriptor, native))
                return;
            ::close(m_descriptor);
            m_descriptor = -1;
        }
        if (m_descriptor >= 0)
            ::close(m_descriptor);
        fail(70, "Permission denied");
    }
    ~LockedFile()
    {
        if (m_descriptor >= 0)
            ::close(m_descriptor);
    }
    LockedFile(const LockedFile &) = delete;
    LockedFile &operator=(const LockedFile &) = delete;

    bool isOpen() const { return m_descriptor >= 0; }

    QByteArray readAll() const
    {
        QByteArray bytes;
        if (m_descriptor < 0)
            return bytes;
        struct stat seen = {};
        ::fstat(m_descriptor, &seen);
        bytes.resize(qsizetype(seen.st_size));
        qsizetype done = 0;
        while (done < bytes.size()) {
            const ssize_t count = ::pread(m_descriptor, bytes.data() + done, size_t(bytes.size() - done), done);
            if (count < 0 && errno == EINTR)
                continue;
            if (count < 0)
                fail(75, "Path/File access error");
            if (count == 0)
                break;
            done += count;
        }
        bytes.truncate(done);
        return bytes;
    }

private:
    int m_descriptor = -1;
};

/// Writes `bytes` as the whole of `native`, through a new file renamed over it.
void writeWhole(const QString &native, const QByteArray &bytes)
{
    QSaveFile file(native);
    if (!file.open(QIODevice::WriteOnly))
        fail(file.error() == QFileDevice::PermissionsError ? 70 : 75,
             file.error() == QFileDevice::PermissionsError ? "Permission denied" : "Path/File access error");
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        if (file.error() == QFileDevice::ResourceError)
            fail(61, "Disk full");
        fail(75, "Path/File access error");
    }
}

/// Keeps the file as it is now at `previous`: a second name for the same
/// file where the file system allows one, else a copy of its bytes.
void keepAsPrevious(const QString &native, const QString &previous, const QByteArray &bytes)
{
    const QByteArray link = QFile::encodeName(previous + QStringLiteral(".new"));
    ::unlink(link.constData());
    if (QFileInfo::exists(native) && ::link(QFile::encodeName(native).constData(), link.constData()) == 0
        && ::rename(link.constData(), QFile::encodeName(previous).constData()) == 0)
        return;
    ::unlink(link.constData());
    writeWhole(previous, bytes);
}

} // namespace

SetFileRewrite::SetFileRewrite(const HostServices &services, const QString &windowsPath)
    : m_native(WindowsPath::toNative(services, windowsPath))
{
    if (m_native.isEmpty())
        fail(76, "Path not found");
}

QByteArray SetFileRewrite::read() const
{
    const LockedFile file(m_native, FileLock::Kind::Shared, false);
    return file.readAll();
}

bool SetFileRewrite::rewrite(const std::function<std::optional<QByteArray>(const QByteArray &current)> &change)
{
    // A missing file is created only for a change that writes something.
    if (!QFileInfo::exists(m_native) && !change(QByteArray()))
        return false;
    const LockedFile file(m_native, FileLock::Kind::Exclusive, true);
    const QByteArray current = file.readAll();
    const std::optional<QByteArray> next = change(current);
    if (!next)
        return false;
    keepAsPrevious(m_native, previousPath(), current);
    writeWhole(m_native, *next);
    return true;
}

bool SetFileRewrite::swapWithPrevious()
{
    if (!QFileInfo::exists(previousPath()))
        return false;
    const LockedFile file(m_native, FileLock::Kind::Exclusive, true);
    const QByteArray native = QFile::encodeName(m_native);
    const QByteArray previous = QFile::encodeName(previousPath());
    if (!QFileInfo::exists(previousPath()))
        return false;
    // One atomic exchange where the file system has it; else three renames,
    // each of which leaves both files in place should the next one fail.
    if (::renameat2(AT_FDCWD, previous.constData(), AT_FDCWD, native.constData(), RENAME_EXCHANGE) == 0)
        return true;
    const QByteArray parked = native + ".swap";
    if (::rename(previous.constData(), parked.constData()) != 0)
        fail(75, "Path/File access error");
    if (::rename(native.constData(), previous.constData()) != 0) {
        ::rename(parked.constData(), previous.constData());
        fail(75, "Path/File access error");
    }
    if (::rename(parked.constData(), native.constData()) != 0)
        fail(75, "Path/File access error");
    return true;
}
