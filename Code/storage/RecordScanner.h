#pragma once

#include "QtCompat.h"

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

/// Finds the fields of records in bytes held in memory and decodes them. It
/// knows no files: its owner hands it the input piece by piece (and says when
/// there is no more), and every read that runs out of bytes before it can
/// decide answers Outcome::NeedMore, having changed nothing that asking again
/// after more bytes (or the end of the input) would not give. Fields are read
/// in place: a field's bytes stay in the buffer until compact() drops them.
///
/// The rules for text that departs from the written form (quoted fields,
/// comma-separated, records ended by CR LF):
/// - line breaks (CR LF, lone CR, lone LF, blank lines) in front of a field are
///   skipped; a field never comes from a blank line;
/// - a quoted field runs to the quote that closes it; "" inside is one quote
///   and line breaks inside are kept; a quoted field the input ends inside is
///   a record cut short (Outcome::CutShort). The earlier version of the
///   writer put quotes inside names as they were, not doubled; one rule reads
///   both wherever they do not conflict:
///   - "" followed by a comma and a quote (the next field) is a quote that
///     ends the name, then the closing quote (the earlier writer's name
///     ending in a quote: "hi"","Layers",...);
///   - any other "" is one quote;
///   - a lone quote followed by a line end is the closing quote;
///   - a lone quote followed by a comma or by text is a quote inside the name
///     when the field goes on, on the same line and before any comma that
///     opens a quoted field, to a quote followed by a comma or a line end
///     (the earlier writer's "say "hi" now" and "a",b"); otherwise it is the
///     closing quote.
///   Names written today that contain "," are the case where the two
///   conflict; it reads as the earlier writer meant;
/// - after the closing quote, anything up to the next comma or line end is
///   dropped, and that comma or line end is consumed;
/// - an unquoted field runs, as it stands, to the next comma or line end;
/// - a UTF-8 byte-order mark at the very start of the input is skipped
///   (skipByteOrderMark()).
/// Each field is decoded as UTF-8 when it is valid UTF-8 and as Windows-1252
/// otherwise, so that files written in that code page read as they were meant.
///
/// Records: after readRecordsOf(n) the fields are read n to a record, and a
/// damaged record never changes how the lines after it read:
/// - after the last field of a record, the rest of its line is dropped (a
///   long record);
/// - a record goes on past a line end (a line break inside a quoted field,
///   or line breaks in front of a field other than its first) only when the
///   line after it (past blank lines) does not hold a record of its own: a
///   line that begins with a quote and whose first n fields end on it, the
///   last of them True or False. Otherwise the record ends with that line end (a short record):
///   a quoted field open there ends there, and the record's missing fields
///   come back empty.
///
/// The common case is made fast without decoding anything: quoted fields
/// followed by a comma or CR LF, all at hand, are found by looking at the
/// buffer 64 bytes at a time for quotes (tryReadRawFields(),
/// skipRawRecords()). Those functions are defined here so that they inline
/// into the readers' loops.
class RecordScanner
{
public:
    /// What a read came to.
    enum class Outcome {
        Done,     ///< it did what it was asked
        NeedMore, ///< the bytes at hand do not decide: hand more (or end the input) and ask again
        End,      ///< the input ended before another field began
        CutShort, ///< the input ended inside a quoted field
    };

    /// How the last whole record (see readRecordsOf()) ended.
    enum class RecordShape : std::uint8_t {
        Whole, ///< its fields, the last one ending its line
        Short, ///< a line end came before its last field; the missing fields came back empty
        Long,  ///< more fields followed its last one on the line; they were dropped
    };

    /// How far readRawField() came with a field before it needed more bytes.
    /// Start each field with a fresh one (or one whose last read was Done)
    /// and hand the same one in again after Outcome::NeedMore.
    class FieldRead
    {
    private:
        friend class RecordScanner;
        enum class Stage : std::uint8_t { LineBreaks, Quoted, FieldEnd, Separator, RestOfLine, AfterCarriageReturn };
        Stage stage = Stage::LineBreaks;
        qsizetype start = 0; // the field's first byte
        qsizetype scan = 0;  // where the search goes on
        qsizetype end = -1;  // just past the field's bytes, once known
    };

    /// The input is best handed in blocks of `blockSize` bytes: the buffer
    /// drops the bytes read (compact()) so as to stay near one block.
    static constexpr qsizetype defaultBlockSize = 1 << 20;
    explicit RecordScanner(qsizetype blockSize = defaultBlockSize);
    ~RecordScanner();
    RecordScanner(const RecordScanner &) = delete;
    RecordScanner &operator=(const RecordScanner &) = delete;

    // --- The input ---

