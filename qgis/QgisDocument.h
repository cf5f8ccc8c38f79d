#pragma once

#include "IDocument.h"

#include <QPointer>

#include <memory>

namespace quarnelqgis {

class QgisMap;
class QgisPageLayout;
class QgisSession;

/// The project open in QGIS as the add-in's document: one map (the layer
/// tree, see QgisMap), which is the focus map and the active view (QGIS shows
/// its print layouts in windows of their own), and the print layouts as the
/// page layout. The same map object every time, so that the add-in can tell
/// it by identity.
class QgisDocument : public virtual IDocument
{
public:
    explicit QgisDocument(QgisSession *session);
    ~QgisDocument() override;

    std::shared_ptr<IPageLayout> pageLayout() override;
    /// The map, as the canvas's view.
    std::shared_ptr<IView> activeView() override;
    std::shared_ptr<IMap> focusMap() override;
    /// Shows the changed check boxes in the Layers panel (ends the batch of changes).
    void updateContents() override;
    std::shared_ptr<IMaps> maps() override;

private:
    QPointer<QgisSession> m_session;
    std::shared_ptr<QgisMap> m_map;
    std::shared_ptr<QgisPageLayout> m_pageLayout;
    std::shared_ptr<IMaps> m_maps;
};

} // namespace quarnelqgis
