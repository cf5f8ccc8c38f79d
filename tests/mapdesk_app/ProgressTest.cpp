#include "Application.h"
#include "Document.h"
#include "DocumentReader.h"
#include "FeatureLayer.h"
#include "GroupLayer.h"
#include "MainWindow.h"
#include "Map.h"
#include "WorkProgress.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

using namespace mapdesk;

const QString kRoads = QStringLiteral(MAPDESK_SAMPLES "/data/roads.geojson");
constexpr int kLayers = 12;
constexpr int kCancelAt = 5;

/// A document of one map: layers "Layer 1" .. "Layer 10" and a group holding
/// "Layer 11" and "Layer 12", all on the sample roads.
QString writeDocument(const QTemporaryDir &dir)
{
    const auto layer = [](int n) {
        return QJsonObject{{"type", "feature"}, {"name", QStringLiteral("Layer %1").arg(n)}, {"source", kRoads}};
    };
    QJsonArray layers;
    for (int n = 1; n <= kLayers - 2; ++n)
        layers.append(layer(n));
    layers.append(
        QJsonObject{{"type", "group"}, {"name", "Group"}, {"layers", QJsonArray{layer(kLayers - 1), layer(kLayers)}}});
    const QJsonObject root{{"version", 1}, {"maps", QJsonArray{QJsonObject{{"name", "Map"}, {"layers", layers}}}}};
    const QString path = dir.filePath(QStringLiteral("many.mapdesk.json"));
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
};

/// Watches the window between items and clicks Cancel once `cancelAt` items are done (never when negative).
QTimer *watch(MainWindow &window, Seen &seen, int cancelAt)
{
    auto *timer = new QTimer(&window);
    QObject::connect(timer, &QTimer::timeout, &window, [&window, &seen, cancelAt] {
        auto *text = window.statusBar()->findChild<QLabel *>(QStringLiteral("workProgressText"));
        if (!window.work() || !text)
            return;
        seen.shown = true;
        seen.menusBlocked = !window.menuBar()->isEnabled();
        if (seen.texts.isEmpty() || seen.texts.constLast() != text->text())
            seen.texts << text->text();
        if (seen.texts.size() == cancelAt + 1)
            QTest::mouseClick(window.statusBar()->findChild<QPushButton *>(QStringLiteral("workProgressCancel")),
                              Qt::LeftButton);
    });
    timer->start(0);
    return timer;
}

// Opening a document or adding data shows its progress once it runs past the
// delay; Cancel keeps what was read and leaves the rest not loaded. Within
// the delay nothing shows and everything is read.
TEST(WorkProgress, LongReadingShowsProgressAndCancelKeepsWhatWasRead)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString document = writeDocument(dir);
    const struct
    {
        const char *what;
        bool open;
        int delayMs;
        int cancelAt;
    } cases[] = {
        {"open, cancelled", true, 0, kCancelAt},
        {"open within the delay", true, 3'600'000, kCancelAt},
        {"add data, cancelled", false, 0, kCancelAt},
        {"add data, not cancelled", false, 0, -1},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        MainWindow window(std::make_shared<Application>());
        window.setProgressDelay(c.delayMs);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        Seen seen;
        QTimer *timer = watch(window, seen, c.cancelAt);

        const bool cancelled = c.delayMs == 0 && c.cancelAt >= 0;
        const int read = cancelled ? kCancelAt : kLayers;
        std::vector<std::shared_ptr<Layer>> layers;
        if (c.open) {
            ASSERT_TRUE(window.openDocument(document));
            layers = dataLayers(window.application()->currentDocument()->mapModels().front()->layers());
            ASSERT_EQ(layers.size(), std::size_t(kLayers)) << "every layer stays in the document";
            EXPECT_EQ(window.statusBar()->currentMessage().contains(
                          QStringLiteral("cancelled: %1 layer(s) not loaded").arg(kLayers - read)),
                      cancelled)
                << qPrintable(window.statusBar()->currentMessage());
        } else {
            const int added = window.addData(QStringList(kLayers, kRoads));
            EXPECT_EQ(added, read);
            layers = window.application()->currentDocument()->mapModels().front()->layers();
            ASSERT_EQ(layers.size(), std::size_t(read));
            EXPECT_EQ(window.statusBar()->currentMessage().startsWith(
                          QStringLiteral("Adding data was cancelled; not loaded: ")),
                      cancelled)
                << qPrintable(window.statusBar()->currentMessage());
            EXPECT_EQ(window.statusBar()->currentMessage().count(QStringLiteral("roads.geojson")),
                      cancelled ? kLayers - read : 0);
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
        if (c.delayMs == 0) {
            ASSERT_FALSE(seen.texts.isEmpty());
            EXPECT_EQ(seen.texts.front(), QStringLiteral("Reading %1 (1 of %2)")
                                              .arg(c.open ? QStringLiteral("Layer 1") : QStringLiteral("roads.geojson"))
                                              .arg(kLayers));
            if (c.open && cancelled) {
                EXPECT_EQ(seen.texts.constLast(), QStringLiteral("Reading Layer 6 (6 of 12)"));
            }
        }
        EXPECT_EQ(window.work(), nullptr);
        EXPECT_EQ(window.statusBar()->findChild<QWidget *>(QStringLiteral("workProgress")), nullptr);
        EXPECT_TRUE(window.menuBar()->isEnabled()) << "input is given back";
        timer->stop();
        window.application()->currentDocument()->setModified(false);
    }
}

} // namespace
