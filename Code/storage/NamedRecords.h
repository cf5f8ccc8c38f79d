#pragma once

#include "SetFileRecords.h"

#include <QString>

/// The records of a set file's bytes with their set names, each name decoded
/// once for a run of records that carry the same bytes for it: the reader
/// behind the whole-file edits and the judging of sets.
class NamedRecords
{
public:
    explicit NamedRecords(const QByteArray &bytes) : m_records(bytes) {}

    bool next()
    {
        if (!m_records.next(m_record))
            return false;
        m_nameChanged = !m_named || m_record.fields[0] != m_rawName;
        if (m_nameChanged) {
            m_rawName = m_record.fields[0];
            m_name = m_records.text(m_rawName);
            m_named = true;
        }
        return true;
    }
    /// Passes over the records that follow with this record's name bytes
    /// (SetFileRecords::skipRecordsNamed()), for a walk that has no use for
    /// them: the next record read has another name or is not plain.
    void skipSameName()
    {
        if (m_named)
            m_records.skipRecordsNamed(m_rawName);
    }
    /// True when this record's name bytes differ from the record's before.
    bool nameChanged() const { return m_nameChanged; }
    const SetFileRecords::Record &record() const { return m_record; }
    const QString &name() const { return m_name; }
    QString text(int field) { return m_records.text(m_record.fields[std::size_t(field)]); }
    SetFileRecords &records() { return m_records; }
    /// Throws 62 when the bytes ended inside a record.
    void requireWhole() const;

private:
    SetFileRecords m_records;
    SetFileRecords::Record m_record;
    QByteArrayView m_rawName;
    QString m_name;
    bool m_named = false;
    bool m_nameChanged = false;
};
