#include "QgisExportWorld.h"

#include "FileChannel.h"
#include "VisibilitySetFile.h"

#include <qgslayertree.h>
#include <qgslayoutexporter.h>
#include <qgslayoutitemmap.h>
#include <qgslayoutmanager.h>
#include <qgsmapthemecollection.h>
#include <qgsmarkersymbol.h>
#include <qgsprintlayout.h>
#include <qgssinglesymbolrenderer.h>
#include <qgsvectorlayer.h>

#include <QDir>
#include <QTemporaryFile>

#include <functional>

using namespace quarnelqgis;

namespace {

QgsVectorLayer *pointLayer(const QString &name, double x, double y, const QColor &color)
{
    auto *layer = new QgsVectorLayer(QStringLiteral("Point?crs=EPSG:4326"), name, QStringLiteral("memory"));
    QgsFeature feature;
    feature.setGeometry(QgsGeometry::fromPointXY(QgsPointXY(x, y)));
    layer->dataProvider()->addFeature(feature);
    layer->updateExtents();
    auto *symbol = new QgsMarkerSymbol();
    symbol->setColor(color);
    symbol->setSize(6);
    layer->setRenderer(new QgsSingleSymbolRenderer(symbol));
    return layer;
}

} // namespace

QgisExportWorld::QgisExportWorld()
{
    QDir(drive.path()).mkpath(QStringLiteral("Program Files"));
    project.setCrs(QgsCoordinateReferenceSystem(QStringLiteral("EPSG:4326")));
    QgsLayerTree *root = project.layerTreeRoot();
    int placed = 0;
    const auto add = [&](QgsLayerTreeGroup *group, const char *name, bool shown) {
        const QColor colors[] = {Qt::red, Qt::blue, Qt::darkGreen, Qt::magenta, Qt::darkYellow, Qt::cyan};
        QgsVectorLayer *layer =
            pointLayer(QLatin1String(name), 1 + 2 * (placed % 4), 1 + 2 * (placed / 4), colors[placed % 6]);
        ++placed;
        project.addMapLayer(layer, false);
        group->addLayer(layer)->setItemVisibilityChecked(shown);
    };
    add(root, "roads", true);
    add(root, "lakes", true);
    QgsLayerTreeGroup *base = root->addGroup(QStringLiteral("Base"));
    add(base, "streets", true);
    add(base, "aerial", false);
    base->setIsMutuallyExclusive(true, 0);
    QgsLayerTreeGroup *detail = root->addGroup(QStringLiteral("Detail"));
    add(detail, "rivers", false);
    add(detail, "rivers", false);
    QgsLayerTreeGroup *off = root->addGroup(QStringLiteral("Switched off"));
    add(off, "wells", true);
    off->setItemVisibilityChecked(false);

    // "Fixed": roads and aerial.
    QgsMapThemeCollection::MapThemeRecord fixed;
    for (QgsMapLayer *layer : project.mapLayers())
        if (layer->name() == QLatin1String("roads") || layer->name() == QLatin1String("aerial"))
            fixed.addLayerRecord(QgsMapThemeCollection::MapThemeLayerRecord(layer));
    project.mapThemeCollection()->insert(QStringLiteral("Fixed"), fixed);

    layout = new QgsPrintLayout(&project);
    layout->initializeDefaults();
    layout->setName(QStringLiteral("Page"));
    project.layoutManager()->addLayout(layout);
    map = new QgsLayoutItemMap(layout);
    map->attemptSetSceneRect(QRectF(10, 10, 120, 90));
    map->setExtent(QgsRectangle(0, 0, 8, 6));
    layout->addLayoutItem(map);
    themeMap = new QgsLayoutItemMap(layout);
    themeMap->attemptSetSceneRect(QRectF(150, 10, 120, 90));
    themeMap->setExtent(QgsRectangle(0, 0, 8, 6));
    themeMap->setFollowVisibilityPreset(true);
    themeMap->setFollowVisibilityPresetName(QStringLiteral("Fixed"));
    layout->addLayoutItem(themeMap);
    // Low resolution keeps the files small and the test quick.
    layout->renderContext().setDpi(40);
    layout->setCustomProperty(QStringLiteral("imageCropToContents"), false);

    QgisHost::Options options;
    options.parts = {&project, nullptr, nullptr};
    options.driveSettings = QStringList{QStringLiteral("C=") + drive.path()};
    host = std::make_unique<QgisHost>(options);
    sets = std::make_unique<QgisSetSource>(host->services(), &project);
    project.setDirty(false);
}

QgisExportWorld::~QgisExportWorld()
{
    sets.reset();
    host.reset();
}

void QgisExportWorld::saveSet(const QString &name, const std::vector<std::pair<const char *, bool>> &layers)
{
    FileChannel &channel = sets->state().channel1;
    QDir(drive.path()).mkpath(QStringLiteral("Program Files/QuarnelGIS/QuarnelVisibility"));
    channel.openForAppend(sets->state().setFilePath);
    for (const auto &[layer, visible] : layers)
        VisibilitySetFile::writeRecord(channel, name, QStringLiteral("Layers"), QLatin1String(layer), visible);
    channel.close();
}

std::vector<std::pair<QString, bool>> QgisExportWorld::checks() const
{
    std::vector<std::pair<QString, bool>> all;
    std::function<void(QgsLayerTreeNode *)> walk = [&](QgsLayerTreeNode *node) {
        for (QgsLayerTreeNode *child : node->children()) {
            all.emplace_back(child->name(), child->itemVisibilityChecked());
            walk(child);
        }
    };
    walk(project.layerTreeRoot());
    return all;
}

QImage QgisExportWorld::exportedByQgis() const
{
    QTemporaryFile file(QDir::temp().filePath(QStringLiteral("qgis-export-XXXXXX.png")));
    file.open();
    file.close();
    QgsLayoutExporter(layout).exportToImage(file.fileName(), QgsLayoutExporter::ImageExportSettings());
    return QImage(file.fileName());
}
