#include "QgisSetSource.h"

#include "HostServices.h"
#include "ProductNames.h"
#include "QgisApplication.h"
#include "QgisSession.h"
#include "SetDatabase.h"
#include "SettingsFolder.h"
#include "StoreConnection.h"
#include "WindowsPath.h"

#include <qgslayertree.h>
#include <qgslayertreeregistrybridge.h>
#include <qgsproject.h>

#include <QDir>
#include <QFileInfo>

namespace quarnelqgis {

QgisSetSource::QgisSetSource(std::shared_ptr<HostServices> services, QgsProject *project)
    : m_state(std::move(services)), m_project(project)
{
    m_state.productName = ProductNames::product();
    m_state.productVersion = ProductNames::version();
    const QString drive = findSettingsDrive(m_state);
    // With no drive the path names drive C, whose reading then fails with
    // the file's own error.
    m_state.settingsDrive = drive.isEmpty() ? QStringLiteral("C") : drive;
    m_state.settingsFolder = settingsFolderOn(m_state.settingsDrive, ProductNames::maker(), ProductNames::product());
    m_state.setFilePath = m_state.settingsFolder + ProductNames::setFileName();
    const QString store = StoreConnection::chosen();
    if (!store.isEmpty())
        m_state.setDatabase = std::make_shared<SetDatabase>(store);
}

QgisSetSource::QgisSetSource(std::shared_ptr<HostServices> services, QgsProject *project, const QString &setFilePath)
    : m_state(std::move(services)), m_project(project)
{
    m_state.productName = ProductNames::product();
    m_state.productVersion = ProductNames::version();
    m_state.setFilePath = setFilePath;
}

QgisSetSource::~QgisSetSource() = default;

bool QgisSetSource::makeFolder()
{
    const QString native = WindowsPath::toNative(m_state.services, m_state.setFilePath);
    if (native.isEmpty())
        return false;
    const QString folder = QFileInfo(native).absolutePath();
    // Like the add-in, never a Program Files folder of its own: only the
    // maker's and product's folders inside one that is there.
    const QString programFiles =
        m_state.settingsDrive.isEmpty()
            ? QString()
            : WindowsPath::toNative(m_state.services, m_state.settingsDrive + QStringLiteral(":\\Program Files"));
    if (programFiles.isEmpty() || !QFileInfo(programFiles).isDir())
        return QFileInfo(folder).isDir();
    return QDir().mkpath(folder);
}

QStringList QgisSetSource::names()
{
    return SetStore(m_state).names();
}

QList<QgsMapLayer *> QgisSetSource::layersShown(const QString &setName, SetStore::Restore how, bool *found)
{
    QList<QgsMapLayer *> shown;
    if (found)
        *found = false;
    if (!m_project)
        return shown;
    // A project of its own holds the copy of the tree, so that the host
    // adapter restores on it as on the real one, exclusive groups included;
    // the layers stay the real project's.
    QgsProject scratch;
    scratch.layerTreeRegistryBridge()->setEnabled(false);
    QgsLayerTree *real = m_project->layerTreeRoot();
    QgsLayerTree *copy = scratch.layerTreeRoot();
    for (QgsLayerTreeNode *child : real->children())
        copy->addChildNode(child->clone());
    {
        QgisSession session(QgisSession::Parts{&scratch, nullptr, nullptr});
        QgisApplication application(&session);
        SetStore store(m_state);
        const qsizetype applied = store.restoreSetFromFile(setName, *application.document(), how);
        session.finishBatch();
        if (found)
            *found = applied > 0;
    }
    // What the canvas would draw: the visible layers in drawing order.
    for (QgsMapLayer *layer : real->layerOrder()) {
        const QgsLayerTreeLayer *node = copy->findLayer(layer);
        if (node && node->isVisible())
            shown << layer;
    }
    copy->removeAllChildren();
    return shown;
}

} // namespace quarnelqgis
