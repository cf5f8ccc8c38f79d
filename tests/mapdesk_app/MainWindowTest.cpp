#include "MainWindow.h"
#include "Application.h"
#include "Document.h"
#include "DocumentReader.h"
#include "DrawnView.h"
#include "FeatureLayer.h"
#include "GroupElement.h"
#include "GroupLayer.h"
#include "IdentifyWindow.h"
#include "LayerPropertiesDialog.h"
#include "LayoutView.h"
#include "Legend.h"
#include "Map.h"
#include "MapFrameElement.h"
#include "MapRenderer.h"
#include "MapSurroundFrameElement.h"
#include "MapView.h"
#include "PageLayout.h"
#include "TextElement.h"
#include "TocWidget.h"

#include "ReadingWait.h"
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidgetItemIterator>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace {

using namespace mapdesk;

std::shared_ptr<FeatureLayer> square(const QString &name, const QRectF &area, bool visible = true)
{
    auto layer = std::make_shared<FeatureLayer>(name, QString(), visible);
    Feature feature;
    feature.areas.addRect(area);
    layer->setFeatures({feature});
    return layer;
}

/// A document made in code: map "Town" with Parks at (0,0)-(10,10) and, in
/// the hidden group Water, Lakes at (20,0)-(30,10) and a layer whose source
/// cannot be read; map "Overview"; a page with the town's map frame, its
/// legend, and a group holding a text. The data view is active.
struct Sample
{
    Sample()
    {
        water->addLayer(lakes);
        water->addLayer(broken);
        broken->load();
        town->addLayer(parks);
        town->addLayer(water);
        overview->addLayer(square(QStringLiteral("Boundary"), QRectF(0, 0, 5, 5)));
        document->addMap(town);
        document->addMap(overview);
        const auto page = document->pageLayoutModel();
        page->addElement(frame);
        page->addElement(legendFrame);
        auto group = std::make_shared<GroupElement>();
        group->addElement(std::make_shared<TextElement>(QStringLiteral("Town plan"), QRectF(10, 150, 100, 20)));
        page->addElement(group);
        document->captureDrawnState();
    }

    std::shared_ptr<Document> document = Document::create();
    std::shared_ptr<Map> town = std::make_shared<Map>(QStringLiteral("Town"));
    std::shared_ptr<Map> overview = std::make_shared<Map>(QStringLiteral("Overview"));
    std::shared_ptr<FeatureLayer> parks = square(QStringLiteral("Parks"), QRectF(0, 0, 10, 10));
    std::shared_ptr<FeatureLayer> lakes = square(QStringLiteral("Lakes"), QRectF(20, 0, 10, 10));
    std::shared_ptr<FeatureLayer> broken =
        std::make_shared<FeatureLayer>(QStringLiteral("Broken"), QStringLiteral("/nonexistent/missing.geojson"));
    std::shared_ptr<GroupLayer> water = std::make_shared<GroupLayer>(QStringLiteral("Water"), false);
    std::shared_ptr<MapFrameElement> frame =
        std::make_shared<MapFrameElement>(QStringLiteral("town"), town, QRectF(10, 10, 150, 100));
    std::shared_ptr<MapSurroundFrameElement> legendFrame =
        std::make_shared<MapSurroundFrameElement>(frame, std::make_shared<Legend>(town), QRectF(180, 10, 80, 60));
};

class Window : public ::testing::Test
{
protected:
    void SetUp() override
    {
        application = std::make_shared<Application>(sample.document);
        window = std::make_unique<MainWindow>(application);
        window->resize(900, 600);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }

    /// Whether the data view shows anything but background at map point `at`.
    bool dataViewDrawsAt(const QPointF &at) const
    {
        MapView *view = window->dataView();
        const QImage image = drawnImage(view);
        const QPoint pixel = view->mapTransform().map(at).toPoint();
        return image.pixelColor(pixel) != QColor(Qt::white);
    }

    static void pressSpaceOn(TocWidget *toc, QTreeWidgetItem *item)
    {
        toc->setCurrentItem(item);
        QTest::keyClick(toc, Qt::Key_Space);
    }

    Sample sample;
    std::shared_ptr<Application> application;
    std::unique_ptr<MainWindow> window;
};

TEST_F(Window, TableOfContentsShowsMapsLayersGroupsAndFlags)
{
    TocWidget *toc = window->tableOfContents();
    ASSERT_EQ(toc->topLevelItemCount(), 2);
    QTreeWidgetItem *town = toc->topLevelItem(0);
    QTreeWidgetItem *overview = toc->topLevelItem(1);
    EXPECT_EQ(town->text(0), QStringLiteral("Town"));
    EXPECT_TRUE(town->font(0).bold()) << "the focus map";
    EXPECT_FALSE(overview->font(0).bold());

    ASSERT_EQ(town->childCount(), 2);
    EXPECT_EQ(town->child(0), toc->itemOf(sample.parks.get()));
    QTreeWidgetItem *water = town->child(1);
    EXPECT_EQ(water, toc->itemOf(sample.water.get()));
    EXPECT_EQ(water->checkState(0), Qt::Unchecked);
    ASSERT_EQ(water->childCount(), 2) << "group members nested under the group";
    EXPECT_EQ(water->child(0)->text(0), QStringLiteral("Lakes"));
    EXPECT_EQ(water->child(0)->checkState(0), Qt::Checked) << "a member's own flag, whatever its group's";

    QTreeWidgetItem *broken = toc->itemOf(sample.broken.get());
    ASSERT_NE(broken, nullptr);
    ASSERT_FALSE(sample.broken->errorText().isEmpty());
    EXPECT_EQ(broken->toolTip(0), sample.broken->errorText());
    EXPECT_FALSE(broken->icon(0).isNull()) << "a warning icon on a layer whose source failed";
    EXPECT_TRUE(toc->itemOf(sample.parks.get())->icon(0).isNull());
}

TEST_F(Window, TickingALayerSetsItsOwnFlagAndRedrawsItsMap)
{
    TocWidget *toc = window->tableOfContents();
    EXPECT_TRUE(dataViewDrawsAt({5, 5}));
    EXPECT_FALSE(dataViewDrawsAt({25, 5})) << "Lakes is in a hidden group";

    pressSpaceOn(toc, toc->itemOf(sample.water.get()));
    EXPECT_TRUE(sample.water->visible());
    EXPECT_TRUE(sample.lakes->visible()) << "only the group's own flag changes";
    EXPECT_TRUE(dataViewDrawsAt({25, 5})) << "the map was redrawn with the group on";

    pressSpaceOn(toc, toc->itemOf(sample.parks.get()));
    EXPECT_FALSE(sample.parks->visible());
    EXPECT_EQ(toc->itemOf(sample.parks.get())->checkState(0), Qt::Unchecked);
    EXPECT_FALSE(dataViewDrawsAt({5, 5}));
}

TEST_F(Window, FlagsChangedInTheModelShowAfterUpdateContentsAndRefresh)
{
    TocWidget *toc = window->tableOfContents();
    sample.parks->setVisible(false);
    EXPECT_EQ(toc->itemOf(sample.parks.get())->checkState(0), Qt::Checked) << "nothing shows before the update";
    EXPECT_TRUE(dataViewDrawsAt({5, 5})) << "nothing is redrawn before a refresh";

    sample.document->updateContents();
    EXPECT_EQ(toc->itemOf(sample.parks.get())->checkState(0), Qt::Unchecked);
    EXPECT_TRUE(dataViewDrawsAt({5, 5}));

    sample.town->refresh();
    EXPECT_FALSE(dataViewDrawsAt({5, 5}));
}

TEST_F(Window, ViewMenuSwitchesTheDocumentsActiveView)
{
    auto *views = qobject_cast<QStackedWidget *>(window->dataView()->parentWidget());
    ASSERT_NE(views, nullptr);
    EXPECT_EQ(views->currentWidget(), window->dataView());
    EXPECT_TRUE(window->dataViewAction()->isChecked());

    window->layoutViewAction()->trigger();
    EXPECT_EQ(sample.document->activeViewKind(), Document::ViewKind::Layout);
    EXPECT_EQ(views->currentWidget(), window->layoutView());
    EXPECT_TRUE(window->layoutViewAction()->isChecked());

    // The document switching back by itself is followed too.
    sample.document->setActiveViewKind(Document::ViewKind::Data);
    EXPECT_EQ(views->currentWidget(), window->dataView());
    EXPECT_TRUE(window->dataViewAction()->isChecked());
}

TEST_F(Window, FocusMapIsShownInTheDataViewAndInBold)
{
    sample.document->setFocusMap(sample.overview);
    TocWidget *toc = window->tableOfContents();
    EXPECT_FALSE(toc->itemOf(sample.town.get())->font(0).bold());
    EXPECT_TRUE(toc->itemOf(sample.overview.get())->font(0).bold());
    EXPECT_TRUE(dataViewDrawsAt({2.5, 2.5})) << "the overview's boundary";

    // Activating a map in the table of contents makes it the focus map.
    toc->setCurrentItem(toc->itemOf(sample.town.get()));
    QTest::keyClick(toc, Qt::Key_Return);
    EXPECT_TRUE(QTest::qWaitFor([&] { return sample.document->focusMapModel() == sample.town; }));
    EXPECT_TRUE(toc->itemOf(sample.town.get())->font(0).bold());
}

TEST_F(Window, PartialRefreshOfALegendRedrawsOnlyItsRectangle)
{
    window->layoutViewAction()->trigger();
    LayoutView *layout = window->layoutView();
    // The page is painted whole when it first shows.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !layout->lastPaintedRegion().isEmpty(); }));

    const auto paintedAfter = [layout](const std::function<void()> &refresh) {
        QApplication::processEvents();
        const QRegion before = layout->lastPaintedRegion();
        refresh();
        if (!QTest::qWaitFor([&] { return layout->lastPaintedRegion() != before; }, 2000))
            return QRect(); // nothing was painted
        return layout->lastPaintedRegion().boundingRect();
    };

    const QRect legend = layout->elementRect(*sample.legendFrame);
    const QRect legendPainted = paintedAfter(
        [&] { sample.document->pageLayoutModel()->partialRefresh(IView::Graphics, sample.legendFrame, nullptr); });
    EXPECT_FALSE(legendPainted.isEmpty());
    EXPECT_TRUE(legend.contains(legendPainted)) << "painted " << qPrintable(QDebug::toString(legendPainted));

    // A map refreshed as a view redraws the frame that shows it.
    const QRect frame = layout->elementRect(*sample.frame);
    EXPECT_EQ(paintedAfter([&] { sample.town->refresh(); }), frame & layout->rect());
    EXPECT_EQ(paintedAfter([&] { sample.document->pageLayoutModel()->refresh(); }), layout->rect());
}

TEST_F(Window, MapFramesDrawTheirMapsAsOfTheLastRefresh)
{
    window->layoutViewAction()->trigger();
    LayoutView *layout = window->layoutView();
    const auto drawsParks = [&] {
        // Parks fills the left part of the frame's map: sample a point a
        // quarter into the frame, half way down.
        const QRectF box = layout->pageTransform().mapRect(sample.frame->bounds());
        const QImage image = drawnImage(layout);
        return image.pixelColor(QPointF(box.left() + box.width() * 0.2, box.center().y()).toPoint())
               != QColor(Qt::white);
    };
    EXPECT_TRUE(drawsParks());
    sample.parks->setVisible(false);
    EXPECT_TRUE(drawsParks());
    sample.document->pageLayoutModel()->refresh();
    EXPECT_FALSE(drawsParks());
}

TEST_F(Window, OpenAndSaveFailuresNameTheFileAndKeepTheDocument)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString missing = dir.filePath(QStringLiteral("missing.mapdesk.json"));
    EXPECT_FALSE(window->openDocument(missing));
    EXPECT_EQ(application->currentDocument(), sample.document);
    EXPECT_TRUE(window->statusBar()->currentMessage().contains(missing))
        << qPrintable(window->statusBar()->currentMessage());

    const QString garbage = dir.filePath(QStringLiteral("garbage.mapdesk.json"));
    QFile file(garbage);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("{ this is not a map document");
    file.close();
    EXPECT_FALSE(window->openDocument(garbage));
    EXPECT_EQ(application->currentDocument(), sample.document);
    const QString message = window->statusBar()->currentMessage();
    EXPECT_TRUE(message.contains(garbage)) << qPrintable(message);
    EXPECT_GT(message.size(), QStringLiteral("Cannot open : ").size() + garbage.size()) << "the fault is told too";

    // A document that cannot be written where asked stays as it was.
    const QString city = QStringLiteral(MAPDESK_SAMPLES "/city.mapdesk.json");
    ASSERT_TRUE(openAndWait(window.get(), city)) << qPrintable(window->statusBar()->currentMessage());
    const std::shared_ptr<Document> opened = application->currentDocument();
    const QString unwritable = dir.filePath(QStringLiteral("no/such/folder/doc.mapdesk.json"));
    EXPECT_FALSE(window->saveDocumentAs(unwritable));
    EXPECT_TRUE(window->statusBar()->currentMessage().contains(unwritable))
        << qPrintable(window->statusBar()->currentMessage());
    EXPECT_EQ(application->currentDocument(), opened);
    EXPECT_EQ(opened->filePath(), QFileInfo(city).absoluteFilePath());
}

