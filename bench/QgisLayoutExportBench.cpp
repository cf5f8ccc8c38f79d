// Export Layout for Each Set next to QGIS exporting the same layout once for
// each of as many map themes of the same visibility, its map following the
// theme: one print layout with one map over a project of point layers, one
// PNG per set, each side timed until its last file is written. Prints a
// Markdown table.
//
//   quarnel_qgis_export_bench [--smoke] [--layers N] [--sets N]

#include "FileChannel.h"
#include "IDocument.h"
#include "ILayer.h"
#include "IMap.h"
#include "LayerWalk.h"
#include "QgisApplication.h"
#include "QgisHost.h"
#include "QgisLayoutExport.h"
#include "QgisSetSource.h"
#include "VisibilityCapture.h"
#include "VisibilitySetFile.h"

#include <qgsapplication.h>
#include <qgslayertree.h>
#include <qgslayertreemodel.h>
#include <qgslayoutexporter.h>
#include <qgslayoutitemmap.h>
#include <qgslayoutmanager.h>
#include <qgsmapthemecollection.h>
#include <qgsprintlayout.h>
#include <qgsproject.h>
#include <qgsvectorlayer.h>

#include <QDir>
#include <QElapsedTimer>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace quarnelqgis;

namespace {

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    bool smoke = false;
    int layers = 100;
    int sets = 20;
    for (int i = 1; i < argc; ++i) {
        const QByteArray argument(argv[i]);
        if (argument == "--smoke")
            smoke = true;
        else if (argument == "--layers" && i + 1 < argc)
            layers = QByteArray(argv[++i]).toInt();
        else if (argument == "--sets" && i + 1 < argc)
            sets = QByteArray(argv[++i]).toInt();
    }
    if (smoke)
        sets = 2;
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QStandardPaths::setTestModeEnabled(true);
    QgsApplication app(argc, argv, true);
    QgsApplication::initQgis();
    QTemporaryDir drive;
    QDir(drive.path()).mkpath(QStringLiteral("Program Files/QuarnelGIS/QuarnelVisibility"));

    QgsProject project;
    project.setCrs(QgsCoordinateReferenceSystem(QStringLiteral("EPSG:4326")));
    QgsLayerTree *root = project.layerTreeRoot();
    QgsLayerTreeGroup *group = root->addGroup(QStringLiteral("Points"));
    QList<QgsMapLayer *> added;
    for (int i = 0; i < layers; ++i) {
        auto *layer = new QgsVectorLayer(QStringLiteral("Point?crs=EPSG:4326"), QStringLiteral("Layer %1").arg(i),
                                         QStringLiteral("memory"));
        QgsFeature feature;
        feature.setGeometry(QgsGeometry::fromPointXY(QgsPointXY(i % 10, i / 10)));
        layer->dataProvider()->addFeature(feature);
        layer->updateExtents();
        added << layer;
    }
    project.addMapLayers(added, false);
    for (QgsMapLayer *layer : added)
        group->addLayer(layer);
    QgsLayerTreeModel model(root);

    auto *layout = new QgsPrintLayout(&project);
    layout->initializeDefaults();
    layout->setName(QStringLiteral("Page"));
    layout->renderContext().setDpi(150);
    project.layoutManager()->addLayout(layout);
    auto *map = new QgsLayoutItemMap(layout);
    map->attemptSetSceneRect(QRectF(10, 10, 270, 190));
    map->setExtent(QgsRectangle(-1, -1, 10, 10));
    layout->addLayoutItem(map);

    QgisHost::Options options;
    options.parts = {&project, nullptr, &model};
    options.driveSettings = QStringList{QStringLiteral("C=") + drive.path()};
    QgisHost host(options);
    QgisSetSource source(host.services(), &project);

    // Each state shows a different third of the layers; it is saved as a set
    // and as a theme, then the tree goes back to every layer shown.
    QStringList names;
    FileChannel &channel = source.state().channel1;
    channel.openForAppend(source.state().setFilePath);
    for (int s = 0; s < sets; ++s) {
        const QString name = QStringLiteral("State %1").arg(s);
        names << name;
        std::shared_ptr<IDocument> document = host.application()->document();
        int i = 0;
        LayerWalk::forEachRecordable(
            *document, [](IMap &) { return true; },
            [&](IMap &, const std::shared_ptr<ILayer> &layer) { layer->setVisible((i++ + s) % 3 != 0); });
        document->updateContents();
        host.session()->finishBatch();
        project.mapThemeCollection()->insert(name, QgsMapThemeCollection::createThemeFromCurrentState(root, &model));
        captureVisibility(*document, [&](const QString &mapName, const QString &layerName, bool visible) {
            VisibilitySetFile::writeRecord(channel, name, mapName, layerName, visible);
        });
    }
    channel.close();
    root->setItemVisibilityCheckedRecursive(true);

    // One export first, so that neither side pays for QGIS's first drawing.
    {
        QTemporaryDir warm;
        QgsLayoutExporter(layout).exportToImage(QDir(warm.path()).filePath(QStringLiteral("warm.png")),
                                                QgsLayoutExporter::ImageExportSettings());
    }
    const int repetitions = smoke ? 1 : 3;
    std::vector<double> ours, theirs;
    for (int r = 0; r < repetitions; ++r) {
        QTemporaryDir outOurs, outTheirs;
        QElapsedTimer timer;
        timer.start();
        QgisLayoutExport exporter(source);
        QgisLayoutExport::Request request;
        request.layout = QStringLiteral("Page");
        request.sets = names;
        request.format = QgisLayoutExport::Format::Png;
        request.folder = outOurs.path();
        const QgisLayoutExport::Outcome outcome = exporter.run(request);
        ours.push_back(timer.nsecsElapsed() / 1e6);
        if (outcome.written.size() != sets) {
            std::fprintf(stderr, "%s\n", outcome.summary().toLocal8Bit().constData());
            return 1;
        }

        timer.restart();
        map->setFollowVisibilityPreset(true);
        for (const QString &name : names) {
            map->setFollowVisibilityPresetName(name);
            if (QgsLayoutExporter(layout).exportToImage(QDir(outTheirs.path()).filePath(name + QStringLiteral(".png")),
                                                        QgsLayoutExporter::ImageExportSettings())
                != QgsLayoutExporter::Success)
                return 1;
        }
        theirs.push_back(timer.nsecsElapsed() / 1e6);
        map->setFollowVisibilityPreset(false);
        std::fprintf(stderr, "repetition %d: %.0f ms against %.0f ms\n", r + 1, ours.back(), theirs.back());
    }

    std::printf("| Action | Layers | Sets | Add-in (ms) | Reference | (ms) | Ratio |\n|---|---|---|---|---|---|---|\n");
    std::printf("| Export Layout for Each Set (PNG, to the last file) | %d | %d | %.0f | QGIS's export of the layout "
                "following each of as many themes | %.0f | %.3f |\n",
                layers, sets, median(ours), median(theirs), median(ours) / median(theirs));
    QgsApplication::exitQgis();
    return 0;
}
