#pragma once

#include <QString>
#include <QStringList>

#include <memory>

class HostServices;

namespace mapdesk {

class Application;
class CommandLoader;
class DriveTable;
class MainWindow;
class MapPictures;
class MessageBoxService;
class ObjectFactory;

/// The running mapdesk: its drive table and desktop services (handed to every
/// command object as its site before it is asked anything), the application
/// with its current document, the main window and the commands of the registry.
///
/// Owns all of it. On destruction the commands are released first, then the
/// window and the services go.
class DesktopHost
{
public:
    struct Options
    {
        QStringList drives;         ///< "X=DIR" arguments, in order
        QString document;           ///< the document to open, or empty for an untitled one
        bool interactive = true;    ///< problems also in message boxes
        QStringList dataFiles = {}; ///< data files for a new document (when no document is given)
    };

    DesktopHost();
    ~DesktopHost();
    DesktopHost(const DesktopHost &) = delete;
    DesktopHost &operator=(const DesktopHost &) = delete;

    /// Sets everything up; the window is not shown yet. Returns an empty text,
    /// or why mapdesk cannot start (a wrong drive argument). A document or a
    /// command that cannot be loaded is reported and mapdesk goes on.
    QString start(const Options &options);

    MainWindow *mainWindow() const { return m_window.get(); }
    std::shared_ptr<Application> application() const { return m_application; }
    /// The desktop services every command shares (tests replace one of them).
    std::shared_ptr<HostServices> services() const { return m_services; }
    CommandLoader *commands() const { return m_commands.get(); }
    /// False when the document of the options could not be opened.
    bool documentOpened() const { return m_documentOpened; }
    DriveTable &drives() const { return *m_drives; }

private:
    void startWithData(const QStringList &files);
    void stop();

    std::shared_ptr<DriveTable> m_drives;
    std::shared_ptr<MessageBoxService> m_messageBox;
    std::shared_ptr<ObjectFactory> m_objects;
    std::shared_ptr<MapPictures> m_pictures;  ///< the focus map's pictures, from the data view
    std::shared_ptr<HostServices> m_services; ///< the site handed to every command
    std::shared_ptr<Application> m_application;
    std::unique_ptr<MainWindow> m_window;
    std::unique_ptr<CommandLoader> m_commands;
    bool m_documentOpened = true;
};

} // namespace mapdesk
