#include "QgisLayer.h"

#include "HostError.h"
#include "QgisSession.h"

#include <qgslayertree.h>
#include <qgslayertreegroup.h>
#include <qgslayertreelayer.h>
#include <qgsvectorlayer.h>

namespace quarnelqgis {

namespace {
[[noreturn]] void gone()
{
    throw HostError(HostError::E_FAIL_NUMBER, QStringLiteral("The layer is no longer in the project"));
}
} // namespace

std::shared_ptr<ILayer> QgisLayer::forNode(QgsLayerTreeNode *node, QgisSession *session)
{
    if (QgsLayerTree::isGroup(node))
        return std::make_shared<QgisGroupLayer>(QgsLayerTree::toGroup(node), session);
    if (QgsLayerTree::isLayer(node) && qobject_cast<QgsVectorLayer *>(QgsLayerTree::toLayer(node)->layer()))
        return std::make_shared<QgisFeatureLayer>(node, session);
    return std::make_shared<QgisLayer>(node, session);
}

QgisLayer::QgisLayer(QgsLayerTreeNode *node, QgisSession *session) : m_node(node), m_session(session) {}

QgisLayer::~QgisLayer() = default;

QString QgisLayer::name()
{
    return m_node ? m_node->name() : QString();
}

bool QgisLayer::visible()
{
    return m_node && m_node->itemVisibilityChecked();
}

void QgisLayer::setVisible(bool visible)
{
    if (!m_node)
        gone();
    if (m_session)
        m_session->setChecked(m_node, visible);
    else
        m_node->setItemVisibilityChecked(visible);
}

QgisGroupLayer::QgisGroupLayer(QgsLayerTreeGroup *group, QgisSession *session) : QgisLayer(group, session) {}

std::int32_t QgisGroupLayer::count()
{
    return node() ? std::int32_t(node()->children().size()) : 0;
}

std::shared_ptr<ILayer> QgisGroupLayer::layer(std::int32_t index)
{
    if (!node())
        gone();
    const QList<QgsLayerTreeNode *> &members = node()->children();
    if (index < 0 || index >= members.size())
        throw HostError(HostError::E_FAIL_NUMBER, QStringLiteral("There is no layer %1 in the group").arg(index));
    return forNode(members.at(index), session());
}

} // namespace quarnelqgis
