#include "FileChannel.h"

#include "HostError.h"
#include "WindowsPath.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include <unistd.h>

// Reading works on large blocks of raw bytes: a field is found by scanning the
// bytes and decoded in one go, so a file of a million records reads without
// touching each character twice. The rules for text that departs from the
// written form:
// - line breaks (CR LF, lone CR, lone LF, blank lines) in front of a field are
//   skipped; a field never comes from a blank line;
// - a quoted field runs to the next lone double quote; "" inside is one quote
//   and line breaks inside are kept; a quoted field the file ends inside is a
//   record cut short (62);
// - after the closing quote, anything up to the next comma or line end is
//   dropped, and that comma or line end is consumed;
// - an unquoted field runs, as it stands, to the next comma or line end;
// - a UTF-8 byte-order mark at the very start of the file is skipped.
// Each field is decoded as UTF-8 when it is valid UTF-8 and as Windows-1252
// otherwise, so that files written in that code page read as they were meant.

namespace {

constexpr qsizetype blockSize = 1 << 20;

[[noreturn]] void fail(std::int32_t number, const char *description)
{
    throw HostError(number, QString::fromLatin1(description));
}

// Using a channel for what it was not opened for, or not opened at all.
[[noreturn]] void failBadFileMode() { fail(54, "Bad file mode"); }
[[noreturn]] void failNotOpen() { fail(52, "Bad file name or number"); }

bool isLineBreak(char c) { return c == '\r' || c == '\n'; }

/// After the disk took only the first `count` bytes of a block, cuts the
/// file back to the end of the block's last whole record, so that the file
/// reads on as before; left alone when another writer has appended since.
void cutTornRecord(QFile &file, qint64 count, const std::vector<qsizetype> &recordEnds)
{
    const auto past = std::upper_bound(recordEnds.begin(), recordEnds.end(), count);
    const qint64 kept = past == recordEnds.begin() ? 0 : *std::prev(past);
    const qint64 end = ::lseek(file.handle(), 0, SEEK_CUR);
    if (end >= count && file.size() == end)
        file.resize(end - (count - kept));
}

QByteArray quotedRecord(const QStringList &fields)
{
    QByteArray record;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            record += ',';
        record += '"';
        record += fields.at(i).toUtf8().replace('"', "\"\"");
        record += '"';
    }
    record += "\r\n";
    return record;
}

} // namespace

struct FileChannel::Private
{
    enum class Mode { Closed, Input, Append };

    Mode mode = Mode::Closed;
    std::unique_ptr<QFile> file;

    // Input: the unread bytes are buffer[pos, buffer.size()).
    QByteArray buffer;
    qsizetype pos = 0;
    bool endOfFile = false;
    QStringDecoder utf8{QStringDecoder::Utf8,
                        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom};
    QStringDecoder windows1252{"windows-1252", QStringDecoder::Flag::Stateless};

    // Append: everything written since the channel was opened, and where
    // each of its records ends.
    QByteArray pending;
    std::vector<qsizetype> recordEnds;

    void reset()
    {
        mode = Mode::Closed;
        file.reset();
        buffer = QByteArray();
        pos = 0;
        endOfFile = false;
        pending = QByteArray();
        recordEnds.clear();
    }

    /// Appends the next block of the file to the buffer; false at the end.
    bool fill()
    {
        if (endOfFile)
            return false;
        const qsizetype old = buffer.size();
        buffer.resize(old + blockSize);
        const qint64 count = file->read(buffer.data() + old, blockSize);
        buffer.resize(old + std::max<qint64>(count, 0));
        if (count < 0)
            fail(75, "Path/File access error");
        if (count == 0)
            endOfFile = true;
        return count > 0;
    }

    /// True when the byte at index exists, reading more of the file if needed.
    bool has(qsizetype index)
    {
        while (index >= buffer.size())
            if (!fill())
                return false;
        return true;
    }

