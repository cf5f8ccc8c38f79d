// Set, map and layer names that look like markup or entities, run right to
// left, run long or carry blanks at either end: they show literally in the
// list, the text box and the error report. (Their round trip through the file
// is the set store's, in sets_tests.)

#include "AddinWorld.h"

#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

/// A feature layer whose name cannot be read: the host's failure carries `description`.
class VanishingLayer : public fake::Layer
{
public:
    VanishingLayer(QString title, QString description)
        : fake::Layer(std::move(title)), description(std::move(description))
    {
    }
    QString name() override { throw HostError(HostError::E_FAIL_NUMBER, description); }
    QString description;
};

class OddNames : public ::testing::Test
{
protected:
    void SetUp() override { world.useDocument(SetsWorld::oddNamesDocument()); }
    AddinWorld world;
};

TEST_F(OddNames, ShowLiterallyInTheTextBoxAndTheListAndRestoreTheirOwnSet)
{
    const QStringList names = SetsWorld::oddNames();
    // Each set saved with only its own layer hidden; the first one typed.
    for (const QString &name : names) {
        world.layer(name, name).on = false;
        QLineEdit *text = AddinWorld::nameBox(world.pressSave());
        if (name == names.first())
            QTest::keyClicks(text, name);
        else
            text->setText(name);
        EXPECT_EQ(text->displayText(), name);
        QTest::keyClick(text, Qt::Key_Return);
        world.layer(name, name).on = true;
    }
    ASSERT_TRUE(world.host.boxes->boxes.empty());

    QStringList sorted = names;
    std::stable_sort(sorted.begin(), sorted.end(), [](const QString &a, const QString &b) {
        return QString::compare(a, b, Qt::CaseInsensitive) < 0;
    });
    EXPECT_EQ(world.listed(), sorted);

    // A fresh load lists them the same, and each restores its own layers.
    world.reload();
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
            EXPECT_EQ(world.layer(name, name).on, name != sorted[row])
                << qPrintable(sorted[row]) << " / " << qPrintable(name);
    }
    EXPECT_TRUE(world.host.boxes->boxes.empty());
}

TEST_F(OddNames, ReportShowsTheFailureDescriptionLiterally)
{
    const QString description = QStringLiteral("<b>Layer</b> &amp; <img src=x> שכבה  ");
    world.document->map(SetsWorld::oddNames().first())
        ->layers.push_back(std::make_shared<VanishingLayer>(QStringLiteral("v"), description));
    QWidget *dialog = world.pressSave();
    AddinWorld::saveAs(dialog, QStringLiteral("<b>x</b>"));
    ASSERT_EQ(world.host.boxes->boxes.size(), 1u);
    const QStringList lines = world.host.boxes->boxes[0].text.split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 19);
    EXPECT_EQ(lines[10], QStringLiteral("ERROR DESCRIPTION: ") + description);
    EXPECT_EQ(lines[9], QStringLiteral("MODULE: Command1_Click frmName Line : 50"));
    EXPECT_EQ(AddinWorld::nameBox(dialog)->text(), QStringLiteral("<b>x</b>"));
}

} // namespace
