#pragma once

#include <QString>

#include <functional>

class IDocument;

/// The save's walk: hands on the map name, layer name and visibility of every
/// recordable feature layer of the document, in walk order. A map's name is
/// read once, at its first recordable layer. Failures reach the caller.
void captureVisibility(
    IDocument &document,
    const std::function<void(const QString &mapName, const QString &layerName, bool visible)> &onLayer);
