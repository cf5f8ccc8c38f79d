// The sets' pictures in the add-in's windows: the list's tooltip shows the
// picture the host draws of a set above the set's words, follows the set when
// it changes, keeps off its entry and goes when the pointer leaves; Edit
// Layers heads its lists with the picture of the set as edited. The host's
// picture service is a fake that records what it is asked to draw.
#include "AddinWorld.h"
#include "IMapPictures.h"
#include "QtCompat.h"
#include "SetListWidget.h"
#include "SetPicturePopup.h"
#include "frmEditLayers.h"

#include <QHelpEvent>
#include <QLabel>
#include <QPointer>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

/// Records each picture asked for; answers when told to.
class FakePictures : public IMapPictures
{
public:
    struct Asked
    {
        std::vector<std::pair<ILayer *, bool>> flags;
        int maxWidth;
        QPointer<QObject> receiver;
        Done done;
    };
    void drawFocusMap(IDocument &, const std::vector<LayerFlag> &flags, int maxWidth, QObject *receiver,
                      Done done) override
    {
        Asked asked{{}, maxWidth, receiver, std::move(done)};
        for (const LayerFlag &flag : flags)
            asked.flags.emplace_back(flag.layer.get(), flag.visible);
        this->asked.push_back(std::move(asked));
    }
    /// Hands `picture` to the request `index`.
    void answer(std::size_t index, const QImage &picture)
    {
        if (asked.at(index).receiver)
            asked.at(index).done(picture);
    }
    std::vector<Asked> asked;
};

QImage filled(QColor colour, QSize size = {320, 200})
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

/// The list's tooltip of entry `row`, as the pointer resting on it brings.
SetPicturePopup &hover(SetListWidget &list, int row)
{
    const QPoint at = list.visualItemRect(list.item(row)).center();
    QHelpEvent rest(QEvent::ToolTip, at, list.viewport()->mapToGlobal(at));
    QApplication::sendEvent(list.viewport(), &rest);
    return *list.picturePopup();
}

QString pictureText(const SetPicturePopup &popup)
{
    return popup.findChild<QLabel *>(QStringLiteral("picture"))->text();
}

QColor pictureColour(const SetPicturePopup &popup)
{
    return QtCompat::pixmapOf(*popup.findChild<QLabel *>(QStringLiteral("picture"))).toImage().pixelColor(1, 1);
}

TEST(SetPictures, TheListsTooltipShowsThePictureFollowsTheSetAndGoesWhenThePointerLeaves)
{
    AddinWorld world;
    auto pictures = std::make_shared<FakePictures>();
    world.host.services->setPictures(pictures);
    world.writeFile(SetsWorld::record("No streets", "Layers", "Streets", "False")
                    + SetsWorld::record("Rivers", "Layers", "Rivers", "True"));
    world.reload();
    auto &list = static_cast<SetListWidget &>(world.list());
    ILayer *streets = &world.layer("Layers", "Streets");
    // The marks' words are judged off the interface thread.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !list.item(0)->toolTip().isEmpty(); }, 5000));

    // "drawing…" until the set is read and its picture drawn, then the
    // picture above the words.
    SetPicturePopup &popup = hover(list, 0);
    EXPECT_TRUE(popup.isVisible());
    EXPECT_EQ(pictureText(popup), QStringLiteral("drawing…"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return pictures->asked.size() == 1; }, 5000));
    EXPECT_EQ(pictures->asked[0].flags, (std::vector<std::pair<ILayer *, bool>>{{streets, false}}));
    EXPECT_EQ(pictures->asked[0].maxWidth, 320);
    pictures->answer(0, filled(Qt::red));
    EXPECT_EQ(pictureColour(popup), QColor(Qt::red));
    EXPECT_TRUE(popup.findChild<QLabel *>(QStringLiteral("words"))->text() == list.item(0)->toolTip());

    // The pointer moves to the next entry: the tooltip goes at once.
    QTest::mouseMove(list.viewport(), list.visualItemRect(list.item(1)).center());
    EXPECT_FALSE(popup.isVisible());

    // The set saved again with Streets on: its picture follows.
    world.writeFile(SetsWorld::record("No streets", "Layers", "Streets", "True")
                    + SetsWorld::record("Rivers", "Layers", "Rivers", "True"));
    hover(list, 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return pictures->asked.size() == 2; }, 5000));
    EXPECT_EQ(pictures->asked[1].flags, (std::vector<std::pair<ILayer *, bool>>{{streets, true}}));
    // A picture the host hands over at once shows at once, the file unchanged.
    hover(list, 0);
    ASSERT_EQ(pictures->asked.size(), 3u);
    pictures->answer(2, filled(Qt::green));
    EXPECT_EQ(pictureColour(popup), QColor(Qt::green));

    // Without the service, the tooltip is the list's own again.
    world.host.services->setPictures(nullptr);
    QTest::mouseMove(list.viewport(), list.visualItemRect(list.item(1)).center());
    hover(list, 0);
    EXPECT_FALSE(popup.isVisible());
    EXPECT_EQ(pictures->asked.size(), 3u);
}

