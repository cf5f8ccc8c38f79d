#include "PageLayout.h"

#include "Document.h"
#include "DocumentEvents.h"
#include "Element.h"
#include "Envelope.h"
#include "GroupElement.h"
#include "HostError.h"
#include "Map.h"
#include "MapFrameElement.h"
#include "ScreenDisplay.h"

#include <algorithm>

namespace mapdesk {

namespace {

// Every map frame on the page, inside groups too.
void collectMapFrames(const std::vector<std::shared_ptr<Element>> &elements,
                      std::vector<std::shared_ptr<MapFrameElement>> &out, int depth)
{
    constexpr int kMaxDepth = 256;
    if (depth > kMaxDepth)
        return;
    for (const auto &element : elements) {
        if (const auto group = std::dynamic_pointer_cast<GroupElement>(element))
            collectMapFrames(group->elements(), out, depth + 1);
        else if (const auto frame = std::dynamic_pointer_cast<MapFrameElement>(element))
            out.push_back(frame);
    }
}

void updateMapsOf(const std::vector<std::shared_ptr<MapFrameElement>> &frames)
{
    for (const auto &frame : frames) {
        if (const auto map = frame->mapModel())
            map->updateDrawnLayers();
    }
}

} // namespace

PageLayout::PageLayout(std::weak_ptr<Document> document, DocumentEvents *events)
    : m_document(std::move(document)), m_events(events), m_display(std::make_shared<ScreenDisplay>())
{
}

PageLayout::~PageLayout() = default;

std::shared_ptr<IMap> PageLayout::focusMap()
{
    const auto document = m_document.lock();
    if (!document)
        throw HostError(HostError::E_FAIL_NUMBER, QStringLiteral("The page layout's document is closed"));
    return document->focusMap();
}

std::shared_ptr<IDisplay> PageLayout::screenDisplay()
{
    return m_display;
}

void PageLayout::refresh()
{
    std::vector<std::shared_ptr<MapFrameElement>> frames;
    collectMapFrames(m_elements, frames, 0);
    updateMapsOf(frames);
    if (m_events)
        emit m_events->viewRefreshed(this);
}

void PageLayout::partialRefresh(int phase, HostObjectPtr data, std::shared_ptr<IEnvelope> area)
{
    std::vector<std::shared_ptr<MapFrameElement>> frames;
    if (const auto element = std::dynamic_pointer_cast<Element>(data))
        collectMapFrames({element}, frames, 0);
    else if (!data && (phase & IView::Geography))
        collectMapFrames(m_elements, frames, 0);
    updateMapsOf(frames);

    const auto envelope = std::dynamic_pointer_cast<Envelope>(area);
    if (m_events)
        emit m_events->partialRefresh(this, phase, data.get(), envelope ? envelope->rect() : QRectF());
}

void PageLayout::reset()
{
    m_cursor = 0;
}

std::shared_ptr<IElement> PageLayout::next()
{
    if (m_cursor >= m_elements.size())
        return nullptr;
    return m_elements[m_cursor++];
}

void PageLayout::setPageSize(const QSizeF &sizeMm)
{
    m_pageSize = sizeMm;
}

void PageLayout::addElement(std::shared_ptr<Element> element)
{
    m_elements.push_back(std::move(element));
}

bool PageLayout::removeElement(const std::shared_ptr<Element> &element)
{
    const auto found = std::find(m_elements.begin(), m_elements.end(), element);
    if (found == m_elements.end())
        return false;
    const auto index = static_cast<std::size_t>(found - m_elements.begin());
    m_elements.erase(found);
    // A walk in progress goes on with the element that followed the removed one.
    if (index < m_cursor)
        --m_cursor;
    return true;
}

} // namespace mapdesk
