// How mapdesk's data view draws large documents, offscreen, in one process:
//
// - every layer switched on at once in a map of N copies of the bundled
//   sample data's layers (all off before, so each is drawn for the first
//   time): the time until the view's image shows them all;
// - a switch of every layer off and on again, whose images are then kept;
// - the longest time the interface thread was busy at once during each
//   (the longest gap between the ticks of a 1 ms timer);
// - a pan of a layer of 10^6 small features: the time a mouse move takes
//   to show the moved image, and the time from the release until the view
//   has drawn the layer again.
//
// Prints a Markdown table.
//
//   mapdesk_draw_bench [--smoke] [--layers=1000,10000] [--features=1000000]
//
// --layers= or --features= with nothing after it leaves that part out.

#include "Document.h"
#include "FeatureLayer.h"
#include "Heartbeat.h"
#include "Map.h"
#include "MapRenderer.h"
#include "MapView.h"
#include "RasterLayer.h"
#include "SampleLayers.h"
#include "Symbol.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMouseEvent>
#include <QRandomGenerator>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

#include <sys/resource.h>

using namespace mapdesk;

namespace {

/// Runs the event loop (without spinning) until the view has drawn
/// everything, and with `ahead` until the hidden layers are drawn too.
void waitUntilDrawn(MapView &view, bool ahead = false)
{
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (!view.isDrawing() && !(ahead && view.renderer()->isBusy()))
            loop.quit();
    });
    poll.start(1);
    loop.exec();
}

/// The processor time of the whole process so far (every thread), in ms.
double processorMs()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3
           + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

/// The processor time the last timeUntilDrawn() took, in ms.
double lastProcessorMs = 0;

/// Runs `change` from the event loop and returns the milliseconds until the
/// view has drawn everything; `busy` gets the longest busy stretch.
double timeUntilDrawn(MapView &view, const std::function<void()> &change, double &busy)
{
    const double processorBefore = processorMs();
    Heartbeat heartbeat;
    QElapsedTimer timer;
    double elapsed = 0;
    QEventLoop loop;
    QObject::connect(view.renderer(), &MapRenderer::finished, &loop, [&] {
        if (timer.isValid() && !view.isDrawing()) {
            elapsed = timer.nsecsElapsed() / 1e6;
            // A few more ticks, so that the last stretch counts too.
            QTimer::singleShot(20, &loop, &QEventLoop::quit);
        }
    });
    QTimer::singleShot(5, &loop, [&] {
        timer.start();
        change();
        if (!view.isDrawing()) {
            elapsed = timer.nsecsElapsed() / 1e6;
            QTimer::singleShot(20, &loop, &QEventLoop::quit);
        }
    });
    loop.exec();
    busy = heartbeat.longestMs();
    lastProcessorMs = processorMs() - processorBefore;
    return elapsed;
}

void setAllVisible(Map &map, bool visible)
{
    for (const std::shared_ptr<Layer> &layer : map.layers())
        layer->setVisible(visible);
    map.refresh();
}

struct Row
{
    QString what;
    double ms;
    double busy;
    double processor;
    QString target;
    bool met;
};

} // namespace

