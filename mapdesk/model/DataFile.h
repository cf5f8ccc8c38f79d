#pragma once

#include <QString>
#include <QStringList>

#include <memory>

namespace mapdesk {

class Layer;

/// A person's own data file, added to a map as a layer: which files mapdesk
/// can read (the GDAL drivers its layers use) and the layer a file makes.
/// The caller owns the layers it is given.
class DataFile
{
public:
    /// Whether `path` names a map document (".mapdesk.json") rather than data.
    static bool isDocument(const QString &path);
    /// The name filter of a file dialog for data: every readable format at
    /// once, then each format, then all files.
    static QString dialogFilter();
    /// The name a layer of this file gets: the file name without its extension.
    static QString layerName(const QString &path);
    /// The names of the layers (tables) of a vector data file, in the file's
    /// order; empty for an image or a file that cannot be read.
    static QStringList datasetLayers(const QString &path);
    /// A feature or raster layer for the file at `path`, its data read, with
    /// the default symbol; `datasetLayer` names one layer of a file holding
    /// several (empty: the first), which then also names the layer. Null when
    /// the file cannot be read; `error` then names the file and says why.
    /// Touches nothing shared: safe on any thread.
    static std::shared_ptr<Layer> open(const QString &path, const QString &datasetLayer, QString *error);
};

} // namespace mapdesk
