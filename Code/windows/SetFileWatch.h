#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>

/// Tells its owner when the set file may have changed on disk: written by
/// another process, by another instance, or replaced whole by a rewrite. It
/// watches the file and its folder (a file replaced by renaming loses its own
/// watch) and reports a burst of changes once, shortly after the last one.
/// The owning window follows the file only while it is shown.
class SetFileWatch : public QObject
{
    Q_OBJECT

public:
    explicit SetFileWatch(QObject *parent = nullptr);

    /// Starts watching the file at `nativePath` (and its folder); an empty
    /// path watches nothing.
    void follow(const QString &nativePath);
    /// Stops watching.
    void stop();

signals:
    void changed();

private:
    void noticed();

    QFileSystemWatcher m_watcher;
    QTimer m_settle;
    QString m_path;
};
