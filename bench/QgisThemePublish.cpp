// The visibility sets published as QGIS map themes, in one headless QGIS
// process: a project of point layers in groups of 100, `shown` layers
// on, and a set file of `sets` sets, each recording 20 layers spread over the
// project. Times the first publish (every theme new), a publish with nothing
// changed, one after a single set was saved again, and a tick of a layer on
// the canvas and of a group until every theme is in step again, with the
// longest stretch the interface thread was busy at once meanwhile (the
// longest gap between the ticks of a 1 ms timer). Checks every theme against
// the layers it should show after each step. Prints a Markdown table; exits
// with 1 when a theme is wrong.
//
//   quarnel_qgis_theme_bench [--smoke] [--layers N] [--sets N] [--shown N]

#include "Heartbeat.h"
#include "QgisApplication.h"
#include "QgisHost.h"
#include "QgisSetThemes.h"
#include "QuarnelGIS_Public.h"
#include "SetStore.h"
#include "VisibilitySetFile.h"
#include "WindowsPath.h"

#include <qgsapplication.h>
#include <qgslayertree.h>
#include <qgsmapthemecollection.h>
#include <qgsproject.h>
#include <qgsvectorlayer.h>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QHash>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <vector>

#include <unistd.h>

using namespace quarnelqgis;

namespace {

double msOf(const std::function<void()> &step)
{
    QElapsedTimer timer;
    timer.start();
    step();
    return timer.nsecsElapsed() / 1e6;
}

/// The layers set `name` records, by layer number, with their flags.
using Recorded = std::map<int, bool>;

/// Appends set `name` recording 20 layers from `first` on, `step` apart;
/// returns what it recorded.
Recorded save(QuarnelGIS_Public &state, const QString &name, int first, int step, int layers)
{
    Recorded recorded;
    SetStore store(state);
    store.openForAppend();
    for (int k = 0; k < 20; ++k) {
        const int layer = (first + k * step) % layers;
        VisibilitySetFile::writeRecord(state.channel1, name, QStringLiteral("Layers"),
                                       QStringLiteral("Layer %1").arg(layer), k % 2 == 0);
        recorded[layer] = k % 2 == 0;
    }
    store.close();
    return recorded;
}

/// Whether every set is a theme showing its recorded layers as recorded and
/// every other layer as checked on the canvas, none of a group unticked;
/// names the first theme that is not.
bool themesInStep(QgsProject &project, const std::vector<QgsMapLayer *> &layers, const std::vector<Recorded> &sets)
{
    QHash<const QgsMapLayer *, int> numberOf;
    for (std::size_t i = 0; i < layers.size(); ++i)
        numberOf.insert(layers[i], int(i));
    QHash<const QgsMapLayer *, QgsLayerTreeLayer *> nodeOf;
    for (QgsLayerTreeLayer *node : project.layerTreeRoot()->findLayers())
        nodeOf.insert(node->layer(), node);
    std::vector<char> checked(layers.size()), inShownGroup(layers.size());
    for (std::size_t i = 0; i < layers.size(); ++i) {
        QgsLayerTreeLayer *node = nodeOf.value(layers[i]);
        checked[i] = node->itemVisibilityChecked();
        inShownGroup[i] = node->parent()->itemVisibilityChecked();
    }
    QgsMapThemeCollection *themes = project.mapThemeCollection();
    std::vector<char> expected;
    for (std::size_t s = 0; s < sets.size(); ++s) {
        const QString name = QStringLiteral("Set %1").arg(s);
        expected = checked;
        for (const auto &[layer, visible] : sets[s])
            expected[std::size_t(layer)] = visible;
        for (std::size_t i = 0; i < expected.size(); ++i)
            expected[i] = expected[i] && inShownGroup[i];
        std::size_t count = std::count(expected.begin(), expected.end(), 1);
        bool ok = themes->hasMapTheme(name);
        for (const QgsMapThemeCollection::MapThemeLayerRecord &record : themes->mapThemeState(name).layerRecords()) {
            const int at = numberOf.value(record.layer(), -1);
            if (!ok || !record.isVisible || at < 0 || !expected[std::size_t(at)] || count == 0) {
                ok = false;
                break;
            }
            --count;
        }
        if (!ok || count != 0) {
            std::fprintf(stderr, "theme \"%s\" is not as its set and the canvas show\n", qPrintable(name));
            return false;
        }
    }
    return true;
}

/// Runs `change` and the event loop until the themes were brought in step;
/// returns the time that took, and in `busy` the longest stretch the
/// interface thread was busy at once meanwhile.
double untilInStep(QgisSetThemes &themes, const std::function<void()> &change, double &busy)
{
    QEventLoop loop;
    themes.setOnChange([&] { loop.quit(); });
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &loop, &QEventLoop::quit);
    Heartbeat heartbeat;
    QElapsedTimer timer;
    timer.start();
    change();
    guard.start(120000);
    loop.exec();
    const double ms = timer.nsecsElapsed() / 1e6;
    busy = heartbeat.longestMs();
    themes.setOnChange({});
    return ms;
}

} // namespace

