#pragma once

#include <memory>

namespace mapdesk {

/// The token a document hands out for its maps and layers as they stand
/// (IDocument::layersToken()). The document creates its stamp; its map
/// collection, maps and layers share it and drop the token whenever they
/// change in a way the token covers, so that the next one asked for is new
/// and whatever was kept under the old one is no longer taken for current.
class LayersStamp
{
public:
    std::shared_ptr<const void> token()
    {
        if (!m_token)
            m_token = std::make_shared<char>();
        return m_token;
    }
    void renew() { m_token.reset(); }

    /// Renews `stamp` when there is one (a part not yet in a document has none).
    static void renew(const std::shared_ptr<LayersStamp> &stamp)
    {
        if (stamp)
            stamp->renew();
    }

private:
    std::shared_ptr<const void> m_token;
};

} // namespace mapdesk
