#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

/// A temporary folder in which quarnel-sets runs as a process of its own,
/// with the files it works on: the set file "config" and small documents.
struct CliWorld
{
    struct Run
    {
        int exitCode = -1;
        QByteArray out;
        QByteArray err;
    };

    QTemporaryDir dir;
    /// Variables that the runs find in their environment besides the usual.
    QHash<QString, QString> environment;

    QString path(const QString &name) const { return dir.filePath(name); }
    void write(const QString &name, const QByteArray &bytes) const;
    QByteArray read(const QString &name) const;
    /// Runs quarnel-sets in the folder, with "--file config" in front of the
    /// arguments when `onConfig`.
    Run run(const QStringList &arguments, bool onConfig = true) const;

    /// A document of one map "Town" with the feature layers Roads (hidden),
    /// Rivers and Parks (shown); the data files need not exist.
    static QByteArray townDocument();
    /// Records as the add-in writes them: every field quoted, quotes doubled, CR LF.
    static QByteArray record(const QString &set, const QString &map, const QString &layer, const QString &visibility);
};
