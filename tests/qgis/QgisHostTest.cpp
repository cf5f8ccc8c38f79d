#include "QgisHost.h"
#include "HostError.h"
#include "ICompositeLayer.h"
#include "IDocument.h"
#include "IElement.h"
#include "IFeatureLayer.h"
#include "IGraphicsContainer.h"
#include "IGroupLayer.h"
#include "ILayer.h"
#include "IMap.h"
#include "IMapFrame.h"
#include "IMapSurroundFrame.h"
#include "IMaps.h"
#include "IPageLayout.h"
#include "IView.h"
#include "LayerWalk.h"
#include "QgisApplication.h"
#include "QuarnelGIS_Public.h"
#include "RefreshAfterVisibilityChange.h"
#include "VisibilityApply.h"
#include "VisibilityCapture.h"
#include "VisibilitySetFile.h"

#include <qgsannotationlayer.h>
#include <qgslayertree.h>
#include <qgslayertreemapcanvasbridge.h>
#include <qgslayertreemodel.h>
#include <qgslayoutexporter.h>
#include <qgslayoutitemlegend.h>
#include <qgslayoutitemmap.h>
#include <qgslayoutmanager.h>
#include <qgsmapcanvas.h>
#include <qgsprintlayout.h>
#include <qgsproject.h>
#include <qgsvectorlayer.h>

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <map>

using namespace quarnelqgis;

namespace {

QgsVectorLayer *pointLayer(const QString &name)
{
    auto *layer =
        new QgsVectorLayer(QStringLiteral("Point?crs=EPSG:4326&field=id:integer"), name, QStringLiteral("memory"));
    QgsFeature feature(layer->fields());
    feature.setGeometry(QgsGeometry::fromPointXY(QgsPointXY(1, 1)));
    QgsFeatureList features{feature};
    layer->dataProvider()->addFeatures(features);
    layer->updateExtents();
    return layer;
}

/// A project as a user builds it: layers "roads" (on) and "parks" (off) at
/// the top, a group "Water" with "rivers" (on) and a nested group "Deep"
/// holding "wells" (on), an annotation layer "notes", and a print layout
/// whose legend lists what its map shows; a canvas that the bridge feeds
/// and the Layers panel's model.
struct QgisWorld
{
    /// With `groups` more groups of `perGroup` layers each, below the rest.
    explicit QgisWorld(int groups = 0, int perGroup = 0)
    {
        project.setCrs(QgsCoordinateReferenceSystem(QStringLiteral("EPSG:4326")));
        QgsLayerTree *root = project.layerTreeRoot();
        const auto add = [this](QgsLayerTreeGroup *group, QgsMapLayer *layer) {
            project.addMapLayer(layer, false);
            group->addLayer(layer);
        };
        add(root, pointLayer(QStringLiteral("roads")));
        add(root, pointLayer(QStringLiteral("parks")));
        QgsLayerTreeGroup *water = root->addGroup(QStringLiteral("Water"));
        add(water, pointLayer(QStringLiteral("rivers")));
        add(water->addGroup(QStringLiteral("Deep")), pointLayer(QStringLiteral("wells")));
        add(root, new QgsAnnotationLayer(QStringLiteral("notes"),
                                         QgsAnnotationLayer::LayerOptions(project.transformContext())));
        node("parks")->setItemVisibilityChecked(false);
        // Before anything listens to the tree, which makes adding fast.
        for (int g = 0; g < groups; ++g) {
            QgsLayerTreeGroup *group = root->addGroup(QStringLiteral("G%1").arg(g));
            QList<QgsMapLayer *> layers;
            for (int i = 0; i < perGroup; ++i)
                layers << pointLayer(QStringLiteral("L%1_%2").arg(g).arg(i));
            project.addMapLayers(layers, false);
            for (QgsMapLayer *layer : layers)
                group->addLayer(layer);
        }

        canvas.resize(200, 200);
        canvas.setDestinationCrs(project.crs());
        canvas.setExtent(QgsRectangle(0, 0, 2, 2));
        bridge = new QgsLayerTreeMapCanvasBridge(root, &canvas, &canvas);
        treeModel = new QgsLayerTreeModel(root, &canvas);

        auto *layout = new QgsPrintLayout(&project);
        layout->initializeDefaults();
        layout->setName(QStringLiteral("Page"));
        project.layoutManager()->addLayout(layout);
        auto *map = new QgsLayoutItemMap(layout);
        map->attemptSetSceneRect(QRectF(10, 10, 100, 100));
        map->setExtent(QgsRectangle(0, 0, 2, 2));
        layout->addLayoutItem(map);
        legend = new QgsLayoutItemLegend(layout);
        legend->setLinkedMap(map);
        legend->setLegendFilterByMapEnabled(true);
        layout->addLayoutItem(legend);
        this->layout = layout;

        QgisHost::Options options;
        options.parts = {&project, &canvas, treeModel};
        host = std::make_unique<QgisHost>(options);
        settle();
        // The legend lists what the map shows as of its last update.
        legendLayers();
    }

