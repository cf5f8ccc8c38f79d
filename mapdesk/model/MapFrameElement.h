#pragma once

#include "Element.h"
#include "IMapFrame.h"

#include <QString>

#include <memory>

namespace mapdesk {

class Map;

/// A page-layout element that shows one map of the document. Holds the map
/// (shared with the document). Its id names it in the document file, where
/// map surrounds refer to it.
class MapFrameElement : public Element, public virtual IMapFrame
{
public:
    MapFrameElement(QString id, std::shared_ptr<Map> map, const QRectF &boundsMm = {});
    ~MapFrameElement() override;

    Kind kind() const override { return Kind::MapFrame; }

    /// The very map object the frame shows.
    std::shared_ptr<IMap> map() override;
    std::shared_ptr<Map> mapModel() const { return m_map; }

    QString id() const { return m_id; }
    void setId(const QString &id) { m_id = id; }

private:
    QString m_id;
    std::shared_ptr<Map> m_map;
};

} // namespace mapdesk
