#include "SetFileRewrite.h"

#include "FileLock.h"
#include "HostError.h"
#include "RegularFile.h"
#include "RuntimeError.h"
#include "SetFileRecords.h"
#include "WindowsPath.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QSaveFile>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <optional>
#include <utility>

#define XXH_INLINE_ALL
#include <xxhash.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

namespace {

/// The piece of a file's bytes read or written at once while a digest is
/// taken of them: small enough that the digest finds them still in the cache.
constexpr qsizetype digestStep = qsizetype(1) << 20;

/// Asks for large pages under a buffer about to be filled (a large file read
/// whole), so that filling it takes far fewer page faults; only a hint.
void preferLargePages(char *data, qsizetype size)
{
    constexpr quintptr large = quintptr(2) << 20;
    const quintptr begin = (quintptr(data) + large - 1) & ~(large - 1);
    const quintptr end = (quintptr(data) + quintptr(size)) & ~(large - 1);
    if (end > begin)
        ::madvise(reinterpret_cast<void *>(begin), end - begin, MADV_HUGEPAGE);
}

/// The bytes of the open file, up to `size` of them: fewer when it was cut
/// meanwhile. When `digest` is given, every byte read is added to it too.
QByteArray readWhole(int descriptor, qint64 size, XXH3_state_t *digest = nullptr)
{
    QByteArray bytes(qsizetype(size), Qt::Uninitialized);
    preferLargePages(bytes.data(), bytes.size());
    qsizetype done = 0;
    while (done < bytes.size()) {
        const qsizetype want = digest ? std::min(digestStep, bytes.size() - done) : bytes.size() - done;
        const ssize_t count = ::pread(descriptor, bytes.data() + done, size_t(want), done);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            throwRuntimeError(RuntimeError::PathFileAccessError);
        if (count == 0)
            break;
        if (digest)
            XXH3_128bits_update(digest, bytes.constData() + done, size_t(count));
        done += count;
    }
    bytes.truncate(done);
    return bytes;
}

/// The text form of a digest, as the undo mark keeps it.
QByteArray digestText(const XXH128_hash_t &hash)
{
    return QByteArray::number(quint64(hash.high64), 16).rightJustified(16, '0')
           + QByteArray::number(quint64(hash.low64), 16).rightJustified(16, '0');
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
    int descriptor() const { return m_descriptor; }

    /// The file's identity and size; a file that cannot be looked at fails,
    /// since a change that went on would take it for an empty one.
    struct stat status() const
    {
        struct stat seen = {};
        if (::fstat(m_descriptor, &seen) != 0)
            throwRuntimeError(RuntimeError::PathFileAccessError);
        return seen;
    }

    /// The file's bytes; when `digest` is given, they are added to it too.
    QByteArray readAll(XXH3_state_t *digest = nullptr) const
    {
        return m_descriptor < 0 ? QByteArray() : readWhole(m_descriptor, status().st_size, digest);
    }

private:
    int m_descriptor = -1;
};

/// A write refused with `error`, in the file channel's numbers, as for a
/// write through a QSaveFile.
[[noreturn]] void failWriting(int error)
{
    if (error == ENOSPC || error == EFBIG)
        throwRuntimeError(RuntimeError::DiskFull);
    throwRuntimeError(RuntimeError::PathFileAccessError);
}

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

/// When the file open on `descriptor` was made, in nanoseconds, where the
/// file system tells; 0 where it does not. A file made anew under a freed
/// inode number has another birth time.
quint64 bornOf(int descriptor)
{
    struct statx seen = {};
    if (::statx(descriptor, "", AT_EMPTY_PATH, STATX_BTIME, &seen) != 0 || !(seen.stx_mask & STATX_BTIME))
        return 0;
    return quint64(seen.stx_btime.tv_sec) * 1000000000u + seen.stx_btime.tv_nsec;
}

/// A whole new version of a file: written beside it at once, renamed over it
/// by commit(). Its pieces go out in a few large vector writes straight from
/// the bytes they come from, a digest of every byte taken on the way. Unbuffered, so that a write the disk
/// refuses is seen at once and the new version is dropped rather than committed short. It is locked exclusively
/// from before it takes the name until this object goes, so that nobody appends to it or changes it before its undo
/// mark is written. Dropped, uncommitted, when this object goes first.
class NewVersion
{
public:
    /// `next`, whose kept stretches are taken from `old`.
    NewVersion(const QString &native, const FileSplice &next, const QByteArray &old = QByteArray()) : m_file(native)
    {
        if (!m_file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            failWriting(m_file);
        XXH3_state_t state;
        XXH3_128bits_reset(&state);
        writePieces(next, old, state);
        digest = digestText(XXH3_128bits_digest(&state));
        m_lock = ::dup(m_file.handle());
        struct stat seen = {};
        if (m_lock < 0 || !FileLock::acquire(m_lock, FileLock::Kind::Exclusive) || ::fstat(m_lock, &seen) != 0)
            throwRuntimeError(RuntimeError::PathFileAccessError);
        device = seen.st_dev;
        inode = seen.st_ino;
        born = bornOf(m_lock);
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
    quint64 born = 0;
    QByteArray digest; ///< of every byte written

private:
    /// Writes the pieces in turn, in batches of about digestStep bytes: each
    /// batch is added to the digest and then written, while still in the cache.
    void writePieces(const FileSplice &next, const QByteArray &old, XXH3_state_t &state)
    {
        constexpr int most = 64;
        iovec batch[most];
        int count = 0;
        qsizetype batched = 0;
        for (const FileSplice::Piece &piece : next.pieces()) {
            const char *data = next.data(piece, old);
            for (qsizetype at = 0; at < piece.size;) {
                const qsizetype size = std::min(piece.size - at, digestStep - batched);
                XXH3_128bits_update(&state, data + at, size_t(size));
                batch[count++] = {const_cast<char *>(data + at), size_t(size)};
                batched += size;
                at += size;
                if (batched == digestStep || count == most) {
                    writeAll(batch, count);
                    count = 0;
                    batched = 0;
                }
                startWritingOut();
            }
        }
        writeAll(batch, count);
    }
    /// Starts taking what was written so far out to the disk, every few
    /// batches, so that the commit's flush finds most of it written already
    /// rather than all of it still to write. Only a hint: the commit's flush
    /// is what makes the file safe.
    void startWritingOut()
    {
        constexpr off_t every = off_t(8) << 20;
        if (m_written - m_outFrom < every)
            return;
        ::sync_file_range(m_file.handle(), m_outFrom, m_written - m_outFrom, SYNC_FILE_RANGE_WRITE);
        m_outFrom = m_written;
    }
    /// Writes `count` buffers whole, however short the writes the file system takes.
    void writeAll(iovec *buffers, int count)
    {
        while (count > 0) {
            ssize_t written = ::writev(m_file.handle(), buffers, count);
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0)
                failWriting(written < 0 ? errno : ENOSPC);
            m_written += written;
            while (count > 0 && size_t(written) >= buffers->iov_len) {
                written -= ssize_t(buffers->iov_len);
                ++buffers;
                --count;
            }
            if (count > 0) {
                buffers->iov_base = static_cast<char *>(buffers->iov_base) + written;
                buffers->iov_len -= size_t(written);
            }
        }
    }

    QSaveFile m_file;
    int m_lock = -1;
    off_t m_written = 0; ///< bytes written so far
    off_t m_outFrom = 0; ///< where the bytes not yet sent to the disk start
};

/// A digest of every byte of `bytes`: fast enough to take of the whole file
/// at every change, wide enough that no edit goes unseen by chance.
QByteArray digestOf(const char *data, qint64 size)
{
    return digestText(XXH3_128bits(data, size_t(size)));
}
QByteArray digestOf(const QByteArray &bytes)
{
    return digestOf(bytes.constData(), bytes.size());
}

/// The bytes of a file kept beside the set file, or nothing when it is not
/// there, or not a regular file of at most `limit` bytes. It is opened
/// without following a link and without waiting (a pipe would wait for a
/// peer while the set file's lock is held). A file that is there but cannot
/// be read fails, as the set file itself would.
std::optional<QByteArray> readBeside(const QString &path, qint64 limit)
{
    const int descriptor =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (descriptor < 0) {
        if (errno == ENOENT || errno == ELOOP || errno == ENXIO || errno == ENOTDIR)
            return std::nullopt;
        throwRuntimeError(errno == EACCES || errno == EPERM ? RuntimeError::PermissionDenied
                                                            : RuntimeError::PathFileAccessError);
    }
    struct Closing
    {
        int descriptor;
        ~Closing() { ::close(descriptor); }
    } closing{descriptor};
    struct stat seen = {};
    if (::fstat(descriptor, &seen) != 0)
        throwRuntimeError(RuntimeError::PathFileAccessError);
    if (!S_ISREG(seen.st_mode) || seen.st_size > limit)
        return std::nullopt;
    return readWhole(descriptor, seen.st_size);
}

/// A file beside the set file, written whole under a fresh name and renamed
/// over `path` by commit(): whatever stood at `path` (a link included) is
/// replaced, never written through. Removed when not committed.
class BesideFile
{
public:
    BesideFile(const QString &path, const char *data, qint64 size) : m_path(path)
    {
        for (int attempt = 0; attempt < 100 && m_descriptor < 0; ++attempt) {
            m_pending =
                path + QStringLiteral(".%1.new").arg(QRandomGenerator::system()->generate(), 8, 16, QLatin1Char('0'));
            m_descriptor = ::open(QFile::encodeName(m_pending).constData(),
                                  O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
            if (m_descriptor < 0 && errno != EEXIST)
                fail(errno);
        }
        if (m_descriptor < 0)
            fail(EEXIST);
        while (size > 0) {
            const ssize_t count = ::write(m_descriptor, data, size_t(size));
            if (count < 0 && errno == EINTR)
                continue;
            if (count <= 0)
                fail(count < 0 ? errno : ENOSPC);
            data += count;
            size -= count;
        }
    }
    ~BesideFile()
    {
        if (m_descriptor >= 0)
            ::close(m_descriptor);
        if (!m_committed && !m_pending.isEmpty())
            ::unlink(QFile::encodeName(m_pending).constData());
    }
    BesideFile(const BesideFile &) = delete;
    BesideFile &operator=(const BesideFile &) = delete;

    /// False when it could not take its name; it is then removed.
    bool commit()
    {
        m_committed = ::close(std::exchange(m_descriptor, -1)) == 0
                      && ::rename(QFile::encodeName(m_pending).constData(), QFile::encodeName(m_path).constData()) == 0;
        return m_committed;
    }

private:
    [[noreturn]] void fail(int error)
    {
        if (error == ENOSPC || error == EFBIG || error == EDQUOT)
            throwRuntimeError(RuntimeError::DiskFull);
        if (error == EACCES || error == EPERM || error == EROFS)
            throwRuntimeError(RuntimeError::PermissionDenied);
        throwRuntimeError(RuntimeError::PathFileAccessError);
    }

    QString m_path;
    QString m_pending;
    int m_descriptor = -1;
    bool m_committed = false;
};

/// Where the bytes of the last whole-file change end in the file it wrote,
/// which file that was, and what it and the file kept for Undo held.
struct UndoMark
{
    quint64 device = 0;
    quint64 inode = 0;
    quint64 born = 0;   ///< the file's birth time, 0 where unknown
    qint64 end = 0;     ///< where the change's own bytes end
    QByteArray content; ///< a digest of the file's bytes before `end`
    qint64 previousSize = 0;
    QByteArray previous; ///< a digest of "<file>.previous"

