// The visibility sets published as QGIS map themes, in one headless QGIS
// process: a project of point layers in groups of 100, `shown` layers
// on, and a set file of `sets` sets, each recording 20 layers spread over the
// project. Times the first publish (every theme new), a publish with nothing
// changed, and one after a single set was saved again. Prints a Markdown
// table.
//
//   quarnel_qgis_theme_bench [--smoke] [--layers N] [--sets N] [--shown N]

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
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>

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

/// Appends set `name` recording 20 layers from `first` on, `step` apart.
void save(QuarnelGIS_Public &state, const QString &name, int first, int step, int layers)
{
    SetStore store(state);
    store.openForAppend();
    for (int k = 0; k < 20; ++k)
        VisibilitySetFile::writeRecord(state.channel1, name, QStringLiteral("Layers"),
                                       QStringLiteral("Layer %1").arg((first + k * step) % layers), k % 2 == 0);
    store.close();
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
    for (int g = 0; g * 100 < layers; ++g) {
        QgsLayerTreeGroup *group = root->addGroup(QStringLiteral("Group %1").arg(g));
        QList<QgsMapLayer *> added;
        for (int i = g * 100; i < std::min(layers, (g + 1) * 100); ++i)
            added << new QgsVectorLayer(QStringLiteral("Point?crs=EPSG:4326"), QStringLiteral("Layer %1").arg(i),
                                        QStringLiteral("memory"));
        project->addMapLayers(added, false);
        for (int i = 0; i < added.size(); ++i)
            group->addLayer(added[i])->setItemVisibilityChecked(shown > 0 && (g * 100 + i) % every == 0);
    }
    QgisHost::Options options;
    options.parts = {project, nullptr, nullptr};
    options.driveSettings = QStringList{QStringLiteral("C=") + drive.path()};
    auto *host = new QgisHost(options);
    QuarnelGIS_Public state(host->services());
    state.setFilePath = QStringLiteral("C:\\config");
    for (int s = 0; s < sets; ++s)
        save(state, QStringLiteral("Set %1").arg(s), s * 7, layers / 20, layers);
    QgisSetThemes &themes = host->setThemes();
    const QString path = WindowsPath::toNative(*host->services(), state.setFilePath);
    themes.setSetFile([path] { return path; });

    std::printf("| Publish | Layers | Sets | Layers shown per theme | ms |\n|---|---|---|---|---|\n");
    const auto row = [&](const char *what, double ms) {
        const QString first = project->mapThemeCollection()->mapThemes().value(0);
        std::printf("| %s | %d | %d | %lld | %.0f |\n", what, layers, sets,
                    static_cast<long long>(project->mapThemeCollection()->mapThemeVisibleLayers(first).size()), ms);
        std::fflush(stdout);
    };
    row("first (every theme new)", msOf([&] { themes.setKeepsSets(true); }));
    row("again, nothing changed", msOf([&] { themes.publishNow(); }));
    save(state, QStringLiteral("Set 0"), 3, layers / 20, layers);
    row("after one set saved again", msOf([&] { themes.publishNow(); }));
    std::fflush(stdout);
    _exit(0);
}
