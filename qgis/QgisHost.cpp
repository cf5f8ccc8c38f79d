#include "QgisHost.h"

#include "DriveTable.h"
#include "HostServices.h"
#include "MessageBoxService.h"
#include "ObjectFactory.h"
#include "QgisApplication.h"
#include "QgisDrives.h"
#include "QgisPictures.h"
#include "ScreenService.h"
#include "ShellService.h"

namespace quarnelqgis {

QgisHost::QgisHost(const Options &options)
    : m_session(std::make_unique<QgisSession>(options.parts)),
      m_application(std::make_shared<QgisApplication>(m_session.get())),
      m_drives(QgisDrives::make(options.driveSettings, options.driveEnvironment, &m_problems)),
      m_services(std::make_shared<HostServices>())
{
    auto objects = std::make_shared<mapdesk::ObjectFactory>();
    objects->setApplication(m_application);
    objects->setFrameOwner(options.mainWindow);
    m_services->setMessageBox(std::make_shared<mapdesk::MessageBoxService>(options.mainWindow));
    m_services->setShell(std::make_shared<mapdesk::ShellService>());
    m_services->setScreen(std::make_shared<mapdesk::ScreenService>());
    m_services->setDrives(m_drives);
    m_services->setObjectFactory(std::move(objects));
    m_services->setPictures(std::make_shared<QgisPictures>(m_session.get()));
}

QgisHost::~QgisHost() = default;

} // namespace quarnelqgis
