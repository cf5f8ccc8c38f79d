#pragma once

#include <QHash>
#include <QPointer>
#include <QTreeWidget>

#include <initializer_list>

#include <memory>
#include <vector>

namespace mapdesk {

class Document;
class Layer;
class Map;

/// The table of contents: the document's maps as top-level items (the focus
/// map in bold), under each its layers in order with group layers nested.
/// Each layer's check box is bound to the layer's own visibility flag both
/// ways: ticking sets the flag and redraws the layer's map and its legends, and the
/// document's updateContents() makes the boxes show the flags. A layer whose
/// source failed, or whose data came with a warning (features left out),
/// carries a warning icon and its error or warning as tooltip. Names and
/// errors show as they are, in the items and in the tooltips, never as markup.
/// Activating a map (double-click or Enter) makes it the focus map.
///
/// The tree is also where layers are arranged: a layer or group dragged to
/// a new place (above or below another layer, or onto a group or map to go
/// in at its top) moves there; New Group, Remove and Rename (F2) act on the
/// current item and are in its context menu, with Properties... Every change
/// is drawn at once and marks the document modified. Shares the document.
class TocWidget : public QTreeWidget
{
    Q_OBJECT

public:
    explicit TocWidget(QWidget *parent = nullptr);
    ~TocWidget() override;

    /// Shows `document` (may be null) and follows its contents updates.
    void setDocument(std::shared_ptr<Document> document);
    /// Rebuilds the tree from the document's maps, layers and flags.
    void showContents();

    /// The item of a layer, or nullptr.
    QTreeWidgetItem *itemOf(const Layer *layer) const;
    /// The item of a map, or nullptr.
    QTreeWidgetItem *itemOf(const Map *map) const;

    QSize sizeHint() const override { return {220, 400}; }

    /// Adds a group "New Group" above the current layer (at the top of the
    /// current or focus map when no layer is current) and returns it.
    std::shared_ptr<Layer> newGroup();
    /// Removes the current layer (a group with its members).
    bool removeCurrent();
    /// Starts editing the current item's name.
    void renameCurrent();
    /// Moves `layer` so that it sits before the item `target` (below it with
    /// `after`), or into `target` at its top when `target` is a group or map
    /// and `into` is set. False when the move is refused (a group into itself).
    bool moveLayer(const std::shared_ptr<Layer> &layer, QTreeWidgetItem *target, bool after, bool into);
    /// The layer of an item, or null.
    std::shared_ptr<Layer> layerOf(QTreeWidgetItem *item) const;

    QAction *newGroupAction() const { return m_newGroup; }
    QAction *removeAction() const { return m_remove; }
    QAction *renameAction() const { return m_rename; }
    QAction *propertiesAction() const { return m_properties; }
    /// Shows the current item's Properties: a feature layer's symbol, a
    /// map's coordinate system (every layer is converted into a new one, or
    /// nothing changes). A change is drawn at once and marks the document
    /// modified.
    void showProperties();
    /// Adds an action of the window's to the layers' context menu (after the tree's own).
    void addLayerAction(QAction *action) { m_layerActions.append(action); }

signals:
    /// Local files were dropped on the table of contents.
    void filesDropped(const QStringList &paths);
    /// An edit was refused; `message` says why.
    void problem(const QString &message);
    /// A map's coordinate system was changed from its Properties.
    void coordinateSystemChanged(Map *map);

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    QMimeData *mimeData(const QList<QTreeWidgetItem *> &items) const override;

private:
    struct Entry
    {
        std::weak_ptr<Layer> layer;
        std::weak_ptr<Map> map; ///< the map the item belongs to (for a map item: itself)
        bool isMap = false;
    };

    void addLayers(QTreeWidgetItem *parent, const std::vector<std::shared_ptr<Layer>> &layers,
                   const std::shared_ptr<Map> &map, int depth);
    void itemTicked(QTreeWidgetItem *item, int column);
    void showMenu(const QPoint &at);
    /// Draws a change of the layers of `maps` everywhere and marks the
    /// document modified; with `rebuild` the tree is built anew, `current`
    /// the current item.
    void changed(std::initializer_list<Map *> maps, const Layer *current, bool rebuild = true);
    void itemActivated(QTreeWidgetItem *item);
    void showMapProperties(const std::shared_ptr<Map> &map);

    std::shared_ptr<Document> m_document;
    QPointer<QObject> m_connections;
    QHash<QTreeWidgetItem *, Entry> m_entries;
    bool m_filling = false;
    QAction *m_newGroup = nullptr;
    QAction *m_remove = nullptr;
    QAction *m_rename = nullptr;
    QAction *m_properties = nullptr;
    QList<QAction *> m_layerActions;
    /// The drag this tree started last, and the layer it carries.
    mutable QPointer<QMimeData> m_dragData;
    mutable std::weak_ptr<Layer> m_dragged;
};

} // namespace mapdesk
