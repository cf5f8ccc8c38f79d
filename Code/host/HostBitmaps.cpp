#include "HostBitmaps.h"

#include <QHash>

namespace {
struct Table
{
    QHash<const void *, std::int32_t> handles;
    QHash<std::int32_t, QImage> images;
};

Table &table()
{
    static Table t;
    return t;
}
} // namespace

std::int32_t HostBitmaps::handleFor(const void *key, const QImage &image)
{
    Table &t = table();
    auto found = t.handles.constFind(key);
    std::int32_t handle = found != t.handles.constEnd() ? *found : static_cast<std::int32_t>(t.handles.size() + 1);
    t.handles.insert(key, handle);
    t.images.insert(handle, image);
    return handle;
}

QImage HostBitmaps::image(std::int32_t handle)
{
    return table().images.value(handle);
}