    ~QgisWorld()
    {
        host.reset();
        delete treeModel;
        delete bridge;
    }

    QgsLayerTreeNode *node(const char *name) const
    {
        if (QgsLayerTreeGroup *group = project.layerTreeRoot()->findGroup(QLatin1String(name)))
            return group;
        return project.layerTreeRoot()->findLayer(project.mapLayersByName(QLatin1String(name)).first());
    }

    /// Names of the nodes checked now, in the order of the Layers panel.
    QStringList checkedNodes() const
    {
        QStringList names;
        std::function<void(QgsLayerTreeNode *)> walk = [&](QgsLayerTreeNode *parent) {
            for (QgsLayerTreeNode *child : parent->children()) {
                if (child->itemVisibilityChecked())
                    names << child->name();
                walk(child);
            }
        };
        walk(project.layerTreeRoot());
        return names;
    }

    QStringList canvasLayers() const
    {
        QStringList names;
        for (QgsMapLayer *layer : canvas.layers())
            names << layer->name();
        names.sort();
        return names;
    }

    /// The layers the print layout's legend lists, once the layout is drawn.
    QStringList legendLayers() const
    {
        QgsLayoutExporter(layout).renderPageToImage(0, QSize(100, 70));
        QStringList names;
        for (QgsLayerTreeLayer *layer : project.layerTreeRoot()->findLayers())
            if (!legend->model()->layerLegendNodes(layer).isEmpty())
                names << layer->name();
        names.sort();
        return names;
    }

    static void settle()
    {
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
    }

    std::shared_ptr<IDocument> document() const { return host->application()->document(); }

    /// What the add-in does after changing flags: the table of contents
    /// and the view.
    void refreshAfterChange()
    {
        QuarnelGIS_Public state(host->services());
        state.document = document();
        RefreshAfterVisibilityChange(state);
        settle();
    }

