// How long mapdesk's window is busy at once while it opens a large document,
// and how long until every layer's data is in and drawn. Writes a document
// of many layers (the sample layers in turn, in one map without a system of
// its own) into a temporary folder, opens it in a real main window
// (offscreen unless a platform is set) and prints a Markdown table.
//
//   mapdesk_open_bench [--layers=N] [--distinct] [--hidden] [--threads=N] [--gaps]
//
//   --layers=N   how many layers (5000)
//   --distinct   every layer on a file of its own (links to the samples), so
//                that no reading is shared between layers of one source
//   --hidden     the data view hidden: the window's own work without drawing
//   --threads=N  how many layers are read at once (the window's default)
//   --gaps       also lists every gap of the heartbeat over 20 ms and when it ended
//
// Busy at once: the longest gap between the ticks of a 1 ms timer from just
// before the opening to the end. Until drawn: from the opening until the
// last layer's data is installed and the data view painted after it.

#include "Application.h"
#include "Document.h"
#include "Layer.h"
#include "MainWindow.h"
#include "Map.h"
#include "MapView.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include <sys/resource.h>

namespace {

using namespace mapdesk;

/// The sample layers the document repeats: type, file, table.
struct SampleLayer
{
    const char *type;
    const char *file;
    const char *table;
};
constexpr SampleLayer kSamples[] = {
    {"feature", "roads.geojson", ""},          {"feature", "poi.geojson", ""},
    {"feature", "railway.geojson", ""},        {"feature", "footpaths.geojson", ""},
    {"feature", "cycle_routes.geojson", ""},   {"feature", "buildings.geojson", ""},
    {"feature", "parks.geojson", ""},          {"feature", "rivers.geojson", ""},
    {"feature", "town_boundary.geojson", ""},  {"feature", "villages.shp", ""},
    {"feature", "regional_roads.geojson", ""}, {"feature", "forests.geojson", ""},
    {"feature", "town.gpkg", "parks"},         {"feature", "rivers.gpkg", ""},
    {"raster", "landcover.png", ""},           {"raster", "hillshade.tif", ""},
    {"raster", "elevation.tif", ""},
};

/// The data file of layer `index`: the sample itself, or with `distinct` a
/// link of its own (with its side files), so that no two layers share a file.
QString sourceOf(const QTemporaryDir &dir, const QString &file, int index, bool distinct)
{
    const QDir samples(QStringLiteral(MAPDESK_SAMPLES "/data"));
    if (!distinct)
        return samples.filePath(file);
    const QString base = QFileInfo(file).completeBaseName();
    const QString prefix = QStringLiteral("%1_").arg(index);
    for (const QString &side : samples.entryList({base + QStringLiteral(".*")}, QDir::Files))
        QFile::link(samples.filePath(side), dir.filePath(prefix + side));
    return dir.filePath(prefix + file);
}

QString writeDocument(const QTemporaryDir &dir, int count, bool distinct)
{
    QJsonArray layers;
    for (int i = 0; i < count; ++i) {
        const SampleLayer &sample = kSamples[static_cast<std::size_t>(i) % std::size(kSamples)];
        QJsonObject layer{{"type", sample.type},
                          {"name", QStringLiteral("Layer %1").arg(i + 1)},
                          {"source", sourceOf(dir, QLatin1String(sample.file), i, distinct)}};
        if (*sample.table)
            layer.insert("layer", QLatin1String(sample.table));
        layers.append(layer);
    }
    const QJsonObject root{{"version", 1}, {"maps", QJsonArray{QJsonObject{{"name", "Many"}, {"layers", layers}}}}};
    const QString path = dir.filePath(QStringLiteral("many.mapdesk.json"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(QJsonDocument(root).toJson()) < 0)
        return {};
    return path;
}

/// Whether the window reads a document's layers after opening it (else the
/// opening returns with everything read), so that the same program measures
/// a window of either kind.
template <typename Window> constexpr bool readsAfterOpening = requires
{
    &Window::readingFinished;
};

/// Calls `ended` once the window has read what it opened; false when it
/// reads while opening (the caller then calls it once the opening returns).
template <typename Window, typename Ended> bool whenRead(Window &window, Ended ended)
{
    if constexpr (readsAfterOpening<Window>) {
        QObject::connect(&window, &Window::readingFinished, ended);
        return true;
    } else {
        return false;
    }
}

template <typename Window> void readAtOnce(Window &window, int threads)
{
    if constexpr (requires { window.setParallelReads(threads); })
        window.setParallelReads(threads);
}

/// The processor time of the whole process so far (every thread), in ms.
double processorMs()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3
           + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

int layersWithData(const Document &document)
{
    int count = 0;
    for (const auto &map : document.mapModels())
        for (const auto &layer : map->layers())
            if (layer->extent())
                ++count;
    return count;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int count = 5000;
    bool showGaps = false;
    bool hidden = false;
    bool distinct = false;
    int threads = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--layers=", 9) == 0)
            count = std::max(1, std::atoi(argv[i] + 9));
        showGaps = showGaps || std::strcmp(argv[i], "--gaps") == 0;
        hidden = hidden || std::strcmp(argv[i], "--hidden") == 0;
        distinct = distinct || std::strcmp(argv[i], "--distinct") == 0;
        if (std::strncmp(argv[i], "--threads=", 10) == 0)
            threads = std::max(1, std::atoi(argv[i] + 10));
    }
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = writeDocument(dir, count, distinct);
    if (path.isEmpty()) {
        std::fprintf(stderr, "cannot write the document\n");
        return 1;
    }

    MainWindow window(std::make_shared<Application>());
    window.resize(1000, 700);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;

    // The heartbeat: the longest gap between its ticks is the longest the window was busy at once.
    QElapsedTimer beat;
    qint64 longestGap = 0;
    QTimer heartbeat;
    heartbeat.setTimerType(Qt::PreciseTimer);
    // The longest gaps with when they ended, for --gaps.
    std::vector<std::pair<qint64, qint64>> gaps;
    QElapsedTimer clock;
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        const qint64 gap = beat.restart();
        longestGap = std::max(longestGap, gap);
        if (gap > 20)
            gaps.emplace_back(gap, clock.elapsed());
    });

    QEventLoop loop;
    bool finished = false;
    qint64 installedMs = -1;
    qint64 drawnMs = -1;
    const auto readingEnded = [&] {
        finished = true;
        installedMs = clock.elapsed();
        if (hidden)
            loop.quit();
    };
    const bool toldWhenRead = whenRead(window, readingEnded);
    QObject::connect(window.dataView(), &MapView::redrawn, [&] {
        if (finished && drawnMs < 0) {
            drawnMs = clock.elapsed();
            loop.quit();
        }
    });

    if (hidden)
        window.dataView()->hide();
    if (threads > 0)
        readAtOnce(window, threads);
    heartbeat.start(1);
    beat.start();
    clock.start();
    const double processorBefore = processorMs();
    if (!window.openDocument(path)) {
        std::fprintf(stderr, "cannot open the document\n");
        return 1;
    }
    const qint64 openedMs = clock.elapsed();
    if (!toldWhenRead)
        readingEnded();
    window.dataView()->update();
    QTimer::singleShot(120'000, &loop, &QEventLoop::quit);
    if (!(hidden && finished))
        loop.exec();
    longestGap = std::max(longestGap, beat.elapsed());
    heartbeat.stop();
    const double processor = processorMs() - processorBefore;

    const auto document = window.application()->currentDocument();
    std::printf("| mapdesk opening %d layers%s%s | measured | target |\n", count,
                distinct ? ", each on its own file" : "", hidden ? ", data view hidden" : "");
    std::printf("|---|---:|---:|\n");
    std::printf("| longest the window was busy at once | %lld ms | < 50 ms |\n", static_cast<long long>(longestGap));
    std::printf("| until the last layer's data is in | %lld ms | |\n", static_cast<long long>(installedMs));
    std::printf("| until the map is drawn with it | %lld ms | <= 2000 ms |\n", static_cast<long long>(drawnMs));
    std::printf("| layers with data | %d of %d | all |\n", layersWithData(*document), count);
    std::printf("| processor time, all threads | %.0f ms | |\n", processor);
    if (showGaps) {
        std::printf("\nopening returned after %lld ms; gaps over 20 ms (length, ended at):",
                    static_cast<long long>(openedMs));
        for (const auto &[gap, at] : gaps)
            std::printf(" %lld@%lld", static_cast<long long>(gap), static_cast<long long>(at));
        std::printf("\n");
    }
    window.application()->currentDocument()->setModified(false);
    return drawnMs < 0 ? 1 : 0;
}