int main(int argc, char **argv)
{
    std::vector<int> sizes{1000, 10000};
    int count = 1000000;
    for (int i = 1; i < argc; ++i) {
        const QByteArray argument(argv[i]);
        if (argument == "--smoke") {
            sizes = {100};
            count = 10000;
        } else if (argument.startsWith("--layers=")) {
            sizes.clear();
            for (const QByteArray &size : argument.mid(9).split(','))
                if (!size.isEmpty())
                    sizes.push_back(size.toInt());
        } else if (argument.startsWith("--features=")) {
            count = argument.mid(11).toInt();
        }
    }
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::vector<Row> rows;

    const std::vector<std::shared_ptr<Layer>> samples = sampleLayers();
    for (const int n : sizes) {
        const double limit = n <= 1000 ? 100 : 1000;
        for (const bool ahead : {false, true}) {
            auto document = Document::createUntitled();
            const std::shared_ptr<Map> map = document->focusMapModel();
            for (int i = 0; i < n; ++i)
                map->addLayer(
                    copyOf(*samples[static_cast<std::size_t>(i) % samples.size()], static_cast<std::size_t>(i), false));
            map->updateDrawnLayers();
            MapView view;
            view.renderer()->setDrawingAhead(ahead);
            view.resize(800, 600);
            view.setDocument(document);
            view.show();
            // At rest: the hidden layers drawn ahead, as far as the budget goes.
            QElapsedTimer rest;
            rest.start();
            waitUntilDrawn(view, true);
            const double ready = rest.nsecsElapsed() / 1e6;

            double busy = 0;
            const double first = timeUntilDrawn(
                view, [&] { setAllVisible(*map, true); }, busy);
            rows.push_back({ahead ? QStringLiteral("Every layer switched on, %1 layers, after the view rested %2 ms "
                                                   "drawing hidden layers ahead")
                                        .arg(n)
                                        .arg(ready, 0, 'f', 0)
                                  : QStringLiteral("Every layer switched on, %1 layers, none drawn before").arg(n),
                            first, busy, lastProcessorMs, QStringLiteral("≤ %1 ms, busy < 50 ms").arg(limit),
                            first <= limit && busy < 50});
            if (ahead)
                continue;
            // At rest again: the layers drawn straight into the image have their own.
            waitUntilDrawn(view, true);
            double offBusy = 0;
            const double off = timeUntilDrawn(
                view, [&] { setAllVisible(*map, false); }, offBusy);
            rows.push_back({QStringLiteral("Every layer switched off, %1 layers").arg(n), off, offBusy, lastProcessorMs,
                            QStringLiteral("busy < 50 ms"), offBusy < 50});
            double againBusy = 0;
            const double again = timeUntilDrawn(
                view, [&] { setAllVisible(*map, true); }, againBusy);
            rows.push_back({QStringLiteral("Every layer switched on again, %1 layers, from the kept images").arg(n),
                            again, againBusy, lastProcessorMs, QStringLiteral("≤ %1 ms, busy < 50 ms").arg(limit),
                            again <= limit && againBusy < 50});
        }
    }

    if (count > 0) {
        // One layer of small features scattered over 100 km: points, short
        // lines and small squares, a third each.
        QRandomGenerator random(7);
        std::vector<Feature> features(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i) {
            Feature &feature = features[static_cast<std::size_t>(i)];
            const QPointF at(random.bounded(100000.0), random.bounded(100000.0));
            if (i % 3 == 0) {
                feature.points = {at};
            } else if (i % 3 == 1) {
                feature.lines.moveTo(at);
                feature.lines.lineTo(at + QPointF(random.bounded(200.0), random.bounded(200.0)));
                feature.lines.lineTo(at + QPointF(random.bounded(200.0), random.bounded(200.0)));
            } else {
                feature.areas.addRect(QRectF(at, QSizeF(50, 50)));
            }
        }
        auto layer = std::make_shared<FeatureLayer>(QStringLiteral("Many"));
        layer->setFeatures(std::move(features));
        auto document = Document::createUntitled();
        document->focusMapModel()->addLayer(layer);
        document->focusMapModel()->updateDrawnLayers();
        MapView view;
        view.resize(800, 600);
        view.setDocument(document);
        view.show();
        // Zoomed to a tenth of the data's width, as a person pans a city.
        view.zoomToExtent(QRectF(45000, 45000, 10000, 7500));
        waitUntilDrawn(view);

        QElapsedTimer timer;
        const QPointF from(400, 300);
        QMouseEvent press(QEvent::MouseButtonPress, from, view.mapToGlobal(from), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(&view, &press);
        std::vector<double> moves;
        for (int step = 1; step <= 10; ++step) {
            const QPointF to = from + QPointF(20 * step, 10 * step);
            QMouseEvent move(QEvent::MouseMove, to, view.mapToGlobal(to), Qt::LeftButton, Qt::LeftButton,
                             Qt::NoModifier);
            timer.start();
            QApplication::sendEvent(&view, &move);
            view.repaint();
            moves.push_back(timer.nsecsElapsed() / 1e6);
        }
        std::sort(moves.begin(), moves.end());
        rows.push_back({QStringLiteral("A pan's move shown, %1 features (longest of 10 moves)").arg(count),
                        moves.back(), moves.back(), 0, QStringLiteral("at once (< 50 ms)"), moves.back() < 50});
        double busy = 0;
        const QPointF to = from + QPointF(200, 100);
        const double redraw = timeUntilDrawn(
            view,
            [&] {
                QMouseEvent release(QEvent::MouseButtonRelease, to, view.mapToGlobal(to), Qt::LeftButton, Qt::NoButton,
                                    Qt::NoModifier);
                QApplication::sendEvent(&view, &release);
            },
            busy);
        rows.push_back({QStringLiteral("The pan's redraw after the release, %1 features").arg(count), redraw, busy,
                        lastProcessorMs, QStringLiteral("≤ 1000 ms"), redraw <= 1000});
    }

    std::printf("| Action | Until drawn (ms) | Interface thread busy at most (ms) | Processor time, all threads (ms) "
                "| Target | |\n|---|---|---|---|---|---|\n");
    for (const Row &row : rows)
        std::printf("| %s | %.1f | %.1f | %.0f | %s | %s |\n", qPrintable(row.what), row.ms, row.busy, row.processor,
                    qPrintable(row.target), row.met ? "met" : "**missed**");
    return 0;
}
