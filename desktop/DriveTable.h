#pragma once

#include "IDrives.h"

#include <QMap>

namespace mapdesk {

/// mapdesk's drive table: which native folder stands for each drive letter
/// of a Windows-shaped path. By default it holds one drive, C:, rooted in
/// the per-user data folder; "--drive X=DIR" adds or replaces a drive.
class DriveTable : public IDrives
{
public:
    /// A table with the default drive C: (not yet created on disk).
    DriveTable();

    /// Native root of the default drive C:.
    static QString defaultRootC();

    /// Adds or replaces drive `letter` (any case) with `folder`.
    void setDrive(QChar letter, const QString &folder);
    /// Takes a "X=DIR" argument: one drive letter, "=", an existing folder.
    /// Returns an empty text when taken, otherwise what is wrong with it.
    QString addFromArgument(const QString &argument);
    /// Creates the default drive's folder and its "Program Files" folder, as
    /// an operating system provides them, when the default drive is still in
    /// the table. Drives given by the user are taken as they are. Returns an
    /// empty text on success, otherwise what failed.
    QString prepare();

    QString root(QChar letter) override;
    /// Every drive, by upper-case letter.
    const QMap<QChar, QString> &drives() const { return m_roots; }

private:
    QMap<QChar, QString> m_roots;
};

} // namespace mapdesk
