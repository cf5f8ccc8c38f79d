#include "RecordScanner.h"

#include <QtGlobal>

RecordScanner::RecordScanner(qsizetype blockSize) : m_block(blockSize)
{
    Q_ASSERT(blockSize > 0);
}

RecordScanner::~RecordScanner() = default;

char *RecordScanner::prepareInput(qsizetype size)
{
    m_prepared = m_buffer.size();
    m_buffer.resize(m_prepared + size);
    return m_buffer.data() + m_prepared;
}

void RecordScanner::commitInput(qsizetype count)
{
    Q_ASSERT(count >= 0 && m_prepared + count <= m_buffer.size());
    m_buffer.resize(m_prepared + count);
}

void RecordScanner::appendInput(QByteArrayView bytes)
{
    if (!bytes.isEmpty())
        std::memcpy(prepareInput(bytes.size()), bytes.data(), size_t(bytes.size()));
}

void RecordScanner::takeWholeInput(const QByteArray &bytes)
{
    m_buffer = bytes;
    m_pos = 0;
    m_prepared = bytes.size();
    m_quoteBase = -1;
    m_ended = true;
}

void RecordScanner::clear()
{
    m_buffer = QByteArray();
    m_pos = 0;
    m_prepared = 0;
    m_quoteBase = -1;
    m_ended = false;
    readRecordsOf(0);
}

void RecordScanner::readRecordsOf(int fieldsPerRecord)
{
    Q_ASSERT(fieldsPerRecord >= 0);
    m_recordFields = fieldsPerRecord;
    m_field = 0;
    m_lineStart = true;
    m_recordCut = false;
    m_recordLong = false;
    m_ownFields = 0;
    m_lastShape = RecordShape::Whole;
    m_lastFields = 0;
}

qsizetype RecordScanner::firstLineBreak(qsizetype from, qsizetype to) const
{
    const char *data = m_buffer.constData();
    const size_t length = size_t(std::max<qsizetype>(to - from, 0));
    const void *lf = std::memchr(data + from, '\n', length);
    const void *cr = std::memchr(data + from, '\r', length);
    if (!lf && !cr)
        return -1;
    if (!lf || (cr && cr < lf))
        return static_cast<const char *>(cr) - data;
    return static_cast<const char *>(lf) - data;
}

RecordScanner::Outcome RecordScanner::fieldDone(FieldRead &read, QByteArrayView *field, const char *data,
                                                bool endedLine)
{
    *field = read.end < 0 ? QByteArrayView(data + m_pos, qsizetype(0))
                          : QByteArrayView(data + read.start, read.end - read.start);
    read = FieldRead();
    m_lineStart = endedLine;
    if (m_recordFields == 0)
        return Outcome::Done;
    if (!m_recordCut)
        ++m_ownFields;
    if (++m_field == m_recordFields) {
        m_lastShape = m_recordLong ? RecordShape::Long : m_recordCut ? RecordShape::Short : RecordShape::Whole;
        m_lastFields = m_ownFields;
        m_field = 0;
        m_recordCut = false;
        m_recordLong = false;
        m_ownFields = 0;
    }
    return Outcome::Done;
}

void RecordScanner::compact()
{
    const qsizetype unread = m_buffer.size() - m_pos;
    // Up to 4 KiB of a 1 MiB block are cheap to move to the front.
    if ((m_pos >= m_block / 2 && unread <= m_block / 256) || m_pos >= m_block) {
        char *data = m_buffer.data();
        std::memmove(data, data + m_pos, size_t(unread));
        m_buffer.truncate(unread);
        m_pos = 0;
        m_quoteBase = -1;
    }
}

RecordScanner::Outcome RecordScanner::skipByteOrderMark()
{
    if (m_buffer.size() - m_pos < 3 && !m_ended)
        return Outcome::NeedMore;
    if (unread().startsWith("\xEF\xBB\xBF"))
        m_pos += 3;
    return Outcome::Done;
}