TEST_F(Window, SavedDocumentOpensAgainWithItsFlags)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(openAndWait(window.get(), QStringLiteral(MAPDESK_SAMPLES "/city.mapdesk.json")));
    const std::shared_ptr<Document> original = application->currentDocument();
    ASSERT_NE(original, sample.document);
    const std::shared_ptr<Layer> first = original->mapModels().front()->layers().front();
    ASSERT_TRUE(first->visible());

    TocWidget *toc = window->tableOfContents();
    pressSpaceOn(toc, toc->itemOf(first.get()));
    ASSERT_FALSE(first->visible());
    const QString path = dir.filePath(QStringLiteral("saved.mapdesk.json"));
    ASSERT_TRUE(window->saveDocumentAs(path)) << qPrintable(window->statusBar()->currentMessage());
    EXPECT_EQ(original->filePath(), path);
    EXPECT_TRUE(window->windowTitle().contains(QStringLiteral("saved.mapdesk.json")));

    ASSERT_TRUE(openAndWait(window.get(), path)) << qPrintable(window->statusBar()->currentMessage());
    const std::shared_ptr<Document> reopened = application->currentDocument();
    ASSERT_NE(reopened, original);
    const std::shared_ptr<Layer> reread = reopened->mapModels().front()->layers().front();
    EXPECT_EQ(reread->name(), first->name());
    EXPECT_FALSE(reread->visible());
    QTreeWidgetItem *item = toc->itemOf(reread.get());
    ASSERT_NE(item, nullptr) << "the table of contents shows the new document";
    EXPECT_EQ(item->checkState(0), Qt::Unchecked);

    // The window now acts on the new document, not the old one.
    pressSpaceOn(toc, item);
    EXPECT_TRUE(reread->visible());
    EXPECT_FALSE(first->visible());
}

} // namespace

