#pragma once

#include "IGraphicsContainer.h"
#include "IPageLayout.h"
#include "IView.h"

#include <QJsonObject>
#include <QPointer>
#include <QSizeF>

#include <memory>
#include <vector>

namespace mapdesk {

class Document;
class DocumentEvents;
class Element;
class ScreenDisplay;

/// The document's page layout: a page (size in millimetres) and its ordered
/// top-level graphic elements, first drawn first. As a graphics container
/// it yields the top-level elements in order, never the members of a group
/// element. As a view its focus map is the document's focus map. The
/// document owns the page layout; the page layout owns its elements.
class PageLayout : public virtual IPageLayout, public virtual IView, public virtual IGraphicsContainer
{
public:
    /// A4 landscape.
    static constexpr double DefaultWidthMm = 297.0;
    static constexpr double DefaultHeightMm = 210.0;

    /// `document` answers focusMap(); `events` receives the refreshes.
    PageLayout(std::weak_ptr<Document> document, DocumentEvents *events);
    ~PageLayout() override;

    // IView
    /// The document's focus map; throws HostError when the document is gone or has no map.
    std::shared_ptr<IMap> focusMap() override;
    std::shared_ptr<IDisplay> screenDisplay() override;
    /// Takes the drawn-layer lists of every map shown in a map frame anew and
    /// emits viewRefreshed(this).
    void refresh() override;
    /// Emits partialRefresh(this, phase, data, area). When `data` is a map
    /// frame (or null, with the geography phase) the maps it shows take their
    /// drawn-layer lists anew.
    void partialRefresh(int phase, HostObjectPtr data, std::shared_ptr<IEnvelope> area) override;

    // IGraphicsContainer
    void reset() override;
    /// The next top-level element, or nullptr after the last.
    std::shared_ptr<IElement> next() override;

    QSizeF pageSize() const { return m_pageSize; }
    /// Page size in millimetres.
    void setPageSize(const QSizeF &sizeMm);

    const std::vector<std::shared_ptr<Element>> &elements() const { return m_elements; }
    void addElement(std::shared_ptr<Element> element);
    /// Removes a top-level element; false when it is not one.
    bool removeElement(const std::shared_ptr<Element> &element);

    std::shared_ptr<ScreenDisplay> display() const { return m_display; }

    /// The fields of its object in the document file that mapdesk does not
    /// know (written by a later version or by hand), written back on saving.
    const QJsonObject &otherFields() const { return m_otherFields; }
    void setOtherFields(const QJsonObject &fields) { m_otherFields = fields; }

private:
    std::weak_ptr<Document> m_document;
    QPointer<DocumentEvents> m_events;
    std::shared_ptr<ScreenDisplay> m_display;
    QSizeF m_pageSize{DefaultWidthMm, DefaultHeightMm};
    std::vector<std::shared_ptr<Element>> m_elements;
    std::size_t m_cursor = 0;
    QJsonObject m_otherFields;
};

} // namespace mapdesk
