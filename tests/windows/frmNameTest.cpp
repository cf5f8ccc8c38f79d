// The name dialog: "OK" has the set core save the document under the typed
// name and the main window list it; "Cancel" hides; failures are reported.

#include "AddinWorld.h"

#include "HostClassIds.h"

#include <QFile>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class SaveSet : public ::testing::Test
{
protected:
    AddinWorld world;
};

TEST_F(SaveSet, ReturnSavesTheDocumentListsTheNameAndHides)
{
    QWidget *dialog = world.pressSave();
    const fake::Frame &frame = *world.host.objects->frames.back();
    EXPECT_EQ(frame.caption, QStringLiteral("QuarnelVisibility"));
    EXPECT_TRUE(frame.visible);
    EXPECT_EQ(frame.left, 824); // (1920 - 271) / 2 = 824.5, to the even 824
    EXPECT_EQ(frame.top, 512);  // (1080 - 56) / 2

    QLineEdit *text = AddinWorld::nameBox(dialog);
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

TEST_F(SaveSet, EmptyNameIsRefusedAndBlanksAreAName)
{
    QWidget *dialog = world.pressSave();
    AddinWorld::saveAs(dialog, QString());
    ASSERT_EQ(world.host.boxes->boxes.size(), 1u);
    EXPECT_EQ(world.host.boxes->boxes[0].text, QStringLiteral("Please enter a name or hit cancel."));
    EXPECT_EQ(world.host.boxes->boxes[0].title, QStringLiteral("QuarnelVisibility"));
    EXPECT_EQ(world.fileBytes(), QByteArray());
    EXPECT_TRUE(world.host.objects->frames.back()->visible);

    AddinWorld::saveAs(dialog, QStringLiteral("   "));
    EXPECT_TRUE(world.fileBytes().startsWith("\"   \",\"Layers\",\"Streets\",\"True\"\r\n"));
    EXPECT_EQ(world.listed(), QStringList{QStringLiteral("   ")});
}

TEST_F(SaveSet, NameTheFileCannotHoldIsRefusedAndTheDialogStays)
{
    QWidget *dialog = world.pressSave();
    const QString name = QStringLiteral("a\",\"b");
    AddinWorld::saveAs(dialog, name);
    ASSERT_EQ(world.host.boxes->boxes.size(), 1u);
    EXPECT_TRUE(
        world.host.boxes->boxes[0].text.startsWith(QStringLiteral("The set name \"a\",\"b\" cannot be stored")));
    EXPECT_EQ(world.fileBytes(), QByteArray());
    EXPECT_TRUE(world.listed().isEmpty());
    EXPECT_TRUE(world.host.objects->frames.back()->visible);
    EXPECT_EQ(AddinWorld::nameBox(dialog)->text(), name);
}

TEST_F(SaveSet, CancelHidesWithoutWritingAndEachPressMakesANewDialog)
{
    QWidget *first = world.pressSave();
    AddinWorld::nameBox(first)->setText(QStringLiteral("kept"));
    AddinWorld::pressIn(first, "Command2");
    EXPECT_FALSE(world.host.objects->frames.back()->visible);
    EXPECT_EQ(AddinWorld::nameBox(first)->text(), QStringLiteral("kept"));

    QWidget *second = world.pressSave();
    QWidget *third = world.pressSave();
    EXPECT_NE(second, third);
    EXPECT_TRUE(AddinWorld::nameBox(second)->text().isEmpty());
    AddinWorld::saveAs(second, QStringLiteral("b"));
    AddinWorld::saveAs(third, QStringLiteral("a"));
    EXPECT_EQ(world.listed(), (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
    EXPECT_EQ(world.fileBytes().count("\r\n"), 8);
    EXPECT_EQ(world.fileBytes().size(), QFile(world.filePath()).size());
}

TEST_F(SaveSet, SavedTwiceTheNameIsListedTwice)
{
    AddinWorld::saveAs(world.pressSave(), QStringLiteral("Roads"));
    AddinWorld::saveAs(world.pressSave(), QStringLiteral("Roads"));
    EXPECT_EQ(world.listed(), (QStringList{QStringLiteral("Roads"), QStringLiteral("Roads")}));
}

TEST_F(SaveSet, DocumentWithoutRecordableLayersListsTheNameButWritesNothing)
{
    world.useDocument(fake::DocumentBuilder().map(QStringLiteral("M")).raster(QStringLiteral("r")).build());
    AddinWorld::saveAs(world.pressSave(), QStringLiteral("Empty"));
    EXPECT_EQ(world.fileBytes(), QByteArray());
    EXPECT_EQ(world.listed(), QStringList{QStringLiteral("Empty")});
}

TEST_F(SaveSet, UnwritableFileIsReportedAndTheNameIsNotListed)
{
    QFile::remove(world.filePath());
    QFile::link(QStringLiteral("/dev/full"), world.filePath());
    AddinWorld::saveAs(world.pressSave(), QStringLiteral("Lost"));
    ASSERT_EQ(world.host.boxes->boxes.size(), 1u);
    // A device is refused when the file is opened, before anything is written.
    EXPECT_TRUE(world.host.boxes->boxes[0].text.contains(QStringLiteral("ERROR NUMBER: 75")));
    EXPECT_EQ(world.reportedModules(), QStringList{QStringLiteral("MODULE: Command1_Click frmName Line : 40")});
    EXPECT_TRUE(world.listed().isEmpty());
    EXPECT_TRUE(world.host.objects->frames.back()->visible);
}

TEST_F(SaveSet, FailingFrameIsReportedBySave)
{
    world.host.objects->failFor << HostClassIds::ModelessFrame;
    world.press("btnCreateNewGrid");
    EXPECT_EQ(world.reportedModules(), QStringList{QStringLiteral("MODULE: btnCreateNewGrid_Click frmMain Line : 20")});
}

} // namespace
