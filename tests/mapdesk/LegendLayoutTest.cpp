#include "ModelTestSupport.h"

#include "DocumentReader.h"
#include "Envelope.h"
#include "Legend.h"
#include "MapSurroundFrameElement.h"
#include "PageLayout.h"

#include <QFontMetricsF>
#include <QGuiApplication>

#include <gtest/gtest.h>

#include <cmath>

using namespace mapdesk;

namespace {

/// Every item of `layout` lies inside `frame`, and its name, drawn as the
/// layout view draws it (scaled from a large unhinted size), fits its place.
void expectEveryItemShows(const LegendLayout &layout, const QStringList &names, const QRectF &frame)
{
    QFont font = QGuiApplication::font();
    font.setPixelSize(200);
    font.setHintingPreference(QFont::PreferNoHinting);
    const QFontMetricsF metrics(font);
    for (int i = 0; i < names.size(); ++i) {
        const QRectF item = layout.itemRect(i, frame);
        EXPECT_TRUE(frame.contains(item)) << names[i].toStdString() << " lies outside the frame";
        EXPECT_LE(metrics.horizontalAdvance(names[i]) * layout.textMm / 200, item.width() - layout.textOffsetMm())
            << names[i].toStdString() << " is cut";
        for (int j = 0; j < i; ++j) {
            const QRectF common = item.intersected(layout.itemRect(j, frame));
            EXPECT_LT(common.width() * common.height(), 1e-6) << i << " overlaps " << j;
        }
    }
}

QStringList townNames(int count)
{
    const QStringList names{"Points of interest", "Roads",        "Railway", "Buildings",  "Parks",
                            "Footpaths",          "Cycle routes", "Rivers",  "Land cover", "Hillshade"};
    QStringList result;
    for (int i = 0; i < count; ++i)
        result << names[i % names.size()] + (i < names.size() ? QString() : QStringLiteral(" %1").arg(i));
    return result;
}

} // namespace

// The usual size while everything fits; smaller text, not below the
// minimum, before a second column; more columns past the minimum; and every
// item inside the frame in each case, the sample's small legends too.
TEST(LegendLayoutTest, ShrinksThenAddsColumnsUntilEveryItemShows)
{
    enum class Expect { Normal, Shrunk, Columns };
    const struct
    {
        const char *what;
        int items;
        QSizeF frame;
        Expect expect;
    } cases[] = {
        {"roomy", 4, {80, 50}, Expect::Normal},
        {"no items", 0, {38, 12}, Expect::Normal},
        {"sample's narrow legend", 4, {38, 30}, Expect::Shrunk},
        {"sample's key", 8, {38, 28}, Expect::Shrunk},
        {"sample's low legend", 8, {80, 20}, Expect::Columns},
        {"many items", 30, {120, 50}, Expect::Columns},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        const QStringList names = townNames(c.items);
        const LegendLayout layout = LegendLayout::fit(names, c.frame, QGuiApplication::font());
        EXPECT_TRUE(layout.allShown);
        EXPECT_GE(layout.textMm, LegendLayout::MinimumTextMm);
        EXPECT_LE(layout.textMm, LegendLayout::NormalTextMm);
        switch (c.expect) {
        case Expect::Normal:
            EXPECT_EQ(layout.textMm, LegendLayout::NormalTextMm);
            EXPECT_EQ(layout.columns, 1);
            break;
        case Expect::Shrunk:
            EXPECT_LT(layout.textMm, LegendLayout::NormalTextMm);
            EXPECT_EQ(layout.columns, 1);
            break;
        case Expect::Columns:
            EXPECT_GT(layout.columns, 1);
            // One column less would not do even at the minimum size.
            LegendLayout fewer = layout;
            fewer.columns = layout.columns - 1;
            fewer.textMm = LegendLayout::MinimumTextMm;
            fewer.rows = (c.items + fewer.columns - 1) / fewer.columns;
            EXPECT_GT(2 * LegendLayout::PaddingMm + fewer.lineMm() * (1 + fewer.rows), c.frame.height());
            break;
        }
        EXPECT_GE(layout.rows * layout.columns, c.items);
        expectEveryItemShows(layout, names, QRectF(QPointF(207, 88), c.frame));
    }

    // A frame too small for anything keeps the minimum and says so.
    const LegendLayout cramped = LegendLayout::fit(townNames(10), {20, 10}, QGuiApplication::font());
    EXPECT_FALSE(cramped.allShown);
    EXPECT_EQ(cramped.textMm, LegendLayout::MinimumTextMm);
}

// Fitting through the host interface lays the legend out in those bounds,
// and a refresh lays the new items out in the same frame.
TEST(LegendLayoutTest, FittingTheLegendLaysItOutAndRefreshesFollow)
{
    const auto document = DocumentReader::read(modeltest::sample(QStringLiteral("city.mapdesk.json")));
    std::shared_ptr<Legend> legend;
    for (const auto &element : document->pageLayoutModel()->elements())
        if (const auto frame = std::dynamic_pointer_cast<MapSurroundFrameElement>(element); frame && !legend)
            legend = std::dynamic_pointer_cast<Legend>(frame->surroundModel());
    ASSERT_NE(legend, nullptr);
    const QSizeF low(80, 20);
    bool changed = false;
    legend->fitToBounds(nullptr, std::make_shared<Envelope>(QRectF(QPointF(0, 0), low)), changed);
    EXPECT_TRUE(changed);
    EXPECT_EQ(legend->layout(), legend->layoutFor(low, QFont()));
    EXPECT_TRUE(legend->layout().allShown);
    const int before = legend->layout().rows * legend->layout().columns;

    for (const auto &layer : legend->map()->layers())
        layer->setVisible(false);
    legend->refresh();
    EXPECT_TRUE(legend->items().empty());
    EXPECT_EQ(legend->layout().rows, 0);
    EXPECT_NE(before, 0);
}
