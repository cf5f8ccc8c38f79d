#include "VisibilityApply.h"

#include "FileChannel.h"
#include "ILayer.h"
#include "VisibilitySetFile.h"

#include <cstring>

namespace {

/// What is inside the quotes of a field written plainly (quoted, no quote
/// inside), or a null view when the field is written otherwise.
QByteArrayView plainInner(QByteArrayView raw)
{
    if (raw.size() < 2 || raw.front() != '"')
        return {};
    const QByteArrayView inner = raw.sliced(1, raw.size() - 2);
    if (std::memchr(inner.data(), '"', size_t(inner.size())))
        return {};
    return inner;
}

/// True when `bytes` decode as UTF-8 (FileChannel::fieldText()), so that
/// their text's key (LayerIndex::keyOf()) is the bytes themselves.
bool readAsUtf8(QByteArrayView bytes)
{
    for (const char c : bytes)
        if (c & 0x80) {
#if QT_VERSION >= QT_VERSION_CHECK(6, 3, 0)
            return bytes.isValidUtf8();
#else
            return false;
#endif
        }
    return true;
}

} // namespace

LayerIndex &VisibilityApply::layers()
{
    if (m_shared)
        return *m_shared;
    if (!m_layers) {
        m_layers = LayerIndex::keptWith(*m_document);
        m_mentioned.assign(std::size_t(m_layers->pairCount()), false);
    }
    return *m_layers;
}

void VisibilityApply::applyTo(int pair, bool visible)
{
    if (pair < 0)
        return;
    if (m_exactly)
        m_mentioned[std::size_t(pair)] = true;
    for (const std::shared_ptr<ILayer> &layer : layers().layers(pair)) {
        if (m_onSwitch)
            m_onSwitch(layer, visible);
        else
            layer->setVisible(visible);
    }
}

void VisibilityApply::apply(const VisibilityRecord &record)
{
    LayerIndex &index = layers();
    applyTo(index.find(record.mapName, record.layerName), record.isVisible());
}

void VisibilityApply::apply(const RawVisibilityRecord &record, FileChannel &channel)
{
    LayerIndex &index = layers();
    // The key of a field: its inner bytes when plain, else its text's.
    auto keyOf = [&](QByteArrayView raw) -> QByteArrayView {
        const QByteArrayView inner = plainInner(raw);
        if (!inner.isNull() && readAsUtf8(inner))
            return inner;
        m_scratch = LayerIndex::keyOf(channel.fieldText(raw));
        return m_scratch;
    };
    if (!m_mapKnown || record.mapName != QByteArrayView(m_mapField)) {
        m_map = index.mapOf(keyOf(record.mapName));
        m_mapField = record.mapName.toByteArray();
        m_mapKnown = true;
    }
    const int pair = m_map < 0 ? -1 : index.find(m_map, keyOf(record.layerName));
    const QByteArrayView flag = plainInner(record.visibility);
    const bool visible =
        flag.isNull() ? channel.fieldText(record.visibility) == QLatin1String("True") : flag == QByteArrayView("True");
    applyTo(pair, visible);
}

void VisibilityApply::hideUnmentioned()
{
    if (!m_layers || !m_exactly)
        return;
    for (int pair = 0; pair < m_layers->pairCount(); ++pair)
        if (!m_mentioned[std::size_t(pair)])
            for (const std::shared_ptr<ILayer> &layer : m_layers->layers(pair))
                layer->setVisible(false);
}
