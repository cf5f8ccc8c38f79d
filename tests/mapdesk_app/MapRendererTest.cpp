#include "MapRenderer.h"

#include "FeatureLayer.h"
#include "MapPainter.h"
#include "RasterLayer.h"

#include <QMutex>
#include <QPainter>
#include <QSemaphore>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <numeric>
#include <vector>

using namespace mapdesk;

namespace {

/// The largest difference of any channel of any pixel of two images of one size.
int mostDifference(const QImage &one, const QImage &other)
{
    const QImage a = one.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage b = other.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    int most = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            for (const int shift : {0, 8, 16, 24})
                most =
                    std::max(most, std::abs(int(a.pixel(x, y) >> shift & 0xff) - int(b.pixel(x, y) >> shift & 0xff)));
    return most;
}

/// Four layers of one square each, side by side, drawn by a renderer that
/// records which layer it draws with which transform.
class Renderer : public ::testing::Test
{
protected:
    void SetUp() override
    {
        layers.clear();
        draws.clear();
        for (int i = 0; i < 4; ++i) {
            auto layer = std::make_shared<FeatureLayer>(QStringLiteral("Layer %1").arg(i));
            Feature square;
            square.areas.addRect(QRectF(10 + 30 * i, 10, 20, 20));
            layer->setFeatures({square});
            layer->setSymbol({QColor(Qt::red), 2, 6});
            layers.push_back(layer);
        }
        renderer = std::make_unique<MapRenderer>(
            nullptr, [this](QPainter &painter, const LayerDrawing &drawing, const QTransform &transform) {
                gate.acquire();
                gate.release();
                {
                    const QMutexLocker lock(&mutex);
                    draws.push_back({drawing.features.get(), transform});
                }
                painter.fillRect(transform.mapRect(*drawing.extent()), Qt::black);
            });
    }

    std::vector<MapRenderer::Entry> entries(const std::vector<int> &which) const
    {
        std::vector<MapRenderer::Entry> result;
        for (int i : which)
            result.push_back({layers[i].get(), LayerDrawing::of(*layers[i])});
        return result;
    }

    /// Adds small layers up to `count` in all; returns every layer's index.
    std::vector<int> addSmallLayers(int count)
    {
        for (int i = static_cast<int>(layers.size()); i < count; ++i) {
            auto layer = std::make_shared<FeatureLayer>(QStringLiteral("Layer %1").arg(i));
            Feature square;
            square.areas.addRect(QRectF(i, 5, 1, 1));
            layer->setFeatures({square});
            layers.push_back(layer);
        }
        std::vector<int> all(layers.size());
        std::iota(all.begin(), all.end(), 0);
        return all;
    }

    /// Adds layers of one square each up to `count` in all, on a grid of
    /// eight to a row that goes on from the first four's.
    void addSquareLayers(int count)
    {
        for (int i = static_cast<int>(layers.size()); i < count; ++i) {
            auto layer = std::make_shared<FeatureLayer>(QStringLiteral("Layer %1").arg(i));
            Feature square;
            square.areas.addRect(QRectF(10 + 30 * (i % 8), 10 + 30 * (i / 8), 20, 20));
            layer->setFeatures({square});
            layer->setSymbol({QColor(Qt::red), 2, 6});
            layers.push_back(layer);
        }
    }

    /// Every layer's index but those of `which`.
    std::vector<int> others(const std::vector<int> &which) const
    {
        std::vector<int> rest;
        for (int i = 0; i < static_cast<int>(layers.size()); ++i)
            if (std::find(which.begin(), which.end(), i) == which.end())
                rest.push_back(i);
        return rest;
    }

    /// Renders `which` into `frame`, the other layers hidden as a view asks,
    /// and waits until the image shows it all.
    void renderAndWait(const std::vector<int> &which, const MapRenderer::Frame &frame)
    {
        renderer->render(entries(which), frame, entries(others(which)));
        ASSERT_TRUE(QTest::qWaitFor([this] { return !renderer->isDrawing(); }, 10000));
    }

    /// The layers drawn since the last call, by index.
    std::vector<int> drawnSince()
    {
        const QMutexLocker lock(&mutex);
        std::vector<int> drawn;
        for (const auto &[data, transform] : draws)
            for (int i = 0; i < static_cast<int>(layers.size()); ++i)
                if (layers[i]->data().get() == data)
                    drawn.push_back(i);
        draws.clear();
        std::sort(drawn.begin(), drawn.end());
        return drawn;
    }

