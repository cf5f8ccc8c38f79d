// The set list's marks: every name in the list's blue bold, a tick beside
// the sets the layers shown now match, italic for the set restored last once
// they differ from it, and tooltips that say how each set stands; a screen
// reader says the same. They follow the add-in's own restores, a change made
// in the host's table of contents, and the file changed by another process.
#include "AddinWorld.h"
#include "FileLock.h"

#include <QAccessible>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTest>
#include <QThreadPool>

#include <gtest/gtest.h>

#include <functional>

namespace {

/// Whether `icon` shows anything at `size`.
bool visible(const QIcon &icon, const QSize &size)
{
    const QImage image = icon.pixmap(size).toImage();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y).alpha() > 0)
                return true;
    return false;
}

/// How an entry is drawn ("bold blue", with "italic" and "tick" when it is
/// so), then what a screen reader says of it: its name and description. A
/// tooltip that says something else than the description follows.
QString markOf(QListWidget &list, const QString &name)
{
    const QList<QListWidgetItem *> found = list.findItems(name, Qt::MatchExactly);
    if (found.isEmpty())
        return QStringLiteral("missing");
    const QListWidgetItem *item = found.front();
    // An entry's own font and colour are laid over the list's, as the list draws them.
    const QFont font = item->data(Qt::FontRole).isValid() ? item->font().resolve(list.font()) : list.font();
    const QColor colour =
        item->data(Qt::ForegroundRole).isValid() ? item->foreground().color() : list.palette().color(QPalette::Text);
    QStringList looks;
    if (font.bold())
        looks << QStringLiteral("bold");
    if (font.italic())
        looks << QStringLiteral("italic");
    looks << (colour == QColor(0, 0, 255) ? QStringLiteral("blue") : colour.name());
    if (visible(item->icon(), list.iconSize()))
        looks << QStringLiteral("tick");
    QAccessibleInterface *entry = QAccessible::queryAccessibleInterface(&list)->child(list.row(item));
    const QString description = entry->text(QAccessible::Description);
    QString mark = looks.join(QLatin1Char(' ')) + QStringLiteral(" / ") + entry->text(QAccessible::Name)
                   + QStringLiteral(" / ") + description;
    if (item->toolTip() != description)
        mark += QStringLiteral(" / tooltip: ") + item->toolTip();
    return mark;
}
/// Lets the events run until `name` is drawn as `expected`, or a few seconds
/// passed; the marks are judged off the interface thread.
QString settled(QListWidget &list, const QString &name, const QString &expected)
{
    QElapsedTimer waited;
    waited.start();
    while (markOf(list, name) != expected && waited.elapsed() < 5000)
        QTest::qWait(10);
    return markOf(list, name);
}

TEST(SetMarks, FollowRestoresTheTableOfContentsAndOtherProcesses)
{
    AddinWorld world;
    // The standard document shows Streets and Rivers in map Layers.
    world.writeFile(SetsWorld::record("Both", "Layers", "Streets", "True")
                    + SetsWorld::record("Both", "Layers", "Rivers", "True")
                    + SetsWorld::record("No streets", "Layers", "Streets", "False"));
    world.reload();
    QListWidget &list = world.list();
    const QString both = QStringLiteral("Both");
    const QString noStreets = QStringLiteral("No streets");
    const QString bothMatches = "bold blue tick / Both, matches now / Matches the layers shown now";
    EXPECT_EQ(settled(list, both, bothMatches), bothMatches);
    EXPECT_EQ(markOf(list, noStreets), "bold blue / No streets / 1 layer differs: Streets is on");

    // Restoring "No streets": it matches, "Both" no longer does.
    world.select(1);
    const QString noStreetsMatches = "bold blue tick / No streets, matches now / Matches the layers shown now";
    EXPECT_EQ(settled(list, noStreets, noStreetsMatches), noStreetsMatches);
    EXPECT_EQ(markOf(list, both), "bold blue / Both / 1 layer differs: Streets is off");

    // Streets ticked again in the host's table of contents: the set restored
    // last turns italic, and "Both" matches again.
    world.layer("Layers", "Streets").on = true;
    world.document->updateContents();
    const QString drifted =
        "bold italic blue / No streets, restored last, changed since / 1 layer differs: Streets is on";
    EXPECT_EQ(settled(list, noStreets, drifted), drifted);
    EXPECT_EQ(markOf(list, both), bothMatches);

    // Another process saves a set that matches: it comes with the tick.
    world.writeFile(world.fileBytes() + SetsWorld::record("Rivers", "Layers", "Rivers", "True"));
    const QString riversMatches = "bold blue tick / Rivers, matches now / Matches the layers shown now";
    EXPECT_EQ(settled(list, "Rivers", riversMatches), riversMatches);
    EXPECT_TRUE(world.host.boxes->boxes.empty());
}

