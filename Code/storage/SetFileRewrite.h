#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

class HostServices;

/// The changes that rewrite the visibility-set file whole (rename, delete,
/// replace, import, repair, Clear All) and their undo. Each works under the
/// file's exclusive lock, on the file as it is at that moment (with what
/// other processes appended before the lock was taken), writes a complete
/// new file and renames it over the old one, so that a reader sees either
/// the old file or the new one. The file as it was before the change stays
/// beside it as "<file>.previous". Failures throw HostError with the file
/// channel's numbers and leave the file as it was.
class SetFileRewrite
{
public:
    /// The set file at a Windows-shaped path, resolved through the drive table.
    SetFileRewrite(const HostServices &services, const QString &windowsPath);

    /// Hands the file's bytes (empty when the file is missing) to `change`
    /// and writes what it returns in their place; when it returns nothing,
    /// the file is left as it is (and so is the earlier file kept for undo).
    /// True when the file was rewritten.
    bool rewrite(const std::function<std::optional<QByteArray>(const QByteArray &current)> &change);
    /// The file and the one it was before the last change change places;
    /// doing it again brings the change back. False when there is no earlier
    /// file to go back to.
    bool swapWithPrevious();

    /// The bytes of the file, read under a shared lock; empty when missing.
    QByteArray read() const;

    QString nativePath() const { return m_native; }
    QString previousPath() const { return m_native + QStringLiteral(".previous"); }

private:
    QString m_native;
};
