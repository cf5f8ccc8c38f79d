#include "FileChannel.h"

#include "FileLock.h"
#include "HostError.h"
#include "RecordEncoder.h"
#include "RecordScanner.h"
#include "RegularFile.h"
#include "RuntimeError.h"
#include "WindowsPath.h"

#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <iterator>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// The channel reads the file in large blocks and hands them to its
// RecordScanner, which finds and decodes the fields (its header states the
// rules for text that departs from the written form); whenever the scanner
// needs more bytes, the next block is read. The scanner's outcomes become the
// classic runtime errors here.

namespace {

constexpr qsizetype blockSize = RecordScanner::defaultBlockSize;

// Using a channel for what it was not opened for, or not opened at all.
[[noreturn]] void failBadFileMode()
{
    throwRuntimeError(RuntimeError::BadFileMode);
}
[[noreturn]] void failNotOpen()
{
    throwRuntimeError(RuntimeError::BadFileNameOrNumber);
}
[[noreturn]] void failPastEnd()
{
    throwRuntimeError(RuntimeError::InputPastEndOfFile);
}

[[noreturn]] void failLocked()
{
    throwRuntimeError(RuntimeError::PermissionDenied);
}

/// After the disk took only the first `count` bytes of a block that this
/// writer began at `start`, cuts the file back to the end of the block's last
/// whole record, so that the file reads on as before. Only this writer's own
/// bytes go: nothing is cut when the file no longer ends where this write
/// ended. False when the cut was needed and failed.
bool cutTornRecord(int descriptor, qint64 start, qint64 count, const std::vector<qsizetype> &recordEnds)
{
    const auto past = std::upper_bound(recordEnds.begin(), recordEnds.end(), count);
    const qint64 kept = past == recordEnds.begin() ? 0 : *std::prev(past);
    struct stat now = {};
    if (::fstat(descriptor, &now) != 0 || now.st_size != start + count)
        return true;
    return ::ftruncate(descriptor, start + kept) == 0;
}

/// A QFile that owns `descriptor`; the descriptor is closed and the channel
/// fails when Qt cannot take it.
std::unique_ptr<QFile> wrapDescriptor(int descriptor, QIODevice::OpenMode mode)
{
    auto file = std::make_unique<QFile>();
    if (!file->open(descriptor, mode, QFileDevice::AutoCloseHandle)) {
        ::close(descriptor);
        throwRuntimeError(RuntimeError::PathFileAccessError);
    }
    return file;
}

/// Opens (creating when missing) the regular file `native` for appending.
std::unique_ptr<QFile> openForAppending(const QString &native, bool existed, bool folderWritable)
{
    const int descriptor = RegularFile::open(native, O_WRONLY | O_APPEND | O_CREAT);
    if (descriptor < 0) {
        if (errno == EACCES && (existed || !folderWritable))
            throwRuntimeError(RuntimeError::PermissionDenied);
        throwRuntimeError(RuntimeError::PathFileAccessError);
    }
    return wrapDescriptor(descriptor, QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered);
}

/// Takes the exclusive lock on the file that `native` names now: when the
/// file held was replaced meanwhile (a Clear All, a rewrite), the new one is
/// opened and locked instead, so that the append is not lost with the old.
void lockForAppending(std::unique_ptr<QFile> &file, const QString &native)
{
    for (int attempt = 0;; ++attempt) {
        if (!FileLock::acquire(file->handle(), FileLock::Kind::Exclusive))
            failLocked();
        if (RegularFile::isNamedBy(file->handle(), native))
            return;
        if (attempt == 10)
            failLocked();
        file = openForAppending(native, true, true);
    }
}

} // namespace

struct FileChannel::Private
{
    enum class Mode { Closed, Input, Append };

    Mode mode = Mode::Closed;
    std::unique_ptr<QFile> file;
    QString native; ///< the file's native path, for an append that finds it replaced

    // Input: what was read of the file and not yet dropped; where the next
    // block is read from, and where the input ends (-1: at the file's end).
    RecordScanner scanner{blockSize};
    qint64 position = 0;
    qint64 end = -1;

    // Append: everything written since the channel was opened.
    RecordEncoder pending;