// A set saved in the window is judged against the layers shown: it comes
// with the tick, and the sets it no longer matches lose theirs, also when a
// layer was switched in the host between two saves.
TEST(SetMarks, FollowSavesMadeInTheWindow)
{
    AddinWorld world;
    world.writeFile(SetsWorld::record("Both", "Layers", "Streets", "True"));
    world.reload();
    QListWidget &list = world.list();
    const QString bothMatches = "bold blue tick / Both, matches now / Matches the layers shown now";
    ASSERT_EQ(settled(list, "Both", bothMatches), bothMatches);

    AddinWorld::saveAs(world.pressSave(), QStringLiteral("Saved"));
    const QString savedMatches = "bold blue tick / Saved, matches now / Matches the layers shown now";
    EXPECT_EQ(settled(list, "Saved", savedMatches), savedMatches);
    EXPECT_EQ(markOf(list, "Both"), bothMatches);

    world.layer("Layers", "Streets").on = false;
    world.document->updateContents();
    AddinWorld::saveAs(world.pressSave(), QStringLiteral("Without streets"));
    const QString withoutMatches = "bold blue tick / Without streets, matches now / Matches the layers shown now";
    EXPECT_EQ(settled(list, "Without streets", withoutMatches), withoutMatches);
    EXPECT_EQ(markOf(list, "Saved"), "bold blue / Saved / 1 layer differs: Streets is off");
    EXPECT_EQ(markOf(list, "Both"), "bold blue / Both / 1 layer differs: Streets is off");
    EXPECT_TRUE(world.host.boxes->boxes.empty());
}

// A window that goes (as when the host unloads the add-in) waits for the
// judgement running off the interface thread: none of its work outlives it.
TEST(SetMarks, AWindowThatGoesWaitsForTheJudgementRunning)
{
    AddinWorld world;
    world.writeFile(SetsWorld::record("Both", "Layers", "Streets", "True"));
    world.reload();
    const QString matches = "bold blue tick / Both, matches now / Matches the layers shown now";
    ASSERT_EQ(settled(world.list(), "Both", matches), matches);
    ASSERT_TRUE(QTest::qWaitFor([] { return QThreadPool::globalInstance()->activeThreadCount() == 0; }));
    // Another process holds the file: the next judgement waits for its lock,
    // as long as the lock is waited for.
    QFile held(world.filePath());
    ASSERT_TRUE(held.open(QIODevice::ReadWrite));
    ASSERT_TRUE(FileLock::acquire(held.handle(), FileLock::Kind::Exclusive));
    world.layer("Layers", "Streets").on = false;
    world.document->updateContents();
    ASSERT_TRUE(QTest::qWaitFor([] { return QThreadPool::globalInstance()->activeThreadCount() > 0; }));
    world.mainWindow.reset();
    // The pool counts a thread as active a moment after its task has ended;
    // a judgement not waited for would still wait for the lock for seconds.
    EXPECT_TRUE(QTest::qWaitFor([] { return QThreadPool::globalInstance()->activeThreadCount() == 0; }, 200));
}

} // namespace