namespace {

/// Answers the next modal message box with `button` once it shows, and
/// records the text it asked.
void answerNextBox(QMessageBox::StandardButton button, QString *asked)
{
    auto *poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, poll, [poll, button, asked] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        *asked = box->text();
        poll->deleteLater();
        poll->stop();
        box->button(button)->click();
    });
    poll->start(10);
}

// A change marks the title with "*"; leaving the document (closing the
// window or starting a new one) then asks Save / Discard / Cancel, and each
// answer does what it says.
TEST_F(Window, ModifiedDocumentAsksBeforeItIsLeft)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("town.mapdesk.json"));
    enum class Leave { Close, New };
    const struct
    {
        Leave leave;
        QMessageBox::StandardButton answer;
        bool left;
        bool saved;
    } cases[] = {
        {Leave::Close, QMessageBox::Cancel, false, false}, {Leave::Close, QMessageBox::Discard, true, false},
        {Leave::Close, QMessageBox::Save, true, true},     {Leave::New, QMessageBox::Cancel, false, false},
        {Leave::New, QMessageBox::Discard, true, false},   {Leave::New, QMessageBox::Save, true, true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(static_cast<int>(c.leave) * 10 + static_cast<int>(&c - cases));
        window->show();
        ASSERT_TRUE(openAndWait(window.get(), QStringLiteral(MAPDESK_SAMPLES "/city.mapdesk.json")));
        ASSERT_TRUE(window->saveDocumentAs(path));
        const std::shared_ptr<Document> document = application->currentDocument();
        EXPECT_EQ(window->windowTitle(), QStringLiteral("town.mapdesk.json - mapdesk"));
        const std::shared_ptr<Layer> first = document->mapModels().front()->layers().front();
        pressSpaceOn(window->tableOfContents(), window->tableOfContents()->itemOf(first.get()));
        ASSERT_TRUE(document->isModified());
        EXPECT_EQ(window->windowTitle(), QStringLiteral("town.mapdesk.json* - mapdesk"));

        QString asked;
        answerNextBox(c.answer, &asked);
        if (c.leave == Leave::Close) {
            EXPECT_EQ(window->close(), c.left);
            EXPECT_EQ(window->isVisible(), !c.left);
        } else {
            window->findChild<QAction *>(QStringLiteral("fileNew"))->trigger();
            EXPECT_EQ(application->currentDocument() != document, c.left);
        }
        EXPECT_TRUE(asked.contains(QStringLiteral("town.mapdesk.json"))) << qPrintable(asked);
        EXPECT_EQ(document->isModified(), !c.saved);
        const auto reread = DocumentReader::read(path);
        EXPECT_EQ(reread->mapModels().front()->layers().front()->visible(), !c.saved);
    }
    // A new document is untitled, unmodified, with one empty map.
    const std::shared_ptr<Document> fresh = application->currentDocument();
    EXPECT_TRUE(fresh->filePath().isEmpty());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Untitled - mapdesk"));
    ASSERT_EQ(fresh->mapModels().size(), 1u);
    EXPECT_EQ(fresh->mapModels().front()->name(), QStringLiteral("Layers"));

    // An unmodified document is left without a question.
    window->show();
    EXPECT_TRUE(window->close());
}