    void reset()
    {
        mode = Mode::Closed;
        file.reset();
        native.clear();
        scanner.clear();
        position = 0;
        end = -1;
        pending.clear();
    }

    /// Hands the next block of the file to the scanner, or tells it that the
    /// file has ended.
    void fill()
    {
        const qint64 wanted = end < 0 ? blockSize : std::min<qint64>(blockSize, end - position);
        char *room = scanner.prepareInput(blockSize);
        const qint64 count = wanted > 0 ? file->read(room, wanted) : 0;
        scanner.commitInput(std::max<qint64>(count, 0));
        if (count < 0)
            throwRuntimeError(RuntimeError::PathFileAccessError);
        position += count;
        if (count == 0)
            scanner.endInput();
    }

    /// Asks `step` of the scanner until the bytes at hand decide it, reading
    /// block after block of the file as it needs them.
    template <typename Step> RecordScanner::Outcome untilDecided(Step step)
    {
        for (;;) {
            const RecordScanner::Outcome outcome = step();
            if (outcome != RecordScanner::Outcome::NeedMore)
                return outcome;
            fill();
        }
    }

    void requireInput() const
    {
        if (mode != Mode::Input) {
            if (mode == Mode::Closed)
                failNotOpen();
            failBadFileMode();
        }
    }
};

FileChannel::FileChannel(const HostServices &services) : m_services(services), d(std::make_unique<Private>()) {}

FileChannel::~FileChannel()
{
    closeQuietly();
}

bool FileChannel::isOpen() const
{
    return d->mode != Private::Mode::Closed;
}

void FileChannel::openForInput(const QString &windowsPath)
{
    openForInput(windowsPath, 0);
}

void FileChannel::openForInput(const QString &windowsPath, qint64 from, qint64 to)
{
    if (isOpen())
        throwRuntimeError(RuntimeError::FileAlreadyOpen);
    // No name at all is a bad name; a name on a drive this machine does not
    // have, or with no drive, names no file that could be found.
    if (windowsPath.isEmpty())
        throwRuntimeError(RuntimeError::BadFileNameOrNumber);
    const QString native = WindowsPath::toNative(m_services, windowsPath);
    if (native.isEmpty())
        throwRuntimeError(RuntimeError::FileNotFound);
    const QFileInfo info(native);
    if (!QFileInfo(info.absolutePath()).isDir())
        throwRuntimeError(RuntimeError::PathNotFound);
    if (info.isDir())
        throwRuntimeError(RuntimeError::PathFileAccessError);
    if (!info.exists())
        throwRuntimeError(RuntimeError::FileNotFound);
    // Only a plain file holds records: a device would be read without end,
    // a pipe would keep the reader waiting.
    if (!info.isFile())
        throwRuntimeError(RuntimeError::PathFileAccessError);

    const int descriptor = RegularFile::open(native, O_RDONLY);
    if (descriptor < 0) {
        if (errno == EACCES)
            throwRuntimeError(RuntimeError::PermissionDenied);
        throwRuntimeError(RuntimeError::PathFileAccessError);
    }
    auto file = wrapDescriptor(descriptor, QIODevice::ReadOnly | QIODevice::Unbuffered);
    // Readers share the file; a writer's append or rewrite waits for them,
    // and they for it, so that no half-written record is ever read.
    if (!FileLock::acquire(descriptor, FileLock::Kind::Shared))
        failLocked();
    if (from > 0 && !file->seek(from))
        throwRuntimeError(RuntimeError::PathFileAccessError);
    d->reset();
    d->file = std::move(file);
    d->mode = Private::Mode::Input;
    d->position = std::max<qint64>(from, 0);
    d->end = to < 0 ? -1 : std::max(to, d->position);
    if (from > 0)
        return;
    try {
        d->untilDecided([this] { return d->scanner.skipByteOrderMark(); });
    } catch (...) {
        d->reset();
        throw;
    }
}

