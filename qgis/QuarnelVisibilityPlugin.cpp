#include "QuarnelVisibilityPlugin.h"

#include "ComPtr.h"
#include "ComponentModule.h"
#include "HostServices.h"
#include "LoadedCommand.h"
#include "QgisApplication.h"
#include "QgisDrives.h"
#include "QgisHost.h"
#include "QgisLayoutExportDialog.h"
#include "QgisProcessingProvider.h"
#include "QgisSetSource.h"
#include "QgisSetThemes.h"
#include "QuarnelGISIds.h"
#include "QuarnelGISModule.h"
#include "QuarnelGISResources.h"

#include <qgisinterface.h>
#include <qgsapplication.h>
#include <qgslayertreemodel.h>
#include <qgslayertreeview.h>
#include <qgsmessagelog.h>
#include <qgsprocessingregistry.h>
#include <qgsproject.h>
#include <qgssettings.h>

#include <QMainWindow>

namespace quarnelqgis {

namespace {
const QString kName = QStringLiteral("QuarnelVisibility");
const QString kDescription = QStringLiteral("Saves which layers are visible under a name and restores them");
const QString kCategory = QStringLiteral("Plugins");
const QString kVersion = QStringLiteral(QUARNEL_VERSION);
const QString kIcon = QStringLiteral(":/quarnel/command16.png");

/// The command object through the module's class factory, with the site
/// set; null with `error` telling why not.
mapdesk::ComPtr<Com::ICommand> createCommand(const HostObjectPtr &site, QString *error)
{
    mapdesk::ComPtr<Com::IClassFactory> factory;
    mapdesk::ComPtr<Com::ICommand> command;
    Com::HRESULT result =
        DllGetClassObject(&QuarnelGISIds::CLSID_QuarnelVisibility, &Com::IID_IClassFactory, factory.receive());
    if (!Com::succeeded(result) || !factory) {
        *error = QStringLiteral("The module has no class factory for QuarnelVisibility (%1)")
                     .arg(mapdesk::ComponentModule::resultText(result));
        return {};
    }
    result = factory->CreateInstance(nullptr, Com::IID_ICommand, command.receive());
    if (!Com::succeeded(result) || !command) {
        *error = QStringLiteral("The class factory refused to create the command (%1)")
                     .arg(mapdesk::ComponentModule::resultText(result));
        return {};
    }
    mapdesk::ComPtr<Com::IObjectWithSite> withSite;
    if (Com::succeeded(command->QueryInterface(Com::IID_IObjectWithSite, withSite.receive())) && withSite)
        withSite->SetSite(site);
    return command;
}
} // namespace

QuarnelVisibilityPlugin::QuarnelVisibilityPlugin(QgisInterface *iface)
    : QgisPlugin(kName, kDescription, kCategory, kVersion, QgisPlugin::UI), m_iface(iface)
{
}

QuarnelVisibilityPlugin::~QuarnelVisibilityPlugin()
{
    unload();
}

void QuarnelVisibilityPlugin::report(const QString &problem) const
{
    QgsMessageLog::logMessage(problem, kName, Qgis::Warning);
}

void QuarnelVisibilityPlugin::initGui()
{
    if (m_host)
        return;
    QgisHost::Options options;
    options.parts.project = QgsProject::instance();
    options.parts.canvas = m_iface->mapCanvas();
    if (QgsLayerTreeView *view = m_iface->layerTreeView())
        options.parts.treeModel = view->layerTreeModel();
    options.mainWindow = m_iface->mainWindow();
    options.addPanel = [iface = m_iface](QDockWidget *panel) { iface->addDockWidget(Qt::RightDockWidgetArea, panel); };
    options.removePanel = [iface = m_iface](QDockWidget *panel) { iface->removeDockWidget(panel); };
    options.driveSettings = QgsSettings().value(QgisDrives::settingKey()).toStringList();
    options.driveEnvironment = qEnvironmentVariable(QgisDrives::environmentVariable());
    m_host = std::make_unique<QgisHost>(options);
    for (const QString &problem : m_host->problems())
        report(problem);
    m_host->setThemes().setLayoutExport([this](const QStringList &sets) { exportLayoutForEachSet(sets); });
    m_provider = new QgisProcessingProvider(*m_host);
    if (!QgsApplication::processingRegistry()->addProvider(m_provider))
        report(QStringLiteral("Processing refused the QuarnelVisibility provider"));

    QString error;
    mapdesk::ComPtr<Com::ICommand> command = createCommand(m_host->services(), &error);
    if (!command) {
        report(error);
        return;
    }
    mapdesk::ComponentEntry entry;
    entry.classId = QuarnelGISIds::CLSID_QuarnelVisibility;
    entry.progId = QuarnelGISIds::progId();
    m_command = std::make_unique<mapdesk::LoadedCommand>(entry, nullptr, std::move(command));
    for (const QString &note : m_command->readPresentation())
        report(note);
    const QString created = m_command->create(m_host->application());
    if (!created.isEmpty())
        report(created);
    // A project opened before the plugin loaded, whose sets are kept as
    // themes: the themes follow what changed meanwhile.
    m_host->setThemes().publishNow();

    const mapdesk::LoadedCommand::Presentation &look = m_command->presentation();
    m_menu = look.category.isEmpty() ? kName : look.category;
    m_action = new QAction(m_command->label(), m_iface->mainWindow());
    m_action->setObjectName(look.name.isEmpty() ? kName : look.name);
    if (!look.bitmap.isNull())
        m_action->setIcon(QIcon(QPixmap::fromImage(look.bitmap)));
    m_action->setToolTip(look.tooltip.isEmpty() ? m_command->label() : look.tooltip);
    m_action->setStatusTip(look.message);
    m_action->setEnabled(look.enabled);
    connect(m_action, &QAction::triggered, this, [this] {
        if (!m_command)
            return;
        const QString failed = m_command->click();
        if (!failed.isEmpty())
            report(failed);
    });
    m_toolBar = m_iface->addToolBar(m_menu);
    m_toolBar->setObjectName(QStringLiteral("QuarnelVisibilityToolBar"));
    m_toolBar->addAction(m_action);
    m_iface->addPluginToMenu(m_menu, m_action);
}

void QuarnelVisibilityPlugin::exportLayoutForEachSet(const QStringList &selected)
{
    if (!m_host)
        return;
    QgisSetSource sets(m_host->services(), QgsProject::instance());
    QgisLayoutExportDialog dialog(sets, selected, m_iface->mainWindow());
    dialog.exec();
}

void QuarnelVisibilityPlugin::unload()
{
    if (m_action && m_iface)
        m_iface->removePluginMenu(m_menu, m_action);
    // The registry deletes the provider, before the host it borrows goes.
    if (m_provider && QgsApplication::processingRegistry())
        QgsApplication::processingRegistry()->removeProvider(m_provider);
    delete m_toolBar.data();
    delete m_action.data();
    // The command's windows go with it, before the host whose services they use.
    m_command.reset();
    if (m_host)
        m_host->setThemes().setLayoutExport({});
    m_host.reset();
}

} // namespace quarnelqgis

// QGIS's entry points for a C++ plugin.
QGISEXTERN QgisPlugin *classFactory(QgisInterface *iface)
{
    return new quarnelqgis::QuarnelVisibilityPlugin(iface);
}
QGISEXTERN const QString *name()
{
    return &quarnelqgis::kName;
}
QGISEXTERN const QString *description()
{
    return &quarnelqgis::kDescription;
}
QGISEXTERN const QString *category()
{
    return &quarnelqgis::kCategory;
}
QGISEXTERN int type()
{
    return QgisPlugin::UI;
}
QGISEXTERN const QString *version()
{
    return &quarnelqgis::kVersion;
}
QGISEXTERN const QString *icon()
{
    // The picture is compiled into the plugin; QGIS asks for it before it
    // creates the plugin.
    initQuarnelResources();
    return &quarnelqgis::kIcon;
}
QGISEXTERN void unload(QgisPlugin *plugin)
{
    delete plugin;
}