// A command that changes flags and has the map redrawn modifies the
// document; drawing with the saved flags does not.
TEST_F(Window, FlagsChangedByACommandModifyTheDocumentOnceDrawn)
{
    EXPECT_FALSE(sample.document->isModified());
    sample.town->refresh();
    EXPECT_FALSE(sample.document->isModified());
    sample.parks->setVisible(false);
    EXPECT_FALSE(sample.document->isModified()) << "nothing drawn yet";
    sample.document->updateContents();
    EXPECT_TRUE(sample.document->isModified());
}

} // namespace

namespace {

/// The layers of `layers` as text: "A G(B C)".
QString shapeOf(const std::vector<std::shared_ptr<Layer>> &layers)
{
    QStringList parts;
    for (const auto &layer : layers) {
        const auto group = std::dynamic_pointer_cast<GroupLayer>(layer);
        parts << (group ? layer->name() + QLatin1Char('(') + shapeOf(group->members()) + QLatin1Char(')')
                        : layer->name());
    }
    return parts.join(QLatin1Char(' '));
}

/// Drags `item` of the tree and drops it at `where` (0 top edge .. 1 bottom
/// edge) of the item `onto`, as the tree's own drag would.
void dragItem(TocWidget *toc, QTreeWidgetItem *item, QTreeWidgetItem *onto, double where)
{
    toc->setCurrentItem(item);
    std::unique_ptr<QMimeData> data(toc->model()->mimeData({toc->currentIndex()}));
    const QRect rect = toc->visualItemRect(onto);
    const QPoint at(rect.center().x(), rect.top() + static_cast<int>(where * (rect.height() - 1)));
    // What the tree's own drag offers.
    const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction;
    QDragEnterEvent enter(at, actions, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(toc->viewport(), &enter);
    QDropEvent drop(at, actions, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(toc->viewport(), &drop);
    EXPECT_NE(drop.dropAction(), Qt::MoveAction) << "the tree is rebuilt, not cut by the view";
}

// Dragging layers in the table of contents moves them in the map, above or
// below a layer or into a group or map; a group is never put into itself.
// Every move is drawn at once and marks the document modified.
TEST_F(Window, DraggedLayersMoveInTheMap)
{
    TocWidget *toc = window->tableOfContents();
    const struct
    {
        std::shared_ptr<Layer> layer;
        std::shared_ptr<Layer> onto; // null: the map item "Town"
        double where;
        const char *town;
    } cases[] = {
        {sample.parks, sample.water, 0.5, "Water(Parks Lakes Broken)"},
        {sample.broken, sample.parks, 0.0, "Water(Broken Parks Lakes)"},
        {sample.lakes, nullptr, 0.5, "Lakes Water(Broken Parks)"},
        {sample.water, sample.parks, 0.5, "Lakes Water(Broken Parks)"},
        {sample.lakes, sample.water, 1.0, "Water(Broken Parks) Lakes"},
        {sample.lakes, sample.parks, 0.5, "Water(Broken Lakes Parks)"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.town);
        QTreeWidgetItem *onto = c.onto ? toc->itemOf(c.onto.get()) : toc->itemOf(sample.town.get());
        dragItem(toc, toc->itemOf(c.layer.get()), onto, c.where);
        EXPECT_EQ(shapeOf(sample.town->layers()), QString::fromLatin1(c.town));
        EXPECT_EQ(toc->currentItem(), toc->itemOf(c.layer.get())) << "the tree shows the move";
    }
    EXPECT_TRUE(sample.document->isModified());
    // Water is hidden: Lakes, now inside it, is no longer drawn.
    EXPECT_FALSE(dataViewDrawsAt(QPointF(25, 5)));
}

// New Group, Rename (F2, typed in place) and Remove act on the current item.
TEST_F(Window, LayersAreGroupedRenamedAndRemoved)
{
    TocWidget *toc = window->tableOfContents();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get())) << "for the keyboard shortcuts";
    toc->setFocus();
    toc->setCurrentItem(toc->itemOf(sample.parks.get()));
    toc->newGroupAction()->trigger();
    QWidget *editor = QApplication::focusWidget();
    ASSERT_TRUE(editor && editor != toc) << "the new group's name is being edited";
    QTest::keyClicks(editor, QStringLiteral("Land"));
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_EQ(shapeOf(sample.town->layers()), QStringLiteral("Land() Parks Water(Lakes Broken)"));
    EXPECT_EQ(toc->itemOf(sample.town->layers().front().get())->text(0), QStringLiteral("Land"));
    EXPECT_TRUE(sample.document->isModified());

    toc->setCurrentItem(toc->itemOf(sample.lakes.get()));
    QTest::keyClick(toc, Qt::Key_F2);
    editor = QApplication::focusWidget();
    ASSERT_TRUE(editor && editor != toc);
    QTest::keyClicks(editor, QStringLiteral("Ponds"));
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_EQ(sample.lakes->name(), QStringLiteral("Ponds"));
    EXPECT_EQ(toc->itemOf(sample.lakes.get())->text(0), QStringLiteral("Ponds"));

    toc->setCurrentItem(toc->itemOf(sample.parks.get()));
    QTest::keyClick(toc, Qt::Key_Delete);
    EXPECT_EQ(shapeOf(sample.town->layers()), QStringLiteral("Land() Water(Ponds Broken)"));
    EXPECT_EQ(toc->itemOf(sample.parks.get()), nullptr);
    const auto &drawn = sample.town->drawnLayers();
    EXPECT_EQ(std::find(drawn.begin(), drawn.end(), sample.parks), drawn.end()) << "no longer drawn";
    toc->setCurrentItem(toc->itemOf(sample.town.get()));
    EXPECT_FALSE(toc->removeCurrent()) << "a map is not removed";
}

} // namespace

