#include "VisibilityApply.h"

#include "ILayer.h"
#include "VisibilitySetFile.h"

void VisibilityApply::apply(const VisibilityRecord &record)
{
    if (!m_layers)
        m_layers.emplace(m_document);
    if (m_exactly)
        m_mentioned.insert({record.mapName, record.layerName});
    const bool visible = record.isVisible();
    for (const std::shared_ptr<ILayer> &layer : m_layers->find(record.mapName, record.layerName))
        layer->setVisible(visible);
}

void VisibilityApply::hideUnmentioned()
{
    if (!m_layers || !m_exactly)
        return;
    m_layers->forEach(
        [this](const QString &mapName, const QString &layerName, const std::vector<std::shared_ptr<ILayer>> &layers) {
            if (m_mentioned.contains({mapName, layerName}))
                return;
            for (const std::shared_ptr<ILayer> &layer : layers)
                layer->setVisible(false);
        });
}
