#pragma once

#include "HostObject.h"
#include "IView.h"

#include <QObject>
#include <QRectF>

namespace mapdesk {

/// The change notifications of one document, for the windows that show it.
/// The document owns its DocumentEvents; the model emits, the application
/// window connects. Changing a layer's visibility flag emits nothing: views
/// and the table of contents show a change only once updateContents() or a
/// refresh has been called.
class DocumentEvents : public QObject
{
    Q_OBJECT

public:
    explicit DocumentEvents(QObject *parent = nullptr);
    ~DocumentEvents() override;

signals:
    /// The table of contents should show the layers' current flags (IDocument::updateContents).
    void contentsUpdated();
    /// A whole view was refreshed: a map's data view (the view is the Map) or the page layout.
    void viewRefreshed(IView *view);
    /// Part of a view was refreshed: one draw phase (IView::DrawPhase), limited to `data`
    /// (an element or layer, nullptr for everything) and to `area` in the view's units
    /// (a null rectangle for all of it).
    void partialRefresh(IView *view, int phase, HostObject *data, QRectF area);
    /// The document's active view switched between the data view and the page layout,
    /// or the data view now shows another map.
    void activeViewChanged();
    /// The document's focus map changed.
    void focusMapChanged();
    /// The document became modified, or was saved or reverted to its file.
    void modifiedChanged(bool modified);
};

} // namespace mapdesk