namespace {

// The wheel zooms around the pointer, a drag pans by as much as the pointer
// moved, Zoom to Layer shows the layer whole, Full Extent shows the map whole.
TEST_F(Window, DataViewZoomsPansAndFits)
{
    MapView *view = window->dataView();
    const QRectF full = view->shownExtent();
    ASSERT_FALSE(full.isEmpty());
    const struct
    {
        QPoint at;
        int notches;
    } wheels[] = {{{100, 100}, 1}, {{400, 300}, 2}, {{50, 350}, -1}};
    for (const auto &w : wheels) {
        const QRectF before = view->shownExtent();
        const QPointF under = view->mapTransform().inverted().map(QPointF(w.at));
        QWheelEvent wheel(w.at, view->mapToGlobal(w.at), {}, {0, 120 * w.notches}, Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(view, &wheel);
        const QPointF after = view->mapTransform().inverted().map(QPointF(w.at));
        EXPECT_NEAR(after.x(), under.x(), 1e-6 * full.width());
        EXPECT_NEAR(after.y(), under.y(), 1e-6 * full.width());
        EXPECT_NEAR(view->shownExtent().width(), before.width() * std::pow(0.8, w.notches), 1e-6 * full.width());
    }

    const double scale = view->mapTransform().m11();
    const QRectF before = view->shownExtent();
    QTest::mousePress(view, Qt::LeftButton, {}, QPoint(200, 200));
    QTest::mouseMove(view, QPoint(230, 190));
    QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(250, 180));
    EXPECT_NEAR(view->shownExtent().left(), before.left() - 50 / scale, 1e-6 * full.width());
    EXPECT_NEAR(view->shownExtent().top(), before.top() - 20 / scale, 1e-6 * full.width()) << "y runs north";

    TocWidget *toc = window->tableOfContents();
    toc->setCurrentItem(toc->itemOf(sample.parks.get()));
    window->findChild<QAction *>(QStringLiteral("layerZoomTo"))->trigger();
    const QRectF shown = view->shownExtent();
    const double rounding = 1e-9 * full.width();
    EXPECT_TRUE(shown.adjusted(-rounding, -rounding, rounding, rounding).contains(sample.parks->extent().value()));
    EXPECT_LT(shown.width() * shown.height(), full.width() * full.height() / 2);

    window->findChild<QAction *>(QStringLiteral("viewFullExtent"))->trigger();
    EXPECT_EQ(view->shownExtent(), full);
}

// A pan moves the drawn image with the pointer at once; the layers are drawn
// again only when the pointer rests.
TEST_F(Window, APanMovesTheImageAtOnceAndDrawsWhenThePointerRests)
{
    MapView *view = window->dataView();
    const QImage before = drawnImage(view);
    const int drawn = view->renderer()->layersDrawn();
    QTest::mousePress(view, Qt::LeftButton, {}, QPoint(200, 200));
    QTest::mouseMove(view, QPoint(240, 200));
    const QImage moved = view->grab().toImage();
    EXPECT_EQ(view->renderer()->layersDrawn(), drawn) << "nothing is drawn while the pointer moves";
    EXPECT_EQ(moved.copy(QRect(300, 100, 200, 200)), before.copy(QRect(260, 100, 200, 200)));
    EXPECT_TRUE(QTest::qWaitFor([&] { return view->renderer()->layersDrawn() > drawn; }, 5000));
    QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(240, 200));
}

} // namespace

