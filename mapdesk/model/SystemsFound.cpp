#include "SystemsFound.h"

namespace mapdesk {

std::optional<CoordinateSystem> SystemsFound::find(const QByteArray &key) const
{
    const std::lock_guard lock(m_mutex);
    const auto found = m_systems.constFind(key);
    if (found == m_systems.cend())
        return std::nullopt;
    return *found;
}

void SystemsFound::keep(const QByteArray &key, const CoordinateSystem &system)
{
    const std::lock_guard lock(m_mutex);
    m_systems.insert(key, system);
}

} // namespace mapdesk
