#include "TocWidget.h"

#include "Document.h"
#include "DocumentEvents.h"
#include "FeatureLayer.h"
#include "FileDrop.h"
#include "GroupLayer.h"
#include "Layer.h"
#include "LayerPropertiesDialog.h"
#include "LayerTree.h"
#include "Map.h"
#include "MapPropertiesDialog.h"
#include "PageLayout.h"

#include <QAction>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QStyle>
#include <QTextDocument>

#include <algorithm>

namespace mapdesk {

namespace {
constexpr int kMaxDepth = 64;

/// A tooltip that shows `text` as it is. Qt reads a tooltip that looks like
/// markup (a name such as "<b>x</b>") as rich text; such a text is escaped
/// and keeps its blanks and line breaks, so that names and error texts
/// never turn into formatting, pictures or links. It is not wrapped either,
/// just as a tooltip of plain text.
QString literalToolTip(const QString &text)
{
    if (!Qt::mightBeRichText(text))
        return text;
    return QStringLiteral("<p style=\"white-space:pre\">%1</p>").arg(text.toHtmlEscaped());
}
} // namespace

TocWidget::TocWidget(QWidget *parent) : QTreeWidget(parent)
{
    setObjectName(QStringLiteral("tableOfContents"));
    setHeaderHidden(true);
    setColumnCount(1);
    setRootIsDecorated(true);
    setUniformRowHeights(true);
    setAcceptDrops(true);
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::MoveAction);
    setDropIndicatorShown(true);
    setEditTriggers(QAbstractItemView::EditKeyPressed);
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this, &TocWidget::showMenu);

    m_newGroup = new QAction(tr("New &Group"), this);
    m_newGroup->setObjectName(QStringLiteral("layerNewGroup"));
    m_newGroup->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
    connect(m_newGroup, &QAction::triggered, this, [this] {
        if (const std::shared_ptr<Layer> group = newGroup()) {
            setCurrentItem(itemOf(group.get()));
            renameCurrent();
        }
    });
    m_remove = new QAction(tr("&Remove"), this);
    m_remove->setObjectName(QStringLiteral("layerRemove"));
    m_remove->setShortcut(QKeySequence::Delete);
    connect(m_remove, &QAction::triggered, this, &TocWidget::removeCurrent);
    m_rename = new QAction(tr("Re&name"), this);
    m_rename->setObjectName(QStringLiteral("layerRename"));
    m_rename->setShortcut(QKeySequence(Qt::Key_F2));
    connect(m_rename, &QAction::triggered, this, &TocWidget::renameCurrent);
    m_properties = new QAction(tr("&Properties..."), this);
    m_properties->setObjectName(QStringLiteral("layerPropertiesAction"));
    connect(m_properties, &QAction::triggered, this, &TocWidget::showProperties);
    for (QAction *action : {m_newGroup, m_remove, m_rename}) {
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        addAction(action);
    }
    connect(this, &QTreeWidget::itemChanged, this, &TocWidget::itemTicked);
    // Activating a map (double-click, or Enter) makes it the focus map.
    connect(this, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem *item) { itemActivated(item); });
}

TocWidget::~TocWidget()
{
    delete m_connections.data();
}

void TocWidget::setDocument(std::shared_ptr<Document> document)
{
    delete m_connections.data();
    m_document = std::move(document);
    if (m_document) {
        m_connections = new QObject(this);
        DocumentEvents *events = m_document->events();
        connect(events, &DocumentEvents::contentsUpdated, m_connections, [this] { showContents(); });
        connect(events, &DocumentEvents::focusMapChanged, m_connections, [this] { showContents(); });
    }
    showContents();
}

void TocWidget::showContents()
{
    m_filling = true;
    clear();
    m_entries.clear();
    if (m_document) {
        const std::shared_ptr<Map> focus = m_document->focusMapModel();
        for (const std::shared_ptr<Map> &map : m_document->mapModels()) {
            auto *item = new QTreeWidgetItem(this, {map->name()});
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemIsDropEnabled);
            QFont font = item->font(0);
            font.setBold(map == focus);
            item->setFont(0, font);
            item->setToolTip(0, literalToolTip(map == focus ? tr("%1 (focus map)").arg(map->name()) : map->name()));
            m_entries.insert(item, {{}, map, true});
            addLayers(item, map->layers(), map, 0);
        }
    }
    expandAll();
    m_filling = false;
}