TEST(SetPictures, TheTooltipKeepsOffItsEntryAndToTheScreen)
{
    const QRect screen(0, 0, 1000, 800);
    struct Row
    {
        const char *what;
        QSize size;
        QRect entry;
        QPoint pointer;
        QPoint placed;
        bool fits = true;
    };
    const Row rows[] = {
        {"below the entry, from the pointer", {330, 260}, {10, 100, 200, 18}, {50, 108}, {50, 120}},
        {"above when there is no room below", {330, 260}, {10, 700, 200, 18}, {50, 708}, {50, 438}},
        {"moved back from the right edge", {330, 260}, {700, 100, 300, 18}, {900, 108}, {670, 120}},
        {"on the side with more room when neither fits", {330, 600}, {10, 300, 200, 18}, {50, 308}, {50, 320}, false},
    };
    for (const Row &row : rows) {
        const QPoint placed = SetPicturePopup::placeFor(row.size, row.entry, row.pointer, screen);
        EXPECT_EQ(placed, row.placed) << row.what;
        const QRect shown(placed, row.size);
        EXPECT_FALSE(shown.intersects(row.entry)) << row.what;
        EXPECT_TRUE(shown.left() >= screen.left() && shown.right() <= screen.right()) << row.what;
        EXPECT_EQ(screen.contains(shown), row.fits) << row.what;
    }
}

TEST(SetPictures, EditLayersShowsTheSetAsEditedAndFollowsItsTicks)
{
    SetsWorld world;
    SetLayers layers;
    layers.recorded = {{{"Layers", "Streets", false}, VisibilitySnapshot::Shown{true, false}}};
    layers.unrecorded = {{{"Layers", "Rivers", true}, VisibilitySnapshot::Shown{true, false}}};
    frmEditLayers dialog(QStringLiteral("No streets"), layers);
    auto pictures = std::make_shared<FakePictures>();
    dialog.showPictures(pictures, world.document);
    ILayer *streets = &world.layer("Layers", "Streets");
    ILayer *rivers = &world.layer("Layers", "Rivers");
    QLabel *picture = dialog.findChild<QLabel *>(QStringLiteral("lblPicture"));
    using Flags = std::vector<std::pair<ILayer *, bool>>;

    ASSERT_EQ(pictures->asked.size(), 1u);
    EXPECT_EQ(pictures->asked[0].flags, (Flags{{streets, false}}));
    EXPECT_EQ(picture->text(), QStringLiteral("drawing…"));

    // Streets ticked, Rivers added unticked... then ticked: each asks anew,
    // and only the latest picture is shown.
    auto *tree = dialog.findChild<QTreeWidget *>(QStringLiteral("treeRecorded"));
    tree->topLevelItem(0)->child(0)->setCheckState(0, Qt::Checked);
    auto *apart = dialog.findChild<QTreeWidget *>(QStringLiteral("treeUnrecorded"));
    apart->topLevelItem(0)->child(0)->setCheckState(0, Qt::Checked);
    ASSERT_EQ(pictures->asked.size(), 3u);
    EXPECT_EQ(pictures->asked[1].flags, (Flags{{streets, true}}));
    EXPECT_EQ(pictures->asked[2].flags, (Flags{{streets, true}, {rivers, true}}));
    pictures->answer(2, filled(Qt::blue));
    pictures->answer(1, filled(Qt::red));
    EXPECT_EQ(QtCompat::pixmapOf(*picture).toImage().pixelColor(1, 1), QColor(Qt::blue));
}

} // namespace
