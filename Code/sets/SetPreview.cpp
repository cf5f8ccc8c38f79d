#include "SetPreview.h"

#include "SetFileEdits.h"
#include "VisibilityApply.h"
#include "VisibilitySetFile.h"

#include <QHash>

SetPreview::SetPreview(const QByteArray &file, IDocument &document) : m_index(document)
{
    QHash<QString, std::size_t> setOf;
    std::size_t current = 0; // the set of the record being decided
    VisibilityApply decide(m_index, [&](const std::shared_ptr<ILayer> &layer, bool visible) {
        m_sets[current].switches.push_back({layer.get(), visible});
    });
    SetFileEdits::visitRecords(file, [&](const VisibilityRecord &record) {
        // Records of one set mostly follow each other.
        if (m_sets.empty() || m_sets[current].name != record.setName) {
            auto found = setOf.constFind(record.setName);
            if (found == setOf.constEnd()) {
                found = setOf.insert(record.setName, m_sets.size());
                m_sets.push_back({record.setName, {}});
            }
            current = *found;
        }
        decide.apply(record);
    });
}