    static constexpr qint64 largest = qint64(1) << 53; // exact as a JSON number

    /// True when `descriptor`, holding `bytes`, is the file this mark was made
    /// for, with every byte before the mark as the change left it.
    bool describes(int descriptor, const struct stat &seen, const QByteArray &bytes) const
    {
        return quint64(seen.st_dev) == device && quint64(seen.st_ino) == inode && bornOf(descriptor) == born
               && end <= bytes.size() && digestOf(bytes.constData(), end) == content;
    }
    /// True when `bytes` are the file this mark kept for Undo.
    bool keeps(const QByteArray &bytes) const { return bytes.size() == previousSize && digestOf(bytes) == previous; }

    static std::optional<UndoMark> read(const QString &path)
    {
        const std::optional<QByteArray> text = readBeside(path, 4096);
        if (!text)
            return std::nullopt;
        const QJsonObject json = QJsonDocument::fromJson(*text).object();
        UndoMark mark;
        bool known[3] = {};
        mark.device = json.value(QLatin1String("device")).toString().toULongLong(&known[0]);
        mark.inode = json.value(QLatin1String("inode")).toString().toULongLong(&known[1]);
        mark.born = json.value(QLatin1String("born")).toString().toULongLong(&known[2]);
        const std::optional<qint64> end = count(json.value(QLatin1String("end")));
        const std::optional<qint64> previousSize = count(json.value(QLatin1String("previousSize")));
        mark.content = json.value(QLatin1String("content")).toString().toLatin1();
        mark.previous = json.value(QLatin1String("previous")).toString().toLatin1();
        if (!known[0] || !known[1] || !known[2] || !end || !previousSize || mark.content.size() != 32
            || mark.previous.size() != 32)
            return std::nullopt;
        mark.end = *end;
        mark.previousSize = *previousSize;
        return mark;
    }

