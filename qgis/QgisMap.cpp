#include "QgisMap.h"

#include "HostError.h"
#include "IDisplay.h"
#include "QgisLayer.h"
#include "QgisSession.h"

#include <qgslayertree.h>
#include <qgsproject.h>

namespace quarnelqgis {

namespace {
/// The canvas's display: the add-in only hands it back.
class CanvasDisplay : public IDisplay
{
};

QgsLayerTree &rootOf(QgisSession *session)
{
    if (!session || !session->project())
        throw HostError(HostError::E_FAIL_NUMBER, QStringLiteral("QGIS has no project open"));
    return *session->project()->layerTreeRoot();
}
} // namespace

QgisMap::QgisMap(QgisSession *session) : m_session(session), m_display(std::make_shared<CanvasDisplay>()) {}

QgisMap::~QgisMap() = default;

QString QgisMap::mapName()
{
    return QStringLiteral("Layers");
}

QString QgisMap::name()
{
    return mapName();
}

std::int32_t QgisMap::layerCount()
{
    return std::int32_t(rootOf(m_session).children().size());
}

std::shared_ptr<ILayer> QgisMap::layer(std::int32_t index)
{
    const QList<QgsLayerTreeNode *> &layers = rootOf(m_session).children();
    if (index < 0 || index >= layers.size())
        throw HostError(HostError::E_FAIL_NUMBER, QStringLiteral("There is no layer %1 in the map").arg(index));
    return QgisLayer::forNode(layers.at(index), m_session);
}

std::shared_ptr<IMap> QgisMap::focusMap()
{
    return shared_from_this();
}

std::shared_ptr<IDisplay> QgisMap::screenDisplay()
{
    return m_display;
}

void QgisMap::refresh()
{
    if (m_session)
        m_session->redraw();
}

void QgisMap::partialRefresh(int phase, HostObjectPtr /*data*/, std::shared_ptr<IEnvelope> /*area*/)
{
    if (phase & IView::Geography)
        refresh();
}

} // namespace quarnelqgis
