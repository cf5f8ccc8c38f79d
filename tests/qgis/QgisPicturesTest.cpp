// QGIS's pictures of the project's map with some layer-tree nodes switched:
// against QGIS's own rendering of the same layers, and kept until the
// canvas's extent changes.
#include "QgisPictures.h"
#include "QgisDocument.h"
#include "QgisLayer.h"
#include "QgisSession.h"

#include <qgslayertree.h>
#include <qgslayertreemapcanvasbridge.h>
#include <qgsmapcanvas.h>
#include <qgsmaprenderersequentialjob.h>
#include <qgsproject.h>
#include <qgsvectorlayer.h>

#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <optional>

using namespace quarnelqgis;

namespace {

QgsVectorLayer *pointAt(const QString &name, double x, double y)
{
    auto *layer =
        new QgsVectorLayer(QStringLiteral("Point?crs=EPSG:4326&field=id:integer"), name, QStringLiteral("memory"));
    QgsFeature feature(layer->fields());
    feature.setGeometry(QgsGeometry::fromPointXY(QgsPointXY(x, y)));
    QgsFeatureList features{feature};
    layer->dataProvider()->addFeatures(features);
    layer->updateExtents();
    return layer;
}

/// "a" (on) and "b" (off) at the top, group "G" (on) holding "c" (on), each a
/// point of its own, on a canvas.
struct PictureWorld
{
    PictureWorld()
    {
        project.setCrs(QgsCoordinateReferenceSystem(QStringLiteral("EPSG:4326")));
        QgsLayerTree *root = project.layerTreeRoot();
        const auto add = [this](QgsLayerTreeGroup *group, QgsMapLayer *layer) {
            project.addMapLayer(layer, false);
            group->addLayer(layer);
        };
        add(root, pointAt(QStringLiteral("a"), 1, 1));
        add(root, pointAt(QStringLiteral("b"), 3, 3));
        add(root->addGroup(QStringLiteral("G")), pointAt(QStringLiteral("c"), 1, 3));
        root->findLayer(layer("b"))->setItemVisibilityChecked(false);
        canvas.resize(200, 160);
        canvas.setDestinationCrs(project.crs());
        bridge = new QgsLayerTreeMapCanvasBridge(root, &canvas, &canvas);
        canvas.setExtent(QgsRectangle(0, 0, 4, 4));
        QCoreApplication::processEvents();
    }
    ~PictureWorld() { delete bridge; }

    QgsMapLayer *layer(const char *name) const { return project.mapLayersByName(QLatin1String(name)).first(); }
    IMapPictures::LayerFlag flag(const char *name, bool visible)
    {
        QgsLayerTreeNode *node = project.layerTreeRoot()->findLayer(layer(name));
        return {QgisLayer::forNode(node, &session), visible};
    }
    QImage picture(const std::vector<IMapPictures::LayerFlag> &flags, bool *atOnce = nullptr)
    {
        std::optional<QImage> handed;
        QObject receiver;
        pictures.drawFocusMap(document(), flags, 100, &receiver, [&](const QImage &image) { handed = image; });
        if (atOnce)
            *atOnce = handed.has_value();
        EXPECT_TRUE(QTest::qWaitFor([&] { return handed.has_value(); }, 10000));
        return handed.value_or(QImage());
    }
    IDocument &document() { return documentOfSession; }

    QgsProject project;
    QgsMapCanvas canvas;
    QgsLayerTreeMapCanvasBridge *bridge = nullptr;
    QgisSession session{{&project, &canvas, nullptr}};
    QgisDocument documentOfSession{&session};
    QgisPictures pictures{&session};
};

TEST(QgisPictures, AreQgissOwnRenderingOfTheLayersTheSetWouldShow)
{
    PictureWorld world;
    const QImage picture = world.picture({world.flag("a", false), world.flag("b", true)});

    QgsMapSettings settings = world.canvas.mapSettings();
    settings.setLayers({world.layer("b"), world.layer("c")});
    // The canvas's proportions at 100 pixels wide.
    const QSize canvas = settings.outputSize();
    const QSize size(100, int(std::lround(canvas.height() * 100.0 / canvas.width())));
    settings.setOutputSize(size);
    settings.setExtent(world.canvas.mapSettings().extent());
    settings.setDevicePixelRatio(1);
    QgsMapRendererSequentialJob job(settings);
    job.start();
    job.waitForFinished();
    const QImage expected = job.renderedImage();

    ASSERT_EQ(picture.size(), size);
    EXPECT_EQ(picture.convertToFormat(QImage::Format_ARGB32), expected.convertToFormat(QImage::Format_ARGB32));
    // And not what the canvas shows now (a and c).
    settings.setLayers({world.layer("a"), world.layer("c")});
    QgsMapRendererSequentialJob now(settings);
    now.start();
    now.waitForFinished();
    EXPECT_NE(picture.convertToFormat(QImage::Format_ARGB32),
              now.renderedImage().convertToFormat(QImage::Format_ARGB32));
}

TEST(QgisPictures, AreKeptUntilTheExtentChanges)
{
    PictureWorld world;
    const std::vector<IMapPictures::LayerFlag> set{world.flag("c", false)};
    bool atOnce = false;
    world.picture(set, &atOnce);
    EXPECT_FALSE(atOnce);
    world.picture(set, &atOnce);
    EXPECT_TRUE(atOnce);
    EXPECT_EQ(world.pictures.picturesMade(), 1);
    world.canvas.setExtent(QgsRectangle(0, 0, 2, 2));
    world.picture(set, &atOnce);
    EXPECT_FALSE(atOnce);
    EXPECT_EQ(world.pictures.picturesMade(), 2);
}

} // namespace
