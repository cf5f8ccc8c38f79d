// Finding a set among many: Ctrl+F opens a one-line filter above the list
// that keeps the names containing the typed text, whatever their case and
// accents, and leaves the list's order and clicks as they are.
#include "SetListFilter.h"
#include "AddinWorld.h"

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QStringList shown(QListWidget &list)
{
    QStringList names;
    for (int row = 0; row < list.count(); ++row)
        if (!list.item(row)->isHidden())
            names << list.item(row)->text();
    return names;
}

TEST(SetListFilter, KeepsTheNamesHoldingTheTextWhateverTheirCaseAndAccents)
{
    AddinWorld world;
    QByteArray file;
    for (const char *name : {"Roads night 2", "Roads night final",
                             "\xc3\x89"
                             "coles",
                             "ecoles old", "Rivers"})
        file += SetsWorld::record(name, "Layers", "Streets", "True");
    world.writeFile(file);
    world.reload();
    QListWidget &list = world.list();
    const QStringList all = world.listed();
    const QRect place = list.geometry();
    auto *find = world.control<QLineEdit>("txtFind");
    ASSERT_NE(find, nullptr);
    EXPECT_FALSE(find->isVisible()) << "closed, the window looks as it always did";

    QApplication::setActiveWindow(world.window().window());
    list.setFocus();
    QTest::keySequence(&list, QKeySequence(Qt::CTRL | Qt::Key_F));
    ASSERT_TRUE(find->isVisible());
    EXPECT_TRUE(find->hasFocus());
    const struct
    {
        const char *typed;
        QStringList shown;
    } cases[] = {
        {"NIGHT", {"Roads night 2", "Roads night final"}},
        {"ecole", {"\u00c9coles", "ecoles old"}},
        {"\u00e9COL", {"\u00c9coles", "ecoles old"}},
        {"night f", {"Roads night final"}},
        {"lakes", {}},
        {"", all},
    };
    for (const auto &c : cases) {
        find->setText(QString::fromUtf8(c.typed));
        EXPECT_EQ(shown(list), c.shown) << c.typed;
    }
    EXPECT_EQ(world.listed(), all) << "the order stays, nothing is removed";

    // A set saved meanwhile by another process comes filtered too.
    find->setText(QStringLiteral("night"));
    world.writeFile(file + SetsWorld::record("Night shift", "Layers", "Streets", "False"));
    const QStringList withNightShift = {"Night shift", "Roads night 2", "Roads night final"};
    EXPECT_TRUE(QTest::qWaitFor([&] { return shown(list) == withNightShift; })) << qPrintable(shown(list).join('|'));

    // A click on a filtered entry restores it as before.
    world.layer("Layers", "Streets").on = true;
    const QListWidgetItem *nightShift = list.findItems(QStringLiteral("Night shift"), Qt::MatchExactly).front();
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.visualItemRect(nightShift).center());
    EXPECT_FALSE(world.visible("Layers", "Streets"));

    // Escape shows every name again, and the window as it was.
    find->setFocus();
    QTest::keyClick(find, Qt::Key_Escape);
    EXPECT_FALSE(find->isVisible());
    EXPECT_EQ(shown(list), world.listed());
    EXPECT_EQ(list.geometry(), place);
    EXPECT_TRUE(world.host.boxes->boxes.empty());
}

} // namespace
