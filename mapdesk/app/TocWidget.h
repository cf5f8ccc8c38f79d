#pragma once

#include <QHash>
#include <QPointer>
#include <QTreeWidget>

#include <memory>
#include <vector>

namespace mapdesk {

class Document;
class Layer;
class Map;

/// The table of contents: the document's maps as top-level items (the focus
/// map in bold), under each its layers in order with group layers nested.
/// Each layer's check box is bound to the layer's own visibility flag both
/// ways: ticking sets the flag and redraws the layer's map, and the
/// document's updateContents() makes the boxes show the flags. A layer whose
/// source failed carries a warning icon and its error as tooltip. Names and
/// errors show as they are, in the items and in the tooltips, never as markup.
/// Activating a map (double-click or Enter) makes it the focus map.
/// Shares the document.
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

signals:
    /// Local files were dropped on the table of contents.
    void filesDropped(const QStringList &paths);

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

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
    void itemActivated(QTreeWidgetItem *item);

    std::shared_ptr<Document> m_document;
    QPointer<QObject> m_connections;
    QHash<QTreeWidgetItem *, Entry> m_entries;
    bool m_filling = false;
};

} // namespace mapdesk