int main(int argc, char **argv)
{
    int layers = 10000, sets = 1000, shown = 100;
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "--smoke")
            layers = 100, sets = 10;
        else if (i + 1 < argc && arg == "--layers")
            layers = QByteArray(argv[++i]).toInt();
        else if (i + 1 < argc && arg == "--sets")
            sets = QByteArray(argv[++i]).toInt();
        else if (i + 1 < argc && arg == "--shown")
            shown = QByteArray(argv[++i]).toInt();
    }
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QStandardPaths::setTestModeEnabled(true);
    QgsApplication app(argc, argv, true);
    QgsApplication::initQgis();
    QTemporaryDir drive;

    // Never destroyed: QGIS takes minutes to remove ten thousand layers one
    // by one; the process ends with _exit.
    auto *project = new QgsProject;
    QgsLayerTree *root = project->layerTreeRoot();
    const int every = std::max(1, shown > 0 ? layers / shown : layers);
    std::vector<QgsMapLayer *> all;
    for (int g = 0; g * 100 < layers; ++g) {
        QgsLayerTreeGroup *group = root->addGroup(QStringLiteral("Group %1").arg(g));
        QList<QgsMapLayer *> added;
        for (int i = g * 100; i < std::min(layers, (g + 1) * 100); ++i)
            added << new QgsVectorLayer(QStringLiteral("Point?crs=EPSG:4326"), QStringLiteral("Layer %1").arg(i),
                                        QStringLiteral("memory"));
        project->addMapLayers(added, false);
        for (int i = 0; i < added.size(); ++i)
            group->addLayer(added[i])->setItemVisibilityChecked(shown > 0 && (g * 100 + i) % every == 0);
        all.insert(all.end(), added.begin(), added.end());
    }
    QgisHost::Options options;
    options.parts = {project, nullptr, nullptr};
    options.driveSettings = QStringList{QStringLiteral("C=") + drive.path()};
    auto *host = new QgisHost(options);
    QuarnelGIS_Public state(host->services());
    state.setFilePath = QStringLiteral("C:\\config");
    std::vector<Recorded> recorded;
    for (int s = 0; s < sets; ++s)
        recorded.push_back(save(state, QStringLiteral("Set %1").arg(s), s * 7, layers / 20, layers));
    QgisSetThemes &themes = host->setThemes();
    const QString path = WindowsPath::toNative(*host->services(), state.setFilePath);
    themes.setSetFile([path] { return path; });

    std::printf("| Step | Layers | Sets | Layers shown per theme | ms | Longest busy stretch (ms) | Themes as "
                "expected |\n|---|---|---|---|---|---|---|\n");
    bool allInStep = true;
    const auto row = [&](const char *what, double ms, double busy) {
        const bool inStep = themesInStep(*project, all, recorded);
        allInStep = allInStep && inStep;
        const QString first = project->mapThemeCollection()->mapThemes().value(0);
        std::printf("| %s | %d | %d | %lld | %.0f | %s | %s |\n", what, layers, sets,
                    static_cast<long long>(project->mapThemeCollection()->mapThemeVisibleLayers(first).size()), ms,
                    busy < 0 ? "" : qPrintable(QString::number(busy, 'f', 1)), inStep ? "yes" : "NO");
        std::fflush(stdout);
    };
    row("first publish (every theme new)", msOf([&] { themes.setKeepsSets(true); }), -1);
    row("again, nothing changed", msOf([&] { themes.publishNow(); }), -1);
    // Saved again by appending: its earlier records stay, the later flag wins.
    for (const auto &[layer, visible] : save(state, QStringLiteral("Set 0"), 3, layers / 20, layers))
        recorded[0][layer] = visible;
    row("after one set saved again", msOf([&] { themes.publishNow(); }), -1);
    // A layer that is off, and the group of the first layer on.
    double busy = 0;
    QgsLayerTreeLayer *off = root->findLayer(all[std::size_t(std::min(1, layers - 1))]);
    double ms = untilInStep(
        themes, [&] { off->setItemVisibilityChecked(!off->itemVisibilityChecked()); }, busy);
    row("a layer ticked in the Layers panel, until every theme is in step", ms, busy);
    QgsLayerTreeGroup *group = QgsLayerTree::toGroup(root->children().value(0));
    ms = untilInStep(
        themes, [&] { group->setItemVisibilityChecked(false); }, busy);
    row("a group unticked, until every theme is in step", ms, busy);
    std::fflush(stdout);
    _exit(allInStep ? 0 : 1);
}
