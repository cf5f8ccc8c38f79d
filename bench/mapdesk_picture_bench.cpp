// How fast mapdesk draws the pictures the add-in shows beside the set names,
// offscreen, in one process:
//
// - a data view of 800 × 600 over a map of N copies of the bundled sample
//   data's layers, every layer drawn (shown ones and, drawn ahead, hidden
//   ones);
// - for each of 20 sets (each switching a different half of the layers), the
//   add-in's request: the set's layers found in the document through the
//   restore's index, the picture asked for, timed until it is handed over;
//   then the same set again, which the host has kept;
// - the longest time the interface thread was busy at once while the
//   pictures were made one after another (the longest gap between the ticks
//   of a 1 ms timer), and the interface thread's share of one request;
// - for comparison, the same pictures of a view that has drawn nothing yet
//   (every layer drawn for the picture).
//
// Prints a Markdown table.
//
//   mapdesk_picture_bench [--smoke] [--layers=1000]

#include "Document.h"
#include "FeatureLayer.h"
#include "Heartbeat.h"
#include "Map.h"
#include "MapPictures.h"
#include "MapRenderer.h"
#include "MapView.h"
#include "RasterLayer.h"
#include "SampleLayers.h"
#include "SetPictureFlags.h"
#include "Symbol.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QRandomGenerator>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

using namespace mapdesk;

namespace {

/// Runs the event loop until the view and its renderer rest.
void waitUntilDrawn(MapView &view)
{
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (!view.isDrawing() && !view.renderer()->isBusy())
            loop.quit();
    });
    poll.start(1);
    loop.exec();
}

/// Set `k` of `n` layers: every layer recorded, a half of them chosen at
/// random (a different half for each set) switched off; the rasters, which
/// no set records, stay as they are.
std::vector<SetLayers::Layer> setNumber(int k, int n, const QString &mapName)
{
    QRandomGenerator random(quint32(k) + 1);
    std::vector<SetLayers::Layer> layers;
    for (int i = 0; i < n; ++i)
        layers.push_back({mapName, QStringLiteral("Layer %1").arg(i), random.bounded(2) == 0});
    return layers;
}

struct Measured
{
    std::vector<double> ready;     ///< per set, until handed over (ms)
    std::vector<double> asking;    ///< per set, the interface thread's part of the request (ms)
    std::vector<double> keptReady; ///< per set, asked again
    double busy = 0;
    int made = 0;
};

/// The add-in's request for the picture of each set, one after another, from
/// the event loop.
Measured measure(Document &document, MapPictures &pictures, int sets, int n)
{
    Measured measured;
    const QString mapName = document.focusMapModel()->name();
    const int before = pictures.picturesMade();
    Heartbeat heartbeat;
    for (const bool again : {false, true}) {
        for (int k = 0; k < sets; ++k) {
            const std::vector<SetLayers::Layer> set = setNumber(k, n, mapName);
            std::optional<double> handed;
            QEventLoop loop;
            QElapsedTimer timer;
            QTimer::singleShot(2, &loop, [&] {
                timer.start();
                pictures.drawFocusMap(document, pictureFlags(document, set), 320, &loop, [&](const QImage &) {
                    handed = timer.nsecsElapsed() / 1e6;
                    QTimer::singleShot(0, &loop, &QEventLoop::quit);
                });
                if (!again)
                    measured.asking.push_back(timer.nsecsElapsed() / 1e6);
            });
            loop.exec();
            (again ? measured.keptReady : measured.ready).push_back(handed.value_or(-1));
        }
    }
    measured.busy = heartbeat.longestMs();
    measured.made = pictures.picturesMade() - before;
    return measured;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double largest(const std::vector<double> &values)
{
    return *std::max_element(values.begin(), values.end());
}

struct Row
{
    QString what;
    double median;
    double most;
    QString target;
    std::optional<bool> met;
};

} // namespace

int main(int argc, char **argv)
{
    std::vector<int> sizes{1000};
    int sets = 20;
    for (int i = 1; i < argc; ++i) {
        const QByteArray argument(argv[i]);
        if (argument == "--smoke") {
            sizes = {100};
            sets = 3;
        } else if (argument.startsWith("--layers=")) {
            sizes.clear();
            for (const QByteArray &size : argument.mid(9).split(','))
                if (!size.isEmpty())
                    sizes.push_back(size.toInt());
        }
    }
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::vector<Row> rows;

    const std::vector<std::shared_ptr<Layer>> samples = sampleLayers();
    for (const int n : sizes) {
        for (const bool drawn : {true, false}) {
            auto document = Document::createUntitled();
            const std::shared_ptr<Map> map = document->focusMapModel();
            for (int i = 0; i < n; ++i)
                map->addLayer(
                    copyOf(*samples[static_cast<std::size_t>(i) % samples.size()], static_cast<std::size_t>(i), true));
            map->updateDrawnLayers();
            MapView view;
            view.resize(800, 600);
            view.setDocument(document);
            view.show();
            waitUntilDrawn(view);
            MapPictures pictures(&view);
            if (!drawn) {
                // Nothing kept: the view is resized (another frame) just
                // before the pictures are asked for.
                view.renderer()->setDrawingAhead(false);
                view.resize(801, 600);
            }
            const Measured m = measure(*document, pictures, sets, n);
            const QString of = QStringLiteral("%1 layers, %2 sets").arg(n).arg(sets);
            if (drawn) {
                rows.push_back({QStringLiteral("A set's picture ready, every layer drawn, ") + of, median(m.ready),
                                largest(m.ready), QStringLiteral("≤ 30 ms"), largest(m.ready) <= 30});
                rows.push_back({QStringLiteral("  the interface thread's part of the request (set's layers found, "
                                               "kept images taken)"),
                                median(m.asking), largest(m.asking), QString(), std::nullopt});
                rows.push_back({QStringLiteral("  the same set asked for again (kept: %1 pictures made for %2 "
                                               "requests)")
                                    .arg(m.made)
                                    .arg(2 * sets),
                                median(m.keptReady), largest(m.keptReady), QStringLiteral("made once each"),
                                m.made == sets});
                rows.push_back({QStringLiteral("  the interface thread busy at once while they were made"), m.busy,
                                m.busy, QStringLiteral("< 16 ms"), m.busy < 16});
            } else {
                rows.push_back({QStringLiteral("A set's picture ready, nothing drawn before (every layer drawn for "
                                               "it), ")
                                    + of,
                                median(m.ready), largest(m.ready), QString(), std::nullopt});
                rows.push_back({QStringLiteral("  the interface thread busy at once while they were made"), m.busy,
                                m.busy, QStringLiteral("< 16 ms"), m.busy < 16});
            }
        }
    }

    std::printf("| Action | Median (ms) | Longest (ms) | Target | |\n|---|---|---|---|---|\n");
    for (const Row &row : rows)
        std::printf("| %s | %.2f | %.2f | %s | %s |\n", qPrintable(row.what), row.median, row.most,
                    qPrintable(row.target),
                    !row.met   ? ""
                    : *row.met ? "met"
                               : "**missed**");
    return 0;
}
