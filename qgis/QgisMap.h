#pragma once

#include "IMap.h"
#include "IView.h"

#include <QPointer>

#include <memory>

namespace quarnelqgis {

class QgisSession;

/// The project's layer tree as the add-in's one map, named "Layers" as
/// mapdesk names a new document's map, so that visibility sets move between
/// the two applications. Its layers are the root's child nodes, in the order
/// of the Layers panel. As a view it is the map canvas: a refresh redraws
/// the canvas once and brings the print layouts' maps and legends up to
/// date.
class QgisMap : public std::enable_shared_from_this<QgisMap>, public virtual IMap, public virtual IView
{
public:
    explicit QgisMap(QgisSession *session);
    ~QgisMap() override;

    /// "Layers".
    static QString mapName();

    // IMap
    QString name() override;
    std::int32_t layerCount() override;
    /// Layer at index 0 .. layerCount() - 1; throws HostError outside that range.
    std::shared_ptr<ILayer> layer(std::int32_t index) override;

    // IView
    /// This map itself.
    std::shared_ptr<IMap> focusMap() override;
    std::shared_ptr<IDisplay> screenDisplay() override;
    void refresh() override;
    /// A refresh when `phase` includes the geography; other phases draw no layer.
    void partialRefresh(int phase, HostObjectPtr data, std::shared_ptr<IEnvelope> area) override;

private:
    QPointer<QgisSession> m_session;
    std::shared_ptr<IDisplay> m_display;
};

} // namespace quarnelqgis
