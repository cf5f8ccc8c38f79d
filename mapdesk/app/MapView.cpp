#include "MapView.h"

#include "Document.h"
#include "DocumentEvents.h"
#include "FileDrop.h"
#include "Map.h"
#include "MapPainter.h"

#include <QDropEvent>
#include <QPaintEvent>
#include <QPainter>

namespace mapdesk {

namespace {
constexpr int kMargin = 12;
}

MapView::MapView(QWidget *parent) : QWidget(parent)
{
    setAutoFillBackground(true);
    QPalette look = palette();
    look.setColor(QPalette::Window, Qt::white);
    setPalette(look);
    setAcceptDrops(true);
    setObjectName(QStringLiteral("dataView"));
}

MapView::~MapView()
{
    delete m_connections.data();
}

void MapView::setDocument(std::shared_ptr<Document> document)
{
    delete m_connections.data();
    m_document = std::move(document);
    if (m_document) {
        // One receiver per document: deleting it drops every connection at once.
        m_connections = new QObject(this);
        DocumentEvents *events = m_document->events();
        connect(events, &DocumentEvents::viewRefreshed, m_connections, [this](IView *view) {
            if (showsView(view))
                update();
        });
        connect(events, &DocumentEvents::partialRefresh, m_connections, [this](IView *view, int, HostObject *, QRectF) {
            if (showsView(view))
                update();
        });
        connect(events, &DocumentEvents::focusMapChanged, m_connections, [this] { update(); });
        connect(events, &DocumentEvents::activeViewChanged, m_connections, [this] { update(); });
    }
    update();
}

bool MapView::showsView(IView *view) const
{
    const std::shared_ptr<Map> map = m_document ? m_document->focusMapModel() : nullptr;
    return map && view == static_cast<IView *>(map.get());
}

QTransform MapView::mapTransform() const
{
    const std::shared_ptr<Map> map = m_document ? m_document->focusMapModel() : nullptr;
    if (!map)
        return {};
    return MapPainter::fit(map->fullExtent(), QRectF(rect()).adjusted(kMargin, kMargin, -kMargin, -kMargin));
}

void MapView::paintEvent(QPaintEvent *event)
{
    m_lastPainted = event->region();
    QPainter painter(this);
    painter.setClipRegion(event->region());
    const std::shared_ptr<Map> map = m_document ? m_document->focusMapModel() : nullptr;
    if (!map) {
        painter.setPen(Qt::gray);
        painter.drawText(rect(), Qt::AlignCenter, tr("The document has no map"));
        return;
    }
    MapPainter::draw(painter, map->drawnLayers(), mapTransform());
}

void MapView::dragEnterEvent(QDragEnterEvent *event)
{
    FileDrop::accept(event);
}

void MapView::dragMoveEvent(QDragMoveEvent *event)
{
    FileDrop::accept(event);
}

void MapView::dropEvent(QDropEvent *event)
{
    if (FileDrop::accept(event))
        emit filesDropped(FileDrop::localFiles(event->mimeData()));
}

} // namespace mapdesk