void TocWidget::addLayers(QTreeWidgetItem *parent, const std::vector<std::shared_ptr<Layer>> &layers,
                          const std::shared_ptr<Map> &map, int depth)
{
    if (depth > kMaxDepth)
        return;
    // Made apart and joined to the tree at once: a document of thousands of
    // layers shows without the tree taking each item on its own.
    QList<QTreeWidgetItem *> items;
    items.reserve(static_cast<qsizetype>(layers.size()));
    for (const std::shared_ptr<Layer> &layer : layers) {
        auto *item = new QTreeWidgetItem(QStringList{layer->name()});
        items.append(item);
        const bool group = layer->kind() == Layer::Kind::Group;
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable | Qt::ItemIsEditable
                       | Qt::ItemIsDragEnabled | (group ? Qt::ItemIsDropEnabled : Qt::NoItemFlags));
        item->setCheckState(0, layer->visible() ? Qt::Checked : Qt::Unchecked);
        const QString error = layer->errorText();
        const QString warning = layer->warningText();
        if (!error.isEmpty() || !warning.isEmpty()) {
            item->setIcon(0, style()->standardIcon(QStyle::SP_MessageBoxWarning));
            item->setToolTip(0, literalToolTip(error.isEmpty() ? warning : error));
        } else {
            item->setToolTip(0, literalToolTip(layer->name()));
        }
        m_entries.insert(item, {layer, map, false});
        if (const auto group = std::dynamic_pointer_cast<GroupLayer>(layer))
            addLayers(item, group->members(), map, depth + 1);
    }
    parent->addChildren(items);
}

QTreeWidgetItem *TocWidget::itemOf(const Layer *layer) const
{
    for (auto entry = m_entries.cbegin(); entry != m_entries.cend(); ++entry)
        if (!entry->isMap && layer && entry->layer.lock().get() == layer)
            return entry.key();
    return nullptr;
}

QTreeWidgetItem *TocWidget::itemOf(const Map *map) const
{
    for (auto entry = m_entries.cbegin(); entry != m_entries.cend(); ++entry)
        if (entry->isMap && map && entry->map.lock().get() == map)
            return entry.key();
    return nullptr;
}

void TocWidget::itemTicked(QTreeWidgetItem *item, int column)
{
    if (m_filling || column != 0)
        return;
    const Entry entry = m_entries.value(item);
    const std::shared_ptr<Layer> layer = entry.layer.lock();
    const std::shared_ptr<Map> owner = entry.map.lock();
    // A name edited in place: an empty one puts the old name back.
    const QString text = item->text(0);
    const QString name = entry.isMap ? (owner ? owner->name() : text) : (layer ? layer->name() : text);
    if (text != name) {
        if (text.trimmed().isEmpty()) {
            const QSignalBlocker blocker(this);
            item->setText(0, name);
        } else {
            // The item shows the new name already; the tree is not rebuilt
            // while its own signal runs.
            if (entry.isMap)
                owner->setName(text);
            else
                layer->setName(text);
            changed({owner.get()}, nullptr, false);
        }
        return;
    }
    if (!layer)
        return;
    const bool ticked = item->checkState(0) == Qt::Checked;
    if (layer->visible() == ticked)
        return;
    layer->setVisible(ticked);
    // The map takes its drawn layers anew, and its legends their items; every
    // view showing them redraws.
    if (const std::shared_ptr<Map> map = entry.map.lock(); map && m_document) {
        m_document->updateLegendsOf(map.get());
        map->refresh();
        if (const auto layout = m_document->pageLayoutModel())
            layout->refresh();
    }
}

void TocWidget::itemActivated(QTreeWidgetItem *item)
{
    const Entry entry = m_entries.value(item);
    if (!m_document || !entry.isMap)
        return;
    // The tree is rebuilt when the focus changes: not while its own signal runs.
    QMetaObject::invokeMethod(
        this,
        [document = m_document, map = entry.map] {
            const std::shared_ptr<Map> focus = map.lock();
            if (focus
                && std::find(document->mapModels().begin(), document->mapModels().end(), focus)
                       != document->mapModels().end())
                document->setFocusMap(focus);
        },
        Qt::QueuedConnection);
}

