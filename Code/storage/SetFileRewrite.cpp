#include "SetFileRewrite.h"

#include "FileLock.h"
#include "HostError.h"
#include "RegularFile.h"
#include "RuntimeError.h"
#include "SetFileRecords.h"
#include "WindowsPath.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <algorithm>
#include <cerrno>
#include <optional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

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
                    throwRuntimeError(RuntimeError::PathNotFound);
                if (errno == EACCES || errno == EPERM)
                    throwRuntimeError(RuntimeError::PermissionDenied);
                throwRuntimeError(RuntimeError::PathFileAccessError);
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
        throwRuntimeError(RuntimeError::PermissionDenied);
    }
    ~LockedFile()
    {
        if (m_descriptor >= 0)
            ::close(m_descriptor);
    }
    LockedFile(const LockedFile &) = delete;
    LockedFile &operator=(const LockedFile &) = delete;

    bool isOpen() const { return m_descriptor >= 0; }

    /// The file's identity and size; a file that cannot be looked at fails,
    /// since a change that went on would take it for an empty one.
    struct stat status() const
    {
        struct stat seen = {};
        if (::fstat(m_descriptor, &seen) != 0)
            throwRuntimeError(RuntimeError::PathFileAccessError);
        return seen;
    }

    QByteArray readAll() const
    {
        QByteArray bytes;
        if (m_descriptor < 0)
            return bytes;
        bytes.resize(qsizetype(status().st_size));
        qsizetype done = 0;
        while (done < bytes.size()) {
            const ssize_t count = ::pread(m_descriptor, bytes.data() + done, size_t(bytes.size() - done), done);
            if (count < 0 && errno == EINTR)
                continue;
            if (count < 0)
                throwRuntimeError(RuntimeError::PathFileAccessError);
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

/// The failure of a QSaveFile (or QFile) in the file channel's numbers.
[[noreturn]] void failWriting(const QFileDevice &file)
{
    if (errno == ENOSPC || errno == EFBIG)
        throwRuntimeError(RuntimeError::DiskFull);
    if (file.error() == QFileDevice::PermissionsError)
        throwRuntimeError(RuntimeError::PermissionDenied);
    if (file.error() == QFileDevice::ResourceError)
        throwRuntimeError(RuntimeError::DiskFull);
    throwRuntimeError(RuntimeError::PathFileAccessError);
}

/// A whole new version of a file: written beside it at once, renamed over it
/// by commit(). Unbuffered, so that a write the disk refuses is seen at once
/// and the new version is dropped rather than committed short. It is locked exclusively from before it takes the name
/// until this object goes, so that nobody appends to it or changes it before its undo mark is written. Dropped,
/// uncommitted, when this object goes first.
class NewVersion
{
public:
    NewVersion(const QString &native, const QByteArray &bytes) : m_file(native)
    {
        if (!m_file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            failWriting(m_file);
        if (m_file.write(bytes) != bytes.size())
            failWriting(m_file);
        m_lock = ::dup(m_file.handle());
        struct stat seen = {};
        if (m_lock < 0 || !FileLock::acquire(m_lock, FileLock::Kind::Exclusive) || ::fstat(m_lock, &seen) != 0)
            throwRuntimeError(RuntimeError::PathFileAccessError);
        device = seen.st_dev;
        inode = seen.st_ino;
    }
    ~NewVersion()
    {
        if (m_lock >= 0)
            ::close(m_lock);
    }
    NewVersion(const NewVersion &) = delete;
    NewVersion &operator=(const NewVersion &) = delete;

    void commit()
    {
        if (!m_file.commit())
            failWriting(m_file);
    }

    dev_t device = 0;
    ino_t inode = 0;

private:
    QSaveFile m_file;
    int m_lock = -1;
};

/// Where the bytes of the last whole-file change end in the file it wrote,
/// and which file that was.
struct UndoMark
{
    quint64 device = 0;
    quint64 inode = 0;
    qint64 end = 0;
    QByteArray check; ///< a digest of the change's last bytes

    static QByteArray checkOf(const QByteArray &bytes, qint64 end)
    {
        const qint64 from = std::max<qint64>(0, end - 4096);
        return QCryptographicHash::hash(QByteArray::fromRawData(bytes.constData() + from, end - from),
                                        QCryptographicHash::Sha256)
            .toHex();
    }
    static UndoMark of(const NewVersion &file, const QByteArray &bytes, qint64 end)
    {
        return {quint64(file.device), quint64(file.inode), end, checkOf(bytes, end)};
    }

    /// True when `seen` with `bytes` is the file this mark was made for, with
    /// nothing changed before the mark.
    bool describes(const struct stat &seen, const QByteArray &bytes) const
    {
        return quint64(seen.st_dev) == device && quint64(seen.st_ino) == inode && end <= bytes.size()
               && checkOf(bytes, end) == check;
    }

    static std::optional<UndoMark> read(const QString &path)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return std::nullopt;
        const QJsonObject json = QJsonDocument::fromJson(file.readAll()).object();
        if (!json.value(QLatin1String("end")).isDouble())
            return std::nullopt;
        return UndoMark{json.value(QLatin1String("device")).toString().toULongLong(),
                        json.value(QLatin1String("inode")).toString().toULongLong(),
                        qint64(json.value(QLatin1String("end")).toDouble()),
                        json.value(QLatin1String("check")).toString().toLatin1()};
    }

    /// Writes the mark; false when it could not be written, and then no mark
    /// is left that could describe the file.
    bool write(const QString &path) const
    {
        const QJsonObject json{{QLatin1String("device"), QString::number(device)},
                               {QLatin1String("inode"), QString::number(inode)},
                               {QLatin1String("end"), double(end)},
                               {QLatin1String("check"), QString::fromLatin1(check)}};
        QSaveFile file(path);
        if (file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)
            && file.write(QJsonDocument(json).toJson(QJsonDocument::Compact)) >= 0 && file.commit())
            return true;
        QFile::remove(path);
        return false;
    }
};

/// The file as it is now, kept at "<previous>.new" until keep() names it
/// `previous`: a second name for the same file where the file system allows
/// one, else a copy of its bytes. Removed when it was not kept.
class PendingPrevious
{
public:
    PendingPrevious(const QString &native, const QString &previous, const QByteArray &bytes)
        : m_pending(previous + QStringLiteral(".new")), m_previous(previous)
    {
        const QByteArray pending = QFile::encodeName(m_pending);
        ::unlink(pending.constData());
        if (QFileInfo::exists(native) && ::link(QFile::encodeName(native).constData(), pending.constData()) == 0)
            return;
        QFile copy(m_pending);
        if (!copy.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)
            || copy.write(bytes) != bytes.size() || !copy.flush()) {
            const bool full = copy.error() == QFileDevice::ResourceError;
            copy.close();
            ::unlink(pending.constData());
            throwRuntimeError(full ? RuntimeError::DiskFull : RuntimeError::PathFileAccessError);
        }
    }
    ~PendingPrevious()
    {
        if (!m_kept)
            ::unlink(QFile::encodeName(m_pending).constData());
    }
    PendingPrevious(const PendingPrevious &) = delete;
    PendingPrevious &operator=(const PendingPrevious &) = delete;

    bool keep()
    {
        m_kept = ::rename(QFile::encodeName(m_pending).constData(), QFile::encodeName(m_previous).constData()) == 0;
        return m_kept;
    }

private:
    QString m_pending;
    QString m_previous;
    bool m_kept = false;
};

