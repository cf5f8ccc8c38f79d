#pragma once

#include "QtCompat.h"

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <initializer_list>
#include <memory>

class HostServices;
class QFile;
class RecordScanner;

/// The sequential file channel ("channel 1") through which all work on the
/// visibility-set file goes; the state record owns the add-in's one channel. Paths are Windows-shaped and are
/// resolved through the host's drive table. What is written for appending is
/// kept by the channel and handed to the file, opened in append mode, in one
/// write when the channel closes. Failures throw HostError with the classic
/// runtime numbers: 52 "Bad file name or number", 53 "File not found",
/// 61 "Disk full", 62 "Input past end of file", 70 "Permission denied",
/// 75 "Path/File access error", 76 "Path not found".
class FileChannel
{
public:
    /// A closed channel that resolves paths through the host's drive table;
    /// the services must outlive the channel.
    explicit FileChannel(const HostServices &services);

    /// Opens an existing file for reading; the channel must be closed.
    void openForInput(const QString &windowsPath);
    /// The same for the bytes [from, to) of the file alone (`to` -1: up to
    /// its end), read as if the file held nothing else (a byte-order mark is
    /// looked for at the file's start alone): for a reader that takes a long
    /// file in parts, each beginning where a record does.
    void openForInput(const QString &windowsPath, qint64 from, qint64 to = -1);
    /// Opens a file for appending, creating it empty when missing.
    void openForAppend(const QString &windowsPath);
    bool isOpen() const;

    /// True when no further field can be read (blank lines and lone line
    /// breaks before the end count as the end).
    bool atEnd();
    /// Reads one field and consumes its separator (comma or line end).
    /// Throws 62 when the file ends before a field begins.
    QString readField();
    /// Reads one field as readField() does but hands back the field's bytes as
    /// they stand in the file, undecoded: a quoted field with its two quotes
    /// (a doubled quote inside still doubled), an unquoted one as it is. Equal
    /// bytes always mean equal text, so a reader that meets the same field
    /// again can skip decoding it. Valid until the next call on the channel.
    QByteArrayView readRawField();
    /// The text of a field whose bytes readRawField() handed back.
    QString fieldText(QByteArrayView raw);
    /// The common case made fast: reads `count` fields as readRawField()
    /// would when each of them is quoted and all of them are at hand without
    /// reading more of the file, and returns true; otherwise reads nothing
    /// and returns false. The views are valid until the next read.
    bool tryReadRawFields(QByteArrayView *fields, int count);
    /// The scanner holding what was read of the file, for a reader that
    /// drives the fast paths itself (RecordScanner::skipRawRecords<>(),
    /// tryReadRawFields()): what they pass over is read from the channel.
    /// Only reads that never ask for more bytes belong there; the channel's
    /// own reads refill it. Throws as a read does when the channel is not
    /// open for input. Valid until the channel is destroyed.
    RecordScanner &scanner();

    /// Appends one record of quoted fields ending in CR LF, whole or not at
    /// all (kept until close).
    void writeRecord(std::initializer_list<QStringView> fields);

    /// Closes the channel, first handing what was written to the file in one
    /// write. Closing a closed channel does nothing. Throws 61 or 75 when
    /// the write or the close fails; the channel is closed either way.
    void close();
    /// For failure paths: close() that never throws.
    void closeQuietly() noexcept;

    FileChannel(const FileChannel &) = delete;
    FileChannel &operator=(const FileChannel &) = delete;
    ~FileChannel();

private:
    const HostServices &m_services;
    struct Private;
    std::unique_ptr<Private> d;
};
