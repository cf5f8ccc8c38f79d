// A set restored through the QGIS host next to QGIS's own map theme switch,
// and "On" / "Off" next to QGIS's showing or hiding every layer of the tree,
// in one headless QGIS process on one project: point layers in groups of 100,
// with the Layers panel's model, the canvas and its bridge listening. Each
// switch is timed until the layer tree has settled (the events it caused
// handled), and again until the canvas has drawn. Prints a Markdown table.
//
//   quarnel_qgis_bench [--smoke] [--layers N]...

#include "FileChannel.h"
#include "IDocument.h"
#include "ILayer.h"
#include "IMap.h"
#include "LayerWalk.h"
#include "QgisApplication.h"
#include "QgisHost.h"
#include "QuarnelGIS_Public.h"
#include "RefreshAfterVisibilityChange.h"
#include "SetStore.h"
#include "VisibilityCapture.h"
#include "VisibilitySetFile.h"

#include <qgsapplication.h>
#include <qgslayertree.h>
#include <qgslayertreemapcanvasbridge.h>
#include <qgslayertreemodel.h>
#include <qgsmapcanvas.h>
#include <qgsmapthemecollection.h>
#include <qgsproject.h>
#include <qgsvectorlayer.h>

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

#include <unistd.h>

using namespace quarnelqgis;

namespace {

/// Milliseconds until the layer tree settled, and until the canvas drew.
struct Timing
{
    double settled;
    double drawn;
};

/// The project of `layers` point layers in groups of 100, every layer on, and
/// what listens to it as in QGIS's main window.
class World
{
public:
    World(int layers, const QString &drive)
    {
        project.setCrs(QgsCoordinateReferenceSystem(QStringLiteral("EPSG:4326")));
        QgsLayerTree *root = project.layerTreeRoot();
        // Added before anything listens to the tree, which makes adding fast.
        for (int g = 0; g * 100 < layers; ++g) {
            QgsLayerTreeGroup *group = root->addGroup(QStringLiteral("Group %1").arg(g));
            QList<QgsMapLayer *> added;
            for (int i = g * 100; i < std::min(layers, (g + 1) * 100); ++i) {
                auto *layer = new QgsVectorLayer(QStringLiteral("Point?crs=EPSG:4326"),
                                                 QStringLiteral("Layer %1").arg(i), QStringLiteral("memory"));
                QgsFeature feature;
                feature.setGeometry(QgsGeometry::fromPointXY(QgsPointXY(i % 100, i / 100)));
                layer->dataProvider()->addFeature(feature);
                layer->updateExtents();
                added << layer;
            }
            project.addMapLayers(added, false);
            for (QgsMapLayer *layer : added)
                group->addLayer(layer);
        }
        canvas.resize(800, 600);
        canvas.setDestinationCrs(project.crs());
        canvas.setExtent(QgsRectangle(0, 0, 100, 100));
        canvas.show();
        bridge = new QgsLayerTreeMapCanvasBridge(root, &canvas, &canvas);
        model = new QgsLayerTreeModel(root, &canvas);

        QgisHost::Options options;
        options.parts = {&project, &canvas, model};
        options.driveSettings = QStringList{QStringLiteral("C=") + drive};
        host = std::make_unique<QgisHost>(options);
        state = std::make_unique<QuarnelGIS_Public>(host->services());
        state->setFilePath = QStringLiteral("C:\\config");
        settle();
        waitForDrawing();
    }

    static void settle()
    {
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
    }

    /// Waits until the canvas has drawn what it was asked to (30 s at most).
    void waitForDrawing()
    {
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 30000 && (canvas.isDrawing() || waited.elapsed() < 200))
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }

    /// Times `change` until the tree settled and until the canvas drew
    /// (when no drawing starts within 200 ms, there was nothing to draw).
    Timing time(const std::function<void()> &change)
    {
        bool started = false;
        bool drawn = false;
        const auto starting = QObject::connect(&canvas, &QgsMapCanvas::renderStarting, [&] { started = true; });
        const auto refreshed = QObject::connect(&canvas, &QgsMapCanvas::mapCanvasRefreshed, [&] { drawn = true; });
        QElapsedTimer timer;
        timer.start();
        change();
        settle();
        const double settled = timer.nsecsElapsed() / 1e6;
        QElapsedTimer waited;
        waited.start();
        while (!drawn && waited.elapsed() < 30000) {
            if (!started && !canvas.isDrawing() && waited.elapsed() > 200)
                break;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        const double drawnAt = timer.nsecsElapsed() / 1e6;
        QObject::disconnect(starting);
        QObject::disconnect(refreshed);
        return {settled, drawnAt};
    }

    QgsMapCanvas canvas;
    QgsProject project;
    QgsLayerTreeMapCanvasBridge *bridge = nullptr;
    QgsLayerTreeModel *model = nullptr;
    std::unique_ptr<QgisHost> host;
    std::unique_ptr<QuarnelGIS_Public> state;
};

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct Row
{
    const char *action;
    int layers;
    Timing ours;
    Timing theirs;
    const char *reference;
    double target; ///< the ratio to stay under at the settled figure; 0 for none
};

/// A line on standard error for each step, so a slow step shows which it is.
void progress(const char *step, int layers)
{
    static QElapsedTimer clock;
    if (!clock.isValid())
        clock.start();
    std::fprintf(stderr, "[%7.1f s] %d layers: %s\n", clock.elapsed() / 1000.0, layers, step);
}

void print(const std::vector<Row> &rows)
{
    std::printf("| Action | Layers | Add-in: settled (ms) | drawn (ms) | Reference | settled (ms) | drawn (ms) | "
                "Ratio settled | Ratio drawn | Target | |\n|---|---|---|---|---|---|---|---|---|---|---|\n");
    for (const Row &r : rows) {
        const double settled = r.ours.settled / r.theirs.settled;
        const double drawn = r.ours.drawn / r.theirs.drawn;
        const bool met = r.target <= 0 || settled <= r.target;
        std::printf("| %s | %d | %.1f | %.1f | %s | %.1f | %.1f | %.3f | %.3f | %s | %s |\n", r.action, r.layers,
                    r.ours.settled, r.ours.drawn, r.reference, r.theirs.settled, r.theirs.drawn, settled, drawn,
                    r.target > 0 ? QStringLiteral("≤ %1 ×").arg(r.target).toUtf8().constData() : "",
                    r.target > 0 ? (met ? "met" : "**missed**") : "");
    }
}

} // namespace

