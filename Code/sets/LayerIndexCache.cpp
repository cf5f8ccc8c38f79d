#include "LayerIndexCache.h"

#include "IDocument.h"
#include "LayerIndex.h"

std::shared_ptr<LayerIndex> LayerIndexCache::indexOf(IDocument &document)
{
    const std::shared_ptr<const void> token = document.layersToken();
    if (m_index && token && m_token.lock() == token)
        return m_index;
    // The layers the old index holds go before the new one is built, so that
    // two large documents' layers are never held at once.
    m_index.reset();
    m_token.reset();
    auto index = std::make_shared<LayerIndex>(document);
    if (token) {
        m_index = index;
        m_token = token;
    }
    return index;
}