    /// Writes the mark; false when it could not be written, and then no mark
    /// is left that could describe the file.
    bool write(const QString &path) const
    {
        const QJsonObject json{{QLatin1String("device"), QString::number(device)},
                               {QLatin1String("inode"), QString::number(inode)},
                               {QLatin1String("born"), QString::number(born)},
                               {QLatin1String("end"), double(end)},
                               {QLatin1String("content"), QString::fromLatin1(content)},
                               {QLatin1String("previousSize"), double(previousSize)},
                               {QLatin1String("previous"), QString::fromLatin1(previous)}};
        const QByteArray text = QJsonDocument(json).toJson(QJsonDocument::Compact);
        try {
            BesideFile file(path, text.constData(), text.size());
            if (file.commit())
                return true;
        } catch (const HostError &) {
        }
        ::unlink(QFile::encodeName(path).constData());
        return false;
    }

private:
    /// A byte count from the mark: a whole number from 0 up to `largest`.
    static std::optional<qint64> count(const QJsonValue &value)
    {
        if (!value.isDouble())
            return std::nullopt;
        const double number = value.toDouble();
        if (!(number >= 0 && number <= double(largest)) || number != std::floor(number))
            return std::nullopt;
        return qint64(number);
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
        // A copy is made under a name nobody else made: a link planted there
        // is not written through.
        const int copy = ::open(pending.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        qsizetype done = 0;
        while (copy >= 0 && done < bytes.size()) {
            const ssize_t count = ::write(copy, bytes.constData() + done, size_t(bytes.size() - done));
            if (count < 0 && errno == EINTR)
                continue;
            if (count <= 0)
                break;
            done += count;
        }
        const int error = errno;
        if (copy < 0 || ::close(copy) != 0 || done < bytes.size()) {
            ::unlink(pending.constData());
            throwRuntimeError(error == ENOSPC || error == EDQUOT || (copy >= 0 && done < bytes.size())
                                  ? RuntimeError::DiskFull
                                  : RuntimeError::PathFileAccessError);
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

/// The file that `native` names, links followed (also a link whose file is
/// not there yet), in a folder named without links; `native` itself when it
/// cannot be followed.
QString followed(const QString &native)
{
    QString path = QFileInfo(native).absoluteFilePath();
    for (int hop = 0; hop < 40; ++hop) {
        const QFileInfo link(path);
        if (!link.isSymLink())
            break;
        path = link.symLinkTarget();
    }
    const QFileInfo file(path);
    const QString folder = file.absoluteDir().canonicalPath();
    return folder.isEmpty() ? path : folder + QLatin1Char('/') + file.fileName();
}

} // namespace

SetFileRewrite::SetFileRewrite(const HostServices &services, const QString &windowsPath)
    : m_native(WindowsPath::toNative(services, windowsPath))
{
    if (m_native.isEmpty())
        throwRuntimeError(RuntimeError::PathNotFound);
    m_native = followed(m_native);
}

bool SetFileRewrite::owns(const QString &nativePath) const
{
    const QString target = followed(nativePath);
    const QString previous = previousPath();
    return target == m_native || target == previous || target == markPath()
           || target.startsWith(previous + QLatin1Char('.')) || target.startsWith(markPath() + QLatin1Char('.'));
}

QByteArray SetFileRewrite::read() const
{
    const LockedFile file(m_native, FileLock::Kind::Shared, false);
    return file.readAll();
}

QByteArray SetFileRewrite::readMeasured(const QString &nativePath)
{
    const LockedFile file(nativePath, FileLock::Kind::Shared, false);
    if (!file.isOpen())
        return QByteArray();
    const qint64 size = file.status().st_size;
    FileLock::release(file.descriptor());
    return readWhole(file.descriptor(), size);
}

bool SetFileRewrite::rewrite(const std::function<std::optional<FileSplice>(const QByteArray &current)> &change)
{
    // A missing file is created only for a change that writes something.
    if (!QFileInfo::exists(m_native) && !change(QByteArray()))
        return false;
    const LockedFile file(m_native, FileLock::Kind::Exclusive, true);
    // The digests the undo mark keeps are taken as the bytes pass by, read
    // and written, rather than in passes of their own.
    XXH3_state_t currentDigest;
    XXH3_128bits_reset(&currentDigest);
    const QByteArray current = file.readAll(&currentDigest);
    const std::optional<FileSplice> next = change(current);
    if (!next)
        return false;
    // The new file is written and in place before the undo point moves on,
    // so a change that fails leaves the last undo point as it was.
    PendingPrevious previous(m_native, previousPath(), current);
    NewVersion replacement(m_native, *next, current);
    replacement.commit();
    // The change is made; an undo point that cannot be kept only means that
    // there is nothing to undo (the mark left names the replaced file).
    if (previous.keep())
        UndoMark{quint64(replacement.device),
                 quint64(replacement.inode),
                 replacement.born,
                 next->size(),
                 replacement.digest,
                 current.size(),
                 digestText(XXH3_128bits_digest(&currentDigest))}
            .write(markPath());
    return true;
}

bool SetFileRewrite::undo()
{
    const LockedFile file(m_native, FileLock::Kind::Exclusive, false);
    if (!file.isOpen())
        return false;
    // Undo acts only on the very files the last change left: the set file
    // with every byte before the mark as written, and the file kept beside
    // it as it was kept.
    const std::optional<UndoMark> mark = UndoMark::read(markPath());
    if (!mark)
        return false;
    const QByteArray current = file.readAll();
    if (!mark->describes(file.descriptor(), file.status(), current))
        return false;
    const std::optional<QByteArray> before = readBeside(previousPath(), mark->previousSize);
    if (!before || !mark->keeps(*before))
        return false;

    // What saves appended since the change stays, after the bytes that come
    // back, on a line of its own.
    const QByteArray since = QByteArray::fromRawData(current.constData() + mark->end, current.size() - mark->end);
    QByteArray restored = *before;
    if (!since.isEmpty()) {
        if (endsInsideRecord(*before))
            return false;
        if (!restored.isEmpty() && !restored.endsWith('\n') && !restored.endsWith('\r'))
            restored.append("\r\n", 2);
        restored.append(since);
    }
    const qint64 restoredEnd = restored.size() - since.size();

    // The change's own bytes become the undo point for a redo; they are
    // written before the file is replaced and take their name after it.
    BesideFile changed(previousPath(), current.constData(), mark->end);
    NewVersion replacement(m_native, restored);
    replacement.commit();
    if (changed.commit())
        UndoMark{quint64(replacement.device), quint64(replacement.inode), replacement.born, restoredEnd,
                 // Nothing appended since: the digest taken as the file was written.
                 since.isEmpty() ? replacement.digest : digestOf(restored.constData(), restoredEnd), mark->end,
                 mark->content}
            .write(markPath());
    else
        ::unlink(QFile::encodeName(markPath()).constData());
    return true;
}