    /// Whether the composed image is dark over layer `i`'s square (one of
    /// the first four or of addSquareLayers()).
    bool shows(int i) const
    {
        const QPointF centre = renderer->imageFrame().transform.map(QPointF(20 + 30 * (i % 8), 20 + 30 * (i / 8)));
        return qAlpha(renderer->image().pixel(centre.toPoint())) > 0;
    }

    std::vector<std::shared_ptr<FeatureLayer>> layers;
    QSemaphore gate{1};
    QMutex mutex;
    std::vector<std::pair<const FeatureData *, QTransform>> draws;
    std::unique_ptr<MapRenderer> renderer;
    const MapRenderer::Frame start{QTransform::fromScale(2, 2), QSize(260, 100)};
};

// What a change draws again: a switch or a new order only composes the kept
// images, a layer hidden keeping its image; a new extent or size draws every
// shown layer; a new symbol or new data draws that layer alone; a layer
// never shown is drawn when it is.
TEST_F(Renderer, KeptImagesAreComposedAndOnlyWhatChangedIsDrawn)
{
    using Frame = MapRenderer::Frame;
    const auto through = [](const QTransform &change) {
        return [change](const Frame &f) { return Frame{f.transform * change, f.size}; };
    };
    const struct
    {
        const char *change;
        std::vector<int> before;
        std::vector<int> after;
        std::function<Frame(const Frame &)> frame;
        std::function<void(FeatureLayer &)> edit; // applied to layer 1
        std::vector<int> drawn;
    } rows[] = {
        {"one layer switched off", {0, 1, 2}, {0, 2}, {}, {}, {}},
        {"switched on again", {0, 2}, {0, 1, 2}, {}, {}, {}},
        {"the order turned", {0, 1, 2}, {2, 1, 0}, {}, {}, {}},
        {"a layer never shown shown", {0, 1, 2}, {0, 1, 2, 3}, {}, {}, {3}},
        {"a pan", {0, 1, 2}, {0, 1, 2}, through(QTransform::fromTranslate(5, 0)), {}, {0, 1, 2}},
        {"a zoom", {0, 1, 2}, {0, 1, 2}, through(QTransform::fromScale(1.1, 1.1)), {}, {0, 1, 2}},
        {"a resize",
         {0, 1, 2},
         {0, 1, 2},
         [](const Frame &f) {
             return Frame{f.transform, QSize(300, 100)};
         },
         {},
         {0, 1, 2}},
        {"a new symbol",
         {0, 1, 2},
         {0, 1, 2},
         {},
         [](FeatureLayer &l) {
             l.setSymbol({QColor(Qt::blue), 3, 6});
         },
         {1}},
        {"new data", {0, 1, 2}, {0, 1, 2}, {}, [](FeatureLayer &l) { l.setFeatures(l.features()); }, {1}},
    };
    for (const auto &row : rows) {
        SetUp();
        // Hidden layers keep their images here, but none is drawn ahead.
        renderer->setDrawingAhead(false);
        renderAndWait({0, 1, 2}, start);
        renderAndWait(row.before, start);
        drawnSince();
        if (row.edit)
            row.edit(*layers[1]);
        const Frame frame = row.frame ? row.frame(start) : start;
        renderAndWait(row.after, frame);
        EXPECT_EQ(drawnSince(), row.drawn) << row.change;
        EXPECT_EQ(renderer->imageFrame(), frame) << row.change;
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(shows(i), std::find(row.after.begin(), row.after.end(), i) != row.after.end())
                << row.change << ", layer " << i;
    }
}

// Hidden layers are drawn ahead once the shown ones are, so that showing
// them only composes; without drawing ahead they are drawn when shown.
TEST_F(Renderer, HiddenLayersAreDrawnAheadUnlessTurnedOff)
{
    for (const bool ahead : {true, false}) {
        SetUp();
        renderer->setDrawingAhead(ahead);
        renderer->render(entries({0, 1}), start, entries({2, 3}));
        ASSERT_TRUE(QTest::qWaitFor([this] { return !renderer->isBusy(); }, 10000));
        EXPECT_EQ(drawnSince(), (ahead ? std::vector<int>{0, 1, 2, 3} : std::vector<int>{0, 1}));
        renderAndWait({0, 1, 2, 3}, start);
        EXPECT_EQ(drawnSince(), (ahead ? std::vector<int>{} : std::vector<int>{2, 3}));
        EXPECT_TRUE(shows(2) && shows(3));
    }
}

// Many layers without images are drawn straight into the composed image,
// then each into its own, so that a switch afterwards only composes.
TEST_F(Renderer, ManyNewLayersAreDrawnIntoTheImageThenEachIntoItsOwn)
{
    std::vector<int> all = addSmallLayers(40);
    renderAndWait(all, start);
    EXPECT_TRUE(shows(0) && shows(3));
    ASSERT_TRUE(QTest::qWaitFor([this] { return !renderer->isBusy(); }, 10000));
    const std::vector<int> drawn = drawnSince();
    for (int i : all)
        EXPECT_GE(std::count(drawn.begin(), drawn.end(), i), 2) << "layer " << i << ": in the image and its own";
    all.erase(all.begin() + 1);
    renderAndWait(all, start);
    EXPECT_EQ(drawnSince(), std::vector<int>{});
    EXPECT_FALSE(shows(1));
}

// While requests keep coming (a document's layers being read), the layers
// drawn straight into the image get no images of their own yet: each
// request would start them anew.
TEST_F(Renderer, OwnImagesWaitUntilRequestsRest)
{
    renderer->setRestBeforeOwnImages(std::chrono::minutes(1));
    const std::vector<int> all = addSmallLayers(40);
    for (int request = 0; request < 3; ++request) {
        renderAndWait(all, start);
        // Spaced as the refreshes of a reading are.
        QTest::qWait(50);
    }
    EXPECT_EQ(renderer->keptBytes(), 0);
    EXPECT_TRUE(renderer->isBusy());
}

// While a document's layers arrive, top first, a request draws only the
// layers under those the image already shows; one above them draws all.
TEST_F(Renderer, LayersArrivingUnderTheImageAreAllThatIsDrawn)
{
    for (const int first : {20, 0}) {
        SetUp();
        const std::vector<int> all = addSmallLayers(40); // drawn straight into the image
        renderer->setRestBeforeOwnImages(std::chrono::minutes(1));
        std::vector<int> arriving{first};
        for (int i = first + 1; first > 0 && i < 40; ++i)
            arriving.push_back(i);
        std::map<int, std::vector<Feature>> data;
        for (int i : arriving) {
            data[i] = layers[i]->features();
            layers[i]->setFeatures({});
        }
        renderAndWait(all, start);
        drawnSince();
        for (int i : arriving)
            layers[i]->setFeatures(data[i]);
        renderAndWait(all, start);
        std::vector<int> drawn = drawnSince();
        drawn.erase(std::unique(drawn.begin(), drawn.end()), drawn.end()); // a band each
        EXPECT_EQ(drawn, first > 0 ? arriving : all) << "layers from " << first;
    }
}

// Drawing that a new extent makes useless is cancelled: layers not yet begun
// for the old extent are never drawn, and the image ends on the new one.
TEST_F(Renderer, ANewExtentCancelsDrawingForTheOldOne)
{
    std::vector<int> all = addSmallLayers(15);
    gate.acquire(); // every drawing waits until the gate opens
    renderer->render(entries(all), start);
    const MapRenderer::Frame moved{start.transform * QTransform::fromScale(1.2, 1.2), start.size};
    renderer->render(entries(all), moved);
    gate.release();
    ASSERT_TRUE(QTest::qWaitFor([this] { return !renderer->isDrawing(); }, 10000));
    int old = 0, current = 0;
    for (const auto &[data, transform] : draws)
        (transform.m11() == start.transform.m11() ? old : current) += 1;
    EXPECT_LE(old, QThread::idealThreadCount()) << "only drawings already begun ran for the old extent";
    EXPECT_EQ(current, static_cast<int>(layers.size()));
    EXPECT_EQ(renderer->imageFrame(), moved);
}

// The kept images stay within the budget, the shown layers' before the
// hidden ones', and every shown layer is in the image all the same: those
// whose images do not fit are drawn straight into it.
TEST_F(Renderer, KeptImagesStayWithinTheBudgetAndEveryShownLayerIsDrawn)
{
    const struct
    {
        const char *what;
        int shown;
    } rows[] = {
        {"a few shown, each drawn apart", 10},
        {"many shown, drawn straight in first", 30},
    };
    const MapRenderer::Frame page{QTransform::fromScale(2, 2), QSize(500, 320)};
    for (const auto &row : rows) {
        SetUp();
        addSquareLayers(40);
        // Room for the images of a few of the layers only.
        const qsizetype budget = 35000;
        renderer->setImageBudget(budget);
        qsizetype most = 0;
        QObject::connect(renderer.get(), &MapRenderer::imageChanged,
                         [&] { most = std::max(most, renderer->keptBytes()); });
        std::vector<int> shown(static_cast<std::size_t>(row.shown));
        std::iota(shown.begin(), shown.end(), 0);
        for (const std::vector<int> &which : {shown, others({})}) {
            renderer->render(entries(which), page, entries(others(which)));
            ASSERT_TRUE(QTest::qWaitFor([this] { return !renderer->isBusy(); }, 10000)) << row.what;
            EXPECT_LE(std::max(most, renderer->keptBytes()), budget) << row.what;
            EXPECT_GT(renderer->keptBytes(), 0) << row.what;
            for (int i = 0; i < static_cast<int>(layers.size()); ++i)
                EXPECT_EQ(shows(i), std::find(which.begin(), which.end(), i) != which.end())
                    << row.what << ", " << which.size() << " shown, layer " << i;
        }
    }
}

// A composition that a newer request makes useless stops at its next layer
// and is never shown. The composition that replaces it is let finish, so
// that requests coming faster than composing still show images.
TEST_F(Renderer, ANewRequestStopsTheCompositionUnderWayButNotItsReplacement)
{
    const std::vector<int> all = addSmallLayers(40); // enough to be drawn straight into the image
    std::vector<MapRenderer::Frame> frames, shown;
    for (const double by : {1.0, 1.2, 1.4})
        frames.push_back({start.transform * QTransform::fromScale(by, by), start.size});
    // Each request's drawings wait at a gate of their own.
    QSemaphore gates[3];
    std::atomic<int> began[3]{};
    MapRenderer composing(nullptr, [&](QPainter &, const LayerDrawing &, const QTransform &transform) {
        const int i = transform.m11() < 2.2 ? 0 : transform.m11() < 2.6 ? 1 : 2; // scales 2, 2.4 and 2.8
        ++began[i];
        gates[i].acquire();
        gates[i].release();
    });
    QObject::connect(&composing, &MapRenderer::imageChanged, [&] { shown.push_back(composing.imageFrame()); });
    for (int i = 0; i < 3; ++i) {
        composing.render(entries(all), frames[i]);
        if (i > 0)
            gates[i - 1].release();
        ASSERT_TRUE(QTest::qWaitFor([&] { return began[i] > 0; }, 10000)) << "request " << i;
    }
    gates[2].release();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !composing.isDrawing(); }, 10000));
    EXPECT_LE(began[0], QThread::idealThreadCount()) << "only the layers already begun for the first request";
    EXPECT_GE(began[1], static_cast<int>(all.size())) << "the replacement drew every layer";
    EXPECT_EQ(shown, (std::vector<MapRenderer::Frame>{frames[1], frames[2]}));
}

