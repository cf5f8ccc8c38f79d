#include "AddinWorld.h"

#include "HostError.h"

#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

/// A feature layer whose flag cannot be written.
class StuckLayer : public mapdesk::FeatureLayer
{
public:
    using mapdesk::FeatureLayer::FeatureLayer;
    void setVisible(bool) override { throw HostError(HostError::E_FAIL_NUMBER, QStringLiteral("Layer is locked")); }
};

class BulkCommands : public ::testing::Test
{
protected:
    void press(const char *button) { QTest::mouseClick(world.control<QPushButton>(button), Qt::LeftButton); }
    bool visible(const char *map, const char *layer)
    {
        return world.layer(QLatin1String(map), QLatin1String(layer))->visible();
    }
    AddinWorld world;
};

TEST_F(BulkCommands, OffAndOnSwitchDirectFeatureLayersOfEveryMapOnly)
{
    world.layer(QStringLiteral("Layers"), QStringLiteral("Transport"))->setVisible(false);
    press("Command2");
    for (const char *name : {"Streets", "Rails", "Rivers"})
        EXPECT_FALSE(visible("Layers", name)) << name;
    EXPECT_FALSE(visible("Overview", "Streets"));
    EXPECT_TRUE(visible("Layers", "Deep"));
    EXPECT_TRUE(visible("Layers", "Relief"));
    EXPECT_TRUE(visible("Layers", "Hills"));
    EXPECT_FALSE(visible("Layers", "Transport"));
    EXPECT_EQ(world.contentsUpdates, 1);
    EXPECT_EQ(world.viewRefreshes, 1);

    world.layer(QStringLiteral("Layers"), QStringLiteral("Deep"))->setVisible(false);
    press("Command3");
    for (const char *name : {"Streets", "Rails", "Rivers"})
        EXPECT_TRUE(visible("Layers", name)) << name;
    EXPECT_TRUE(visible("Overview", "Streets"));
    EXPECT_FALSE(visible("Layers", "Deep"));
    EXPECT_FALSE(visible("Layers", "Transport"));
    EXPECT_EQ(world.contentsUpdates, 2);
    EXPECT_EQ(world.viewRefreshes, 3);
    EXPECT_TRUE(world.host.boxes->boxes.empty());
}

TEST_F(BulkCommands, MapsWithoutLayersArePassedOverAndTheRedrawStillRuns)
{
    auto document = mapdesk::Document::create();
    document->addMap(std::make_shared<mapdesk::Map>(QStringLiteral("Empty")));
    auto second = std::make_shared<mapdesk::Map>(QStringLiteral("Second"));
    second->addLayer(std::make_shared<mapdesk::FeatureLayer>(QStringLiteral("a"), QString(), false));
    document->addMap(second);
    document->setActiveViewKind(mapdesk::Document::ViewKind::Layout);
    world.useDocument(document);
    press("Command3");
    EXPECT_TRUE(second->layers()[0]->visible());
    press("Command2");
    EXPECT_FALSE(second->layers()[0]->visible());
    EXPECT_TRUE(world.host.boxes->boxes.empty());
    EXPECT_EQ(world.contentsUpdates, 2);
    EXPECT_EQ(world.viewRefreshes, 3); // On: focus map and layout; Off: layout
}

TEST_F(BulkCommands, FailingLayerStopsTheWalkAndIsReportedWithoutRedraw)
{
    auto document = mapdesk::Document::create();
    auto map = std::make_shared<mapdesk::Map>(QStringLiteral("M"));
    map->addLayer(std::make_shared<mapdesk::FeatureLayer>(QStringLiteral("a"), QString(), false));
    map->addLayer(std::make_shared<StuckLayer>(QStringLiteral("stuck")));
    map->addLayer(std::make_shared<mapdesk::FeatureLayer>(QStringLiteral("c"), QString(), false));
    document->addMap(map);
    world.useDocument(document);
    press("Command3");
    press("Command2");
    EXPECT_EQ(world.reportedModules(), (QStringList{QStringLiteral("MODULE: Command3_Click frmMain Line : 10"),
                                                    QStringLiteral("MODULE: Command2_Click frmMain Line : 10")}));
    EXPECT_FALSE(map->layers()[0]->visible()); // switched on, then off again before the fault
    EXPECT_FALSE(map->layers()[2]->visible()); // never reached
    EXPECT_EQ(world.contentsUpdates, 0);
    EXPECT_EQ(world.viewRefreshes, 0);
}

TEST_F(BulkCommands, ClearAllEmptiesListAndFile)
{
    world.writeFile("\"A\",\"Layers\",\"Streets\",\"True\"\r\n");
    world.window().addSetName(QStringLiteral("A"));
    press("Command1");
    EXPECT_EQ(world.list().count(), 0);
    EXPECT_EQ(world.fileBytes(), QByteArray());
    EXPECT_TRUE(world.host.boxes->boxes.empty());

    QFile::remove(world.filePath());
    press("Command1");
    EXPECT_EQ(world.fileBytes(), QByteArray());
    EXPECT_TRUE(world.host.boxes->boxes.empty());
}

TEST_F(BulkCommands, ClearAllOnAFileThatCannotBeDeletedKeepsItsSets)
{
    const QByteArray saved = "\"A\",\"Layers\",\"Streets\",\"True\"\r\n";
    world.writeFile(saved);
    world.window().addSetName(QStringLiteral("A"));
    ASSERT_EQ(::chmod(world.filePath().toLocal8Bit().constData(), 0444), 0);
    press("Command1");
    ::chmod(world.filePath().toLocal8Bit().constData(), 0644);
    ASSERT_GE(world.host.boxes->boxes.size(), 1u);
    EXPECT_EQ(world.reportedModules().first(), QStringLiteral("MODULE: fDeleteFile QuarnelGIS_IO Line : 30"));
    EXPECT_EQ(world.fileBytes(), saved);
    EXPECT_EQ(world.list().count(), 0);
}

TEST_F(BulkCommands, ClearAllWithoutSettingsFolderIsReported)
{
    world.state().setFilePath.clear();
    press("Command1");
    EXPECT_EQ(world.reportedModules().last(), QStringLiteral("MODULE: Command1_Click frmMain Line : 40"));
}

} // namespace