RecordScanner::Outcome RecordScanner::skipLineBreaks()
{
    const char *data = m_buffer.constData();
    const qsizetype size = m_buffer.size();
    while (m_pos < size && isLineBreak(data[m_pos]))
        ++m_pos;
    if (m_pos < size)
        return Outcome::Done;
    return m_ended ? Outcome::End : Outcome::NeedMore;
}

RecordScanner::Outcome RecordScanner::readRawField(FieldRead &read, QByteArrayView *field)
{
    using Stage = FieldRead::Stage;
    // No bytes come or go during one call: the data stays where it is.
    const char *data = m_buffer.constData();
    const qsizetype size = m_buffer.size();
    for (;;) {
        switch (read.stage) {
        case Stage::LineBreaks: {
            if (m_recordCut) {
                // The record ended early: its missing fields are empty.
                read.end = -1;
                return fieldDone(read, field, data, m_lineStart);
            }
            const qsizetype before = m_pos;
            const Outcome found = skipLineBreaks();
            if (m_pos != before)
                m_lineStart = true;
            if (found != Outcome::Done)
                return found;
            if (m_recordFields != 0 && m_field > 0 && m_lineStart) {
                // The record goes on on this line unless it holds one of its own.
                const Verdict verdict = lineHoldsRecord(m_pos);
                if (verdict == Verdict::Undecided)
                    return Outcome::NeedMore;
                if (verdict == Verdict::Yes) {
                    m_recordCut = true;
                    break;
                }
            }
            read.start = m_pos;
            if (data[m_pos] == '"') {
                read.stage = Stage::Quoted;
                read.scan = m_pos + 1;
            } else {
                read.stage = Stage::FieldEnd;
                read.scan = m_pos;
                read.end = -1;
            }
            break;
        }
        case Stage::Quoted: {
            // To the quote that ends the field (see QuoteRole).
            const void *hit = std::memchr(data + read.scan, '"', size_t(size - read.scan));
            const qsizetype quote = hit ? static_cast<const char *>(hit) - data : -1;
            if (m_recordFields != 0) {
                // A line end inside the field ends it when the next line holds a record.
                const qsizetype lineBreak = firstLineBreak(read.scan, hit ? quote : size);
                if (lineBreak >= 0) {
                    qsizetype next = lineBreak + 1;
                    if (data[lineBreak] == '\r') {
                        if (next >= size && !m_ended) {
                            read.scan = lineBreak;
                            return Outcome::NeedMore;
                        }
                        if (next < size && data[next] == '\n')
                            ++next;
                    }
                    const Verdict verdict = lineHoldsRecord(next);
                    if (verdict == Verdict::Undecided) {
                        read.scan = lineBreak;
                        return Outcome::NeedMore;
                    }
                    if (verdict == Verdict::Yes) {
                        read.end = lineBreak;
                        m_pos = lineBreak;
                        read.stage = Stage::Separator;
                        m_recordCut = m_field < m_recordFields - 1;
                    } else {
                        read.scan = next;
                    }
                    break;
                }
            }
            if (!hit) {
                read.scan = size;
                return m_ended ? Outcome::CutShort : Outcome::NeedMore;
            }
            switch (roleOfQuote(quote)) {
            case QuoteRole::Undecided:
                read.scan = quote; // found again once more bytes are there
                return Outcome::NeedMore;
            case QuoteRole::Doubled:
                read.scan = quote + 2;
                break;
            case QuoteRole::Literal:
                read.scan = quote + 1;
                break;
            case QuoteRole::LiteralThenClosing:
                read.end = quote + 2;
                read.stage = Stage::FieldEnd;
                read.scan = quote + 2;
                break;
            case QuoteRole::Closing:
                read.end = quote + 1;
                read.stage = Stage::FieldEnd;
                read.scan = quote + 1;
                break;
            }
            break;
        }
        case Stage::FieldEnd: {
            // To the next comma or line break, or the end of the input.
            qsizetype index = read.scan;
            while (index < size && data[index] != ',' && !isLineBreak(data[index]))
                ++index;
            if (index >= size && !m_ended) {
                read.scan = index;
                return Outcome::NeedMore;
            }
            if (read.end < 0)
                read.end = index;
            m_pos = index;
            read.stage = Stage::Separator;
            break;
        }
        case Stage::Separator: {
            // The comma or the line end (CR LF, CR or LF) here, if any.
            if (m_pos >= size && !m_ended)
                return Outcome::NeedMore;
            if (m_pos >= size)
                return fieldDone(read, field, data, true);
            const char c = data[m_pos];
            if (c == '\r') {
                ++m_pos;
                read.stage = Stage::AfterCarriageReturn;
                break;
            }
            if (c == '\n') {
                ++m_pos;
                return fieldDone(read, field, data, true);
            }
            ++m_pos; // the comma
            if (m_recordFields != 0 && m_field == m_recordFields - 1 && !m_recordCut) {
                // The record's last field: what follows on its line is dropped.
                m_recordLong = true;
                read.stage = Stage::RestOfLine;
                break;
            }
            return fieldDone(read, field, data, false);
        }
        case Stage::RestOfLine: {
            const qsizetype lineBreak = firstLineBreak(m_pos, size);
            if (lineBreak < 0) {
                m_pos = size;
                if (!m_ended)
                    return Outcome::NeedMore;
                return fieldDone(read, field, data, true);
            }
            m_pos = lineBreak + 1;
            if (data[lineBreak] == '\n')
                return fieldDone(read, field, data, true);
            read.stage = Stage::AfterCarriageReturn;
            break;
        }
        case Stage::AfterCarriageReturn: {
            if (m_pos >= size && !m_ended)
                return Outcome::NeedMore;
            if (m_pos < size && data[m_pos] == '\n')
                ++m_pos;
            return fieldDone(read, field, data, true);
        }
        }
    }
}

