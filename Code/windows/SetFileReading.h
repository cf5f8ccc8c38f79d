#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

/// The whole records of the set file at `native`, read off the interface
/// thread: its length is taken under a shared lock, and the bytes up to
/// there are read after the lock is given back. Writers under the lock only
/// append or replace the file whole, so those bytes stay as they were, and a
/// save waits for no read of a long file. Empty when the file is missing;
/// throws when it cannot be read.
QByteArray readWholeRecords(const QString &native);

/// What tells one state of the set file from another without reading it:
/// which file the path names, its length and when it was last written. An
/// append or a whole-file change gives it another identity.
struct SetFileIdentity
{
    quint64 device = 0, inode = 0;
    qint64 size = 0, seconds = 0, nanoseconds = 0;
    bool operator==(const SetFileIdentity &) const = default;
    /// The identity of the file at `native` now; nothing when it is missing.
    static std::optional<SetFileIdentity> of(const QString &native);
};
