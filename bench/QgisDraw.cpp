// QGIS drawing the document that mapdesk_draw_bench draws, for the row that
// sets mapdesk's first drawing next to QGIS's: N copies of the bundled
// sample data's layers (the GeoJSON files' features held in memory, as
// mapdesk holds them, and the images read through GDAL), every layer on, drawn
// from nothing with QgsMapRendererParallelJob into an 800 × 600 image of the
// data's whole extent, as QGIS's canvas draws. Prints a Markdown table of the
// median of five drawings, each without a cache.
//
//   quarnel_qgis_draw_bench [--smoke] [--layers=1000]

#include <qgsapplication.h>
#include <qgsmaprendererparalleljob.h>
#include <qgsmapsettings.h>
#include <qgsproject.h>
#include <qgsrasterlayer.h>
#include <qgsvectorlayer.h>

#include <QDir>
#include <QElapsedTimer>
#include <QImage>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

/// The sample layers, in mapdesk_draw_bench's order: the GeoJSON files by
/// name, then the images.
std::vector<std::unique_ptr<QgsMapLayer>> sampleLayers()
{
    std::vector<std::unique_ptr<QgsMapLayer>> layers;
    const QDir data(QStringLiteral(MAPDESK_SAMPLES "/data"));
    for (const QString &name : data.entryList({QStringLiteral("*.geojson")}, QDir::Files, QDir::Name)) {
        auto layer = std::make_unique<QgsVectorLayer>(data.filePath(name), name, QStringLiteral("ogr"));
        if (layer->isValid())
            layers.push_back(std::move(layer));
    }
    for (const QString &name : data.entryList({QStringLiteral("*.tif"), QStringLiteral("*.png")}, QDir::Files)) {
        auto layer = std::make_unique<QgsRasterLayer>(data.filePath(name), name, QStringLiteral("gdal"));
        if (layer->isValid())
            layers.push_back(std::move(layer));
    }
    return layers;
}

/// Copy `n` of `source`: a vector layer's features in a memory layer, an
/// image read again from its file.
QgsMapLayer *copyOf(QgsMapLayer &source, int n)
{
    const QString name = QStringLiteral("Layer %1").arg(n);
    if (auto *vector = qobject_cast<QgsVectorLayer *>(&source)) {
        QgsVectorLayer *copy = vector->materialize(QgsFeatureRequest());
        copy->setName(name);
        return copy;
    }
    return new QgsRasterLayer(source.source(), name, QStringLiteral("gdal"));
}

/// The share of `image`'s pixels something was drawn on.
double drawnShare(const QImage &image)
{
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    qint64 drawn = 0;
    for (int y = 0; y < argb.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x)
            drawn += qAlpha(line[x]) != 0;
    }
    return argb.isNull() ? 0 : static_cast<double>(drawn) / (static_cast<double>(argb.width()) * argb.height());
}

} // namespace

int main(int argc, char **argv)
{
    int count = 1000;
    int repetitions = 5;
    for (int i = 1; i < argc; ++i) {
        const QByteArray argument(argv[i]);
        if (argument == "--smoke") {
            count = 100;
            repetitions = 1;
        } else if (argument.startsWith("--layers=")) {
            count = argument.mid(9).toInt();
        }
    }
    QgsApplication app(argc, argv, false);
    QgsApplication::initQgis();
    {
        const std::vector<std::unique_ptr<QgsMapLayer>> samples = sampleLayers();
        if (samples.empty()) {
            std::fprintf(stderr, "no sample layers under %s\n", MAPDESK_SAMPLES);
            return 1;
        }
        QgsProject project;
        const QgsCoordinateReferenceSystem grid(QStringLiteral("EPSG:27700"));
        project.setCrs(grid);
        QList<QgsMapLayer *> layers;
        QgsRectangle extent;
        for (int i = 0; i < count; ++i) {
            QgsMapLayer *layer = copyOf(*samples[static_cast<std::size_t>(i) % samples.size()], i);
            extent.combineExtentWith(layer->extent());
            layers << layer;
        }
        project.addMapLayers(layers);

        QgsMapSettings settings;
        settings.setDestinationCrs(grid);
        settings.setOutputSize(QSize(800, 600));
        settings.setExtent(extent);
        settings.setBackgroundColor(Qt::transparent);
        settings.setLayers(layers);
        settings.setFlag(Qgis::MapSettingsFlag::Antialiasing, true);

        std::vector<double> times;
        int drawn = 0;
        for (int r = 0; r < repetitions; ++r) {
            QgsMapRendererParallelJob job(settings);
            QElapsedTimer timer;
            timer.start();
            job.start();
            job.waitForFinished();
            times.push_back(timer.nsecsElapsed() / 1e6);
            const QImage image = job.renderedImage();
            // The images cover most of the view: a drawing without them failed.
            drawn += image.size() == QSize(800, 600) && job.errors().isEmpty() && drawnShare(image) > 0.5;
        }
        std::sort(times.begin(), times.end());
        std::printf("| QGIS drawing %d layers from nothing (QgsMapRendererParallelJob, 800 x 600) | %.1f ms | "
                    "drawn without error %d of %d |\n",
                    count, times[times.size() / 2], drawn, repetitions);
    }
    QgsApplication::exitQgis();
    return 0;
}