    /// Drops the bytes already read once enough of them have piled up.
    void compact()
    {
        if (pos >= blockSize) {
            buffer.remove(0, pos);
            pos = 0;
        }
    }

    void skipLineBreaks()
    {
        while (has(pos) && isLineBreak(buffer.at(pos)))
            ++pos;
    }

    /// Index of the first comma or line break at or after index, or the
    /// index just past the end of the file.
    qsizetype findFieldEnd(qsizetype index)
    {
        for (;;) {
            if (!has(index))
                return index;
            const char c = buffer.at(index);
            if (c == ',' || isLineBreak(c))
                return index;
            ++index;
        }
    }

    /// Consumes the comma or the line end (CR LF, CR or LF) at pos, if any.
    void consumeSeparator()
    {
        if (!has(pos))
            return;
        const char c = buffer.at(pos);
        if (c == ',' || c == '\n') {
            ++pos;
        } else if (c == '\r') {
            ++pos;
            if (has(pos) && buffer.at(pos) == '\n')
                ++pos;
        }
    }

    QString decode(QByteArrayView bytes)
    {
        if (std::none_of(bytes.begin(), bytes.end(), [](char c) { return c & 0x80; }))
            return QString::fromLatin1(bytes);
        QString text = utf8(bytes);
        if (!utf8.hasError())
            return text;
        utf8.resetState();
        if (!windows1252.isValid()) // a Qt built without ICU knows no code pages
            return QString::fromLatin1(bytes);
        return windows1252(bytes);
    }

    /// Reads the quoted field whose opening quote is at pos.
    QString readQuoted()
    {
        qsizetype runStart = pos + 1; // first byte not yet copied into `unescaped`
        qsizetype scan = runStart;
        QByteArray unescaped;
        bool hadDoubledQuote = false;
        qsizetype closing = 0;
        for (;;) {
            const void *hit = std::memchr(buffer.constData() + scan, '"', size_t(buffer.size() - scan));
            if (!hit) {
                scan = buffer.size();
                if (!fill())
                    fail(62, "Input past end of file");
                continue;
            }
            const qsizetype quote = static_cast<const char *>(hit) - buffer.constData();
            if (has(quote + 1) && buffer.at(quote + 1) == '"') {
                unescaped.append(buffer.constData() + runStart, quote + 1 - runStart);
                hadDoubledQuote = true;
                runStart = scan = quote + 2;
                continue;
            }
            closing = quote;
            break;
        }
        const QByteArrayView tail(buffer.constData() + runStart, closing - runStart);
        QString value;
        if (hadDoubledQuote)
            value = decode(unescaped.append(tail.data(), tail.size()));
        else
            value = decode(tail);
        pos = findFieldEnd(closing + 1);
        return value;
    }

    QString readUnquoted()
    {
        const qsizetype end = findFieldEnd(pos);
        QString value = decode(QByteArrayView(buffer.constData() + pos, end - pos));
        pos = end;
        return value;
    }
};

FileChannel &FileChannel::channel1()
{
    static FileChannel channel;
    return channel;
}

FileChannel::FileChannel() : d(std::make_unique<Private>()) {}

FileChannel::~FileChannel() { closeQuietly(); }

bool FileChannel::isOpen() const { return d->mode != Private::Mode::Closed; }

void FileChannel::openForInput(const QString &windowsPath)
{
    if (isOpen())
        fail(55, "File already open");
    // No name at all is a bad name; a name on a drive this machine does not
    // have, or with no drive, names no file that could be found.
    if (windowsPath.isEmpty())
        fail(52, "Bad file name or number");
    const QString native = WindowsPath::toNative(windowsPath);
    if (native.isEmpty())
        fail(53, "File not found");
    const QFileInfo info(native);
    if (!QFileInfo(info.absolutePath()).isDir())
        fail(76, "Path not found");
    if (info.isDir())
        fail(75, "Path/File access error");
    if (!info.exists())
        fail(53, "File not found");
    // Only a plain file holds records: a device would be read without end,
    // a pipe would keep the reader waiting.
    if (!info.isFile())
        fail(75, "Path/File access error");

    auto file = std::make_unique<QFile>(native);
    if (!file->open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        if (!QFileInfo(native).isReadable())
            fail(70, "Permission denied");
        fail(75, "Path/File access error");
    }
    d->reset();
    d->file = std::move(file);
    d->mode = Private::Mode::Input;
    try {
        if (d->has(2) && d->buffer.startsWith("\xEF\xBB\xBF"))
            d->pos = 3;
    } catch (...) {
        d->reset();
        throw;
    }
}

