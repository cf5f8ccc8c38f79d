#pragma once

#include "HostObject.h"

#include <QImage>

#include <functional>
#include <memory>
#include <vector>

class IDocument;
class ILayer;
class QObject;

/// A host's small pictures of its focus map, as it would show with some
/// layers switched: what the add-in shows beside a set's name before the set
/// is restored. Optional: a host without it leaves the add-in's windows as
/// they are. Pictures are drawn off the interface thread where that costs
/// more than a moment; a host may keep them and hand a kept one back at once.
class QUARNELHOST_EXPORT IMapPictures : public virtual HostObject
{
public:
    /// One layer's flag for the picture; every layer not named shows as it
    /// does now.
    struct LayerFlag
    {
        std::shared_ptr<ILayer> layer;
        bool visible;
    };
    /// Hands over the picture, on the interface thread; a null image when
    /// there is nothing to draw (no focus map).
    using Done = std::function<void(const QImage &picture)>;

    /// Draws `document`'s focus map at its view's extent and proportions,
    /// with `flags` applied, at most `maxWidth` pixels wide, and calls `done`:
    /// at once (before returning) when the picture is ready, else later,
    /// unless `receiver` is gone by then.
    virtual void drawFocusMap(IDocument &document, const std::vector<LayerFlag> &flags, int maxWidth, QObject *receiver,
                              Done done) = 0;
};
