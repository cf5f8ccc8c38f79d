#pragma once

#include "FileSplice.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

class HostServices;

/// The changes that rewrite the visibility-set file whole (rename, delete,
/// replace, an edit of a set's layers, import, repair, Clear All) and their
/// undo. Each works under the
/// file's exclusive lock, on the file as it is at that moment (with what
/// other processes appended before the lock was taken), writes a complete
/// new file and renames it over the old one, so that a reader sees either
/// the old file or the new one.
///
/// For Undo the file as it was before the change stays beside it as
/// "<file>.previous", and "<file>.undo" marks where the change's own bytes
/// end in the new file: whatever lies past that mark was appended by saves
/// since, and an undo (or redo) keeps it, after the bytes it brings back.
/// The mark names the very file the change wrote (its identity and a digest
/// of every byte before the mark) and the very "<file>.previous" it left, so
/// a file replaced or edited by any other means has nothing to undo. The two
/// files beside it are never followed through a link, never waited on, and
/// read only when they are regular files. A set file reached through a link
/// is the file the link names: its undo files lie beside that file and the
/// link stays a link. Failures throw HostError with the file channel's
/// numbers and leave the file, and the undo point, as they were.
class SetFileRewrite
{
public:
    /// The set file at a Windows-shaped path, resolved through the drive table
    /// and through any links to the file they name.
    SetFileRewrite(const HostServices &services, const QString &windowsPath);

    /// Hands the file's bytes (empty when the file is missing) to `change`
    /// and writes what it returns in their place (its kept stretches taken
    /// from the bytes handed over); when it returns nothing,
    /// the file is left as it is (and so is the undo point). True when the
    /// file was rewritten.
    bool rewrite(const std::function<std::optional<FileSplice>(const QByteArray &current)> &change);
    /// Takes back the last whole-file change, keeping every record appended
    /// since; doing it again brings the change back. False when there is
    /// nothing to undo: no change was made, the file was replaced by other
    /// means since, or the bytes to bring back end inside a record and saves
    /// were appended since (joining them would damage the first of them).
    bool undo();

    /// The bytes of the file, read under a shared lock; empty when missing.
    QByteArray read() const;
    /// The bytes of the set file at `nativePath` (links followed), for a
    /// reading off the interface thread that only looks: its length is taken
    /// under a shared lock, and the bytes up to there are read after the lock
    /// is given back. Writers under the lock only append or replace the file
    /// whole, so those bytes stay as they were, and a save waits for no read
    /// of a long file. Empty when the file is missing.
    static QByteArray readMeasured(const QString &nativePath);

    /// True when writing to `nativePath` would write over the set file or one
    /// of the files kept beside it for Undo, however the path reaches them
    /// (links, "..", a file not there yet): an output must go elsewhere.
    bool owns(const QString &nativePath) const;

    /// The file the set file's path names, links followed.
    QString nativePath() const { return m_native; }
    QString previousPath() const { return m_native + QStringLiteral(".previous"); }
    QString markPath() const { return m_native + QStringLiteral(".undo"); }

private:
    QString m_native;
};
