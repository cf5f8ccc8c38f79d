#include "AddinWorld.h"

#include "HostClassIds.h"
#include "HostError.h"
#include "QuarnelGIS_Public.h"
#include "WrappingDocument.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

/// A feature layer whose name cannot be read once armed: a host fault in the
/// middle of a walk.
class FailingLayer : public mapdesk::FeatureLayer
{
public:
    using mapdesk::FeatureLayer::FeatureLayer;
    QString name() override
    {
        if (armed)
            throw HostError(HostError::E_FAIL_NUMBER, QStringLiteral("Layer is gone"));
        return mapdesk::FeatureLayer::name();
    }
    bool armed = false;
};

/// A group layer that counts every use of its own flag.
class WatchedGroup : public mapdesk::GroupLayer
{
public:
    using mapdesk::GroupLayer::GroupLayer;
    bool visible() override
    {
        ++flagUses;
        return mapdesk::GroupLayer::visible();
    }
    void setVisible(bool visible) override
    {
        ++flagUses;
        mapdesk::GroupLayer::setVisible(visible);
    }
    int flagUses = 0;
};

class SaveSet : public ::testing::Test
{
protected:
    /// Presses "Save " and returns the new dialog.
    QWidget *pressSave()
    {
        QTest::mouseClick(world.control<QPushButton>("btnCreateNewGrid"), Qt::LeftButton);
        return world.host.objects->frames.back()->attached->formWidget();
    }
    void save(QWidget *dialog, const QString &name)
    {
        QLineEdit *text = dialog->findChild<QLineEdit *>(QStringLiteral("txt1"));
        text->setText(name);
        QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("Command1")), Qt::LeftButton);
    }

    AddinWorld world;
};

TEST_F(SaveSet, WritesOneRecordPerRecordableFeatureLayerInWalkOrder)
{
    QWidget *dialog = pressSave();
    const fake::Frame &frame = *world.host.objects->frames.back();
    EXPECT_EQ(frame.caption, QStringLiteral("QuarnelVisibility"));
    EXPECT_TRUE(frame.visible);
    EXPECT_EQ(frame.left, 824); // (1920 - 271) / 2 = 824.5, to the even 824
    EXPECT_EQ(frame.top, 512);  // (1080 - 56) / 2

    QLineEdit *text = dialog->findChild<QLineEdit *>(QStringLiteral("txt1"));
    QTest::keyClicks(text, QStringLiteral("Roads"));
    QTest::keyClick(text, Qt::Key_Return);

    EXPECT_EQ(world.fileBytes(), QByteArray("\"Roads\",\"Layers\",\"Streets\",\"True\"\r\n"
                                            "\"Roads\",\"Layers\",\"Rails\",\"False\"\r\n"
                                            "\"Roads\",\"Layers\",\"Rivers\",\"True\"\r\n"
                                            "\"Roads\",\"Overview\",\"Streets\",\"True\"\r\n"));
    EXPECT_EQ(world.listed(), QStringList{QStringLiteral("Roads")});
    EXPECT_TRUE(text->text().isEmpty());
    EXPECT_FALSE(frame.visible);
    EXPECT_TRUE(world.host.boxes->boxes.empty());
}

TEST_F(SaveSet, AHostThatWrapsItsObjectsAfreshGetsEachRecordWithItsOwnMapName)
{
    world.state().document = std::make_shared<wrapping::Document>(world.document);
    save(pressSave(), QStringLiteral("Wrapped"));

    EXPECT_EQ(world.fileBytes(), QByteArray("\"Wrapped\",\"Layers\",\"Streets\",\"True\"\r\n"
                                            "\"Wrapped\",\"Layers\",\"Rails\",\"False\"\r\n"
                                            "\"Wrapped\",\"Layers\",\"Rivers\",\"True\"\r\n"
                                            "\"Wrapped\",\"Overview\",\"Streets\",\"True\"\r\n"));
    EXPECT_TRUE(world.host.boxes->boxes.empty());
}

TEST_F(SaveSet, EmptyNameIsRefusedAndBlanksAreAName)
{
    QWidget *dialog = pressSave();
    save(dialog, QString());
    ASSERT_EQ(world.host.boxes->boxes.size(), 1u);
    EXPECT_EQ(world.host.boxes->boxes[0].text, QStringLiteral("Please enter a name or hit cancel."));
    EXPECT_EQ(world.host.boxes->boxes[0].title, QStringLiteral("QuarnelVisibility"));
    EXPECT_EQ(world.fileBytes(), QByteArray());
    EXPECT_TRUE(world.host.objects->frames.back()->visible);

    save(dialog, QStringLiteral("   "));
    EXPECT_TRUE(world.fileBytes().startsWith("\"   \",\"Layers\",\"Streets\",\"True\"\r\n"));
    EXPECT_EQ(world.listed(), QStringList{QStringLiteral("   ")});
}

