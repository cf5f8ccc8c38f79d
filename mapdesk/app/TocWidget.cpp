#include "TocWidget.h"

#include "Document.h"
#include "DocumentEvents.h"
#include "FileDrop.h"
#include "GroupLayer.h"
#include "Layer.h"
#include "Map.h"

#include <QDropEvent>
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
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
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
    for (const std::shared_ptr<Layer> &layer : layers) {
        auto *item = new QTreeWidgetItem(parent, {layer->name()});
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(0, layer->visible() ? Qt::Checked : Qt::Unchecked);
        const QString error = layer->errorText();
        if (!error.isEmpty()) {
            item->setIcon(0, style()->standardIcon(QStyle::SP_MessageBoxWarning));
            item->setToolTip(0, literalToolTip(error));
        } else {
            item->setToolTip(0, literalToolTip(layer->name()));
        }
        m_entries.insert(item, {layer, map, false});
        if (const auto group = std::dynamic_pointer_cast<GroupLayer>(layer))
            addLayers(item, group->members(), map, depth + 1);
    }
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
    if (!layer)
        return;
    const bool ticked = item->checkState(0) == Qt::Checked;
    if (layer->visible() == ticked)
        return;
    layer->setVisible(ticked);
    // The map takes its drawn layers anew; every view showing it redraws.
    if (const std::shared_ptr<Map> map = entry.map.lock())
        map->refresh();
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
    QTreeWidget::dropEvent(event);
}

} // namespace mapdesk
