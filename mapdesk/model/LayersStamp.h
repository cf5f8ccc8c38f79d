#pragma once

#include <memory>

namespace mapdesk {

/// What a document keeps for its maps and layers as they stand
/// (IDocument::keepForLayers()). The document creates its stamp; its map
/// collection, maps and layers share it and let go of what it keeps
/// whenever they change in a way it covers.
class LayersStamp
{
public:
    const std::shared_ptr<void> &kept() const { return m_kept; }
    void keep(std::shared_ptr<void> kept) { m_kept = std::move(kept); }
    void letGo() { m_kept.reset(); }

    /// The same for `stamp` when there is one (a part not yet in a document has none).
    static void letGo(const std::shared_ptr<LayersStamp> &stamp)
    {
        if (stamp)
            stamp->letGo();
    }

private:
    std::shared_ptr<void> m_kept;
};

} // namespace mapdesk
