#include "AddinWorld.h"
#include "LegendRefresh.h"

#include "HostClassIds.h"
#include "HostError.h"
#include "IElement.h"
#include "IView.h"
#include "QuarnelGIS_Public.h"
#include "WrappingDocument.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QByteArray record(const char *set, const char *map, const char *layer, const char *visibility)
{
    return QByteArray("\"") + set + "\",\"" + map + "\",\"" + layer + "\",\"" + visibility + "\"\r\n";
}

class RestoreSet : public ::testing::Test
{
protected:
    /// Lists the file's sets anew, as when the main window loads.
    void reload()
    {
        world.newWindow();
        world.window().Frame()->setVisible(true);
    }
    bool visible(const char *map, const char *layer)
    {
        return world.layer(QLatin1String(map), QLatin1String(layer))->visible();
    }
    void selectName(const QString &name) { world.select(world.listed().indexOf(name)); }

    AddinWorld world;
};

TEST_F(RestoreSet, AppliesEveryRecordOfTheSetAndRedraws)
{
    world.writeFile(record("Roads", "Layers", "Streets", "False") + record("Roads", "Layers", "Rails", "True")
                    + record("Roads", "Layers", "Rivers", "False") + record("Roads", "Overview", "Streets", "False")
                    + record("Roads", "Layers", "Deep", "False") + record("Roads", "Layers", "Transport", "False")
                    + record("Roads", "Layers", "Hills", "False") + record("Roads", "Nowhere", "Streets", "True"));
    reload();
    world.select(0);
    EXPECT_FALSE(visible("Layers", "Streets"));
    EXPECT_TRUE(visible("Layers", "Rails"));
    EXPECT_FALSE(visible("Layers", "Rivers"));
    EXPECT_FALSE(visible("Overview", "Streets"));
    // Nested groups, a group's own flag and other kinds of layer are not touched.
    EXPECT_TRUE(visible("Layers", "Deep"));
    EXPECT_TRUE(visible("Layers", "Transport"));
    EXPECT_TRUE(visible("Layers", "Hills"));
    EXPECT_EQ(world.contentsUpdates, 1);
    EXPECT_EQ(world.viewRefreshes, 2); // the data view, twice
    EXPECT_TRUE(world.host.boxes->boxes.empty());
}

TEST_F(RestoreSet, AHostThatWrapsItsObjectsAfreshHasItsLayersSwitched)
{
    world.writeFile(record("Roads", "Layers", "Streets", "False") + record("Roads", "Layers", "Rails", "True")
                    + record("Roads", "Overview", "Streets", "False"));
    reload();
    world.state().document = std::make_shared<wrapping::Document>(world.document);
    world.select(0);
    EXPECT_FALSE(visible("Layers", "Streets"));
    EXPECT_TRUE(visible("Layers", "Rails"));
    EXPECT_TRUE(visible("Layers", "Rivers"));
    EXPECT_FALSE(visible("Overview", "Streets"));
    EXPECT_TRUE(world.host.boxes->boxes.empty());
}

TEST_F(RestoreSet, LaterBlockWinsAndSimilarNamesStayApart)
{
    world.writeFile(record("Roads", "Layers", "Streets", "True") + record("roads", "Layers", "Rivers", "False")
                    + record("Roads ", "Layers", "Rivers", "False") + record("Roads", "Layers", "Streets", "false")
                    + record("Roads", "Layers", "Rivers", "True"));
    reload();
    EXPECT_EQ(world.listed(), (QStringList{QStringLiteral("Roads"), QStringLiteral("roads"), QStringLiteral("Roads ")}));
    world.layer(QStringLiteral("Layers"), QStringLiteral("Rivers"))->setVisible(false);
    selectName(QStringLiteral("Roads"));
    EXPECT_FALSE(visible("Layers", "Streets")); // "false" is not "True"
    EXPECT_TRUE(visible("Layers", "Rivers"));
}

