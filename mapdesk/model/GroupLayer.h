#pragma once

#include "ICompositeLayer.h"
#include "IGroupLayer.h"
#include "Layer.h"

#include <memory>
#include <vector>

namespace mapdesk {

/// A group layer: an ordered list of member layers, which may be groups
/// themselves to any depth. Its members are reached through its composite
/// face (ICompositeLayer) and always come back as the same objects. Its own
/// visibility flag does not change its members' flags. Owns its members.
class GroupLayer : public Layer, public virtual IGroupLayer, public virtual ICompositeLayer
{
public:
    explicit GroupLayer(QString name, bool visible = true);
    ~GroupLayer() override;

    Kind kind() const override { return Kind::Group; }

    // ICompositeLayer
    std::int32_t count() override;
    /// Member at index 0 .. count() - 1; throws HostError (E_FAIL) outside that range.
    std::shared_ptr<ILayer> layer(std::int32_t index) override;

    const std::vector<std::shared_ptr<Layer>> &members() const { return m_members; }
    void addLayer(std::shared_ptr<Layer> layer);
    /// Inserts at `index` (0 .. count()); throws HostError outside that range.
    void insertLayer(std::int32_t index, std::shared_ptr<Layer> layer);
    /// Removes a direct member; false when it is not one.
    bool removeLayer(const std::shared_ptr<Layer> &layer);

    /// Joins the group and every member, to any depth.
    void joinStamp(const std::shared_ptr<LayersStamp> &stamp) override;

    /// Union of the members' extents.
    std::optional<QRectF> extent() const override;

private:
    std::vector<std::shared_ptr<Layer>> m_members;
};

} // namespace mapdesk
