#include "SetFileRecords.h"

#include <algorithm>

SetFileRecords::SetFileRecords(const QByteArray &bytes)
    : m_bytes(bytes), m_scanner(std::max<qsizetype>(bytes.size(), 1))
{
    m_scanner.takeWholeInput(bytes);
    m_scanner.readRecordsOf(4);
    m_scanner.skipByteOrderMark();
    // Positions are read off the scanner's bytes, which are the caller's.
    m_bom = bytes.size() - m_scanner.unread().size();
    m_bytes = m_scanner.unread();
    m_counted = m_bytes.data();
    m_wholeEnd = 0;
}

qsizetype SetFileRecords::lineAt(const char *at)
{
    m_line += std::count(m_counted, at, '\n');
    m_counted = at;
    return m_line;
}

qsizetype SetFileRecords::skipRecordsNamed(QByteArrayView rawName)
{
    if (m_cutShort)
        return 0;
    const qsizetype skipped = m_scanner.skipRawRecords<4>(rawName);
    if (skipped > 0) {
        const char *end = m_bytes.data() + m_bytes.size();
        const char *after = m_scanner.unread().data();
        if (after != end && after[-1] == '\r' && *after == '\n')
            ++after;
        m_wholeEnd = m_bom + offsetOf(after);
    }
    return skipped;
}

bool SetFileRecords::next(Record &record)
{
    if (m_cutShort || m_scanner.skipLineBreaks() != RecordScanner::Outcome::Done)
        return false;
    const char *start = m_scanner.unread().data();
    // Whole records of plain quoted fields are the rule: read at once.
    if (!m_scanner.tryReadRawFields(record.fields.data(), int(record.fields.size()))) {
        for (QByteArrayView &field : record.fields) {
            RecordScanner::FieldRead read;
            if (m_scanner.readRawField(read, &field) != RecordScanner::Outcome::Done) {
                m_cutShort = true;
                m_cutOffset = m_bom + offsetOf(start);
                m_cutLine = lineAt(start);
                return false;
            }
        }
    }
    // A short record's bytes end with its last field of its own.
    record.shape = m_scanner.lastRecordShape();
    const QByteArrayView last = record.fields[std::size_t(std::max(m_scanner.lastRecordFields(), 1) - 1)];
    record.bytes = QByteArrayView(start, last.data() + last.size() - start);
    record.line = lineAt(start);
    const QByteArrayView flag = record.fields.back();
    record.wellFormed = record.shape == RecordScanner::RecordShape::Whole
                        && (flag == "\"True\"" || flag == "\"False\"" || flag == "True" || flag == "False");
    const QByteArrayView rest = m_scanner.unread();
    const char *end = m_bytes.data() + m_bytes.size();
    const char *after = rest.data();
    if (after != end && after[-1] == '\r' && *after == '\n')
        ++after;
    m_wholeEnd = m_bom + offsetOf(after);
    record.begin = offsetOf(start);
    record.end = offsetOf(after);
    return true;
}
