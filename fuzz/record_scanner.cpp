// Arbitrary bytes read by the record scanner, in memory: handed to it in
// pieces, read through a mix of its slow and fast paths, and checked against
// a plain reading of the same bytes by the rules (RecordScanner.h). Every way
// must give the same fields, the same bytes for each, and the same ending.
//
// The first byte chooses how: bits 0-2 the size of the pieces, bit 3 a small
// block (so that the buffer is compacted often), bits 4-7 the order of the
// reads. The input is the bytes after it.

#include "FuzzCheck.h"
#include "RecordScanner.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

using Outcome = RecordScanner::Outcome;

bool isLineBreak(char c)
{
    return c == '\r' || c == '\n';
}

/// The fields of `bytes` read by the rules, one byte after another.
struct Plain
{
    std::vector<QByteArray> raw;
    Outcome ending = Outcome::End;
};

Plain readPlainly(QByteArrayView bytes)
{
    Plain plain;
    const qsizetype n = bytes.size();
    qsizetype i = bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    for (;;) {
        while (i < n && isLineBreak(bytes[i]))
            ++i;
        if (i == n)
            return plain;
        const qsizetype start = i;
        qsizetype end = -1;
        qsizetype k = i;
        if (bytes[i] == '"') {
            // The byte at p, or -1 past the end.
            auto at = [&](qsizetype p) -> int { return p < n ? static_cast<unsigned char>(bytes[p]) : -1; };
            auto endsLine = [](int c) { return c == -1 || c == '\r' || c == '\n'; };
            qsizetype j = i + 1;
            for (;;) {
                if (j >= n) {
                    plain.ending = Outcome::CutShort;
                    return plain;
                }
                if (bytes[j] != '"') {
                    ++j;
                    continue;
                }
                const int next = at(j + 1);
                if (next == '"') {
                    if (at(j + 2) == ',' && at(j + 3) == '"') {
                        ++j; // the name's own last quote; the next one closes
                        break;
                    }
                    j += 2;
                    continue;
                }
                if (endsLine(next))
                    break;
                // A lone quote inside the name when a quote followed by a
                // comma or a line end comes before a field opens on this line.
                bool inside = false;
                for (qsizetype p = j + 1; !endsLine(at(p)); ++p) {
                    if (at(p) == ',' && at(p + 1) == '"')
                        break;
                    if (at(p) == '"' && (at(p + 1) == ',' || endsLine(at(p + 1)))) {
                        inside = true;
                        break;
                    }
                }
                if (!inside)
                    break;
                ++j;
            }
            end = j + 1;
            k = j + 1;
        }
        while (k < n && bytes[k] != ',' && !isLineBreak(bytes[k]))
            ++k;
        if (end < 0)
            end = k;
        plain.raw.push_back(bytes.sliced(start, end - start).toByteArray());
        if (k < n) {
            if (bytes[k] == ',' || bytes[k] == '\n') {
                ++k;
            } else if (bytes[k] == '\r') {
                ++k;
                if (k < n && bytes[k] == '\n')
                    ++k;
            }
        }
        i = k;
    }
}

/// What a field's text must be: the bytes inside the quotes with doubled
/// quotes made single; as UTF-8 when valid (a byte-order mark in front
/// kept), otherwise one character a byte (Windows-1252), ASCII as it stands.
void checkText(const QString &text, QByteArrayView raw)
{
    QByteArray bytes;
    if (raw.size() >= 2 && raw.front() == '"') {
        const QByteArrayView inner = raw.sliced(1, raw.size() - 2);
        for (qsizetype i = 0; i < inner.size(); ++i) {
            bytes += inner[i];
            if (inner[i] == '"' && i + 1 < inner.size() && inner[i + 1] == '"')
                ++i;
        }
    } else {
        bytes = raw.toByteArray();
    }
    if (QByteArrayView(bytes).isValidUtf8()) {
        // A byte-order mark in front is kept as a character (fromUtf8() drops one).
        const QString bom = bytes.startsWith("\xEF\xBB\xBF") ? QString(QChar(0xFEFF)) : QString();
        FUZZ_CHECK(text == bom + QString::fromUtf8(bytes));
        return;
    }
    FUZZ_CHECK(text.size() == bytes.size());
    for (qsizetype i = 0; i < bytes.size(); ++i)
        if (!(bytes[i] & 0x80))
            FUZZ_CHECK(text[i] == QLatin1Char(bytes[i]));
}

