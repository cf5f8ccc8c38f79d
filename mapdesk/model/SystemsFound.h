#pragma once

#include "CoordinateSystem.h"

#include <QByteArray>
#include <QHash>

#include <mutex>
#include <optional>

namespace mapdesk {

/// The coordinate systems already found for the layers of one reading,
/// keyed by what their files say of it (a Shapefile's ".prj"). Finding the
/// system such a file means searches PROJ's database for it, milliseconds
/// each time, while the layers of a document mostly share a few systems.
/// Owned by the reading, used by its jobs on any thread.
class SystemsFound
{
public:
    /// The system found before for `key`, if any.
    std::optional<CoordinateSystem> find(const QByteArray &key) const;
    void keep(const QByteArray &key, const CoordinateSystem &system);

private:
    mutable std::mutex m_mutex;
    QHash<QByteArray, CoordinateSystem> m_systems;
};

} // namespace mapdesk
