// The set list's marks: bold for the sets the layers shown now match,
// italic for the set restored last once they differ from it, and tooltips
// that say how each set stands. They follow the add-in's own restores, a
// change made in the host's table of contents, and the file changed by
// another process.
#include "AddinWorld.h"
#include "FileLock.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTest>
#include <QThreadPool>

#include <gtest/gtest.h>

#include <functional>

namespace {

/// How an entry is drawn: "bold", "italic" or "plain", with its tooltip.
QString markOf(QListWidget &list, const QString &name)
{
    const QList<QListWidgetItem *> found = list.findItems(name, Qt::MatchExactly);
    if (found.isEmpty())
        return QStringLiteral("missing");
    const QFont font = found.front()->font();
    const QString style = font.bold()     ? QStringLiteral("bold")
                          : font.italic() ? QStringLiteral("italic")
                                          : QStringLiteral("plain");
    return style + QStringLiteral(" / ") + found.front()->toolTip();
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
    EXPECT_EQ(settled(list, both, "bold / Matches the layers shown now"), "bold / Matches the layers shown now");
    EXPECT_EQ(markOf(list, noStreets), "plain / 1 layer differs: Streets is on");

    // Restoring "No streets": it matches, "Both" no longer does.
    world.select(1);
    EXPECT_EQ(settled(list, noStreets, "bold / Matches the layers shown now"), "bold / Matches the layers shown now");
    EXPECT_EQ(markOf(list, both), "plain / 1 layer differs: Streets is off");

    // Streets ticked again in the host's table of contents: the set restored
    // last turns italic, and "Both" matches again.
    world.layer("Layers", "Streets").on = true;
    world.document->updateContents();
    EXPECT_EQ(settled(list, noStreets, "italic / 1 layer differs: Streets is on"),
              "italic / 1 layer differs: Streets is on");
    EXPECT_EQ(markOf(list, both), "bold / Matches the layers shown now");

    // Another process saves a set that matches: it comes in bold.
    world.writeFile(world.fileBytes() + SetsWorld::record("Rivers", "Layers", "Rivers", "True"));
    EXPECT_EQ(settled(list, "Rivers", "bold / Matches the layers shown now"), "bold / Matches the layers shown now");
    EXPECT_TRUE(world.host.boxes->boxes.empty());
}

// A window that goes (as when the host unloads the add-in) waits for the
// judgement running off the interface thread: none of its work outlives it.
TEST(SetMarks, AWindowThatGoesWaitsForTheJudgementRunning)
{
    AddinWorld world;
    world.writeFile(SetsWorld::record("Both", "Layers", "Streets", "True"));
    world.reload();
    ASSERT_EQ(settled(world.list(), "Both", "bold / Matches the layers shown now"),
              "bold / Matches the layers shown now");
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
    EXPECT_EQ(QThreadPool::globalInstance()->activeThreadCount(), 0);
}

} // namespace
