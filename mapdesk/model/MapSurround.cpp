#include "MapSurround.h"

#include "Envelope.h"
#include "HostError.h"

namespace mapdesk {

MapSurround::MapSurround(std::shared_ptr<Map> map) : m_map(std::move(map)) {}

MapSurround::~MapSurround() = default;

void MapSurround::fitToBounds(std::shared_ptr<IDisplay> display, std::shared_ptr<IEnvelope> bounds, bool &changed)
{
    const auto envelope = std::dynamic_pointer_cast<Envelope>(bounds);
    if (!envelope)
        throw HostError(HostError::E_FAIL_NUMBER, QStringLiteral("A map surround needs bounds to fit to"));
    m_fittedBounds = envelope->rect();
    m_fittedDisplay = display;
    ++m_fitCount;
    changed = true;
}

void MapSurround::refresh()
{
    ++m_refreshCount;
    updateFromMap();
}

void MapSurround::updateFromMap() {}

} // namespace mapdesk
