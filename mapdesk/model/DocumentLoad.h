#pragma once

#include "BackgroundReads.h"
#include "CoordinateSystem.h"
#include "FeatureLayer.h"
#include "RasterLayer.h"
#include "SystemsFound.h"

#include <QString>

#include <functional>
#include <memory>
#include <variant>
#include <vector>

namespace mapdesk {

class Document;
class Layer;
class Map;

/// The reading of the data of a document's layers, once DocumentReader has
/// read its structure. Each map's coordinate system is the one the file
/// gives it, or else its first layer's (in table-of-contents order) that has
/// one, found from the layers' headers before any data is read; every layer
/// is then read straight into its map's system.
///
/// What a layer's reading needs is copied from the layers when the load is
/// made (plan()), so that it is read on any thread; everything else runs on
/// the thread that owns the document. Shares the document and its layers.
class DocumentLoad
{
public:
    /// A layer's data as read, for install().
    using Result = std::variant<FeatureLayer::ReadResult, RasterLayer::ReadResult>;
    /// Where one layer's data is read from, copied from the layer.
    struct Source
    {
        QString name;
        QString path;
        QString datasetLayer;
        bool raster = false;
        /// Index of its layer's map in the document.
        std::size_t map = 0;
    };
    /// What reading the layers needs and nothing of the document: never
    /// changed once made, so that any thread may read with it.
    struct Plan
    {
        /// The layers with data, in the file's order.
        std::vector<Source> sources;
        /// Per map, the system the file gives it; empty: to be found.
        std::vector<CoordinateSystem> given;
        /// The systems found for the sources' files, shared by the readings.
        std::shared_ptr<SystemsFound> systems = std::make_shared<SystemsFound>();

        /// The system of map `map`: the file's, or else the first its
        /// layers name, reading only their headers, in order.
        CoordinateSystem findSystem(std::size_t map) const;
        /// Reads source `index`'s data into `mapSystem`.
        Result read(std::size_t index, const CoordinateSystem &mapSystem) const;
    };
    /// As DocumentReader::Progress: before each layer; false stops the reading.
    using Progress = std::function<bool(const QString &layerName, int done, int total)>;

    /// `given` holds, per map of the document in order, the system the file
    /// gives it (empty: to be found from its layers); `layers` the layers
    /// with data, each with its map's index, in the file's order.
    DocumentLoad(std::shared_ptr<Document> document, std::vector<CoordinateSystem> given,
                 const std::vector<std::pair<std::shared_ptr<Layer>, std::size_t>> &layers);
    ~DocumentLoad();
    DocumentLoad(const DocumentLoad &) = delete;
    DocumentLoad &operator=(const DocumentLoad &) = delete;

    std::shared_ptr<Document> document() const { return m_document; }
    std::shared_ptr<const Plan> plan() const { return m_plan; }
    /// How many layers have data to read.
    std::size_t size() const { return m_layers.size(); }
    std::size_t mapCount() const { return m_maps.size(); }

    /// Makes `system` map `map`'s; its layers are read into it from now on.
    void setSystem(std::size_t map, const CoordinateSystem &system);
    /// Makes `result` layer `item`'s data (converted again should its map's
    /// system have changed since it was read).
    void install(std::size_t item, Result result);
    /// Leaves layer `item` without data, with DocumentReader::notLoadedText().
    void leaveNotLoaded(std::size_t item);

    /// The reading of `load`'s layers as jobs for BackgroundReads, the first
    /// of which (to run before the others) finds the maps' systems, each
    /// other reading one layer, in order; their installs go into `load`,
    /// nothing once it is gone. Installed in the jobs' order, the layers come
    /// out as readAll() makes them.
    static std::vector<BackgroundReads::Job> jobs(const std::shared_ptr<DocumentLoad> &load);

    /// Reads every layer here, in order, telling `progress` before each; a
    /// layer not read when it stops is left not loaded.
    void readAll(const Progress &progress);

private:
    std::shared_ptr<Document> m_document;
    std::vector<std::shared_ptr<Map>> m_maps;
    std::shared_ptr<const Plan> m_plan;
    /// The layers of the plan's sources, in the same order.
    std::vector<std::shared_ptr<Layer>> m_layers;
};

} // namespace mapdesk
