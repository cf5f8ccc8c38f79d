#pragma once

#include <QHash>
#include <QString>

#include <memory>
#include <utility>
#include <vector>

class IDocument;
class ILayer;

/// The recordable feature layers of a document by map name and layer name,
/// each list in walk order, so that restoring a set looks every record up
/// instead of walking the whole document for it. Built by one walk, it holds
/// the layers as the host handed them; it goes stale when the document's
/// maps or layers change.
class LayerIndex
{
public:
    explicit LayerIndex(IDocument &document);

    /// Every recordable feature layer called `layerName` in every map called
    /// `mapName` (exact comparison), in walk order; empty when there is none.
    const std::vector<std::shared_ptr<ILayer>> &find(const QString &mapName, const QString &layerName) const;

    /// Calls `onLayers(mapName, layerName, layers)` for every pair of names.
    template <typename Visit> void forEach(Visit onLayers) const
    {
        for (auto it = m_layers.constBegin(); it != m_layers.constEnd(); ++it)
            onLayers(it.key().first, it.key().second, it.value());
    }

private:
    QHash<std::pair<QString, QString>, std::vector<std::shared_ptr<ILayer>>> m_layers;
};