    QgsMapCanvas canvas;
    QgsProject project;
    QgsLayerTreeMapCanvasBridge *bridge = nullptr;
    QgsLayerTreeModel *treeModel = nullptr;
    QgsPrintLayout *layout = nullptr;
    QgsLayoutItemLegend *legend = nullptr;
    std::unique_ptr<QgisHost> host;
};

TEST(QgisHost, TheLayerTreeIsOneMapOfLayersAndGroups)
{
    QgisWorld w;
    const std::shared_ptr<IDocument> doc = w.document();
    ASSERT_EQ(doc->maps()->count(), 1);
    const std::shared_ptr<IMap> map = doc->maps()->item(0);
    EXPECT_EQ(map, doc->focusMap());
    EXPECT_EQ(map, std::dynamic_pointer_cast<IMap>(doc->focusMap()));
    EXPECT_EQ(std::dynamic_pointer_cast<IView>(map), doc->activeView());
    EXPECT_EQ(map->name(), QStringLiteral("Layers"));
    EXPECT_THROW(doc->maps()->item(1), HostError);

    // Top to bottom as in the Layers panel: roads, parks, Water, notes.
    ASSERT_EQ(map->layerCount(), 4);
    struct Row
    {
        int index;
        const char *name;
        bool feature;
        bool group;
        bool visible;
    };
    for (const Row &row : {Row{0, "roads", true, false, true}, Row{1, "parks", true, false, false},
                           Row{2, "Water", false, true, true}, Row{3, "notes", false, false, true}}) {
        SCOPED_TRACE(row.name);
        const std::shared_ptr<ILayer> layer = map->layer(row.index);
        EXPECT_EQ(layer->name(), QLatin1String(row.name));
        EXPECT_EQ(bool(std::dynamic_pointer_cast<IFeatureLayer>(layer)), row.feature);
        EXPECT_EQ(bool(std::dynamic_pointer_cast<IGroupLayer>(layer)), row.group);
        EXPECT_EQ(layer->visible(), row.visible);
    }
    const auto water = std::dynamic_pointer_cast<ICompositeLayer>(map->layer(2));
    ASSERT_EQ(water->count(), 2);
    EXPECT_EQ(water->layer(0)->name(), QStringLiteral("rivers"));
    EXPECT_EQ(water->layer(1)->name(), QStringLiteral("Deep"));
    EXPECT_THROW(water->layer(2), HostError);
    EXPECT_THROW(map->layer(4), HostError);
}

TEST(QgisHost, CaptureRestoreAndSwitchingGoThroughTheLayerTreeToCanvasAndLegend)
{
    struct Row
    {
        const char *what;
        std::function<void(IDocument &)> change;
        QStringList checked; ///< nodes checked afterwards, in panel order
        QStringList drawn;   ///< on the canvas and in the legend, sorted
    };
    const auto restore = [](std::map<QString, bool> set, bool exactly) {
        return [set, exactly](IDocument &doc) {
            VisibilityApply apply(doc, exactly);
            for (const auto &[layer, visible] : set)
                apply.apply(
                    {QStringLiteral("S"), QStringLiteral("Layers"), layer, VisibilitySetFile::visibilityText(visible)});
            apply.hideUnmentioned();
        };
    };
    const Row rows[] = {
        {"all off",
         [](IDocument &doc) { LayerWalk::setAllVisible(doc, false); },
         {"Water", "Deep", "wells", "notes"},
         {"notes", "wells"}},
        {"all on",
         [](IDocument &doc) { LayerWalk::setAllVisible(doc, true); },
         {"roads", "parks", "Water", "rivers", "Deep", "wells", "notes"},
         {"notes", "parks", "rivers", "roads", "wells"}},
        {"restore",
         restore({{"roads", false}, {"parks", true}}, false),
         {"parks", "Water", "rivers", "Deep", "wells", "notes"},
         {"notes", "parks", "rivers", "wells"}},
        {"restore exactly",
         restore({{"parks", true}}, true),
         {"parks", "Water", "Deep", "wells", "notes"},
         {"notes", "parks", "wells"}},
        {"restore of an unknown layer",
         restore({{"lakes", false}}, false),
         {"roads", "Water", "rivers", "Deep", "wells", "notes"},
         {"notes", "rivers", "roads", "wells"}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        QgisWorld w;
        row.change(*w.document());
        w.refreshAfterChange();
        EXPECT_EQ(w.checkedNodes(), row.checked);
        EXPECT_EQ(w.canvasLayers(), row.drawn);
        QStringList legendExpected = row.drawn;
        legendExpected.removeAll(QStringLiteral("notes")); // an annotation layer has no legend entry
        EXPECT_EQ(w.legendLayers(), legendExpected);

        // What a save records now: the feature layers at the top and in top-level groups.
        QStringList captured;
        captureVisibility(*w.document(), [&](const QString &map, const QString &layer, bool visible) {
            captured << QStringLiteral("%1/%2=%3").arg(map, layer).arg(visible);
        });
        QStringList expected;
        for (const char *layer : {"roads", "parks", "rivers"})
            expected << QStringLiteral("Layers/%1=%2").arg(QLatin1String(layer)).arg(row.checked.contains(layer));
        EXPECT_EQ(captured, expected);
    }
}

TEST(QgisHost, HundredsOfChangesCostOneRedrawAndOneSignalPerGroup)
{
    // Few enough layers for QGIS to take the project down quickly again (its
    // own removal of layers grows faster than with their square).
    const int groups = 10;
    QgisWorld w(groups, 40);
    QSignalSpy rowSignals(w.treeModel, &QAbstractItemModel::dataChanged);
    QSignalSpy treeSignals(w.project.layerTreeRoot(), &QgsLayerTreeNode::visibilityChanged);
    QSignalSpy redraws(&w.canvas, &QgsMapCanvas::renderStarting);

    LayerWalk::setAllVisible(*w.document(), false);
    w.refreshAfterChange();
    w.canvas.waitWhileRendering();

    EXPECT_EQ(w.project.layerTreeRoot()->checkedLayers().size(), 2); // wells, notes
    EXPECT_EQ(treeSignals.count(), 1);
    // The root's change, then the rows of the root and of every group
    // (Water, Deep and the ten), never a signal per layer.
    EXPECT_EQ(rowSignals.count(), 1 + 1 + 2 + groups);
    EXPECT_EQ(redraws.count(), 1);
}

TEST(QgisHost, EveryLegendOfEveryLayoutBelongsToTheMap)
{
    QgisWorld w;
    auto *second = new QgsPrintLayout(&w.project);
    second->initializeDefaults();
    second->setName(QStringLiteral("Second"));
    w.project.layoutManager()->addLayout(second);
    for (int i = 0; i < 2; ++i)
        second->addLayoutItem(new QgsLayoutItemLegend(second));

    const std::shared_ptr<IDocument> doc = w.document();
    const auto page = std::dynamic_pointer_cast<IGraphicsContainer>(doc->pageLayout());
    ASSERT_TRUE(page);
    page->reset();
    int legends = 0;
    while (const std::shared_ptr<IElement> element = page->next()) {
        const auto frame = std::dynamic_pointer_cast<IMapSurroundFrame>(element);
        ASSERT_TRUE(frame);
        EXPECT_EQ(frame->mapFrame()->map(), doc->focusMap());
        ++legends;
    }
    EXPECT_EQ(legends, 3);
}

TEST(QgisHost, AProjectSwitchGivesANewDocumentOverTheNewLayers)
{
    QgisWorld w;
    const std::shared_ptr<IDocument> before = w.document();
    EXPECT_EQ(w.document(), before);
    w.project.clear();
    w.project.addMapLayer(pointLayer(QStringLiteral("fresh")));
    const std::shared_ptr<IDocument> after = w.document();
    EXPECT_NE(after, before);
    ASSERT_EQ(after->focusMap()->layerCount(), 1);
    EXPECT_EQ(after->focusMap()->layer(0)->name(), QStringLiteral("fresh"));
}

TEST(QgisHost, ALayerRemovedFromTheProjectReadsAsGoneAndRefusesChanges)
{
    QgisWorld w;
    const std::shared_ptr<ILayer> roads = w.document()->focusMap()->layer(0);
    w.project.removeMapLayer(w.project.mapLayersByName(QStringLiteral("roads")).first());
    EXPECT_EQ(roads->name(), QString());
    EXPECT_FALSE(roads->visible());
    EXPECT_THROW(roads->setVisible(true), HostError);
}

} // namespace
