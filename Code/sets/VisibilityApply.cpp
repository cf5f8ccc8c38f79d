#include "VisibilityApply.h"

#include "ILayer.h"
#include "VisibilitySetFile.h"

void VisibilityApply::apply(const VisibilityRecord &record)
{
    if (!m_layers)
        m_layers.emplace(m_document);
    const bool visible = record.isVisible();
    for (const std::shared_ptr<ILayer> &layer : m_layers->find(record.mapName, record.layerName))
        layer->setVisible(visible);
}
