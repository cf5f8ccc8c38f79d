#pragma once

#include "IGraphicsContainer.h"
#include "IPageLayout.h"
#include "IView.h"

#include <QPointer>

#include <memory>
#include <vector>

namespace quarnelqgis {

class QgisMap;
class QgisSession;

/// The project's print layouts as the add-in's page layout. As a graphics
/// container it yields one legend element for every legend of every print
/// layout, each tied to the one map, whose legend refresh is the legend's own
/// update; a walk takes the legends as they are at its reset(). As a view its
/// refresh is the map's.
class QgisPageLayout : public virtual IPageLayout, public virtual IView, public virtual IGraphicsContainer
{
public:
    QgisPageLayout(QgisSession *session, std::weak_ptr<QgisMap> map);
    ~QgisPageLayout() override;

    // IView
    std::shared_ptr<IMap> focusMap() override;
    std::shared_ptr<IDisplay> screenDisplay() override;
    void refresh() override;
    /// Redraws the legend element given as `data`, else the whole as refresh().
    void partialRefresh(int phase, HostObjectPtr data, std::shared_ptr<IEnvelope> area) override;

    // IGraphicsContainer
    void reset() override;
    std::shared_ptr<IElement> next() override;

private:
    QPointer<QgisSession> m_session;
    std::weak_ptr<QgisMap> m_map;
    std::shared_ptr<IDisplay> m_display;
    std::vector<std::shared_ptr<IElement>> m_elements;
    std::size_t m_cursor = 0;
};

} // namespace quarnelqgis
