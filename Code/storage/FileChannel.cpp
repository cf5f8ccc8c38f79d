#include "FileChannel.h"

#include "HostError.h"
#include "RecordEncoder.h"
#include "WindowsPath.h"

#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QStringDecoder>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include <unistd.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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
// Unread bytes that are cheap to move to the front of the buffer.
constexpr qsizetype smallRest = 1 << 12;

[[noreturn]] void fail(std::int32_t number, const char *description)
{
    throw HostError(number, QString::fromLatin1(description));
}

// Using a channel for what it was not opened for, or not opened at all.
[[noreturn]] void failBadFileMode() { fail(54, "Bad file mode"); }
[[noreturn]] void failNotOpen() { fail(52, "Bad file name or number"); }

bool isLineBreak(char c) { return c == '\r' || c == '\n'; }

/// Bit i set where bytes[i] is a double quote, for 64 bytes.
std::uint64_t quotesIn64(const char *bytes)
{
#if defined(__SSE2__)
    const __m128i quote = _mm_set1_epi8('"');
    std::uint64_t bits = 0;
    for (int part = 0; part < 4; ++part) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i *>(bytes + 16 * part));
        bits |= std::uint64_t(std::uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, quote)))) << (16 * part);
    }
    return bits;
#else
    std::uint64_t bits = 0;
    for (int i = 0; i < 64; ++i)
        bits |= std::uint64_t(bytes[i] == '"') << i;
    return bits;
#endif
}

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
    // The quotes among the 64 bytes from buffer[quoteBase] on (a multiple of
    // 64), bit i for buffer[quoteBase + i]; quoteBase is -1 when not known.
    qsizetype quoteBase = -1;
    std::uint64_t quoteBits = 0;
    QStringDecoder utf8{QStringDecoder::Utf8,
                        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom};
    QStringDecoder windows1252{"windows-1252", QStringDecoder::Flag::Stateless};

    // Append: everything written since the channel was opened.
    RecordEncoder pending;

    void reset()
    {
        mode = Mode::Closed;
        file.reset();
        buffer = QByteArray();
        pos = 0;
        quoteBase = -1;
        endOfFile = false;
        pending.clear();
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

    /// Drops the bytes already read, between fields only. That is done when
    /// few unread bytes are left to move to the front, or at the latest once
    /// a whole block was read past, so that the buffer stays near one block.
    void compact()
    {
        const qsizetype unread = buffer.size() - pos;
        if ((pos >= blockSize / 2 && unread <= smallRest) || pos >= blockSize) {
            char *data = buffer.data();
            std::memmove(data, data + pos, size_t(unread));
            buffer.truncate(unread);
            pos = 0;
            quoteBase = -1;
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

    /// Passes over `count` plain quoted fields at pos, the last ending its
    /// line (for example `"a","b","c"` CR LF), when all of them lie in the 64
    /// bytes from pos on, and returns true; otherwise changes nothing.
    template <int count> bool plainLineRest()
    {
        static_assert(count >= 1 && count <= 32);
        if (buffer.size() - pos < 64)
            return false;
        const char *at = buffer.constData() + pos;
        std::uint64_t quotes = quotesIn64(at);
        // The first quotes in a row: each field's opening and closing one
        // (64 where there are too few).
        qsizetype quote[2 * count];
        for (qsizetype &found : quote) {
            found = std::countr_zero(quotes);
            quotes &= quotes - 1;
        }
        // Reads stay within the 64 bytes whatever the quotes found.
        auto byteAfter = [at](qsizetype index, int offset) { return at[std::min<qsizetype>(index, 61) + offset]; };
        const qsizetype last = quote[2 * count - 1];
        bool plain = quote[0] == 0 && last < 62 && byteAfter(last, 1) == '\r' && byteAfter(last, 2) == '\n';
        for (int i = 1; i < count && plain; ++i)
            plain = quote[2 * i] == quote[2 * i - 1] + 2 && byteAfter(quote[2 * i - 1], 1) == ',';
        if (!plain)
            return false;
        pos += last + 3;
        return true;
    }

    /// The common case, with no call on the file: up to `count` quoted
    /// fields in a row, each right at pos with its closing quote followed by
    /// a comma or CR LF already in the buffer. Reads them as readRaw() would
    /// and returns how many, handing each one's bytes to `take`. Quotes
    /// are found by looking at the buffer in windows of 64 bytes, the last of
    /// which is kept, so that the fields of a record mostly share one look.
    template <typename Take> int quickFields(int count, Take take)
    {
        const char *data = buffer.constData();
        const qsizetype size = buffer.size();
        qsizetype at = pos;
        qsizetype base = quoteBase;
        std::uint64_t bits = quoteBits;
        int done = 0;
        while (done < count && at < size && data[at] == '"') {
            qsizetype from = at + 1;
            qsizetype quote = -1;
            for (;;) {
                const qsizetype window = from & ~qsizetype(63);
                if (window != base) {
                    if (size - window < 64)
                        break;
                    base = window;
                    bits = quotesIn64(data + window);
                }
                if (const std::uint64_t ahead = bits >> (from - window)) {
                    quote = from + std::countr_zero(ahead);
                    break;
                }
                from = window + 64;
            }
            qsizetype next = 0;
            if (quote < 0 || quote + 2 >= size)
                break;
            if (data[quote + 1] == ',')
                next = quote + 2;
            else if (data[quote + 1] == '\r' && data[quote + 2] == '\n')
                next = quote + 3;
            else
                break;
            take(done, QByteArrayView(data + at, quote + 1 - at));
            at = next;
            ++done;
        }
        pos = at;
        quoteBase = base;
        quoteBits = bits;
        return done;
    }

    void requireInput() const
    {
        if (mode != Mode::Input) {
            if (mode == Mode::Closed)
                failNotOpen();
            failBadFileMode();
        }
    }

    /// Makes pos the first byte of the next field; throws 62 at the end.
    void startField()
    {
        compact();
        skipLineBreaks();
        if (!has(pos))
            fail(62, "Input past end of file");
    }

    /// Reads the field at pos and consumes its separator; returns where the
    /// field's bytes begin and end (a quoted field with both its quotes).
    std::pair<qsizetype, qsizetype> readRaw()
    {
        const qsizetype start = pos;
        if (buffer.at(pos) != '"') {
            const qsizetype end = findFieldEnd(pos);
            pos = end;
            consumeSeparator();
            return {start, end};
        }
        qsizetype scan = pos + 1;
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
                scan = quote + 2;
                continue;
            }
            closing = quote;
            break;
        }
        pos = findFieldEnd(closing + 1);
        consumeSeparator();
        return {start, closing + 1};
    }

    /// The text of a field's bytes as readRaw() found them.
    QString text(QByteArrayView raw)
    {
        if (raw.size() < 2 || raw.front() != '"')
            return decode(raw);
        const QByteArrayView inner = raw.sliced(1, raw.size() - 2);
        if (!std::memchr(inner.data(), '"', size_t(inner.size())))
            return decode(inner);
        // Inside the quotes every quote is doubled.
        QByteArray unescaped;
        unescaped.reserve(inner.size());
        for (qsizetype i = 0; i < inner.size(); ++i) {
            unescaped += inner.at(i);
            if (inner.at(i) == '"')
                ++i;
        }
        return decode(unescaped);
    }
};

