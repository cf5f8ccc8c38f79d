#pragma once

#include "ICompositeLayer.h"
#include "IFeatureLayer.h"
#include "IGroupLayer.h"
#include "ILayer.h"

#include <QPointer>

#include <memory>

class QgsLayerTreeGroup;
class QgsLayerTreeNode;

namespace quarnelqgis {

class QgisSession;

/// A node of the project's layer tree as a layer of the add-in: its name is
/// the node's name and its visibility the node's check state, changed inside
/// the session's batch. Watches the node; once QGIS deletes it, reading gives
/// an empty name and hidden, and changing it throws HostError.
class QgisLayer : public virtual ILayer
{
public:
    /// A feature layer for a vector layer's node, a group layer for a group,
    /// any other layer plain.
    static std::shared_ptr<ILayer> forNode(QgsLayerTreeNode *node, QgisSession *session);

    QgisLayer(QgsLayerTreeNode *node, QgisSession *session);
    ~QgisLayer() override;

    QString name() override;
    bool visible() override;
    void setVisible(bool visible) override;

    QgsLayerTreeNode *node() const { return m_node; }

protected:
    QgisSession *session() const { return m_session; }

private:
    QPointer<QgsLayerTreeNode> m_node;
    QPointer<QgisSession> m_session;
};

/// The node of a vector layer.
class QgisFeatureLayer : public QgisLayer, public virtual IFeatureLayer
{
public:
    using QgisLayer::QgisLayer;
};

/// A group of the layer tree; its members are its child nodes, in order.
class QgisGroupLayer : public QgisLayer, public virtual IGroupLayer, public virtual ICompositeLayer
{
public:
    QgisGroupLayer(QgsLayerTreeGroup *group, QgisSession *session);

    std::int32_t count() override;
    /// Member at index 0 .. count() - 1; throws HostError outside that range.
    std::shared_ptr<ILayer> layer(std::int32_t index) override;
};

} // namespace quarnelqgis