void TocWidget::dragEnterEvent(QDragEnterEvent *event)
{
    if (!FileDrop::accept(event))
        QTreeWidget::dragEnterEvent(event);
}

void TocWidget::dragMoveEvent(QDragMoveEvent *event)
{
    if (!FileDrop::accept(event))
        QTreeWidget::dragMoveEvent(event);
}

void TocWidget::dropEvent(QDropEvent *event)
{
    if (FileDrop::accept(event)) {
        emit filesDropped(FileDrop::localFiles(event->mimeData()));
        return;
    }
    // Only a drag of this tree's own moves a layer.
    const std::shared_ptr<Layer> layer =
        m_dragData && event->mimeData() == m_dragData.data() ? m_dragged.lock() : nullptr;
    if (!layer) {
        event->ignore();
        return;
    }
    // The model moves and the tree is built anew; the view is told that
    // nothing was moved for it to remove afterwards.
    const QPoint at = event->position().toPoint();
    QTreeWidgetItem *target = itemAt(at);
    bool after = false;
    bool into = false;
    if (!target) {
        target = topLevelItem(topLevelItemCount() - 1);
        while (target && target->childCount() > 0)
            target = target->child(target->childCount() - 1);
        after = true;
    } else {
        const QRect rect = visualItemRect(target);
        const int margin = std::max(2, rect.height() / 4);
        into = at.y() >= rect.top() + margin && at.y() <= rect.bottom() - margin;
        after = at.y() > rect.center().y();
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    if (target && target != itemOf(layer.get()))
        moveLayer(layer, target, after, into);
}

QMimeData *TocWidget::mimeData(const QList<QTreeWidgetItem *> &items) const
{
    QMimeData *data = QTreeWidget::mimeData(items);
    m_dragData = data;
    m_dragged = items.size() == 1 ? layerOf(items.constFirst()) : nullptr;
    return data;
}

std::shared_ptr<Layer> TocWidget::layerOf(QTreeWidgetItem *item) const
{
    const auto found = m_entries.constFind(item);
    return found == m_entries.cend() || found->isMap ? nullptr : found->layer.lock();
}

void TocWidget::changed(std::initializer_list<Map *> maps, const Layer *current, bool rebuild)
{
    if (!m_document)
        return;
    m_document->setModified(true);
    for (Map *map : maps) {
        if (map) {
            m_document->updateLegendsOf(map);
            map->refresh();
        }
    }
    if (const auto layout = m_document->pageLayoutModel())
        layout->refresh();
    if (!rebuild)
        return;
    m_document->updateContents();
    if (QTreeWidgetItem *item = itemOf(current))
        setCurrentItem(item);
}

void TocWidget::showMapProperties(const std::shared_ptr<Map> &map)
{
    if (!map || !m_document)
        return;
    MapPropertiesDialog dialog(map->name(), map->coordinateSystem(), this);
    if (dialog.exec() != QDialog::Accepted || dialog.coordinateSystem().sameAs(map->coordinateSystem()))
        return;
    if (const QString fault = map->setCoordinateSystem(dialog.coordinateSystem()); !fault.isEmpty()) {
        emit problem(tr("Cannot change the coordinate system of the map %1: %2").arg(map->name(), fault));
        return;
    }
    emit coordinateSystemChanged(map.get());
    changed({map.get()}, nullptr);
}

std::shared_ptr<Layer> TocWidget::newGroup()
{
    if (!m_document)
        return nullptr;
    const Entry entry = m_entries.value(currentItem());
    std::shared_ptr<Map> map = entry.map.lock();
    if (!map)
        map = m_document->focusMapModel();
    if (!map)
        return nullptr;
    auto group = std::make_shared<GroupLayer>(tr("New Group"));
    const std::shared_ptr<Layer> current = entry.isMap ? nullptr : entry.layer.lock();
    const std::optional<LayerTree::Place> place = current ? LayerTree::locate(*map, current.get()) : std::nullopt;
    if (place)
        LayerTree::insert(*map, place->group, place->index, group);
    else
        LayerTree::insert(*map, nullptr, 0, group);
    changed({map.get()}, group.get());
    return group;
}

bool TocWidget::removeCurrent()
{
    const Entry entry = m_entries.value(currentItem());
    const std::shared_ptr<Layer> layer = entry.isMap ? nullptr : entry.layer.lock();
    const std::shared_ptr<Map> map = entry.map.lock();
    if (!layer || !map || !LayerTree::remove(*map, layer))
        return false;
    changed({map.get()}, nullptr);
    return true;
}

void TocWidget::renameCurrent()
{
    if (QTreeWidgetItem *item = currentItem())
        editItem(item, 0);
}

bool TocWidget::moveLayer(const std::shared_ptr<Layer> &layer, QTreeWidgetItem *target, bool after, bool into)
{
    if (!m_document || !layer || !target)
        return false;
    std::shared_ptr<Map> from;
    for (const std::shared_ptr<Map> &map : m_document->mapModels())
        if (LayerTree::locate(*map, layer.get()))
            from = map;
    const Entry entry = m_entries.value(target);
    const std::shared_ptr<Map> to = entry.map.lock();
    if (!from || !to)
        return false;
    // Into another map: drawn in its coordinate system, or not moved.
    if (from != to) {
        if (const QString fault = to->adopt(*layer); !fault.isEmpty()) {
            from->adopt(*layer);
            emit problem(tr("Cannot move %1 to the map %2: %3").arg(layer->name(), to->name(), fault));
            return false;
        }
    }
    const std::shared_ptr<Layer> targetLayer = entry.isMap ? nullptr : entry.layer.lock();
    std::shared_ptr<GroupLayer> group;
    int index = 0;
    if (entry.isMap) {
        // Onto a map, or just above or below its name: in at its top.
    } else if (const auto targetGroup = std::dynamic_pointer_cast<GroupLayer>(targetLayer); targetGroup && into) {
        group = targetGroup;
    } else {
        const std::optional<LayerTree::Place> place = LayerTree::locate(*to, targetLayer.get());
        if (!place)
            return false;
        group = place->group;
        index = place->index + (after ? 1 : 0);
    }
    if (!LayerTree::move(*from, layer, *to, group, index))
        return false;
    changed({from.get(), from == to ? nullptr : to.get()}, layer.get());
    return true;
}

void TocWidget::showMenu(const QPoint &at)
{
    if (QTreeWidgetItem *item = itemAt(at))
        setCurrentItem(item);
    const bool onLayer = static_cast<bool>(layerOf(currentItem()));
    m_remove->setEnabled(onLayer);
    m_rename->setEnabled(currentItem() != nullptr);
    QMenu menu(this);
    menu.addAction(m_newGroup);
    menu.addAction(m_rename);
    menu.addAction(m_remove);
    if (!m_layerActions.isEmpty()) {
        menu.addSeparator();
        menu.addActions(m_layerActions);
    }
    menu.addSeparator();
    m_properties->setEnabled(std::dynamic_pointer_cast<FeatureLayer>(layerOf(currentItem())) != nullptr
                             || m_entries.value(currentItem()).isMap);
    menu.addAction(m_properties);
    menu.exec(viewport()->mapToGlobal(at));
    m_remove->setEnabled(true);
    m_rename->setEnabled(true);
    m_properties->setEnabled(true);
}

void TocWidget::showProperties()
{
    const Entry entry = m_entries.value(currentItem());
    if (entry.isMap) {
        showMapProperties(entry.map.lock());
        return;
    }
    const auto layer = std::dynamic_pointer_cast<FeatureLayer>(entry.isMap ? nullptr : entry.layer.lock());
    const std::shared_ptr<Map> map = entry.map.lock();
    if (!layer || !map)
        return;
    LayerPropertiesDialog dialog(layer->name(), layer->symbol(), this);
    if (dialog.exec() != QDialog::Accepted || dialog.symbol() == layer->symbol())
        return;
    layer->setSymbol(dialog.symbol());
    changed({map.get()}, layer.get());
}

} // namespace mapdesk
