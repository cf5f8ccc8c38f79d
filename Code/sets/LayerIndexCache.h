#pragma once

#include <memory>

class IDocument;
class LayerIndex;

/// Keeps the layer index of the document restored last for as long as the
/// document's maps and layers stay as they were (IDocument::layersToken()),
/// so that clicking one set after another indexes a large document once
/// instead of at every click. The state record owns it; it is used on the
/// interface thread only.
class LayerIndexCache
{
public:
    /// The index of `document`'s layers: the one kept when the document
    /// still hands out the token it was built under, else a new one, kept
    /// when the document hands out a token at all.
    std::shared_ptr<LayerIndex> indexOf(IDocument &document);

private:
    std::weak_ptr<const void> m_token;
    std::shared_ptr<LayerIndex> m_index;
};
