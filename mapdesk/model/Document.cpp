#include "Document.h"

#include "DocumentEvents.h"
#include "GroupElement.h"
#include "HostError.h"
#include "LayersStamp.h"
#include "Legend.h"
#include "Map.h"
#include "MapCollection.h"
#include "MapSurroundFrameElement.h"
#include "PageLayout.h"

namespace mapdesk {

namespace {

// Re-reads the surrounds on the page, only those of `map` unless it is null.
void updateLegends(const std::vector<std::shared_ptr<Element>> &elements, const Map *map, int depth)
{
    constexpr int kMaxDepth = 256;
    if (depth > kMaxDepth)
        return;
    for (const auto &element : elements) {
        if (const auto group = std::dynamic_pointer_cast<GroupElement>(element)) {
            updateLegends(group->elements(), map, depth + 1);
        } else if (const auto frame = std::dynamic_pointer_cast<MapSurroundFrameElement>(element)) {
            const auto surround = frame->surroundModel();
            if (surround && (!map || surround->map().get() == map))
                surround->updateFromMap();
        }
    }
}

} // namespace

std::shared_ptr<Document> Document::create()
{
    auto document = std::make_shared<Document>(Passkey{});
    document->m_pageLayout = std::make_shared<PageLayout>(document, document->m_events.get());
    return document;
}

std::shared_ptr<Document> Document::createUntitled()
{
    auto document = create();
    document->addMap(std::make_shared<Map>(QStringLiteral("Layers")));
    return document;
}

Document::Document(Passkey)
    : m_events(std::make_unique<DocumentEvents>()), m_stamp(std::make_shared<LayersStamp>()),
      m_maps(std::make_shared<MapCollection>(m_stamp))
{
}

// Maps and the page layout may outlive the document in other holders; they
// hold the events object through a QPointer and stop announcing once it is gone.
// What was kept for the layers may hold them, and they the stamp: it goes now.
Document::~Document()
{
    m_stamp->letGo();
}

std::shared_ptr<void> Document::subscribeVisibility(std::function<void()> onChange)
{
    // One receiver per subscription: dropping it disconnects both signals.
    auto receiver = std::make_shared<QObject>();
    QObject::connect(m_events.get(), &DocumentEvents::contentsUpdated, receiver.get(), onChange);
    QObject::connect(m_events.get(), &DocumentEvents::viewRefreshed, receiver.get(),
                     [onChange](IView *) { onChange(); });
    return receiver;
}

std::shared_ptr<IPageLayout> Document::pageLayout()
{
    return m_pageLayout;
}

std::shared_ptr<IView> Document::activeView()
{
    if (m_activeView == ViewKind::Layout)
        return m_pageLayout;
    if (!m_focusMap)
        throw HostError(HostError::E_FAIL_NUMBER, QStringLiteral("The document has no map to show"));
    return m_focusMap;
}

std::shared_ptr<IMap> Document::focusMap()
{
    if (!m_focusMap)
        throw HostError(HostError::E_FAIL_NUMBER, QStringLiteral("The document has no map"));
    return m_focusMap;
}

void Document::updateContents()
{
    emit m_events->contentsUpdated();
}

std::shared_ptr<IMaps> Document::maps()
{
    return m_maps;
}

std::shared_ptr<void> Document::keptForLayers()
{
    return m_stamp->kept();
}

void Document::keepForLayers(std::shared_ptr<void> kept)
{
    m_stamp->keep(std::move(kept));
}

const std::vector<std::shared_ptr<Map>> &Document::mapModels() const
{
    return m_maps->items();
}

void Document::addMap(std::shared_ptr<Map> map)
{
    map->setEvents(m_events.get());
    m_maps->add(map);
    if (!m_focusMap)
        setFocusMap(map);
}

bool Document::removeMap(const std::shared_ptr<Map> &map)
{
    if (!m_maps->remove(map))
        return false;
    map->setEvents(nullptr);
    if (m_focusMap == map) {
        const auto &rest = m_maps->items();
        m_focusMap = rest.empty() ? nullptr : rest.front();
        emit m_events->focusMapChanged();
        if (m_activeView == ViewKind::Data)
            emit m_events->activeViewChanged();
    }
    return true;
}

void Document::setFocusMap(const std::shared_ptr<Map> &map)
{
    if (!map || m_maps->indexOf(map.get()) < 0)
        throw HostError(HostError::E_FAIL_NUMBER, QStringLiteral("The focus map must be a map of the document"));
    if (map == m_focusMap)
        return;
    m_focusMap = map;
    emit m_events->focusMapChanged();
    if (m_activeView == ViewKind::Data)
        emit m_events->activeViewChanged();
}

void Document::setActiveViewKind(ViewKind kind)
{
    if (kind == m_activeView)
        return;
    m_activeView = kind;
    emit m_events->activeViewChanged();
}

void Document::setModified(bool modified)
{
    if (modified == m_modified)
        return;
    m_modified = modified;
    emit m_events->modifiedChanged(modified);
}

void Document::captureDrawnState()
{
    for (const auto &map : m_maps->items())
        map->updateDrawnLayers();
    updateLegends(m_pageLayout->elements(), nullptr, 0);
}

void Document::updateLegendsOf(const Map *map)
{
    if (map)
        updateLegends(m_pageLayout->elements(), map, 0);
}

} // namespace mapdesk
