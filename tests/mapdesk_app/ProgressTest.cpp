#include "Application.h"
#include "DataFile.h"
#include "Document.h"
#include "DocumentReader.h"
#include "FeatureLayer.h"
#include "GroupLayer.h"
#include "MainWindow.h"
#include "Map.h"
#include "MapView.h"
#include "ReadingWait.h"
#include "WorkProgress.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QSet>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using namespace mapdesk;

const QString kRoads = QStringLiteral(MAPDESK_SAMPLES "/data/roads.geojson");
constexpr int kLayers = 12;
// So many that reading them cannot end before the window next handles its events.
constexpr int kManyLayers = 300;

/// A document of one map: layers "Layer 1" .. "Layer n-2" and a group holding
/// the last two, each on a link of its own to the sample roads (so that no
/// two share a reading).
QString writeDocument(const QTemporaryDir &dir, int count)
{
    const auto layer = [&dir, count](int n) {
        const QString source = dir.filePath(QStringLiteral("roads%1_%2.geojson").arg(count).arg(n));
        QFile::link(kRoads, source);
        return QJsonObject{{"type", "feature"}, {"name", QStringLiteral("Layer %1").arg(n)}, {"source", source}};
    };
    QJsonArray layers;
    for (int n = 1; n <= count - 2; ++n)
        layers.append(layer(n));
    layers.append(
        QJsonObject{{"type", "group"}, {"name", "Group"}, {"layers", QJsonArray{layer(count - 1), layer(count)}}});
    const QJsonObject root{{"version", 1}, {"maps", QJsonArray{QJsonObject{{"name", "Map"}, {"layers", layers}}}}};
    const QString path = dir.filePath(QStringLiteral("many%1.mapdesk.json").arg(count));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QJsonDocument(root).toJson());
    return path;
}

/// Every data layer of the map, groups' members in their place.
std::vector<std::shared_ptr<Layer>> dataLayers(const std::vector<std::shared_ptr<Layer>> &layers)
{
    std::vector<std::shared_ptr<Layer>> result;
    for (const auto &layer : layers) {
        if (const auto group = std::dynamic_pointer_cast<GroupLayer>(layer)) {
            const auto members = dataLayers(group->members());
            result.insert(result.end(), members.begin(), members.end());
        } else {
            result.push_back(layer);
        }
    }
    return result;
}

/// What was seen of the progress while the work ran.
struct Seen
{
    bool shown = false;
    bool menusBlocked = false;
    QStringList texts;
    /// The data view's sizes while the progress showed.
    QSet<QSize> viewSizes;
};

/// Watches the window while it reads and, when `cancel`, clicks Cancel once the progress has moved on.
QTimer *watch(MainWindow &window, Seen &seen, bool cancel)
{
    auto *timer = new QTimer(&window);
    QObject::connect(timer, &QTimer::timeout, &window, [&window, &seen, cancel] {
        auto *text = window.statusBar()->findChild<QLabel *>(QStringLiteral("workProgressText"));
        if (!window.work() || !text)
            return;
        seen.shown = true;
        seen.menusBlocked = !window.menuBar()->isEnabled();
        seen.viewSizes.insert(window.dataView()->size());
        if (seen.texts.isEmpty() || seen.texts.constLast() != text->text())
            seen.texts << text->text();
        if (cancel && seen.texts.size() == 2)
            QTest::mouseClick(window.statusBar()->findChild<QPushButton *>(QStringLiteral("workProgressCancel")),
                              Qt::LeftButton);
    });
    timer->start(0);
    return timer;
}