namespace {

// What the table of contents changes (a tick, a removal, data added) shows at
// once in the legends of the map it changes.
TEST_F(Window, LegendsFollowTheTableOfContents)
{
    TocWidget *toc = window->tableOfContents();
    const auto legend = std::static_pointer_cast<Legend>(sample.legendFrame->surroundModel());
    const auto listed = [&] {
        QStringList names;
        for (const std::shared_ptr<Layer> &layer : legend->items())
            names << layer->name();
        return names;
    };
    ASSERT_EQ(listed(), QStringList{QStringLiteral("Parks")});
    const struct
    {
        const char *edit;
        std::function<void()> apply;
        QStringList listed;
    } rows[] = {
        {"tick the hidden group",
         [&] { pressSpaceOn(toc, toc->itemOf(sample.water.get())); },
         {QStringLiteral("Parks"), QStringLiteral("Lakes"), QStringLiteral("Broken")}},
        {"remove a layer",
         [&] {
             toc->setCurrentItem(toc->itemOf(sample.parks.get()));
             toc->removeCurrent();
         },
         {QStringLiteral("Lakes"), QStringLiteral("Broken")}},
        {"untick a member", [&] { pressSpaceOn(toc, toc->itemOf(sample.broken.get())); }, {QStringLiteral("Lakes")}},
        {"add data",
         [&] { addAndWait(window.get(), {QStringLiteral(MAPDESK_SAMPLES "/data/parks.geojson")}); },
         {QStringLiteral("parks"), QStringLiteral("Lakes")}},
    };
    for (const auto &row : rows) {
        row.apply();
        EXPECT_EQ(listed(), row.listed) << row.edit;
    }
}

} // namespace

