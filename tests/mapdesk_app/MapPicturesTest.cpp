// The pictures mapdesk draws of a set before it is restored: against the data
// view after a real restore of the set, and kept while nothing they show
// changes.

#include "MapPictures.h"

#include "Document.h"
#include "DocumentReader.h"
#include "DrawnView.h"
#include "FeatureLayer.h"
#include "Map.h"
#include "MapView.h"
#include "SetPictureFlags.h"
#include "VisibilityApply.h"
#include "VisibilitySetFile.h"

#include <QTest>

#include <gtest/gtest.h>

#include <optional>
#include <vector>

using namespace mapdesk;

namespace {

using Layers = std::vector<SetLayers::Layer>;

/// The city sample shown in a data view of its own, drawn completely.
struct ShownCity
{
    ShownCity() : document(DocumentReader::read(QStringLiteral(MAPDESK_SAMPLES "/city.mapdesk.json")))
    {
        view.resize(700, 500);
        view.setDocument(document);
        view.show();
        drawnImage(&view);
    }
    /// The picture of `layers` (a set's), as the add-in asks for it.
    QImage picture(const Layers &layers, bool *atOnce = nullptr)
    {
        std::optional<QImage> handed;
        QObject receiver;
        pictures.drawFocusMap(*document, pictureFlags(*document, layers), 320, &receiver,
                              [&handed](const QImage &image) { handed = image; });
        if (atOnce)
            *atOnce = handed.has_value();
        EXPECT_TRUE(QTest::qWaitFor([&handed] { return handed.has_value(); }, 10000)) << "no picture came";
        return handed.value_or(QImage());
    }
    FeatureLayer &layer(const QString &name) const
    {
        for (Layer *layer : document->focusMapModel()->dataLayers())
            if (layer->name() == name)
                return dynamic_cast<FeatureLayer &>(*layer);
        throw std::runtime_error("no such layer");
    }

    std::shared_ptr<Document> document;
    MapView view;
    MapPictures pictures{&view};
};

/// The largest difference of any colour channel of any pixel once both
/// images are reduced to a fifth of their width, which evens out how the
/// picture's scaling rounds (a line the set switches still shows there).
int difference(const QImage &a, const QImage &b)
{
    if (a.size() != b.size())
        return 256;
    const QSize reduced = a.size() / 5;
    const QImage x =
        a.convertToFormat(QImage::Format_RGB32).scaled(reduced, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const QImage y =
        b.convertToFormat(QImage::Format_RGB32).scaled(reduced, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    int most = 0;
    for (int row = 0; row < x.height(); ++row)
        for (int column = 0; column < x.width(); ++column) {
            const QRgb p = x.pixel(column, row), q = y.pixel(column, row);
            most = std::max(
                {most, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)), std::abs(qBlue(p) - qBlue(q))});
        }
    return most;
}

struct SetRow
{
    const char *what;
    Layers layers;
};

void PrintTo(const SetRow &row, std::ostream *out)
{
    *out << row.what;
}

class SetPicture : public ::testing::TestWithParam<SetRow>
{
};

TEST_P(SetPicture, IsTheViewAfterARealRestoreOfTheSetScaled)
{
    ShownCity city;
    const QImage before = drawnImage(&city.view);
    const QImage picture = city.picture(GetParam().layers);

    VisibilityApply restore(*city.document);
    for (const SetLayers::Layer &layer : GetParam().layers)
        restore.apply(VisibilityRecord{QStringLiteral("Set"), layer.mapName, layer.layerName,
                                       layer.visible ? QStringLiteral("True") : QStringLiteral("False")});
    city.document->focusMapModel()->refresh();
    const QImage after = drawnImage(&city.view);

    const QSize size = MapRenderer::pictureSize(after.size(), 320);
    ASSERT_EQ(picture.size(), size);
    EXPECT_EQ(size.width(), 320);
    const auto scaled = [&size](const QImage &image) {
        return image.convertToFormat(QImage::Format_RGB32)
            .scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    };
    // The same pixels but for how the kept images were scaled one by one,
    // and clearly not the view before the restore.
    constexpr int kRounding = 12;
    EXPECT_LE(difference(picture, scaled(after)), kRounding);
    EXPECT_GT(difference(picture, scaled(before)), kRounding);
}

const QString town = QStringLiteral("Town");

INSTANTIATE_TEST_SUITE_P(
    Sets, SetPicture,
    ::testing::Values(SetRow{"hides", {{town, "Roads", false}, {town, "Buildings", false}}},
                      SetRow{"shows what is hidden now and hides what shows",
                             {{town, "Cycle routes", true}, {town, "Rivers", false}, {town, "Parks", false}}},
                      SetRow{"the last flag for a layer wins",
                             {{town, "Roads", true}, {town, "Footpaths", false}, {town, "Roads", false}}},
                      SetRow{"names of another map and unknown layers are passed over",
                             {{QStringLiteral("Overview"), "Rivers", false},
                              {town, "Nowhere", true},
                              {town, "Points of interest", false}}}),
    [](const ::testing::TestParamInfo<SetRow> &info) { return "row" + std::to_string(info.index); });

TEST(SetPictures, AreKeptUntilTheSetTheDataOrTheExtentChange)
{
    ShownCity city;
    const Layers set{{town, "Roads", false}};
    bool atOnce = false;
    city.picture(set, &atOnce);
    EXPECT_FALSE(atOnce);
    EXPECT_EQ(city.pictures.picturesMade(), 1);

    struct Step
    {
        const char *what;
        std::function<void()> change;
        bool drawnAgain;
    };
    const std::vector<Step> steps{
        {"nothing changed", [] {}, false},
        {"the symbol of a layer the set hides",
         [&city] {
             city.layer("Roads").setSymbol({QColor(Qt::blue), 4, 6});
         },
         false},
        {"the symbol of a layer shown",
         [&city] {
             city.layer("Buildings").setSymbol({QColor(Qt::blue), 4, 6});
         },
         true},
        {"the extent",
         [&city] {
             city.view.zoomToExtent(QRectF(city.view.shownExtent().center(), QSizeF(100, 100)));
             drawnImage(&city.view);
         },
         true},
        {"a layer the set leaves as it is", [&city] { city.layer("Parks").setVisible(false); }, true},
    };
    int made = 1;
    for (const Step &step : steps) {
        step.change();
        city.picture(set, &atOnce);
        made += step.drawnAgain ? 1 : 0;
        EXPECT_EQ(city.pictures.picturesMade(), made) << step.what;
        EXPECT_EQ(atOnce, !step.drawnAgain) << step.what;
    }
    // Another set is another picture; the first is still kept.
    city.picture({{town, "Roads", true}}, &atOnce);
    EXPECT_EQ(city.pictures.picturesMade(), made + 1);
    city.picture(set, &atOnce);
    EXPECT_TRUE(atOnce);
}

} // namespace
