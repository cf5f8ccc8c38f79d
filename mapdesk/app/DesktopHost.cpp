#include "DesktopHost.h"

#include "Application.h"
#include "CommandLoader.h"
#include "ComponentRegistry.h"
#include "DriveTable.h"
#include "HostServices.h"
#include "MainWindow.h"
#include "MapPictures.h"
#include "MessageBoxService.h"
#include "ObjectFactory.h"
#include "ScreenService.h"
#include "ShellService.h"

namespace mapdesk {

DesktopHost::DesktopHost() : m_drives(std::make_shared<DriveTable>()) {}

DesktopHost::~DesktopHost()
{
    stop();
}

QString DesktopHost::start(const Options &options)
{
    for (const QString &drive : options.drives) {
        const QString error = m_drives->addFromArgument(drive);
        if (!error.isEmpty())
            return error;
    }

    m_application = std::make_shared<Application>();
    m_window = std::make_unique<MainWindow>(m_application);
    m_window->setInteractive(options.interactive);

    // The add-ins find every desktop service in place before the first
    // module is loaded.
    m_messageBox = std::make_shared<MessageBoxService>(m_window.get());
    m_objects = std::make_shared<ObjectFactory>();
    m_objects->setApplication(m_application);
    m_objects->setFrameOwner(m_window.get());
    m_services = std::make_shared<HostServices>();
    m_services->setMessageBox(m_messageBox);
    m_services->setShell(std::make_shared<ShellService>());
    m_services->setScreen(std::make_shared<ScreenService>());
    m_services->setDrives(m_drives);
    m_services->setObjectFactory(m_objects);
    m_pictures = std::make_shared<MapPictures>(m_window->dataView());
    m_services->setPictures(m_pictures);

    const QString prepared = m_drives->prepare();
    if (!prepared.isEmpty())
        m_window->reportProblem(prepared);
    if (!options.document.isEmpty())
        m_documentOpened = m_window->openDocument(options.document);
    else if (!options.dataFiles.isEmpty())
        startWithData(options.dataFiles);

    m_commands = std::make_unique<CommandLoader>(m_application);
    m_commands->setSite(m_services);
    m_commands->loadAll(ComponentRegistry());
    m_commands->addToolbars(m_window.get());
    m_window->reportProblems(m_commands->problems());
    QObject::connect(m_commands.get(), &CommandLoader::problemReported, m_window.get(), &MainWindow::reportProblem);
    return {};
}

void DesktopHost::startWithData(const QStringList &files)
{
    // The untitled document's one map, "Layers", takes the files in the
    // order given, once read; what they hold is no change to save yet.
    if (!m_window->addData(files))
        return;
    const std::weak_ptr<Document> document = m_application->currentDocument();
    QObject::connect(
        m_window.get(), &MainWindow::readingFinished, m_window.get(),
        [document] {
            if (const auto added = document.lock())
                added->setModified(false);
        },
        Qt::SingleShotConnection);
}

void DesktopHost::stop()
{
    // Commands first, while the window and services they use still exist.
    m_commands.reset();
    m_window.reset();
    m_services.reset();
    m_pictures.reset();
    m_application.reset();
}

} // namespace mapdesk
