// Set, map and layer names that look like markup or entities, run right to
// left, run long or carry blanks at either end: they show literally in the
// list, the text box and the error report, and come back whole from the file.

#include "AddinWorld.h"
#include "FaultyHost.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QStringList oddNames()
{
    QString longName;
    while (longName.size() < 2000)
        longName += QStringLiteral("<i>long</i> &lt;name&gt; ");
    longName.truncate(2000);
    return {QStringLiteral("<b>x</b>"),
            QStringLiteral("<img src=x>"),
            QStringLiteral("&amp;"),
            QStringLiteral("שכבות גלויות"),
            QStringLiteral("طبقات \u202Eabc\u202C"),
            longName,
            QStringLiteral("  padded  "),
            QStringLiteral(" ")};
}

class OddNames : public ::testing::Test
{
protected:
    /// A document with one map per odd name, holding a feature layer of the same name.
    void SetUp() override
    {
        auto document = mapdesk::Document::create();
        for (const QString &name : oddNames()) {
            auto map = std::make_shared<mapdesk::Map>(name);
            map->addLayer(std::make_shared<mapdesk::FeatureLayer>(name));
            document->addMap(map);
        }
        world.useDocument(document);
    }

    QWidget *pressSave()
    {
        QTest::mouseClick(world.control<QPushButton>("btnCreateNewGrid"), Qt::LeftButton);
        return world.host.objects->frames.back()->attached->formWidget();
    }
    bool visible(const QString &name) { return world.layer(name, name)->visible(); }

    AddinWorld world;
};

TEST_F(OddNames, ShowLiterallyAndRoundTripThroughTheFile)
{
    const QStringList names = oddNames();
    // Each set saved with only its own layer hidden; the first one typed.
    for (const QString &name : names) {
        world.layer(name, name)->setVisible(false);
        QWidget *dialog = pressSave();
        QLineEdit *text = dialog->findChild<QLineEdit *>(QStringLiteral("txt1"));
        if (name == names.first())
            QTest::keyClicks(text, name);
        else
            text->setText(name);
        EXPECT_EQ(text->displayText(), name);
        QTest::keyClick(text, Qt::Key_Return);
        world.layer(name, name)->setVisible(true);
    }
    ASSERT_TRUE(world.host.boxes->boxes.empty());

    QByteArray expected;
    for (const QString &set : names)
        for (const QString &layer : names)
            expected += "\"" + set.toUtf8() + "\",\"" + layer.toUtf8() + "\",\"" + layer.toUtf8() + "\",\""
                        + (layer == set ? "False" : "True") + "\"\r\n";
    EXPECT_EQ(world.fileBytes(), expected);

    QStringList sorted = names;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const QString &a, const QString &b) { return QString::compare(a, b, Qt::CaseInsensitive) < 0; });
    EXPECT_EQ(world.listed(), sorted);

    // A fresh load lists them the same, and each restores its own layers.
    world.newWindow();
    world.window().Frame()->setVisible(true);
    EXPECT_EQ(world.listed(), sorted);
    // The first entry by a click, the others by the keyboard: the long name
    // reaches beyond the list's width, where no click lands on it.
    world.select(0);
    for (int row = 0; row < world.list().count(); ++row) {
        QListWidgetItem *item = world.list().item(row);
        EXPECT_EQ(item->data(Qt::DisplayRole).toString(), sorted[row]);
        if (row > 0)
            QTest::keyClick(&world.list(), Qt::Key_Down);
        ASSERT_EQ(world.list().currentRow(), row);
        for (const QString &name : names)
            EXPECT_EQ(visible(name), name != sorted[row]) << qPrintable(sorted[row]) << " / " << qPrintable(name);
    }
    EXPECT_TRUE(world.host.boxes->boxes.empty());
}

TEST_F(OddNames, ReportShowsTheFailureDescriptionLiterally)
{
    const QString description = QStringLiteral("<b>Layer</b> &amp; <img src=x> שכבה  ");
    auto vanishing = std::make_shared<faulty::VanishingLayer>(QStringLiteral("v"));
    vanishing->armed = true;
    vanishing->description = description;
    world.document->mapModels().at(0)->addLayer(vanishing);
    QWidget *dialog = pressSave();
    dialog->findChild<QLineEdit *>(QStringLiteral("txt1"))->setText(QStringLiteral("<b>x</b>"));
    QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("Command1")), Qt::LeftButton);
    ASSERT_EQ(world.host.boxes->boxes.size(), 1u);
    const QStringList lines = world.host.boxes->boxes[0].text.split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 19);
    EXPECT_EQ(lines[10], QStringLiteral("ERROR DESCRIPTION: ") + description);
    EXPECT_EQ(lines[9], QStringLiteral("MODULE: Command1_Click frmName Line : 50"));
    EXPECT_EQ(dialog->findChild<QLineEdit *>(QStringLiteral("txt1"))->text(), QStringLiteral("<b>x</b>"));
}

} // namespace
