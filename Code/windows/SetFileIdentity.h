#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

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