void FileChannel::openForAppend(const QString &windowsPath)
{
    if (isOpen())
        throwRuntimeError(RuntimeError::FileAlreadyOpen);
    // No name at all is a bad name; without a drive the folder is not found.
    if (windowsPath.isEmpty())
        throwRuntimeError(RuntimeError::BadFileNameOrNumber);
    const QString native = WindowsPath::toNative(m_services, windowsPath);
    if (native.isEmpty())
        throwRuntimeError(RuntimeError::PathNotFound);
    const QFileInfo info(native);
    const QFileInfo folder(info.absolutePath());
    if (!folder.isDir())
        throwRuntimeError(RuntimeError::PathNotFound);
    if (info.isDir())
        throwRuntimeError(RuntimeError::PathFileAccessError);
    // A file without its owner's write permission is read-only: it is not
    // written to, also not by a user whose rights would let the write through.
    if (info.exists() && !info.permissions().testFlag(QFileDevice::WriteOwner))
        throwRuntimeError(RuntimeError::PermissionDenied);

    // The file is created (empty) now; what is written reaches it at close.
    auto file = openForAppending(native, info.exists(), folder.isWritable());
    d->reset();
    d->file = std::move(file);
    d->native = native;
    d->mode = Private::Mode::Append;
}

bool FileChannel::atEnd()
{
    d->requireInput();
    // A field begins right here in the buffer: not at the end.
    if (d->scanner.fieldAtHand())
        return false;
    d->scanner.compact();
    return d->untilDecided([this] { return d->scanner.skipLineBreaks(); }) == RecordScanner::Outcome::End;
}

QString FileChannel::readField()
{
    const QByteArrayView raw = readRawField();
    return d->scanner.fieldText(raw);
}

QByteArrayView FileChannel::readRawField()
{
    d->requireInput();
    QByteArrayView field;
    if (d->scanner.tryReadRawFields(&field, 1))
        return field;
    d->scanner.compact();
    RecordScanner::FieldRead read;
    // Ending before the field begins or inside its quotes: input past the end.
    if (d->untilDecided([&] { return d->scanner.readRawField(read, &field); }) != RecordScanner::Outcome::Done)
        failPastEnd();
    return field;
}

bool FileChannel::tryReadRawFields(QByteArrayView *fields, int count)
{
    d->requireInput();
    return d->scanner.tryReadRawFields(fields, count);
}

RecordScanner &FileChannel::scanner()
{
    d->requireInput();
    return d->scanner;
}

QString FileChannel::fieldText(QByteArrayView raw)
{
    return d->scanner.fieldText(raw);
}

void FileChannel::writeRecord(std::initializer_list<QStringView> fields)
{
    if (d->mode == Private::Mode::Closed)
        failNotOpen();
    if (d->mode != Private::Mode::Append)
        failBadFileMode();
    d->pending.append(fields);
}

void FileChannel::close()
{
    if (d->mode != Private::Mode::Append) {
        d->reset();
        return;
    }
    // The channel is closed whatever happens below.
    const auto closed = qScopeGuard([this] { d->reset(); });
    std::unique_ptr<QFile> file = std::move(d->file);
    const QByteArrayView pending = d->pending.bytes();
    if (pending.isEmpty())
        return;

    // The one write happens under the exclusive lock, to the file that the
    // path names at that moment.
    lockForAppending(file, d->native);
    // Where the write begins, so that a torn write can be cut back to it.
    struct stat before = {};
    if (::fstat(file->handle(), &before) != 0)
        throwRuntimeError(RuntimeError::PathFileAccessError);
    const qint64 count = file->write(pending.data(), pending.size());
    const int writeError = errno;
    bool written = count == pending.size();
    QFileDevice::FileError error = file->error();
    // A disk with no room, or a file at the size limit, is a full disk.
    if (!written && (writeError == ENOSPC || writeError == EFBIG))
        error = QFileDevice::ResourceError;
    if (count > 0 && !written) {
        if (!cutTornRecord(file->handle(), before.st_size, count, d->pending.recordEnds()))
            error = QFileDevice::WriteError;
    }
    file->close();
    if (written && file->error() != QFileDevice::NoError) {
        written = false;
        error = file->error();
    }
    if (!written) {
        if (error == QFileDevice::ResourceError)
            throwRuntimeError(RuntimeError::DiskFull);
        throwRuntimeError(RuntimeError::PathFileAccessError);
    }
}

void FileChannel::closeQuietly() noexcept
{
    try {
        close();
    } catch (...) {
        // Failure paths close the channel to free it; their own failure is
        // the one that gets reported.
    }
}