/// A small generator of choices (xorshift).
struct Choices
{
    std::uint32_t state;
    unsigned next(unsigned bound)
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state % bound;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    const unsigned how = data[0];
    const QByteArrayView input(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    static const qsizetype pieceSizes[] = {1, 2, 3, 7, 63, 64, 1000, 1 << 30};
    const qsizetype piece = pieceSizes[how & 7];
    Choices choices{0x9E3779B9u ^ (how >> 4)};

    const Plain plain = readPlainly(input);

    RecordScanner scanner((how & 8) ? 64 : RecordScanner::defaultBlockSize);
    qsizetype handed = 0;
    auto more = [&] {
        if (handed == input.size()) {
            scanner.endInput();
            return;
        }
        const qsizetype count = std::min(piece, input.size() - handed);
        // Sometimes through room that is filled only in part, as a file read does.
        if (choices.next(2) == 0) {
            char *room = scanner.prepareInput(count + 16);
            std::memcpy(room, input.data() + handed, size_t(count));
            scanner.commitInput(count);
        } else {
            scanner.appendInput(input.sliced(handed, count));
        }
        handed += count;
    };
    auto untilDecided = [&](auto step) {
        for (;;) {
            const Outcome outcome = step();
            if (outcome != Outcome::NeedMore)
                return outcome;
            FUZZ_CHECK(!scanner.inputEnded());
            more();
        }
    };

    FUZZ_CHECK(untilDecided([&] { return scanner.skipByteOrderMark(); }) == Outcome::Done);

    std::size_t next = 0; // the index of the next field in plain.raw
    QByteArray first;     // a quoted field met before, for skipping
    auto checkField = [&](QByteArrayView raw) {
        FUZZ_CHECK(next < plain.raw.size());
        FUZZ_CHECK(raw == plain.raw[next]);
        ++next;
    };
    std::size_t steps = 0;
    const std::size_t mixedSteps = 8 * (plain.raw.size() + 8);
    for (;;) {
        const unsigned step = ++steps > mixedSteps ? 0 : choices.next(6);
        if (step == 0) {
            // A field as FileChannel::readRawField() reads it when the fast path fails.
            const QByteArray unread = scanner.unread().toByteArray();
            scanner.compact();
            FUZZ_CHECK(scanner.unread() == unread);
            RecordScanner::FieldRead read;
            QByteArrayView field;
            const Outcome outcome = untilDecided([&] { return scanner.readRawField(read, &field); });
            if (outcome != Outcome::Done) {
                FUZZ_CHECK(outcome == plain.ending);
                FUZZ_CHECK(next == plain.raw.size());
                break;
            }
            checkField(field);
            checkText(scanner.fieldText(field), field);
            if (field.startsWith('"'))
                first = field.toByteArray();
        } else if (step == 1) {
            const int count = 1 + int(choices.next(5));
            QByteArrayView fields[5];
            const QByteArrayView before = scanner.unread();
            if (scanner.tryReadRawFields(fields, count)) {
                for (int i = 0; i < count; ++i)
                    checkField(fields[i]);
            } else {
                FUZZ_CHECK(scanner.unread().data() == before.data() && scanner.unread().size() == before.size());
            }
        } else if (step == 2 && !first.isEmpty()) {
            const int fieldsPerRecord = 2 + int(choices.next(4));
            const bool fixed = choices.next(2) == 0;
            const qsizetype skipped =
                fixed ? scanner.skipRawRecords<4>(first) : scanner.skipRawRecords(first, fieldsPerRecord);
            const int each = fixed ? 4 : fieldsPerRecord;
            FUZZ_CHECK(next + std::size_t(skipped * each) <= plain.raw.size());
            for (qsizetype record = 0; record < skipped; ++record) {
                FUZZ_CHECK(plain.raw[next] == first);
                next += std::size_t(each);
            }
        } else if (step == 3) {
            // The end as FileChannel::atEnd() finds it.
            if (!scanner.fieldAtHand()) {
                scanner.compact();
                const Outcome outcome = untilDecided([&] { return scanner.skipLineBreaks(); });
                FUZZ_CHECK((outcome == Outcome::End) == (next == plain.raw.size() && plain.ending == Outcome::End));
            }
            if (scanner.fieldAtHand())
                FUZZ_CHECK(next < plain.raw.size() || plain.ending == Outcome::CutShort);
        } else if (step == 4 && handed < input.size()) {
            more();
        }
    }
    return 0;
}
