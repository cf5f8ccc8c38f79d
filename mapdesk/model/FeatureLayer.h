#pragma once

#include "Feature.h"
#include "FeatureData.h"
#include "IFeatureLayer.h"
#include "Layer.h"
#include "Symbol.h"

#include <memory>
#include <vector>

namespace mapdesk {

/// A layer of vector features read from a data file with GDAL/OGR (GeoJSON,
/// Shapefile, GeoPackage, FlatGeobuf). A source that cannot be read leaves the
/// layer in its map with no features and an error text.
class SystemsFound;

class FeatureLayer : public Layer, public virtual IFeatureLayer
{
public:
    explicit FeatureLayer(QString name, QString sourcePath = {}, bool visible = true);
    ~FeatureLayer() override;

    Kind kind() const override { return Kind::Feature; }

    /// Absolute path of the data file; empty for a layer filled in memory.
    QString sourcePath() const { return m_sourcePath; }
    void setSourcePath(const QString &path);
    /// The layer (table) of a data file holding several that this layer
    /// shows; empty for the file's first layer.
    QString datasetLayer() const { return m_datasetLayer; }
    void setDatasetLayer(const QString &name) { m_datasetLayer = name; }
    /// A layer's data as read from its file, not yet the layer's: made on any
    /// thread by read(), taken by install() on the thread that owns the layer.
    struct ReadResult
    {
        /// As read, in the data's own system.
        std::vector<Feature> sourceFeatures;
        /// The same in the map's system, ready to draw.
        std::shared_ptr<const FeatureData> data = std::make_shared<FeatureData>();
        CoordinateSystem dataSystem;
        CoordinateSystem mapSystem;
        int skipped = 0;
        QString stoppedAt;
        /// Why the data cannot be shown; empty when it was read.
        QString errorText;
    };
    /// Reads every feature of layer `datasetLayer` (empty: the first) of the
    /// file at `path` and converts them into `mapSystem`. Touches no layer:
    /// safe on any thread. A feature that cannot be read is left out and
    /// counted; the others are kept. `found`, when given, keeps the systems
    /// found for the files of one reading, so that each is searched for once.
    static ReadResult read(const QString &path, const QString &datasetLayer, const CoordinateSystem &mapSystem,
                           SystemsFound *found = nullptr);
    /// The coordinate system read() would find for the data, without reading
    /// the features; empty when the file names none or cannot be opened.
    static CoordinateSystem readCoordinateSystem(const QString &path, const QString &datasetLayer,
                                                 SystemsFound *found = nullptr);
    /// Makes `result` the layer's data, replacing what was held.
    void install(ReadResult result);
    /// Reads every feature of the source's layer into the map's system and
    /// installs them (read() and install()). Returns false and sets
    /// errorText() when the source cannot be read.
    bool load();
    /// How many features the last reading left out because they could not be
    /// read (a fault that ends the reading early is told in warningText()).
    int skippedFeatures() const { return m_skipped; }
    /// Leaves the data unread, with `reason` as the error text (reading was
    /// cancelled, or the data cannot be drawn in the map's system); the
    /// source stays, so that saving keeps the layer whole.
    void setNotLoaded(const QString &reason);
    /// Replaces the features (layers made in memory, in the map's system)
    /// and clears the error text.
    void setFeatures(std::vector<Feature> features);
    /// The features in the map's coordinate system, ready to draw.
    const std::vector<Feature> &features() const { return m_data->features(); }
    /// The same, shared: it stays as it is while the layer takes new data.
    std::shared_ptr<const FeatureData> data() const { return m_data; }

    CoordinateSystem dataCoordinateSystem() const override { return m_dataSystem; }
    /// Converts the features as read into `map`.
    QString setMapCoordinateSystem(const CoordinateSystem &map) override;

    /// How the layer is drawn: its own symbol, or until it has one the first
    /// palette colour with the default sizes.
    Symbol symbol() const;
    bool hasOwnSymbol() const { return m_symbol.has_value(); }
    void setSymbol(const Symbol &symbol) { m_symbol = symbol; }

    QString errorText() const override { return m_errorText; }
    QString warningText() const override;
    std::optional<QRectF> extent() const override { return m_data->extent(); }

private:
    QString m_sourcePath;
    QString m_datasetLayer;
    QString m_errorText;
    int m_skipped = 0;
    /// The fault that ended the last reading early; empty when it read to the end.
    QString m_stoppedAt;
    /// As read, in the data's own system; m_data holds them in the map's.
    std::vector<Feature> m_sourceFeatures;
    std::shared_ptr<const FeatureData> m_data;
    CoordinateSystem m_dataSystem;
    CoordinateSystem m_mapSystem;
    std::optional<Symbol> m_symbol;
};

} // namespace mapdesk
