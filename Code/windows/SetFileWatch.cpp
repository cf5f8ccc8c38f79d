#include "SetFileWatch.h"

#include <QFileInfo>

namespace {
// Long enough to take a burst of writes as one change, short enough that
// another writer's save shows within a second.
constexpr int settleMilliseconds = 200;
} // namespace

SetFileWatch::SetFileWatch(QObject *parent) : QObject(parent)
{
    m_settle.setSingleShot(true);
    m_settle.setInterval(settleMilliseconds);
    connect(&m_settle, &QTimer::timeout, this, &SetFileWatch::changed);
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, &SetFileWatch::noticed);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &SetFileWatch::noticed);
}

void SetFileWatch::follow(const QString &nativePath)
{
    stop();
    m_path = nativePath;
    if (m_path.isEmpty())
        return;
    const QString folder = QFileInfo(m_path).absolutePath();
    if (QFileInfo(folder).isDir())
        m_watcher.addPath(folder);
    if (QFileInfo::exists(m_path))
        m_watcher.addPath(m_path);
}

void SetFileWatch::stop()
{
    m_settle.stop();
    if (!m_watcher.files().isEmpty())
        m_watcher.removePaths(m_watcher.files());
    if (!m_watcher.directories().isEmpty())
        m_watcher.removePaths(m_watcher.directories());
    m_path.clear();
}

void SetFileWatch::noticed()
{
    if (m_path.isEmpty())
        return;
    // A file deleted and written anew, or renamed over, is watched again.
    if (!m_watcher.files().contains(m_path) && QFileInfo::exists(m_path))
        m_watcher.addPath(m_path);
    m_settle.start();
}