namespace {

// A map whose only data is one point shows it in the middle of the view, and
// Zoom to Layer on a point brings it there.
TEST_F(Window, ASinglePointIsShownInTheMiddleOfTheView)
{
    MapView *view = window->dataView();
    const QPointF middle = QRectF(view->rect()).center();
    const QPointF well(150000, 420000);
    auto point = std::make_shared<FeatureLayer>(QStringLiteral("Well"));
    Feature feature;
    feature.points = {well};
    point->setFeatures({feature});

    const auto document = Document::createUntitled();
    document->focusMapModel()->addLayer(point);
    document->captureDrawnState();
    application->setDocument(document);
    const QPointF shown = view->mapTransform().map(well);
    EXPECT_NEAR(shown.x(), middle.x(), 1);
    EXPECT_NEAR(shown.y(), middle.y(), 1);
    EXPECT_TRUE(dataViewDrawsAt(well));

    application->setDocument(sample.document);
    document->focusMapModel()->removeLayer(point);
    sample.town->addLayer(point);
    window->tableOfContents()->showContents();
    window->tableOfContents()->setCurrentItem(window->tableOfContents()->itemOf(point.get()));
    window->findChild<QAction *>(QStringLiteral("layerZoomTo"))->trigger();
    const QPointF zoomed = view->mapTransform().map(well);
    EXPECT_NEAR(zoomed.x(), middle.x(), 1);
    EXPECT_NEAR(zoomed.y(), middle.y(), 1);
}

} // namespace

namespace {

// Save As gives a name without a suffix the map document's suffix, so that
// the file is known as a map document by its name; other names stay.
TEST(SaveAs, NameWithoutASuffixGetsTheDocumentSuffix)
{
    const struct
    {
        const char *typed;
        const char *saved;
    } rows[] = {
        {"/maps/plan", "/maps/plan.mapdesk.json"},
        {"/maps/v1.0/plan", "/maps/v1.0/plan.mapdesk.json"},
        {"/maps/plan.mapdesk.json", "/maps/plan.mapdesk.json"},
        {"/maps/plan.json", "/maps/plan.json"},
    };
    for (const auto &row : rows)
        EXPECT_EQ(MainWindow::documentFileName(QLatin1String(row.typed)), QLatin1String(row.saved)) << row.typed;
}

} // namespace