RecordScanner::Verdict RecordScanner::lineHoldsRecord(qsizetype from) const
{
    const char *data = m_buffer.constData();
    const qsizetype size = m_buffer.size();
    const Verdict notAtHand = m_ended ? Verdict::No : Verdict::Undecided;
    // Blank lines in between do not count.
    while (from < size && isLineBreak(data[from]))
        ++from;
    if (from >= size)
        return notAtHand;
    if (data[from] != '"')
        return Verdict::No;
    qsizetype at = from;
    for (int index = 0; index < m_recordFields; ++index) {
        if (at >= size)
            return notAtHand;
        const qsizetype start = at;
        qsizetype end = -1;
        if (data[at] == '"') {
            // To the quote that closes the field on this line.
            qsizetype scan = at + 1;
            while (end < 0) {
                const void *hit = std::memchr(data + scan, '"', size_t(size - scan));
                const qsizetype quote = hit ? static_cast<const char *>(hit) - data : size;
                if (firstLineBreak(scan, quote) >= 0)
                    return Verdict::No;
                if (!hit)
                    return notAtHand;
                switch (roleOfQuote(quote)) {
                case QuoteRole::Undecided:
                    return Verdict::Undecided;
                case QuoteRole::Doubled:
                    scan = quote + 2;
                    break;
                case QuoteRole::Literal:
                    scan = quote + 1;
                    break;
                case QuoteRole::LiteralThenClosing:
                    end = quote + 2;
                    break;
                case QuoteRole::Closing:
                    end = quote + 1;
                    break;
                }
            }
            at = end;
        }
        while (at < size && data[at] != ',' && !isLineBreak(data[at]))
            ++at;
        if (at >= size && !m_ended)
            return Verdict::Undecided;
        if (end < 0)
            end = at;
        if (index < m_recordFields - 1) {
            if (at >= size || data[at] != ',')
                return Verdict::No;
            ++at;
            continue;
        }
        const QByteArrayView last(data + start, end - start);
        return last == "\"True\"" || last == "\"False\"" || last == "True" || last == "False" ? Verdict::Yes
                                                                                              : Verdict::No;
    }
    return Verdict::No;
}