// A layer gone from the map (named neither shown nor hidden) gives up its
// image at once; a hidden one keeps it.
TEST_F(Renderer, ARemovedLayersImageIsFreedAtOnce)
{
    const struct
    {
        const char *what;
        std::vector<int> hidden;
        int keptOfFour;
    } rows[] = {
        {"switched off", {3}, 4},
        {"removed", {}, 3},
    };
    for (const auto &row : rows) {
        SetUp();
        renderAndWait({0, 1, 2, 3}, start);
        const qsizetype four = renderer->keptBytes();
        renderer->render(entries({0, 1, 2}), start, entries(row.hidden));
        EXPECT_EQ(renderer->keptBytes(), four / 4 * row.keptOfFour) << row.what;
        ASSERT_TRUE(QTest::qWaitFor([this] { return !renderer->isBusy(); }, 10000)) << row.what;
        EXPECT_FALSE(shows(3)) << row.what;
    }
}

// Layers under an opaque image are left out of the composition where it
// hides them: the picture is the one every layer drawn in turn makes, with
// few layers (each from its own image) and with many (drawn straight in),
// whether the image is opaque, has a transparent pixel, or the layers under
// it reach past its edge. Layers wholly under an opaque image are not drawn
// at all (nor, while a document's layers arrive, each in turn).
TEST(RendererPicture, LooksAsEveryLayerDrawnInTurn)
{
    const struct
    {
        const char *what;
        int squares;
        bool holed;
        int layersDrawn; ///< drawings started; -1: not counted (drawn straight in)
        bool arriving;   ///< the lower half read after the image showed the rest
    } rows[] = {
        {"few layers", 4, false, 2, false},
        {"many layers", 30, false, -1, false},
        {"many layers, a transparent pixel", 30, true, -1, false},
        {"many layers, a transparent pixel, the lower half arriving", 30, true, -1, true},
    };
    for (const auto &row : rows) {
        // On top, an opaque image over 0 .. 60; under it squares inside it
        // and on its edge, and another image.
        QImage cells(12, 12, QImage::Format_ARGB32);
        for (int y = 0; y < 12; ++y)
            for (int x = 0; x < 12; ++x)
                cells.setPixel(x, y, qRgb(20 * x, 20 * y, 90));
        if (row.holed)
            cells.setPixel(2, 9, qRgba(0, 0, 0, 0));
        auto top = std::make_shared<RasterLayer>(QStringLiteral("Top"));
        top->setImage(cells, QRectF(0, 0, 60, 60));
        std::vector<std::shared_ptr<Layer>> layers{top};
        for (int i = 0; i < row.squares; ++i) {
            auto layer = std::make_shared<FeatureLayer>(QStringLiteral("Square %1").arg(i));
            Feature square;
            square.areas.addRect(QRectF(8 + 2 * i, 8 + i % 7, 4, 4));
            layer->setFeatures({square});
            layer->setSymbol({Symbol::paletteColour(static_cast<std::size_t>(i)), 2, 6});
            layers.push_back(layer);
        }
        auto under = std::make_shared<RasterLayer>(QStringLiteral("Under"));
        QImage grey(3, 3, QImage::Format_RGB32);
        grey.fill(Qt::gray);
        under->setImage(grey, QRectF(-20, -20, 120, 120));
        layers.push_back(under);

        const MapRenderer::Frame frame{MapPainter::fit(QRectF(-20, -20, 120, 120), QRectF(0, 0, 130, 110)),
                                       QSize(130, 110)};
        MapRenderer renderer;
        std::vector<MapRenderer::Entry> entries;
        const std::size_t half = layers.size() / 2;
        if (row.arriving) {
            std::vector<std::vector<Feature>> later;
            for (std::size_t i = half; i + 1 < layers.size(); ++i) {
                later.push_back(static_cast<FeatureLayer &>(*layers[i]).features());
                static_cast<FeatureLayer &>(*layers[i]).setFeatures({});
            }
            under->setNotLoaded({});
            MapRenderer::addEntries(layers, entries);
            renderer.render(entries, frame);
            ASSERT_TRUE(QTest::qWaitFor([&renderer] { return !renderer.isDrawing(); }, 10000)) << row.what;
            for (std::size_t i = half; i + 1 < layers.size(); ++i)
                static_cast<FeatureLayer &>(*layers[i]).setFeatures(later[i - half]);
            under->setImage(grey, QRectF(-20, -20, 120, 120));
            entries.clear();
        }
        MapRenderer::addEntries(layers, entries);
        renderer.render(entries, frame);
        ASSERT_TRUE(QTest::qWaitFor([&renderer] { return !renderer.isDrawing(); }, 10000)) << row.what;

        QImage expected(frame.size, QImage::Format_ARGB32_Premultiplied);
        expected.fill(Qt::transparent);
        {
            QPainter painter(&expected);
            MapPainter::draw(painter, layers, frame.transform);
        }
        // Laying a composed image over others rounds each channel once more.
        EXPECT_LE(mostDifference(renderer.image(), expected), row.arriving ? 1 : 0) << row.what;
        if (row.layersDrawn >= 0) {
            EXPECT_EQ(renderer.layersDrawn(), row.layersDrawn) << row.what;
        }
    }
}

} // namespace