/// True when `bytes` end inside a record.
bool endsInsideRecord(const QByteArray &bytes)
{
    SetFileRecords records(bytes);
    SetFileRecords::Record record;
    while (records.next(record)) {
    }
    return records.cutShort();
}

} // namespace

SetFileRewrite::SetFileRewrite(const HostServices &services, const QString &windowsPath)
    : m_native(WindowsPath::toNative(services, windowsPath))
{
    if (m_native.isEmpty())
        throwRuntimeError(RuntimeError::PathNotFound);
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
    // The new file is written and in place before the undo point moves on,
    // so a change that fails leaves the last undo point as it was.
    PendingPrevious previous(m_native, previousPath(), current);
    NewVersion replacement(m_native, *next);
    replacement.commit();
    // The change is made; an undo point that cannot be kept only means that
    // there is nothing to undo (the mark left names the replaced file).
    if (previous.keep())
        UndoMark::of(replacement, *next, next->size()).write(markPath());
    return true;
}

bool SetFileRewrite::undo()
{
    if (!QFileInfo::exists(previousPath()))
        return false;
    const LockedFile file(m_native, FileLock::Kind::Exclusive, false);
    if (!file.isOpen())
        return false;
    const std::optional<UndoMark> mark = UndoMark::read(markPath());
    const QByteArray current = file.readAll();
    if (!mark || !mark->describes(file.status(), current))
        return false;

    QFile previousFile(previousPath());
    if (!previousFile.open(QIODevice::ReadOnly))
        throwRuntimeError(RuntimeError::PathFileAccessError);
    const QByteArray before = previousFile.readAll();
    if (previousFile.error() != QFileDevice::NoError)
        throwRuntimeError(RuntimeError::PathFileAccessError);

    // What saves appended since the change stays, after the bytes that come
    // back, on a line of its own.
    const QByteArray since = QByteArray::fromRawData(current.constData() + mark->end, current.size() - mark->end);
    QByteArray restored = before;
    if (!since.isEmpty()) {
        if (endsInsideRecord(before))
            return false;
        if (!restored.isEmpty() && !restored.endsWith('\n') && !restored.endsWith('\r'))
            restored.append("\r\n", 2);
        restored.append(since);
    }
    const qint64 restoredEnd = restored.size() - since.size();

    // The change's own bytes become the undo point for a redo; they are
    // written before the file is replaced and take their name after it.
    QSaveFile changed(previousPath());
    if (!changed.open(QIODevice::WriteOnly | QIODevice::Unbuffered)
        || changed.write(current.constData(), mark->end) != mark->end)
        failWriting(changed);
    NewVersion replacement(m_native, restored);
    replacement.commit();
    if (changed.commit())
        UndoMark::of(replacement, restored, restoredEnd).write(markPath());
    else
        QFile::remove(markPath());
    return true;
}
