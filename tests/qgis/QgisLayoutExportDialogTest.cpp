#include "QgisLayoutExportDialog.h"
#include "QgisExportWorld.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace quarnelqgis;

namespace {
QPushButton *exportButton(QDialog &dialog)
{
    for (QPushButton *button :
         dialog.findChild<QDialogButtonBox *>(QStringLiteral("buttons"))->findChildren<QPushButton *>())
        if (button->text() == QLatin1String("&Export"))
            return button;
    return nullptr;
}
} // namespace

TEST(QgisLayoutExportDialog, TicksTheSetsSelectedInTheListAndExportsWhatIsTicked)
{
    QgisExportWorld w;
    for (const char *set : {"one", "two", "three"})
        w.saveSet(QLatin1String(set), {{"roads", false}});
    QTemporaryDir out;
    QgisLayoutExportDialog dialog(*w.sets, {QStringLiteral("two"), QStringLiteral("gone")});
    QString told;
    dialog.tell = [&](const QString &text) { told = text; };
    auto *sets = dialog.findChild<QListWidget *>(QStringLiteral("setList"));
    ASSERT_EQ(sets->count(), 3);
    QStringList ticked;
    for (int i = 0; i < sets->count(); ++i)
        if (sets->item(i)->checkState() == Qt::Checked)
            ticked << sets->item(i)->text();
    EXPECT_EQ(ticked, QStringList{QStringLiteral("two")});
    EXPECT_EQ(dialog.findChild<QComboBox *>(QStringLiteral("layoutCombo"))->currentText(), QStringLiteral("Page"));

    QPushButton *exportNow = exportButton(dialog);
    ASSERT_TRUE(exportNow);
    sets->item(1)->setCheckState(Qt::Unchecked);
    EXPECT_FALSE(exportNow->isEnabled());
    sets->item(0)->setCheckState(Qt::Checked);
    sets->item(2)->setCheckState(Qt::Checked);
    dialog.findChild<QComboBox *>(QStringLiteral("formatCombo"))->setCurrentIndex(2);
    dialog.findChild<QCheckBox *>(QStringLiteral("exactlyCheck"))->setChecked(true);
    dialog.findChild<QLineEdit *>(QStringLiteral("folderEdit"))->setText(out.path());
    ASSERT_TRUE(exportNow->isEnabled());
    QTest::mouseClick(exportNow, Qt::LeftButton);

    EXPECT_EQ(QDir(out.path()).entryList(QDir::Files, QDir::Name),
              (QStringList{QStringLiteral("one.svg"), QStringLiteral("three.svg")}));
    EXPECT_TRUE(told.startsWith(QStringLiteral("2 files written."))) << told.toStdString();
    EXPECT_EQ(dialog.request().restore, SetStore::Restore::Exactly);
}
