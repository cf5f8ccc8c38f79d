#pragma once

#include "QgisSession.h"

#include <QPointer>
#include <QStringList>

#include <memory>

class HostServices;
class QWidget;

namespace mapdesk {
class DriveTable;
class MessageBoxService;
class ObjectFactory;
} // namespace mapdesk

namespace quarnelqgis {

class QgisApplication;

/// The QGIS host of the add-in without its button: the session over QGIS's
/// project, canvas and Layers panel, the application the add-in sees, and
/// the desktop services handed to the command as its site (message boxes
/// and the add-in's floating windows over QGIS's main window, links opened
/// by the desktop, screen metrics, mapdesk's drive table). Owns all of them;
/// borrows the main window.
class QgisHost
{
public:
    struct Options
    {
        QgisSession::Parts parts;
        QWidget *mainWindow = nullptr;
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
    mapdesk::DriveTable &drives() const { return *m_drives; }
    /// What went wrong setting up (drive entries that are not drives).
    const QStringList &problems() const { return m_problems; }

private:
    std::unique_ptr<QgisSession> m_session;
    std::shared_ptr<QgisApplication> m_application;
    std::shared_ptr<mapdesk::DriveTable> m_drives;
    std::shared_ptr<HostServices> m_services;
    QStringList m_problems;
};

} // namespace quarnelqgis
