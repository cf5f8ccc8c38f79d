#pragma once

#include "Feature.h"
#include "IFeatureLayer.h"
#include "Layer.h"

#include <vector>

namespace mapdesk {

/// A layer of vector features read from a data file with GDAL/OGR (GeoJSON,
/// Shapefile, GeoPackage, FlatGeobuf). A source that cannot be read leaves the
/// layer in its map with no features and an error text.
class FeatureLayer : public Layer, public virtual IFeatureLayer
{
public:
    explicit FeatureLayer(QString name, QString sourcePath = {}, bool visible = true);
    ~FeatureLayer() override;

    Kind kind() const override { return Kind::Feature; }

    /// Absolute path of the data file; empty for a layer filled in memory.
    QString sourcePath() const { return m_sourcePath; }
    void setSourcePath(const QString &path);
    /// Reads every feature of the source's first layer, replacing what was
    /// held. Returns false and sets errorText() when the source cannot be read.
    bool load();
    /// Leaves the data unread, with `reason` as the error text (reading was
    /// cancelled); the source stays, so that saving keeps the layer whole.
    void setNotLoaded(const QString &reason);
    /// Replaces the features (layers made in memory) and clears the error text.
    void setFeatures(std::vector<Feature> features);
    const std::vector<Feature> &features() const { return m_features; }

    QString errorText() const override { return m_errorText; }
    std::optional<QRectF> extent() const override { return m_extent; }

private:
    QString m_sourcePath;
    QString m_errorText;
    std::vector<Feature> m_features;
    std::optional<QRectF> m_extent;
};

} // namespace mapdesk