TEST_F(RestoreSet, SavedTwiceTheSecondSaveDecides)
{
    QTest::mouseClick(world.control<QPushButton>("btnCreateNewGrid"), Qt::LeftButton);
    QWidget *dialog = world.host.objects->frames.back()->attached->formWidget();
    dialog->findChild<QLineEdit *>(QStringLiteral("txt1"))->setText(QStringLiteral("Roads"));
    QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("Command1")), Qt::LeftButton);
    world.layer(QStringLiteral("Layers"), QStringLiteral("Streets"))->setVisible(false);
    QTest::mouseClick(world.control<QPushButton>("btnCreateNewGrid"), Qt::LeftButton);
    dialog = world.host.objects->frames.back()->attached->formWidget();
    dialog->findChild<QLineEdit *>(QStringLiteral("txt1"))->setText(QStringLiteral("Roads"));
    QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("Command1")), Qt::LeftButton);
    EXPECT_EQ(world.listed(), (QStringList{QStringLiteral("Roads"), QStringLiteral("Roads")}));

    world.layer(QStringLiteral("Layers"), QStringLiteral("Streets"))->setVisible(true);
    world.select(1);
    EXPECT_FALSE(visible("Layers", "Streets"));
    reload();
    EXPECT_EQ(world.listed(), QStringList{QStringLiteral("Roads")});
}

TEST_F(RestoreSet, RestoresInAnotherDocumentByNameAndMovedLayersToo)
{
    world.writeFile(record("S", "Layers", "Streets", "False") + record("S", "Layers", "Rivers", "False"));
    reload();
    auto other = mapdesk::Document::create();
    auto map = std::make_shared<mapdesk::Map>(QStringLiteral("Layers"));
    auto group = std::make_shared<mapdesk::GroupLayer>(QStringLiteral("Water"));
    group->addLayer(std::make_shared<mapdesk::FeatureLayer>(QStringLiteral("Rivers")));
    map->addLayer(group);
    map->addLayer(std::make_shared<mapdesk::FeatureLayer>(QStringLiteral("Streets")));
    map->addLayer(std::make_shared<mapdesk::FeatureLayer>(QStringLiteral("Streets")));
    map->addLayer(std::make_shared<mapdesk::FeatureLayer>(QStringLiteral("Parks")));
    other->addMap(map);
    world.useDocument(other);
    world.select(0);
    for (const auto &layer : map->layers())
        EXPECT_EQ(layer->visible(), layer->name() == QStringLiteral("Parks") || layer->name() == QStringLiteral("Water"))
            << layer->name().toStdString();
    EXPECT_FALSE(group->members()[0]->visible());
}

TEST_F(RestoreSet, CutShortLastRecordAppliesWhatCameBeforeReportsOnceAndDoesNotRedraw)
{
    world.writeFile(record("S", "Layers", "Streets", "True") + "\"Other\",\"x\"\r\n");
    reload();
    world.writeFile(record("S", "Layers", "Streets", "False") + "\"S\",\"Layers\"\r\n");
    world.host.boxes->boxes.clear();
    selectName(QStringLiteral("S"));
    EXPECT_FALSE(visible("Layers", "Streets"));
    ASSERT_EQ(world.reportedModules(), QStringList{QStringLiteral("MODULE: lstbx1_Click frmMain Line : 40")});
    EXPECT_EQ(world.contentsUpdates, 0);
    EXPECT_EQ(world.viewRefreshes, 0);
    EXPECT_EQ(world.list().currentItem()->text(), QStringLiteral("S"));
}

TEST_F(RestoreSet, MissingFileIsReportedAndKeyboardSelectionRestoresToo)
{
    world.writeFile(record("A", "Layers", "Streets", "False") + record("B", "Layers", "Streets", "True"));
    reload();
    world.select(0);
    EXPECT_FALSE(visible("Layers", "Streets"));
    world.list().setFocus();
    QTest::keyClick(&world.list(), Qt::Key_Down);
    EXPECT_TRUE(visible("Layers", "Streets"));

    QFile::remove(world.filePath());
    QTest::keyClick(&world.list(), Qt::Key_Up);
    EXPECT_EQ(world.reportedModules(), QStringList{QStringLiteral("MODULE: lstbx1_Click frmMain Line : 20")});
    EXPECT_TRUE(visible("Layers", "Streets"));
}

TEST_F(RestoreSet, DoubleClickChangesNothingFurther)
{
    world.writeFile(record("A", "Layers", "Streets", "False"));
    reload();
    world.select(0);
    world.layer(QStringLiteral("Layers"), QStringLiteral("Streets"))->setVisible(true);
    QListWidget &list = world.list();
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, list.visualItemRect(list.item(0)).center());
    EXPECT_TRUE(visible("Layers", "Streets"));
}