TEST_F(SaveSet, CancelHidesWithoutWritingAndEachPressMakesANewDialog)
{
    QWidget *first = pressSave();
    first->findChild<QLineEdit *>(QStringLiteral("txt1"))->setText(QStringLiteral("kept"));
    QTest::mouseClick(first->findChild<QPushButton *>(QStringLiteral("Command2")), Qt::LeftButton);
    EXPECT_FALSE(world.host.objects->frames.back()->visible);
    EXPECT_EQ(first->findChild<QLineEdit *>(QStringLiteral("txt1"))->text(), QStringLiteral("kept"));

    QWidget *second = pressSave();
    QWidget *third = pressSave();
    EXPECT_NE(second, third);
    EXPECT_TRUE(second->findChild<QLineEdit *>(QStringLiteral("txt1"))->text().isEmpty());
    save(second, QStringLiteral("b"));
    save(third, QStringLiteral("a"));
    EXPECT_EQ(world.listed(), (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
    EXPECT_EQ(world.fileBytes().count("\r\n"), 8);
    EXPECT_EQ(world.fileBytes().size(), QFile(world.filePath()).size());
}

TEST_F(SaveSet, GroupsAreWalkedOneLevelDeepAndTheirOwnFlagIsNeverUsed)
{
    auto document = mapdesk::Document::create();
    auto map = std::make_shared<mapdesk::Map>(QStringLiteral("M"));
    auto group = std::make_shared<WatchedGroup>(QStringLiteral("G"), false);
    group->addLayer(std::make_shared<mapdesk::FeatureLayer>(QStringLiteral("a")));
    group->addLayer(std::make_shared<mapdesk::RasterLayer>(QStringLiteral("r")));
    group->addLayer(std::make_shared<mapdesk::FeatureLayer>(QStringLiteral("b"), QString(), false));
    map->addLayer(group);
    map->addLayer(std::make_shared<mapdesk::FeatureLayer>(QStringLiteral("top")));
    document->addMap(map);
    world.useDocument(document);

    save(pressSave(), QStringLiteral("S"));
    EXPECT_EQ(world.fileBytes(), QByteArray("\"S\",\"M\",\"a\",\"True\"\r\n"
                                            "\"S\",\"M\",\"b\",\"False\"\r\n"
                                            "\"S\",\"M\",\"top\",\"True\"\r\n"));
    EXPECT_EQ(group->flagUses, 0);
}

TEST_F(SaveSet, DocumentWithoutRecordableLayersListsTheNameButWritesNothing)
{
    auto document = mapdesk::Document::create();
    auto map = std::make_shared<mapdesk::Map>(QStringLiteral("M"));
    map->addLayer(std::make_shared<mapdesk::RasterLayer>(QStringLiteral("r")));
    document->addMap(map);
    world.useDocument(document);
    save(pressSave(), QStringLiteral("Empty"));
    EXPECT_EQ(world.fileBytes(), QByteArray());
    EXPECT_EQ(world.listed(), QStringList{QStringLiteral("Empty")});
}

TEST_F(SaveSet, FailureMidWalkKeepsThePartialBlockThenAGoodSaveFollows)
{
    auto document = mapdesk::Document::create();
    auto map = std::make_shared<mapdesk::Map>(QStringLiteral("M"));
    map->addLayer(std::make_shared<mapdesk::FeatureLayer>(QStringLiteral("first")));
    auto failing = std::make_shared<FailingLayer>(QStringLiteral("second"));
    map->addLayer(failing);
    document->addMap(map);
    world.useDocument(document);

    QWidget *dialog = pressSave();
    failing->armed = true;
    save(dialog, QStringLiteral("Set"));
    ASSERT_EQ(world.reportedModules(), QStringList{QStringLiteral("MODULE: Command1_Click frmName Line : 50")});
    EXPECT_EQ(world.fileBytes(), QByteArray("\"Set\",\"M\",\"first\",\"True\"\r\n"));
    EXPECT_TRUE(world.listed().isEmpty());
    EXPECT_EQ(dialog->findChild<QLineEdit *>(QStringLiteral("txt1"))->text(), QStringLiteral("Set"));
    EXPECT_TRUE(world.host.objects->frames.back()->visible);

    failing->armed = false;
    QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("Command1")), Qt::LeftButton);
    EXPECT_EQ(world.fileBytes(), QByteArray("\"Set\",\"M\",\"first\",\"True\"\r\n"
                                            "\"Set\",\"M\",\"first\",\"True\"\r\n"
                                            "\"Set\",\"M\",\"second\",\"True\"\r\n"));
    EXPECT_EQ(world.listed(), QStringList{QStringLiteral("Set")});
}

TEST_F(SaveSet, UnwritableFileIsReportedAndTheNameIsNotListed)
{
    QFile::remove(world.filePath());
    QFile::link(QStringLiteral("/dev/full"), world.filePath());
    save(pressSave(), QStringLiteral("Lost"));
    ASSERT_EQ(world.host.boxes->boxes.size(), 1u);
    EXPECT_TRUE(world.host.boxes->boxes[0].text.contains(QStringLiteral("ERROR NUMBER: 61")));
    EXPECT_EQ(world.reportedModules(), QStringList{QStringLiteral("MODULE: Command1_Click frmName Line : 60")});
    EXPECT_TRUE(world.listed().isEmpty());
    EXPECT_TRUE(world.host.objects->frames.back()->visible);
}

TEST_F(SaveSet, FailingFrameIsReportedBySave)
{
    world.host.objects->failFor << HostClassIds::ModelessFrame;
    QTest::mouseClick(world.control<QPushButton>("btnCreateNewGrid"), Qt::LeftButton);
    EXPECT_EQ(world.reportedModules(),
              QStringList{QStringLiteral("MODULE: btnCreateNewGrid_Click frmMain Line : 20")});
}

} // namespace
