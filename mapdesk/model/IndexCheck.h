#pragma once

#include "HostError.h"

#include <cstdint>

namespace mapdesk {

/// Throws HostError (E_FAIL) unless 0 <= index < count; `what` names the
/// collection in the message ("layer", "map", ...).
inline void checkIndex(std::int32_t index, std::size_t count, const char *what)
{
    if (index < 0 || static_cast<std::size_t>(index) >= count)
        throw HostError(
            HostError::E_FAIL_NUMBER,
            QStringLiteral("No %1 at index %2 (there are %3)").arg(QLatin1String(what)).arg(index).arg(count));
}

/// As checkIndex, for an insertion place: 0 <= index <= count.
inline void checkInsertIndex(std::int32_t index, std::size_t count, const char *what)
{
    if (index < 0 || static_cast<std::size_t>(index) > count)
        throw HostError(HostError::E_FAIL_NUMBER, QStringLiteral("Cannot insert a %1 at index %2 (there are %3)")
                                                      .arg(QLatin1String(what))
                                                      .arg(index)
                                                      .arg(count));
}

/// Layer and map counts as the host's 32-bit counts.
inline std::int32_t hostCount(std::size_t count)
{
    return static_cast<std::int32_t>(count);
}

} // namespace mapdesk
