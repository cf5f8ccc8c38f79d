#pragma once

#include "LayerIndex.h"

#include <QSet>
#include <QString>

#include <optional>
#include <utility>

class IDocument;
struct VisibilityRecord;

/// The restore: applies records, one at a time, to the document's recordable
/// feature layers that carry the record's map and layer names. The document
/// is indexed once, at the first record, instead of being walked again for
/// every record; a set with no record leaves the document untouched.
class VisibilityApply
{
public:
    /// `exactly`: the names applied are remembered for hideUnmentioned().
    explicit VisibilityApply(IDocument &document, bool exactly = false) : m_document(document), m_exactly(exactly) {}

    /// Switches every layer the record names to its flag ("True" or not).
    void apply(const VisibilityRecord &record);
    /// After the records of a set, applied by an instance made `exactly`:
    /// hides every recordable feature layer whose map and layer names no
    /// applied record carried, so that the set is the whole truth. Does
    /// nothing when no record was applied (no such set).
    void hideUnmentioned();

private:
    IDocument &m_document;
    bool m_exactly;
    std::optional<LayerIndex> m_layers;
    QSet<std::pair<QString, QString>> m_mentioned;
};