RecordScanner::QuoteRole RecordScanner::roleOfQuote(qsizetype quote) const
{
    const char *data = m_buffer.constData();
    const qsizetype size = m_buffer.size();
    // The byte at i: a character, the end of the input, or not at hand yet.
    constexpr int endOfInput = -1;
    constexpr int notYet = -2;
    auto byteAt = [&](qsizetype i) -> int {
        if (i < size)
            return static_cast<unsigned char>(data[i]);
        return m_ended ? endOfInput : notYet;
    };
    auto endsLine = [](int c) { return c == endOfInput || c == '\r' || c == '\n'; };

    const int next = byteAt(quote + 1);
    if (next == notYet)
        return QuoteRole::Undecided;
    if (next == '"') {
        // Two quotes: one written doubled, unless they end the field the way
        // the earlier writer ended a name that ends in a quote (a name, never
        // the last field of a line, which is the visibility).
        const int after = byteAt(quote + 2);
        if (after == notYet)
            return QuoteRole::Undecided;
        if (after == ',') {
            const int opening = byteAt(quote + 3);
            if (opening == notYet)
                return QuoteRole::Undecided;
            if (opening == '"')
                return QuoteRole::LiteralThenClosing;
        }
        return QuoteRole::Doubled;
    }
    if (endsLine(next))
        return QuoteRole::Closing;
    // A lone quote followed by a comma or by text: a quote the earlier writer
    // left inside a name when the field plainly goes on to a quote that ends
    // it on this line, with no quoted field beginning in between; else the
    // closing quote, with what follows dropped up to the separator.
    for (qsizetype i = quote + 1;; ++i) {
        const int c = byteAt(i);
        if (c == notYet)
            return QuoteRole::Undecided;
        if (endsLine(c))
            return QuoteRole::Closing;
        if (c == ',') {
            const int following = byteAt(i + 1);
            if (following == notYet)
                return QuoteRole::Undecided;
            if (following == '"')
                return QuoteRole::Closing;
        } else if (c == '"') {
            const int following = byteAt(i + 1);
            if (following == notYet)
                return QuoteRole::Undecided;
            if (following == ',' || endsLine(following))
                return QuoteRole::Literal;
        }
    }
}

QString RecordScanner::decode(QByteArrayView bytes)
{
    if (std::none_of(bytes.begin(), bytes.end(), [](char c) { return c & 0x80; }))
        return QString::fromLatin1(bytes.data(), bytes.size());
    QString text = m_utf8(bytes);
    if (!m_utf8.hasError())
        return text;
    m_utf8.resetState();
    if (!m_windows1252.isValid()) // a Qt built without ICU knows no code pages
        return QString::fromLatin1(bytes.data(), bytes.size());
    return m_windows1252(bytes);
}

QString RecordScanner::fieldText(QByteArrayView raw)
{
    if (raw.isEmpty() || raw.front() != '"' || (raw.size() < 2 && m_recordFields == 0))
        return decode(raw);
    // A quoted field a line end cut off (reading records) has no closing quote.
    const QByteArrayView inner = raw.sliced(1, raw.size() - (raw.size() >= 2 && raw.back() == '"' ? 2 : 1));
    if (!std::memchr(inner.data(), '"', size_t(inner.size())))
        return decode(inner);
    // Inside the quotes a doubled quote is one quote; a lone one (left by
    // the earlier writer) stands for itself.
    QByteArray unescaped;
    unescaped.reserve(inner.size());
    for (qsizetype i = 0; i < inner.size(); ++i) {
        unescaped += inner.at(i);
        if (inner.at(i) == '"' && i + 1 < inner.size() && inner.at(i + 1) == '"')
            ++i;
    }
    return decode(unescaped);
}