namespace {

// A feature layer's Properties... change how it is drawn, at once, and the
// document is then modified; a map or group has no such properties.
TEST_F(Window, LayerPropertiesChangeHowTheLayerIsDrawn)
{
    TocWidget *toc = window->tableOfContents();
    const QPoint pixel = window->dataView()->mapTransform().map(QPointF(5, 5)).toPoint();
    const auto drawnColour = [&] { return drawnImage(window->dataView()).pixelColor(pixel); };
    const QColor before = drawnColour();
    const Symbol chosen{QColor(10, 200, 30), 4, 12};
    auto *answer = new QTimer(window.get());
    QObject::connect(answer, &QTimer::timeout, answer, [answer, chosen] {
        if (auto *dialog = qobject_cast<LayerPropertiesDialog *>(QApplication::activeModalWidget())) {
            answer->stop();
            answer->deleteLater();
            dialog->setSymbol(chosen);
            dialog->accept();
        }
    });
    answer->start(10);
    toc->setCurrentItem(toc->itemOf(sample.parks.get()));
    toc->propertiesAction()->trigger();
    EXPECT_EQ(sample.parks->symbol(), chosen);
    EXPECT_TRUE(sample.document->isModified());
    EXPECT_NE(drawnColour(), before);
    EXPECT_GT(drawnColour().green(), drawnColour().red()) << "drawn in the chosen green";

    // Nothing to show for a group: no dialog opens.
    toc->setCurrentItem(toc->itemOf(sample.water.get()));
    toc->propertiesAction()->trigger();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

} // namespace

namespace {

// Export Layout writes the page as the layout view draws it: an image at
// 150 dpi, a PDF page; a file that cannot be written is reported, named.
TEST_F(Window, ExportLayoutWritesThePageAsDrawn)
{
    QTemporaryDir dir;
    const struct
    {
        const char *file;
        bool written;
    } rows[] = {{"page.png", true}, {"page.pdf", true}, {"missing/page.png", false}};
    for (const auto &row : rows) {
        const QString path = dir.filePath(QLatin1String(row.file));
        EXPECT_EQ(window->exportLayout(path), row.written) << row.file;
        EXPECT_TRUE(window->statusBar()->currentMessage().contains(path)) << row.file;
    }
    const QImage page(dir.filePath(QStringLiteral("page.png")));
    EXPECT_EQ(page.size(), QSize(1754, 1240)) << "297 x 210 mm at 150 dpi";
    // Parks fills the left of the town's frame (10, 10, 150 x 100 mm); the page around it is white.
    const double dotsPerMm = 150 / 25.4;
    EXPECT_NE(page.pixelColor((QPointF(10 + 150 * 0.2, 60) * dotsPerMm).toPoint()), QColor(Qt::white));
    EXPECT_EQ(page.pixelColor(QPoint(3, 3)), QColor(Qt::white));
    QFile pdf(dir.filePath(QStringLiteral("page.pdf")));
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_TRUE(pdf.read(5) == "%PDF-");
}

} // namespace

namespace {

// With Identify on, a click on the data view lists the features of the drawn
// layers there, with their attributes; hidden layers are not asked.
TEST_F(Window, IdentifyListsTheFeaturesUnderAClick)
{
    Feature park;
    park.areas.addRect(QRectF(0, 0, 10, 10));
    park.attributes = {{QStringLiteral("name"), QStringLiteral("Mill Green")}};
    sample.parks->setFeatures({park});
    window->identifyAction()->setChecked(true);
    MapView *view = window->dataView();
    const struct
    {
        QPointF at;
        QStringList listed; // layer, feature, "field=value"
    } rows[] = {
        {{5, 5}, {QStringLiteral("Parks"), QStringLiteral("Feature 1"), QStringLiteral("name=Mill Green")}},
        {{25, 5}, {QStringLiteral("No feature here")}}, // Lakes, in a hidden group
    };
    for (const auto &row : rows) {
        QTest::mouseClick(view, Qt::LeftButton, {}, view->mapTransform().map(row.at).toPoint());
        ASSERT_NE(window->identifyWindow(), nullptr);
        QStringList listed;
        for (QTreeWidgetItemIterator item(window->identifyWindow()->results()); *item; ++item)
            listed << ((*item)->text(1).isEmpty() ? (*item)->text(0) : (*item)->text(0) + "=" + (*item)->text(1));
        EXPECT_EQ(listed, row.listed);
    }
}

} // namespace