// Opening a document or adding data shows its progress once it runs past the
// delay, while the window goes on handling its events; Cancel keeps what was
// read (the first ones, in order) and leaves the rest not loaded. Within the
// delay nothing shows and everything is read.
TEST(WorkProgress, LongReadingShowsProgressAndCancelKeepsWhatWasRead)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const struct
    {
        const char *what;
        bool open;
        int count;
        int delayMs;
        bool cancel;
    } cases[] = {
        {"open, cancelled", true, kManyLayers, 0, true},
        {"open within the delay", true, kLayers, 3'600'000, false},
        {"add data, cancelled", false, kLayers, 0, true},
        {"add data, not cancelled", false, kLayers, 0, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        MainWindow window(std::make_shared<Application>());
        window.setProgressDelay(c.delayMs);
        // Slow files, so that adding them is still under way when Cancel is clicked.
        window.setDataReader([](const QString &path, const QString &table, QString *error) {
            QThread::msleep(20);
            return DataFile::open(path, table, error);
        });
        // One at a time, so that reading is still under way when Cancel is clicked.
        window.setParallelReads(1);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        Seen seen;
        QTimer *timer = watch(window, seen, c.cancel);

        const QString first = c.open ? QStringLiteral("Layer 1") : QStringLiteral("roads.geojson");
        if (c.open)
            ASSERT_TRUE(window.openDocument(writeDocument(dir, c.count)));
        else
            ASSERT_TRUE(window.addData(QStringList(c.count, kRoads)));
        auto *text = window.statusBar()->findChild<QLabel *>(QStringLiteral("workProgressText"));
        if (c.delayMs == 0) {
            ASSERT_NE(text, nullptr) << "shown at once";
            EXPECT_EQ(text->text(), QStringLiteral("Reading %1 (1 of %2)").arg(first).arg(c.count));
        } else {
            EXPECT_EQ(text, nullptr);
        }
        ASSERT_TRUE(waitForReading(&window));

        std::vector<std::shared_ptr<Layer>> layers =
            dataLayers(window.application()->currentDocument()->mapModels().front()->layers());
        const int read =
            c.open ? static_cast<int>(std::count_if(layers.begin(), layers.end(),
                                                    [](const auto &layer) { return layer->errorText().isEmpty(); }))
                   : static_cast<int>(layers.size());
        if (c.cancel) {
            EXPECT_LT(read, c.count) << "cancelled while reading";
            EXPECT_GT(read, 0) << "what was read stays";
        } else
            EXPECT_EQ(read, c.count);
        const QString message = window.statusBar()->currentMessage();
        if (c.open) {
            ASSERT_EQ(layers.size(), std::size_t(c.count)) << "every layer stays in the document";
            EXPECT_EQ(message.contains(QStringLiteral("cancelled: %1 layer(s) not loaded").arg(c.count - read)),
                      c.cancel)
                << qPrintable(message);
        } else {
            EXPECT_EQ(message.startsWith(QStringLiteral("Adding data was cancelled; not loaded: ")), c.cancel)
                << qPrintable(message);
            EXPECT_EQ(message.count(QStringLiteral("roads.geojson")), c.count - read) << "each file not read";
        }
        for (std::size_t i = 0; i < layers.size(); ++i) {
            const auto feature = std::dynamic_pointer_cast<FeatureLayer>(layers[i]);
            ASSERT_NE(feature, nullptr);
            const bool wasRead = i < std::size_t(read);
            EXPECT_EQ(feature->errorText(), wasRead ? QString() : DocumentReader::notLoadedText()) << i;
            EXPECT_EQ(feature->features().empty(), !wasRead) << i;
        }

        EXPECT_EQ(seen.shown, c.delayMs == 0);
        EXPECT_EQ(seen.menusBlocked, c.delayMs == 0) << "the window takes no other input meanwhile";
        if (seen.shown) {
            // Once the window has laid itself out without the progress.
            for (int round = 0; round < 3; ++round)
                QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
            EXPECT_EQ(seen.viewSizes, QSet<QSize>{window.dataView()->size()}) << "the map keeps its size";
        }
        EXPECT_EQ(window.work(), nullptr);
        EXPECT_EQ(window.statusBar()->findChild<QWidget *>(QStringLiteral("workProgress")), nullptr);
        EXPECT_TRUE(window.menuBar()->isEnabled()) << "input is given back";
        timer->stop();
        window.application()->currentDocument()->setModified(false);
    }
}

// A document given up while its layers are read (another one opened, New,
// the window closed) gets nothing more: no layer's data goes into it.
TEST(WorkProgress, ADocumentGivenUpWhileReadGetsNothingMore)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString many = writeDocument(dir, kManyLayers);
    const QString few = writeDocument(dir, kLayers);
    enum class GiveUp { Open, New, Close };
    for (const GiveUp giveUp : {GiveUp::Open, GiveUp::New, GiveUp::Close}) {
        SCOPED_TRACE(static_cast<int>(giveUp));
        MainWindow window(std::make_shared<Application>());
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        ASSERT_TRUE(window.openDocument(many));
        const std::shared_ptr<Document> givenUp = window.application()->currentDocument();
        switch (giveUp) {
        case GiveUp::Open:
            ASSERT_TRUE(window.openDocument(few));
            break;
        case GiveUp::New:
            window.newDocument();
            break;
        case GiveUp::Close:
            EXPECT_TRUE(window.close()) << "closes at once";
            break;
        }
        ASSERT_TRUE(waitForReading(&window));
        QTest::qWait(100);
        const auto layers = dataLayers(givenUp->mapModels().front()->layers());
        EXPECT_TRUE(std::none_of(layers.begin(), layers.end(), [](const auto &layer) { return layer->extent(); }));
        if (giveUp == GiveUp::Open) {
            const auto read = dataLayers(window.application()->currentDocument()->mapModels().front()->layers());
            EXPECT_EQ(read.size(), std::size_t(kLayers));
            EXPECT_TRUE(std::all_of(read.begin(), read.end(), [](const auto &layer) { return layer->extent(); }))
                << "the other one is read whole";
        }
    }
}

} // namespace
