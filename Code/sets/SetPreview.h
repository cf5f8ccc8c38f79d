#pragma once

#include "LayerIndex.h"

#include <QByteArray>
#include <QString>

#include <vector>

class IDocument;
class ILayer;

/// What a click on each set of a set file would switch in a document,
/// decided as a restore decides it (VisibilityApply) but switching nothing:
/// for a host that shows the sets as something of its own. The document is
/// indexed once for all the sets. Holds the document's layers (through its
/// index) for as long as it lives.
class SetPreview
{
public:
    /// One layer a set switches, and the flag it gets.
    struct Switch
    {
        ILayer *layer;
        bool visible;
    };
    struct Set
    {
        QString name;
        /// In record order; a layer switched twice gets its later flag.
        std::vector<Switch> switches;
    };

    /// Every set of `file` (set-file bytes; a damaged tail is passed over),
    /// in order of their first records, against `document` now.
    SetPreview(const QByteArray &file, IDocument &document);

    const std::vector<Set> &sets() const { return m_sets; }

private:
    LayerIndex m_index;
    std::vector<Set> m_sets;
};
