#pragma once

#include <qgslayertreemodel.h>
#include <qgsmapcanvas.h>
#include <qgsproject.h>

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QStringList>

class QgsLayerTreeGroup;
class QgsLayerTreeNode;

namespace quarnelqgis {

/// The parts of the running QGIS the host adapter works through: the
/// project, its map canvas and the layer tree model of the Layers panel. Any of them but
/// the project may be missing (a headless run). The session only watches
/// them; QGIS owns them.
///
/// It also makes a run of visibility changes one change: the first node
/// changed starts a batch in which the nodes change without a signal each
/// (each would cost QGIS's models and legends a look-up over their siblings,
/// and ten thousand of them would cost seconds); the batch ends at the next
/// redraw or table-of-contents update, at the latest when control returns to
/// the event loop, with one announcement of the whole change.
///
/// A mutually exclusive group keeps QGIS's rule: a member switched on turns
/// its siblings off, through the group itself. When one batch switches on two
/// members of such a group, the one higher in the group stays on, as QGIS
/// keeps the first checked member when a group becomes exclusive; the batch's
/// end tells once which member won.
class QgisSession : public QObject
{
    Q_OBJECT

public:
    struct Parts
    {
        QgsProject *project = nullptr;
        QgsMapCanvas *canvas = nullptr;
        QgsLayerTreeModel *treeModel = nullptr;
    };

    explicit QgisSession(const Parts &parts, QObject *parent = nullptr);
    ~QgisSession() override;

    QgsProject *project() const { return m_project; }
    QgsMapCanvas *canvas() const { return m_canvas; }

    /// Counts project switches: a new project, an opened one or a cleared one.
    int projectGeneration() const { return m_generation; }

    /// Sets the check state of `node` inside the current batch.
    void setChecked(QgsLayerTreeNode *node, bool checked);
    /// Announces the batch's changes once: the layer tree's visibility
    /// signal from its root (to the bridge that gives the canvas its layers,
    /// the project and every other listener of the tree) and one change of
    /// rows per group to the Layers panel's model.
    void finishBatch();
    /// Ends the batch and asks for one redraw: once control is back in the
    /// event loop, the map canvas redraws and every print layout's maps and
    /// legends are brought up to date, however often it was asked for.
    void redraw();

signals:
    /// The project was replaced (new, opened or cleared).
    void projectSwitched();
    /// At the end of a batch that switched on more than one member of a
    /// mutually exclusive group: which member is shown and which are not,
    /// one line per member left off.
    void exclusiveChoiceMade(const QString &text);

private:
    void startBatch();
    void setExclusiveMember(QgsLayerTreeGroup *group, QgsLayerTreeNode *node, bool checked);
    void redrawNow();
    void announceRows(QgsLayerTreeNode *group);

    QPointer<QgsProject> m_project;
    QPointer<QgsMapCanvas> m_canvas;
    QPointer<QgsLayerTreeModel> m_treeModel;
    /// The member of each exclusive group the batch switched on.
    QHash<QgsLayerTreeGroup *, QPointer<QgsLayerTreeNode>> m_exclusiveShown;
    QStringList m_exclusiveChoices;
    bool m_inBatch = false;
    bool m_changed = false;
    bool m_redrawPending = false;
    int m_generation = 0;
};

} // namespace quarnelqgis
