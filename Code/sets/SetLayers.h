#pragma once

#include "SetFileEdits.h"
#include "SetStanding.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

class IDocument;

/// What a saved set holds beside the recordable layers of a document, for a
/// person to edit the set: a plain value read once, which the edit dialog
/// shows and turns into the set's new list of layers.
struct SetLayers
{
    using Layer = SetFileEdits::LayerFlag;
    struct Row
    {
        Layer layer; ///< for a recorded layer its flag in the set; else how it shows now
        /// How the document shows the layers of this name now; nothing when
        /// it has none.
        std::optional<VisibilitySnapshot::Shown> now;

        /// The document has the layer and shows it otherwise than `visible`.
        bool differs(bool visible) const { return now && (visible ? !now->allVisible : !now->allHidden); }
    };
    /// The layers the set records, each once with the flag of its last
    /// record, grouped by map in the order of their first records. Empty when
    /// there is no such set.
    std::vector<Row> recorded;
    /// The document's recordable layers that the set does not record, each
    /// once, in the document's order, with the flag a save would give them
    /// (visible when every layer of the name is).
    std::vector<Row> unrecorded;

    /// The layers of set `setName` in a set file's bytes against the
    /// document now. Reads only: a damaged tail is passed over.
    static SetLayers of(const QByteArray &file, const QString &setName, IDocument &document);
    /// The same for the layers a set records (SetFileEdits::layerFlags()).
    static SetLayers of(std::vector<Layer> recorded, IDocument &document);
};

/// The layers grouped by map, the maps in the order of their first layer,
/// each map's layers in the order given.
std::vector<SetLayers::Layer> groupedByMap(std::vector<SetLayers::Layer> layers);
