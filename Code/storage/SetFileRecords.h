#pragma once

#include "QtCompat.h"
#include "RecordScanner.h"

#include <QString>

#include <array>

/// The records of a whole visibility-set file held in memory, one after the
/// other, for the changes that rewrite the file and for checking it: each
/// record's bytes as they stand (so that a record left alone is copied as it
/// was) and its four fields, undecoded. The reader shares the bytes. A
/// damaged record never changes how the lines after it read (the scanner's
/// rules for records).
class SetFileRecords
{
public:
    struct Record
    {
        /// From the first byte of the first field to the last byte of the
        /// fourth; the line end is not included.
        QByteArrayView bytes;
        std::array<QByteArrayView, 4> fields;
        /// The line (from 1) on which the record begins.
        qsizetype line = 0;
        /// Where the record begins in data(), and where its line end ends.
        qsizetype begin = 0;
        qsizetype end = 0;
        /// Whether it had its four fields on its line, more, or fewer (the
        /// missing ones are empty).
        RecordScanner::RecordShape shape = RecordScanner::RecordShape::Whole;
        /// False when the record did not have exactly four fields ending its
        /// line, or its visibility is neither "True" nor "False".
        bool wellFormed = true;
    };

    explicit SetFileRecords(const QByteArray &bytes);

    /// The next record; false at the end of the bytes, or when they end
    /// inside a record (cutShort() then tells so and where it began).
    bool next(Record &record);
    /// Passes over the whole records that follow and begin with the quoted
    /// first field `rawName` (bytes as a record's fields[0] holds them), as
    /// far as they are plain quoted fields, without visiting them: the walk
    /// of a change that leaves those records as they are goes on at the
    /// speed of a search for quotes. Returns how many were passed over; what
    /// next() reads afterwards is what it would have read after them.
    qsizetype skipRecordsNamed(QByteArrayView rawName);
    bool cutShort() const { return m_cutShort; }
    /// Where the bytes cut short began: the offset (in the bytes given) and
    /// line of the record.
    qsizetype cutShortOffset() const { return m_cutOffset; }
    qsizetype cutShortLine() const { return m_cutLine; }
    /// The offset (in the bytes given) just past the last whole record's line
    /// end, or its last byte when the file ends there.
    qsizetype wholeEnd() const { return m_wholeEnd; }

    /// The bytes read (without a byte-order mark), to copy records from.
    QByteArrayView data() const { return m_bytes; }

    /// The text of a field, decoded as the file channel decodes it.
    QString text(QByteArrayView field) { return m_scanner.fieldText(field); }

private:
    qsizetype offsetOf(const char *at) const { return at - m_bytes.data(); }
    qsizetype lineAt(const char *at);

    QByteArrayView m_bytes; ///< the bytes read, after any byte-order mark
    qsizetype m_bom = 0;    ///< the length of that mark
    RecordScanner m_scanner;
    const char *m_counted = nullptr; ///< line breaks are counted up to here
    qsizetype m_line = 1;
    bool m_cutShort = false;
    qsizetype m_cutOffset = 0;
    qsizetype m_cutLine = 0;
    qsizetype m_wholeEnd = 0;
};