int main(int argc, char **argv)
{
    bool smoke = false;
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i) {
        if (QByteArray(argv[i]) == "--smoke")
            smoke = true;
        else if (QByteArray(argv[i]) == "--layers" && i + 1 < argc)
            sizes.push_back(QByteArray(argv[++i]).toInt());
    }
    if (sizes.empty())
        sizes = smoke ? std::vector<int>{100} : std::vector<int>{1000, 10000};
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QStandardPaths::setTestModeEnabled(true);
    QgsApplication app(argc, argv, true);
    QgsApplication::initQgis();
    QTemporaryDir drive;

    const int repetitions = smoke ? 1 : 5;
    std::vector<Row> rows;
    for (const int layers : sizes) {
        progress("building the project", layers);
        // Never destroyed: QGIS takes minutes to remove ten thousand layers
        // one by one, and nothing is left to save; the process ends with _exit.
        World &world = *new World(layers, drive.path());
        progress("built", layers);
        QgsLayerTree *root = world.project.layerTreeRoot();

        // Two states that differ in every layer: every other layer on, and
        // the others. Each is a set in the add-in's file and a theme of QGIS.
        // Set up through the host's batched switching: one node at a time
        // with the Layers panel listening would take QGIS minutes.
        auto makeState = [&](int parity) {
            std::shared_ptr<IDocument> document = world.host->application()->document();
            int i = 0;
            LayerWalk::forEachRecordable(
                *document, [](IMap &) { return true; },
                [&](IMap &, const std::shared_ptr<ILayer> &layer) { layer->setVisible(i++ % 2 == parity); });
            document->updateContents();
            World::settle();
        };
        QgsMapThemeCollection *themes = world.project.mapThemeCollection();
        FileChannel &channel = world.state->channel1;
        channel.openForAppend(world.state->setFilePath);
        for (int parity : {0, 1}) {
            makeState(parity);
            const QString name = QStringLiteral("State %1").arg(parity);
            themes->insert(name, QgsMapThemeCollection::createThemeFromCurrentState(root, world.model));
            captureVisibility(*world.host->application()->document(),
                              [&](const QString &map, const QString &layer, bool visible) {
                                  VisibilitySetFile::writeRecord(channel, name, map, layer, visible);
                              });
        }
        channel.close();
        world.waitForDrawing();
        progress("states made", layers);

        SetStore store(*world.state);
        std::vector<double> ourSettled, ourDrawn, theirSettled, theirDrawn;
        for (int r = 0; r < repetitions; ++r)
            for (int parity : {0, 1}) {
                const QString name = QStringLiteral("State %1").arg(parity);
                const Timing ours = world.time([&] {
                    world.state->document = world.host->application()->document();
                    store.openForInput();
                    store.restoreSet(name, *world.state->document);
                    store.close();
                    RefreshAfterVisibilityChange(*world.state);
                });
                ourSettled.push_back(ours.settled);
                ourDrawn.push_back(ours.drawn);
                // QGIS's own switch to the other state, from the one restored.
                const QString other = QStringLiteral("State %1").arg(1 - parity);
                const Timing theirs = world.time([&] { themes->applyTheme(other, root, world.model); });
                theirSettled.push_back(theirs.settled);
                theirDrawn.push_back(theirs.drawn);
                progress("restore and applyTheme timed", layers);
            }
        rows.push_back({"Restore a set (every layer switched)",
                        layers,
                        {median(ourSettled), median(ourDrawn)},
                        {median(theirSettled), median(theirDrawn)},
                        "applyTheme of a theme of the same visibility",
                        layers == 10000 ? 0.1 : 1.0});

        for (const bool on : {false, true}) {
            std::vector<double> os, od, ts, td;
            for (int r = 0; r < repetitions; ++r) {
                makeState(r % 2);
                world.waitForDrawing();
                const Timing ours = world.time([&] {
                    std::shared_ptr<IDocument> document = world.host->application()->document();
                    world.state->document = document;
                    LayerWalk::setAllVisible(*document, on);
                    RefreshAfterVisibilityChange(*world.state);
                });
                makeState(r % 2);
                world.waitForDrawing();
                const Timing theirs = world.time([&] { root->setItemVisibilityCheckedRecursive(on); });
                os.push_back(ours.settled);
                od.push_back(ours.drawn);
                ts.push_back(theirs.settled);
                td.push_back(theirs.drawn);
                progress(on ? "On and Show All timed" : "Off and Hide All timed", layers);
            }
            rows.push_back({on ? "\"On\"" : "\"Off\"",
                            layers,
                            {median(os), median(od)},
                            {median(ts), median(td)},
                            on ? "Show All Layers" : "Hide All Layers",
                            0});
        }
    }
    print(rows);
    std::fflush(stdout);
    _exit(0);
}
