#include "QgisHost.h"

#include "DriveTable.h"
#include "HostServices.h"
#include "MessageBoxService.h"
#include "ObjectFactory.h"
#include "QgisApplication.h"
#include "QgisDrives.h"
#include "QgisPanelFrame.h"
#include "QgisPictures.h"
#include "QgisSetThemes.h"
#include "ScreenService.h"
#include "ShellService.h"

#include <QMainWindow>

namespace quarnelqgis {

QgisHost::QgisHost(const Options &options)
    : m_session(std::make_unique<QgisSession>(options.parts)),
      m_application(std::make_shared<QgisApplication>(m_session.get())),
      m_drives(QgisDrives::make(options.driveSettings, options.driveEnvironment, &m_problems)),
      m_services(std::make_shared<HostServices>()),
      m_setThemes(std::make_shared<QgisSetThemes>(m_session.get(), m_application))
{
    auto objects = std::make_shared<mapdesk::ObjectFactory>();
    objects->setApplication(m_application);
    objects->setFrameOwner(options.mainWindow);
    if (auto *mainWindow = qobject_cast<QMainWindow *>(options.mainWindow)) {
        const QgisPanelFrame::Dock dock{mainWindow, options.addPanel, options.removePanel};
        objects->setFrameMaker([dock] { return std::make_shared<QgisPanelFrame>(dock); });
    }
    auto messageBox = std::make_shared<mapdesk::MessageBoxService>(options.mainWindow);
    m_services->setMessageBox(messageBox);
    m_services->setShell(std::make_shared<mapdesk::ShellService>());
    m_services->setScreen(std::make_shared<mapdesk::ScreenService>());
    m_services->setDrives(m_drives);
    m_services->setObjectFactory(std::move(objects));
    m_services->setSetThemes(m_setThemes);
    m_services->setPictures(std::make_shared<QgisPictures>(m_session.get()));

    // Which member of an exclusive group a restore left on is told once the
    // restore is over, not in the middle of it.
    QObject::connect(
        m_session.get(), &QgisSession::exclusiveChoiceMade, m_session.get(),
        [box = std::weak_ptr<mapdesk::MessageBoxService>(messageBox)](const QString &text) {
            if (const std::shared_ptr<mapdesk::MessageBoxService> shown = box.lock())
                shown->show(text, QStringLiteral("QuarnelVisibility"));
        },
        Qt::QueuedConnection);
}

QgisHost::~QgisHost() = default;

} // namespace quarnelqgis
