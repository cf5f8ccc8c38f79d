#pragma once

#include <QHash>
#include <QString>

#include <utility>
#include <vector>

class IDocument;
class ILayer;

/// The recordable feature layers of a document by map name and layer name,
/// each list in walk order, so that restoring a set looks every record up
/// instead of walking the whole document for it. Built by one walk; valid as
/// long as the document's maps and layers neither change nor go away.
class LayerIndex
{
public:
    explicit LayerIndex(IDocument &document);

    /// Every recordable feature layer called `layerName` in every map called
    /// `mapName` (exact comparison), in walk order; empty when there is none.
    const std::vector<ILayer *> &find(const QString &mapName, const QString &layerName) const;

private:
    QHash<std::pair<QString, QString>, std::vector<ILayer *>> m_layers;
};
