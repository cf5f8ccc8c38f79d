#include "QgisSession.h"

#include <qgslayertree.h>
#include <qgslayertreegroup.h>
#include <qgslayertreemodel.h>
#include <qgslayertreenode.h>
#include <qgslayout.h>
#include <qgslayoutitemlegend.h>
#include <qgslayoutitemmap.h>
#include <qgslayoutmanager.h>
#include <qgsmapcanvas.h>
#include <qgsprintlayout.h>
#include <qgsproject.h>

#include <QSignalBlocker>
#include <QTimer>

namespace quarnelqgis {

QgisSession::QgisSession(const Parts &parts, QObject *parent)
    : QObject(parent), m_project(parts.project), m_canvas(parts.canvas), m_treeModel(parts.treeModel)
{
    if (m_project) {
        const auto switched = [this] {
            ++m_generation;
            emit projectSwitched();
        };
        connect(m_project, &QgsProject::cleared, this, switched);
        connect(m_project, &QgsProject::readProject, this, switched);
    }
}

QgisSession::~QgisSession()
{
    finishBatch();
}

void QgisSession::startBatch()
{
    if (m_inBatch)
        return;
    m_inBatch = true;
    // Whatever happens before then, the batch ends once control is back in
    // the event loop.
    QTimer::singleShot(0, this, &QgisSession::finishBatch);
}

void QgisSession::setChecked(QgsLayerTreeNode *node, bool checked)
{
    if (!node)
        return;
    // A member of a mutually exclusive group needs its group to hear of the
    // change, which turns the other members off.
    auto *parent = qobject_cast<QgsLayerTreeGroup *>(node->parent());
    if (parent && parent->isMutuallyExclusive()) {
        setExclusiveMember(parent, node, checked);
        return;
    }
    if (node->itemVisibilityChecked() == checked)
        return;
    startBatch();
    const QSignalBlocker quiet(node);
    node->setItemVisibilityChecked(checked);
    m_changed = true;
}

void QgisSession::setExclusiveMember(QgsLayerTreeGroup *group, QgsLayerTreeNode *node, bool checked)
{
    startBatch();
    if (checked) {
        // Also a member that is on already counts as the one the batch chose.
        QPointer<QgsLayerTreeNode> &shown = m_exclusiveShown[group];
        if (shown && shown != node && shown->itemVisibilityChecked() && shown->parent() == group) {
            const QList<QgsLayerTreeNode *> &members = group->children();
            const bool nodeFirst = members.indexOf(node) < members.indexOf(shown.data());
            QgsLayerTreeNode *winner = nodeFirst ? node : shown.data();
            QgsLayerTreeNode *loser = nodeFirst ? shown.data() : node;
            m_exclusiveChoices << QStringLiteral("Only one layer of the group \"%1\" can be visible: \"%2\" is shown, "
                                                 "\"%3\" is not.")
                                      .arg(group->name(), winner->name(), loser->name());
            if (!nodeFirst)
                return;
        }
        shown = node;
    }
    if (node->itemVisibilityChecked() != checked)
        node->setItemVisibilityChecked(checked);
}

void QgisSession::finishBatch()
{
    m_inBatch = false;
    m_exclusiveShown.clear();
    if (!m_exclusiveChoices.isEmpty()) {
        const QString text = m_exclusiveChoices.join(QLatin1Char('\n'));
        m_exclusiveChoices.clear();
        emit exclusiveChoiceMade(text);
    }
    if (!m_changed)
        return;
    m_changed = false;
    if (!m_project)
        return;
    QgsLayerTree *root = m_project->layerTreeRoot();
    emit root->visibilityChanged(root);
    if (m_treeModel && m_treeModel->rootGroup() == root)
        announceRows(root);
}

void QgisSession::announceRows(QgsLayerTreeNode *group)
{
    // One signal per group for the check boxes of all its rows.
    const int rows = group->children().size();
    if (rows == 0)
        return;
    const QModelIndex parent = m_treeModel->node2index(group);
    emit m_treeModel->dataChanged(m_treeModel->index(0, 0, parent), m_treeModel->index(rows - 1, 0, parent));
    for (QgsLayerTreeNode *child : group->children())
        if (QgsLayerTree::isGroup(child))
            announceRows(child);
}

void QgisSession::redraw()
{
    finishBatch();
    if (m_redrawPending)
        return;
    m_redrawPending = true;
    QTimer::singleShot(0, this, &QgisSession::redrawNow);
}

void QgisSession::redrawNow()
{
    m_redrawPending = false;
    if (m_canvas)
        m_canvas->refresh();
    if (!m_project)
        return;
    for (QgsPrintLayout *layout : m_project->layoutManager()->printLayouts()) {
        QList<QgsLayoutItemMap *> maps;
        layout->layoutItems(maps);
        for (QgsLayoutItemMap *map : maps)
            map->invalidateCache();
        QList<QgsLayoutItemLegend *> legends;
        layout->layoutItems(legends);
        for (QgsLayoutItemLegend *legend : legends) {
            legend->updateLegend();
            if (legend->resizeToContents())
                legend->adjustBoxSize();
        }
    }
}

} // namespace quarnelqgis