FileChannel::FileChannel(const HostServices &services) : m_services(services), d(std::make_unique<Private>()) {}

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
    const QString native = WindowsPath::toNative(m_services, windowsPath);
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
    const QString native = WindowsPath::toNative(m_services, windowsPath);
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
    d->requireInput();
    // A field begins right here in the buffer: not at the end.
    if (d->pos < d->buffer.size() && !isLineBreak(d->buffer.at(d->pos)))
        return false;
    d->compact();
    d->skipLineBreaks();
    return !d->has(d->pos);
}

QString FileChannel::readField()
{
    const QByteArrayView raw = readRawField();
    return d->text(raw);
}

QByteArrayView FileChannel::readRawField()
{
    d->requireInput();
    QByteArrayView field;
    if (d->quickFields(1, [&field](int, QByteArrayView bytes) { field = bytes; }) == 0) {
        d->startField();
        const auto [start, end] = d->readRaw();
        field = QByteArrayView(d->buffer.constData() + start, end - start);
    }
    return field;
}

bool FileChannel::tryReadRawFields(QByteArrayView *fields, int count)
{
    d->requireInput();
    const qsizetype start = d->pos;
    if (d->quickFields(count, [fields](int i, QByteArrayView bytes) { fields[i] = bytes; }) < count) {
        d->pos = start;
        return false;
    }
    return true;
}

qsizetype FileChannel::skipRawRecords(QByteArrayView firstField, int fieldsPerRecord)
{
    d->requireInput();
    const qsizetype size = firstField.size();
    if (size < 2 || firstField.front() != '"' || fieldsPerRecord < 2)
        return 0;
    qsizetype skipped = 0;
    for (;;) {
        // The same bytes followed by a comma are the same field: its closing
        // quote is the last of them.
        const qsizetype start = d->pos;
        const char *data = d->buffer.constData();
        if (d->buffer.size() - start <= size || data[start + size] != ','
            || std::memcmp(data + start, firstField.data(), size_t(size)) != 0)
            break;
        d->pos = start + size + 1;
        if (fieldsPerRecord == 4 && d->plainLineRest<3>()) {
            ++skipped;
            continue;
        }
        if (d->quickFields(fieldsPerRecord - 1, [](int, QByteArrayView) {}) < fieldsPerRecord - 1) {
            d->pos = start;
            break;
        }
        ++skipped;
    }
    return skipped;
}

QString FileChannel::fieldText(QByteArrayView raw) { return d->text(raw); }

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
    const std::unique_ptr<QFile> file = std::move(d->file);
    const QByteArrayView pending = d->pending.bytes();

    const qint64 count = pending.isEmpty() ? 0 : file->write(pending.data(), pending.size());
    const int writeError = errno;
    bool written = count == pending.size();
    QFileDevice::FileError error = file->error();
    if (count > 0 && !written) {
        if (writeError == ENOSPC)
            error = QFileDevice::ResourceError;
        cutTornRecord(*file, count, d->pending.recordEnds());
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
