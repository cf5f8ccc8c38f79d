#include "QgisPictures.h"

#include "QgisLayer.h"
#include "QgisSession.h"

#include <qgslayertree.h>
#include <qgsmaplayer.h>
#include <qgsmaprendererparalleljob.h>
#include <qgsmapsettings.h>

#include <QHash>

#include <cmath>

namespace quarnelqgis {

namespace {
/// The size of the canvas's settings with the same proportions, at most
/// `maxWidth` wide.
QSize pictureSize(const QSize &canvas, int maxWidth)
{
    if (canvas.isEmpty() || maxWidth <= 0 || canvas.width() <= maxWidth)
        return canvas;
    return QSize(maxWidth, std::max(1, int(std::lround(double(canvas.height()) * maxWidth / canvas.width()))));
}

/// What a picture shows, as a key: the settings' extent, size and system and
/// the layers drawn.
QString keyOf(const QgsMapSettings &settings)
{
    QStringList parts{settings.extent().toString(17), QString::number(settings.outputSize().width()),
                      QString::number(settings.outputSize().height()), settings.destinationCrs().authid()};
    for (const QgsMapLayer *layer : settings.layers())
        parts << layer->id();
    return parts.join(QLatin1Char('\n'));
}
} // namespace

/// A picture kept or being rendered, and who waits for it.
struct QgisPictures::Picture
{
    QImage image;
    bool ready = false;
    QgsMapRendererParallelJob *job = nullptr;
    std::vector<std::pair<QPointer<QObject>, Done>> waiting;
};

QgisPictures::QgisPictures(QgisSession *session, QObject *parent) : QObject(parent), m_session(session)
{
    if (!session)
        return;
    if (QgsProject *project = session->project()) {
        connect(project, &QgsProject::layersAdded, this, [this](const QList<QgsMapLayer *> &layers) {
            for (QgsMapLayer *layer : layers)
                follow(layer);
            forgetAll();
        });
        connect(project, &QgsProject::layersRemoved, this, &QgisPictures::forgetAll);
        connect(project, &QgsProject::cleared, this, &QgisPictures::forgetAll);
        for (QgsMapLayer *layer : project->mapLayers())
            follow(layer);
    }
    if (QgsMapCanvas *canvas = session->canvas()) {
        connect(canvas, &QgsMapCanvas::extentsChanged, this, &QgisPictures::forgetAll);
        connect(canvas, &QgsMapCanvas::destinationCrsChanged, this, &QgisPictures::forgetAll);
        connect(canvas, &QgsMapCanvas::canvasColorChanged, this, &QgisPictures::forgetAll);
    }
    connect(session, &QgisSession::projectSwitched, this, &QgisPictures::forgetAll);
}

QgisPictures::~QgisPictures()
{
    // The jobs are children of this object; cancelling waits for their threads.
    for (QgsMapRendererJob *job : findChildren<QgsMapRendererJob *>()) {
        job->disconnect(this);
        job->cancel();
    }
}

void QgisPictures::follow(QgsMapLayer *layer)
{
    // Data or style changed: every picture may show it.
    connect(layer, &QgsMapLayer::repaintRequested, this, &QgisPictures::forgetAll);
    connect(layer, &QgsMapLayer::styleChanged, this, &QgisPictures::forgetAll);
    connect(layer, &QgsMapLayer::rendererChanged, this, &QgisPictures::forgetAll);
    connect(layer, &QgsMapLayer::dataChanged, this, &QgisPictures::forgetAll);
}

void QgisPictures::forgetAll()
{
    // Pictures being rendered still finish for those waiting, but no later
    // request joins them.
    m_pictures.clear();
}

QgsMapSettings QgisPictures::settingsFor(const std::vector<LayerFlag> &flags, int maxWidth) const
{
    QgsMapSettings settings;
    if (!m_session || !m_session->project())
        return settings;
    if (QgsMapCanvas *canvas = m_session->canvas())
        settings = canvas->mapSettings();
    else
        settings.setDestinationCrs(m_session->project()->crs());
    QHash<const QgsLayerTreeNode *, bool> flagOf;
    for (const LayerFlag &flag : flags)
        if (const auto *node = dynamic_cast<const QgisLayer *>(flag.layer.get()); node && node->node())
            flagOf.insert(node->node(), flag.visible);
    // A layer shows when its node and every group above it are ticked, in
    // the order the canvas draws the tree's layers.
    const auto shows = [&flagOf](QgsLayerTreeNode *node) {
        for (; node && node->parent(); node = node->parent())
            if (!flagOf.value(node, node->itemVisibilityChecked()))
                return false;
        return true;
    };
    QgsLayerTree *root = m_session->project()->layerTreeRoot();
    QList<QgsMapLayer *> layers;
    for (QgsMapLayer *layer : root->layerOrder())
        if (QgsLayerTreeLayer *node = root->findLayer(layer); node && shows(node))
            layers << layer;
    settings.setLayers(layers);
    const QgsRectangle extent = settings.extent();
    settings.setOutputSize(pictureSize(settings.outputSize(), maxWidth));
    settings.setExtent(extent);
    settings.setDevicePixelRatio(1);
    return settings;
}

void QgisPictures::drawFocusMap(IDocument &, const std::vector<LayerFlag> &flags, int maxWidth, QObject *receiver,
                                Done done)
{
    const QgsMapSettings settings = settingsFor(flags, maxWidth);
    if (settings.outputSize().isEmpty()) {
        done(QImage());
        return;
    }
    const QString key = keyOf(settings);
    std::shared_ptr<Picture> &picture = m_pictures[key];
    if (picture && picture->ready) {
        done(picture->image);
        return;
    }
    if (!picture)
        picture = std::make_shared<Picture>();
    picture->waiting.emplace_back(receiver, std::move(done));
    if (picture->job)
        return;
    ++m_made;
    picture->job = new QgsMapRendererParallelJob(settings);
    picture->job->setParent(this);
    connect(picture->job, &QgsMapRendererJob::finished, this, [this, picture] {
        picture->image = picture->job->renderedImage();
        picture->ready = true;
        picture->job->deleteLater();
        picture->job = nullptr;
        for (auto &[to, handOver] : std::exchange(picture->waiting, {}))
            if (to)
                handOver(picture->image);
    });
    picture->job->start();
}

} // namespace quarnelqgis