    qsizetype blockSize() const { return m_block; }
    /// Room for up to `size` more bytes after those at hand; the caller puts
    /// bytes at its start and then says how many with commitInput().
    char *prepareInput(qsizetype size);
    /// Keeps the first `count` bytes of the room prepareInput() gave.
    void commitInput(qsizetype count);
    /// Appends bytes to the input.
    void appendInput(QByteArrayView bytes);
    /// The whole input at once, shared with the caller rather than copied
    /// (the scanner must be new or cleared); no more bytes will come.
    void takeWholeInput(const QByteArray &bytes);
    /// No more bytes will come.
    void endInput() { m_ended = true; }
    bool inputEnded() const { return m_ended; }
    /// The bytes at hand not read yet.
    QByteArrayView unread() const { return QByteArrayView(m_buffer.constData() + m_pos, m_buffer.size() - m_pos); }
    /// Back to as constructed: no input, no memory held.
    void clear();
    /// Drops the bytes already read, between fields only (fields handed back
    /// before then are gone). That is done when few unread bytes are left to
    /// move to the front, or at the latest once a whole block was read past.
    void compact();

    // --- Reading ---

    /// From now on reads records of `fieldsPerRecord` fields, line by line as
    /// the rules for records say; 0 (as constructed, and after clear()) reads
    /// fields alone, without regard to the lines they stand on. Ask at the
    /// start of a record.
    void readRecordsOf(int fieldsPerRecord);
    /// How the last record read ended, and how many fields of its own it had
    /// (fewer than a record's when it was short).
    RecordShape lastRecordShape() const { return m_lastShape; }
    int lastRecordFields() const { return m_lastFields; }

    /// Passes over a UTF-8 byte-order mark at the start of the input; ask
    /// before reading anything. Done or NeedMore.
    Outcome skipByteOrderMark();
    /// True when a field begins right at the next unread byte.
    bool fieldAtHand() const { return m_pos < m_buffer.size() && !isLineBreak(m_buffer.constData()[m_pos]); }
    /// Passes over line breaks: Done when a field begins at the next unread
    /// byte, End when the input ends first, or NeedMore.
    Outcome skipLineBreaks();
    /// Reads the next field (passing over line breaks in front of it) and
    /// consumes its separator (comma or line end). On Done, `*field` holds the
    /// field's bytes as they stand: a quoted field with its two quotes (a
    /// doubled quote inside still doubled), an unquoted one as it is. Equal
    /// bytes always mean equal text. Otherwise End (no field before the end
    /// of the input), CutShort, or NeedMore (ask again with the same `read`).
    Outcome readRawField(FieldRead &read, QByteArrayView *field);
    /// The text of a field's bytes as readRawField() handed them back.
    QString fieldText(QByteArrayView raw);

    /// The common case made fast: reads `count` fields as readRawField()
    /// would when each of them is quoted and all of them are at hand, and
    /// returns true; otherwise reads nothing and returns false (never asks
    /// for more). The views are valid until the next read.
    bool tryReadRawFields(QByteArrayView *fields, int count)
    {
        return quickFields(count, [fields](int i, QByteArrayView bytes) { fields[i] = bytes; }) == count;
    }

    /// Passes over whole records of `fieldsPerRecord` fields that begin with
    /// a quoted field of exactly the bytes `firstField` (as readRawField()
    /// handed it back) followed by a comma, and whose other fields are quoted
    /// and at hand, as many as follow one another; returns how many. Reading
    /// them field by field would give the same fields. Never asks for more.
    template <int fieldsPerRecord> qsizetype skipRawRecords(QByteArrayView firstField)
    {
        static_assert(fieldsPerRecord >= 2 && fieldsPerRecord <= 33);
        return skipRecords<fieldsPerRecord - 1>(firstField, fieldsPerRecord);
    }
    /// The same for a number of fields known only at run time.
    qsizetype skipRawRecords(QByteArrayView firstField, int fieldsPerRecord)
    {
        return fieldsPerRecord == 4 ? skipRecords<3>(firstField, 4) : skipRecords<0>(firstField, fieldsPerRecord);
    }

private:
    static bool isLineBreak(char c) { return c == '\r' || c == '\n'; }

    /// For 64 bytes: bit i of `quotes` set where bytes[i] is a double quote,
    /// of `breaks` where it is a CR or LF.
    static void lookAt64(const char *bytes, std::uint64_t &quotes, std::uint64_t &breaks)
    {
#if defined(__SSE2__)
        const __m128i quote = _mm_set1_epi8('"');
        const __m128i cr = _mm_set1_epi8('\r');
        const __m128i lf = _mm_set1_epi8('\n');
        quotes = 0;
        breaks = 0;
        for (int part = 0; part < 4; ++part) {
            const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i *>(bytes + 16 * part));
            quotes |= std::uint64_t(std::uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, quote)))) << (16 * part);
            const __m128i lineBreak = _mm_or_si128(_mm_cmpeq_epi8(chunk, cr), _mm_cmpeq_epi8(chunk, lf));
            breaks |= std::uint64_t(std::uint32_t(_mm_movemask_epi8(lineBreak))) << (16 * part);
        }
