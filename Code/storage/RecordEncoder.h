#pragma once

#include "QtCompat.h"

#include <QByteArray>
#include <QStringView>

#include <initializer_list>
#include <vector>

/// The bytes of records as the file channel writes them: each field in
/// double quotes as UTF-8 with every quote inside doubled, the fields
/// separated by commas, each record ended by CR LF. Leading fields with the
/// same text as in the record before are copied from that record's bytes
/// instead of being encoded again, which makes the long runs a save writes
/// (one set name, one map name over many layers) cheap. The encoder owns its
/// bytes; the file channel hands them to the file and then clears them.
class RecordEncoder
{
public:
    /// Appends one record, whole or not at all (also when memory runs out).
    void append(std::initializer_list<QStringView> fields);

    /// The records appended since the last clear.
    QByteArrayView bytes() const { return {m_bytes.constData(), m_used}; }
    /// The offset just past each record in bytes().
    const std::vector<qsizetype> &recordEnds() const { return m_recordEnds; }

    /// Forgets the records. The memory they took is kept for the next ones
    /// (unless it is much), so that saving again does not have the system
    /// hand out and clear fresh pages of memory once more.
    void clear();

private:
    /// One field of the last record: where its bytes (inside the quotes)
    /// stand, and whether they are its UTF-16 units as they stand.
    struct Field
    {
        qsizetype begin = 0;
        qsizetype end = 0;
        bool plain = false;
    };

    std::vector<Field> m_last;
    // The records are m_bytes[0, m_used); the rest is room to grow into.
    QByteArray m_bytes;
    qsizetype m_used = 0;
    std::vector<qsizetype> m_recordEnds;
};