/// The legend of the layout view after a restore or "On".
class LegendRefresh : public RestoreSet
{
protected:
    void SetUp() override
    {
        world.document->setActiveViewKind(mapdesk::Document::ViewKind::Layout);
        world.writeFile(record("S", "Layers", "Rivers", "True"));
        reload();
    }
    std::shared_ptr<mapdesk::MapSurround> legendAt(std::size_t index)
    {
        auto element = std::dynamic_pointer_cast<mapdesk::MapSurroundFrameElement>(
            world.document->pageLayoutModel()->elements().at(index));
        return element->surroundModel();
    }
    std::shared_ptr<mapdesk::MapSurround> groupedLegend()
    {
        auto group = std::dynamic_pointer_cast<mapdesk::GroupElement>(
            world.document->pageLayoutModel()->elements().at(5));
        return std::dynamic_pointer_cast<mapdesk::MapSurroundFrameElement>(group->elements().at(0))->surroundModel();
    }
};

TEST_F(LegendRefresh, OnlyTheLastLegendOfTheFocusMapIsRefreshedFittedAndRedrawn)
{
    world.layer(QStringLiteral("Layers"), QStringLiteral("Rivers"))->setVisible(false);
    world.select(0);
    EXPECT_EQ(legendAt(2)->refreshCount(), 0);
    EXPECT_EQ(legendAt(3)->refreshCount(), 0);
    EXPECT_EQ(groupedLegend()->refreshCount(), 0);
    const auto last = legendAt(4);
    EXPECT_EQ(last->refreshCount(), 1);
    EXPECT_EQ(last->fitCount(), 1);
    EXPECT_EQ(last->fittedBounds(), QRectF(200, 145, 40, 40));
    auto legend = std::dynamic_pointer_cast<mapdesk::Legend>(last);
    const auto rivers = world.layer(QStringLiteral("Layers"), QStringLiteral("Rivers"));
    EXPECT_NE(std::find(legend->items().begin(), legend->items().end(), rivers), legend->items().end());
    EXPECT_EQ(world.partialRefreshes, 1);
    EXPECT_EQ(world.viewRefreshes, 2); // the focus map, then the page layout
    EXPECT_TRUE(world.host.boxes->boxes.empty());
}

TEST_F(LegendRefresh, DocumentSwitchedSinceTheLastClickMatchesNoLegend)
{
    const auto switched = AddinWorld::makeDocument();
    world.application->setDocument(switched);
    world.select(0);
    for (std::size_t i : {2u, 3u, 4u})
        EXPECT_EQ(legendAt(i)->refreshCount(), 0);
    EXPECT_EQ(world.partialRefreshes, 0);
    EXPECT_EQ(world.viewRefreshes, 2);
}

TEST_F(LegendRefresh, OnRefreshesTheLegendButOffDoesNot)
{
    QTest::mouseClick(world.control<QPushButton>("Command2"), Qt::LeftButton);
    EXPECT_EQ(legendAt(4)->refreshCount(), 0);
    EXPECT_EQ(world.contentsUpdates, 1);
    EXPECT_EQ(world.viewRefreshes, 1);
    QTest::mouseClick(world.control<QPushButton>("Command3"), Qt::LeftButton);
    EXPECT_EQ(legendAt(4)->refreshCount(), 1);
    EXPECT_EQ(world.viewRefreshes, 3);
}

TEST_F(LegendRefresh, LegendSearchFailureIsReportedAndTheViewsAreStillRefreshed)
{
    world.host.objects->failFor << HostClassIds::ApplicationReference;
    world.select(0);
    EXPECT_EQ(world.reportedModules(), QStringList{QStringLiteral("MODULE: GetLegendElement frmMain Line : 10")});
    EXPECT_EQ(legendAt(4)->refreshCount(), 0);
    EXPECT_EQ(world.viewRefreshes, 2);
}

TEST_F(LegendRefresh, LegendRefreshFailureIsReportedByItself)
{
    auto legend = std::dynamic_pointer_cast<mapdesk::MapSurroundFrameElement>(
        world.document->pageLayoutModel()->elements().at(4));
    ::LegendRefresh::RefreshLegend(world.state(), legend, nullptr);
    EXPECT_EQ(world.reportedModules(), QStringList{QStringLiteral("MODULE: RefreshLegend frmMain Line : 20")});
    EXPECT_EQ(legend->surroundModel()->refreshCount(), 1);
    EXPECT_EQ(legend->surroundModel()->fitCount(), 0);
}

} // namespace
