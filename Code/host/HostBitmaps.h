#pragma once

#include "QuarnelHostExport.h"

#include <QImage>

#include <cstdint>

/// Process-wide table of bitmap handles: a module hands the host a 32-bit
/// handle for a picture it keeps, and the host resolves it back.
class QUARNELHOST_EXPORT HostBitmaps
{
public:
    /// Handle of the image; the same key always gets the same handle.
    static std::int32_t handleFor(const void *key, const QImage &image);
    /// The image of a handle, or a null image for an unknown handle.
    static QImage image(std::int32_t handle);
};
