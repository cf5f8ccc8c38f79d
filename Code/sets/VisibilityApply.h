#pragma once

#include "LayerIndex.h"

#include <QByteArray>

#include <functional>
#include <memory>
#include <vector>

class FileChannel;
class ILayer;
class IDocument;
struct RawVisibilityRecord;
struct VisibilityRecord;

/// The restore: applies records, one at a time, to the document's recordable
/// feature layers that carry the record's map and layer names. The document
/// is indexed once, at the first record, instead of being walked again for
/// every record; a set with no record leaves the document untouched.
class VisibilityApply
{
public:
    /// Looks records up in the index the document keeps for its layers
    /// (LayerIndex::keptWith()). `exactly`: the names applied are remembered
    /// for hideUnmentioned().
    explicit VisibilityApply(IDocument &document, bool exactly = false) : m_document(&document), m_exactly(exactly) {}
    /// Where a decision goes instead of the layer itself.
    using Switch = std::function<void(const std::shared_ptr<ILayer> &layer, bool visible)>;
    /// Decides over `index` (built once by the caller, for many sets) as a
    /// restore does, switching nothing: each layer a record switches goes to
    /// `onSwitch` with its flag, in record order (a later record of a layer
    /// overrides an earlier one).
    VisibilityApply(LayerIndex &index, Switch onSwitch) : m_shared(&index), m_onSwitch(std::move(onSwitch)) {}

    /// Switches every layer the record names to its flag ("True" or not).
    void apply(const VisibilityRecord &record);
    /// The same for a record as its fields stand in the file: plain fields
    /// (quoted, no quote inside, UTF-8) are compared as they are; the others
    /// are decoded through `channel`, as the record's text would be.
    void apply(const RawVisibilityRecord &record, FileChannel &channel);
    /// After the records of a set, applied by an instance made `exactly`:
    /// hides every recordable feature layer whose map and layer names no
    /// applied record carried, so that the set is the whole truth. Does
    /// nothing when no record was applied (no such set).
    void hideUnmentioned();

private:
    LayerIndex &layers();
    void applyTo(int pair, bool visible);

    IDocument *m_document = nullptr;
    bool m_exactly = false;
    LayerIndex *m_shared = nullptr; ///< the caller's index, instead of m_layers
    Switch m_onSwitch;
    std::shared_ptr<LayerIndex> m_layers;
    std::vector<bool> m_mentioned; ///< by pair of the index
    // The map name of the raw record before: records of one map follow
    // each other, and equal bytes read as equal text.
    QByteArray m_mapField;
    int m_map = -1;
    bool m_mapKnown = false;
    QByteArray m_scratch;
};
