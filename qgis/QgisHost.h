#pragma once

#include "QgisSession.h"

#include <QPointer>
#include <QStringList>

#include <functional>
#include <memory>

class HostServices;
class QDockWidget;
class QWidget;

namespace mapdesk {
class DriveTable;
class MessageBoxService;
class ObjectFactory;
} // namespace mapdesk

namespace quarnelqgis {

class QgisApplication;
class QgisSetThemes;

/// The QGIS host of the add-in without its button: the session over QGIS's
/// project, canvas and Layers panel, the application the add-in sees, and
/// the desktop services handed to the command as its site (message boxes
/// over QGIS's main window, the add-in's window in a panel of it and its
/// other windows floating over it, links opened by the desktop, screen
/// metrics, the drive table, the sets as map themes). Owns all of them; borrows the main window.
class QgisHost
{
public:
    struct Options
    {
        QgisSession::Parts parts;
        QWidget *mainWindow = nullptr;
        /// How the add-in's panel joins QGIS's main window and leaves it
        /// again (QgisInterface's addDockWidget and removeDockWidget); by
        /// default the main window's own.
        std::function<void(QDockWidget *)> addPanel;
        std::function<void(QDockWidget *)> removePanel;
        QStringList driveSettings; ///< "X=DIR" entries of the plugin's settings
        QString driveEnvironment;  ///< the entries of the environment variable
    };

    explicit QgisHost(const Options &options);
    ~QgisHost();
    QgisHost(const QgisHost &) = delete;
    QgisHost &operator=(const QgisHost &) = delete;

    QgisSession *session() const { return m_session.get(); }
    std::shared_ptr<QgisApplication> application() const { return m_application; }
    std::shared_ptr<HostServices> services() const { return m_services; }
    /// The sets as the project's map themes (also among the services).
    QgisSetThemes &setThemes() const { return *m_setThemes; }
    mapdesk::DriveTable &drives() const { return *m_drives; }
    /// What went wrong setting up (drive entries that are not drives).
    const QStringList &problems() const { return m_problems; }

private:
    std::unique_ptr<QgisSession> m_session;
    std::shared_ptr<QgisApplication> m_application;
    std::shared_ptr<mapdesk::DriveTable> m_drives;
    std::shared_ptr<HostServices> m_services;
    std::shared_ptr<QgisSetThemes> m_setThemes;
    QStringList m_problems;
};

} // namespace quarnelqgis