void FileChannel::openForAppend(const QString &windowsPath)
{
    if (isOpen())
        fail(55, "File already open");
    // No name at all is a bad name; without a drive the folder is not found.
    if (windowsPath.isEmpty())
        fail(52, "Bad file name or number");
    const QString native = WindowsPath::toNative(windowsPath);
    if (native.isEmpty())
        fail(76, "Path not found");
    const QFileInfo info(native);
    const QFileInfo folder(info.absolutePath());
    if (!folder.isDir())
        fail(76, "Path not found");
    if (info.isDir())
        fail(75, "Path/File access error");
    // A file without its owner's write permission is read-only: it is not
    // written to, also not by a user whose rights would let the write through.
    if (info.exists() && !info.permissions().testFlag(QFileDevice::WriteOwner))
        fail(70, "Permission denied");

    // The file is created (empty) now; what is written reaches it at close.
    auto file = std::make_unique<QFile>(native);
    if (!file->open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
        if (info.exists() ? !QFileInfo(native).isWritable() : !folder.isWritable())
            fail(70, "Permission denied");
        fail(75, "Path/File access error");
    }
    // Appending to a device that cannot seek (a pipe, a character device)
    // leaves a position error behind that concerns no one.
    file->unsetError();
    d->reset();
    d->file = std::move(file);
    d->mode = Private::Mode::Append;
}

bool FileChannel::atEnd()
{
    if (d->mode == Private::Mode::Closed)
        failNotOpen();
    if (d->mode != Private::Mode::Input)
        failBadFileMode();
    d->compact();
    d->skipLineBreaks();
    return !d->has(d->pos);
}

QString FileChannel::readField()
{
    if (d->mode == Private::Mode::Closed)
        failNotOpen();
    if (d->mode != Private::Mode::Input)
        failBadFileMode();
    d->compact();
    d->skipLineBreaks();
    if (!d->has(d->pos))
        fail(62, "Input past end of file");
    QString value = d->buffer.at(d->pos) == '"' ? d->readQuoted() : d->readUnquoted();
    d->consumeSeparator();
    return value;
}

void FileChannel::writeRecord(const QStringList &fields)
{
    if (d->mode == Private::Mode::Closed)
        failNotOpen();
    if (d->mode != Private::Mode::Append)
        failBadFileMode();
    d->pending += quotedRecord(fields);
    d->recordEnds.push_back(d->pending.size());
}

void FileChannel::close()
{
    if (d->mode != Private::Mode::Append) {
        d->reset();
        return;
    }
    // The channel is closed whatever happens below.
    const std::unique_ptr<QFile> file = std::move(d->file);
    const QByteArray pending = std::move(d->pending);
    const std::vector<qsizetype> recordEnds = std::move(d->recordEnds);
    d->reset();

    const qint64 count = pending.isEmpty() ? 0 : file->write(pending);
    const int writeError = errno;
    bool written = count == pending.size();
    QFileDevice::FileError error = file->error();
    if (count > 0 && !written) {
        if (writeError == ENOSPC)
            error = QFileDevice::ResourceError;
        cutTornRecord(*file, count, recordEnds);
    }
    file->close();
    if (written && file->error() != QFileDevice::NoError) {
        written = false;
        error = file->error();
    }
    if (!written) {
        if (error == QFileDevice::ResourceError)
            fail(61, "Disk full");
        fail(75, "Path/File access error");
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