#else
        quotes = 0;
        breaks = 0;
        for (int i = 0; i < 64; ++i) {
            quotes |= std::uint64_t(bytes[i] == '"') << i;
            breaks |= std::uint64_t(isLineBreak(bytes[i])) << i;
        }
#endif
    }

    /// True when the first `count` bytes (at most 64) of `bytes` are those of
    /// `expected`; 64 bytes can be read from both, `expected` aligned to 16.
    static bool startsWith64(const char *bytes, const char *expected, qsizetype count)
    {
#if defined(__SSE2__)
        for (qsizetype i = 0; i < count; i += 16) {
            const __m128i have = _mm_loadu_si128(reinterpret_cast<const __m128i *>(bytes + i));
            const __m128i want = _mm_load_si128(reinterpret_cast<const __m128i *>(expected + i));
            const unsigned same = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(have, want)));
            const unsigned wanted = count - i >= 16 ? 0xffffu : (1u << (count - i)) - 1;
            if ((same & wanted) != wanted)
                return false;
        }
        return true;
#else
        return std::memcmp(bytes, expected, size_t(count)) == 0;
#endif
    }

    /// True when a line break lies in m_buffer[from, to).
    bool lineBreakIn(qsizetype from, qsizetype to) const
    {
        const char *data = m_buffer.constData();
        const size_t length = size_t(std::max<qsizetype>(to - from, 0));
        return std::memchr(data + from, '\n', length) || std::memchr(data + from, '\r', length);
    }

    /// The bits from `low` up to (not including) `high`, both below 64.
    static std::uint64_t bitsBetween(qsizetype low, qsizetype high)
    {
        return ((std::uint64_t(1) << high) - 1) & ~((std::uint64_t(1) << low) - 1);
    }

    /// The first line break in m_buffer[from, to), or -1.
    qsizetype firstLineBreak(qsizetype from, qsizetype to) const;

    /// skipRawRecords(), which first tries plainLineRest<plainRest>() on each
    /// record's fields after the first when plainRest is not 0.
    template <int plainRest> qsizetype skipRecords(QByteArrayView firstField, int fieldsPerRecord)
    {
        const qsizetype size = firstField.size();
        if (size < 2 || firstField.front() != '"' || fieldsPerRecord < 2)
            return 0;
        // Reading records, only whole ones of that many fields from the start.
        if (m_recordFields != 0 && (m_recordFields != fieldsPerRecord || m_field != 0 || m_recordCut))
            return 0;
        // The field and its comma, compared in place where 64 bytes are at
        // hand: a short name is mostly one look, with no call per record.
        alignas(16) char expected[64];
        const bool comparedInPlace = size < qsizetype(sizeof expected);
        if (comparedInPlace) {
            std::memcpy(expected, firstField.data(), size_t(size));
            expected[size] = ',';
        }
        qsizetype skipped = 0;
        for (;;) {
            // The same bytes followed by a comma are the same field: its
            // closing quote is the last of them.
            const qsizetype start = m_pos;
            const char *data = m_buffer.constData();
            const qsizetype available = m_buffer.size() - start;
            if (available <= size)
                break;
            if (comparedInPlace && available >= 64) {
                if (!startsWith64(data + start, expected, size + 1))
                    break;
            } else if (data[start + size] != ',' || std::memcmp(data + start, firstField.data(), size_t(size)) != 0) {
                break;
            }
            m_pos = start + size + 1;
            if constexpr (plainRest != 0) {
                if (plainLineRest<plainRest>()) {
                    ++skipped;
                    continue;
                }
            }
            if (m_recordFields != 0) {
                m_field = 1;
                m_lineStart = false;
            }
            if (quickFields(fieldsPerRecord - 1, [](int, QByteArrayView) {}) < fieldsPerRecord - 1) {
                m_pos = start;
                m_field = 0;
                break;
            }
            ++skipped;
        }
        return skipped;
    }

    /// Passes over `count` plain quoted fields at the next unread byte, the
    /// last ending its line (for example `"a","b","c"` CR LF), when all of
    /// them lie in the 64 bytes from there on, and returns true; otherwise
    /// changes nothing.
    template <int count> bool plainLineRest()
    {
        static_assert(count >= 1 && count <= 32);
        if (m_buffer.size() - m_pos < 64)
            return false;
        const char *at = m_buffer.constData() + m_pos;
        std::uint64_t quotes = 0;
        std::uint64_t breaks = 0;
        lookAt64(at, quotes, breaks);
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
        // Reading records, a line break inside a field is left to the careful reading.
        if (!plain || (m_recordFields != 0 && (breaks & ((std::uint64_t(1) << last) - 1)) != 0))
            return false;
        m_pos += last + 3;
        return true;
    }

    /// Up to `count` quoted fields in a row, each right at the next unread
    /// byte with its closing quote followed by a comma or CR LF already at
    /// hand (reading records: a comma and a quote after all but a record's
    /// last field, CR LF after that one, and no line break inside). Reads
    /// them as readRawField() would and returns how many, handing each one's
    /// bytes to `take`; unless that is all `count`, nothing is read. Quotes
    /// are found by looking at the buffer in windows of 64 bytes, the last of
    /// which is kept, so that the fields of a record mostly share one look.
    template <typename Take> int quickFields(int count, Take take)
    {
        // A record that ended early, or goes on after a line end, is read carefully.
        if (m_recordFields != 0 && (m_recordCut || (m_field > 0 && m_lineStart)))
            return 0;
        const char *data = m_buffer.constData();
        const qsizetype size = m_buffer.size();
        qsizetype at = m_pos;
        qsizetype base = m_quoteBase;
        std::uint64_t bits = m_quoteBits;
        std::uint64_t breaks = m_breakBits;
        int field = m_field;
        bool completed = false;
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
                    lookAt64(data + window, bits, breaks);
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
            const bool lastOfRecord = m_recordFields != 0 && field == m_recordFields - 1;
            // A comma must open the next quoted field; anything else is left
            // to the careful reading (a quote inside a name of the earlier writer).
            if (data[quote + 1] == ',' && data[quote + 2] == '"' && !lastOfRecord)
                next = quote + 2;
            else if (data[quote + 1] == '\r' && data[quote + 2] == '\n' && (m_recordFields == 0 || lastOfRecord))
                next = quote + 3;
            else
                break;
            if (m_recordFields != 0) {
                // The field's bytes lie in the window looked at last, or are looked through.
                const bool broken = at + 1 >= base ? (breaks & bitsBetween(at + 1 - base, quote - base)) != 0
                                                   : lineBreakIn(at + 1, quote);
                if (broken)
                    break;
                completed = completed || lastOfRecord;
                field = lastOfRecord ? 0 : field + 1;
            }
            take(done, QByteArrayView(data + at, quote + 1 - at));
            at = next;
            ++done;
        }
        m_quoteBase = base;
        m_quoteBits = bits;
        m_breakBits = breaks;
        if (done < count)
            return done;
        m_pos = at;
        if (m_recordFields != 0 && done > 0) {
            if (completed) {
                m_lastShape = RecordShape::Whole;
                m_lastFields = m_recordFields;
            }
            m_field = field;
            m_lineStart = field == 0;
        }
        return done;
    }

    /// What a quote inside a quoted field is, by the bytes after it (see the
    /// reading rules above).
    enum class QuoteRole : std::uint8_t { Undecided, Doubled, Literal, LiteralThenClosing, Closing };
    QuoteRole roleOfQuote(qsizetype quote) const;

    /// Whether the line from `from` on holds a record of its own (see the
    /// rules for records), or the bytes at hand do not tell yet.
    enum class Verdict : std::uint8_t { No, Yes, Undecided };
    Verdict lineHoldsRecord(qsizetype from) const;
    /// A field read, with its separator: counts it in its record.
    Outcome fieldDone(FieldRead &read, QByteArrayView *field, const char *data, bool endedLine);

    QString decode(QByteArrayView bytes);

    // The unread bytes are m_buffer[m_pos, m_buffer.size()).
    QByteArray m_buffer;
    qsizetype m_pos = 0;
    qsizetype m_block;
    // Where the room prepareInput() gave begins.
    qsizetype m_prepared = 0;
    bool m_ended = false;
    // The quotes among the 64 bytes from m_buffer[m_quoteBase] on (a multiple
    // of 64), bit i for m_buffer[m_quoteBase + i]; m_quoteBase is -1 when not
    // known.
    qsizetype m_quoteBase = -1;
    std::uint64_t m_quoteBits = 0;
    std::uint64_t m_breakBits = 0; ///< the line breaks among those bytes
    // Reading records: fields per record (0: fields alone), the fields of the
    // current record read so far, whether the last separator ended a line,
    // whether the record ended early or went on past its last field, and how
    // the last whole record ended.
    int m_recordFields = 0;
    int m_field = 0;
    bool m_lineStart = true;
    bool m_recordCut = false;
    bool m_recordLong = false;
    int m_ownFields = 0;
    RecordShape m_lastShape = RecordShape::Whole;
    int m_lastFields = 0;
    QStringDecoder m_utf8{QStringDecoder::Utf8,
                          QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom};
    QStringDecoder m_windows1252{"windows-1252", QStringDecoder::Flag::Stateless};
};
