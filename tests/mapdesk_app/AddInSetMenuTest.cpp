// mapdesk with the add-in: the set list's menu, its entries found by their
// captions, its questions answered by a script.

#include "AddInSession.h"
#include "MainWindow.h"
#include "ScriptedPrompts.h"

#include "ReadingWait.h"
#include <QAction>
#include <QFile>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

/// mapdesk on the city with the add-in's window open and three sets saved:
/// A with Roads hidden, B with Parks hidden, C with Rivers hidden.
struct SetMenuWorld
{
    SetMenuWorld()
    {
        EXPECT_NE(mapdesk.pressButton(), nullptr);
        mapdesk.setPrompts(std::make_unique<ScriptedPrompts>(script));
        for (const auto &[name, hidden] : {std::pair{"A", "Town/Roads"}, {"B", "Town/Parks"}, {"C", "Town/Rivers"}}) {
            mapdesk.press(QStringLiteral("On"));
            mapdesk.tick(QString::fromLatin1(hidden), false);
            saved.insert(QString::fromLatin1(name), mapdesk.visibility());
            mapdesk.save(QString::fromLatin1(name));
        }
        EXPECT_EQ(mapdesk.listed(), (QStringList{"A", "B", "C"}));
        perSet = records("A");
        EXPECT_GT(perSet, 0);
    }

    /// How many records of set `name` the file holds.
    int records(const QString &name) const
    {
        const QByteArray head = "\"" + name.toUtf8() + "\",";
        int count = 0;
        for (const QByteArray &line : mapdesk.setFileBytes().split('\n'))
            count += line.startsWith(head) ? 1 : 0;
        return count;
    }

    AddInSession mapdesk{QStringLiteral("city.mapdesk.json")};
    std::shared_ptr<ScriptedPrompts::Script> script = std::make_shared<ScriptedPrompts::Script>();
    QMap<QString, QMap<QString, bool>> saved;
    int perSet = 0;
};

// A click restores what the set names and leaves the rest; Restore Exactly
// hides the layers it does not name, such as data added since.
TEST(EndToEndSetMenu, RestoreExactlyAlsoHidesTheLayersTheSetDoesNotName)
{
    SetMenuWorld world;
    AddInSession &mapdesk = world.mapdesk;
    ASSERT_EQ(addAndWait(mapdesk.host.mainWindow(), {AddInSession::sample(QStringLiteral("data/forests.geojson"))}), 1);
    mapdesk.press(QStringLiteral("On"));

    mapdesk.click(QStringLiteral("A"));
    EXPECT_TRUE(mapdesk.ticked(QStringLiteral("Town/forests"))) << "a click leaves it";
    EXPECT_FALSE(mapdesk.ticked(QStringLiteral("Town/Roads")));

    ASSERT_TRUE(mapdesk.menu(QStringLiteral("Restore Exactly")));
    EXPECT_FALSE(mapdesk.ticked(QStringLiteral("Town/forests")));
    QMap<QString, bool> exactly = world.saved.value(QStringLiteral("A"));
    exactly.insert(QStringLiteral("Town/forests"), false);
    EXPECT_EQ(mapdesk.visibility(), exactly);
    EXPECT_EQ(mapdesk.boxTexts(), QStringList());
}

TEST(EndToEndSetMenu, RenameMovesRecordsAndMergesOnlyWhenConfirmed)
{
    const struct
    {
        const char *row;
        std::optional<QString> newName;
        bool merge;
        QStringList listed;
        QStringList asked;
        int aRecords, bRecords, dRecords; ///< in sets, after the rename
    } rows[] = {
        {"new name", QStringLiteral("D"), false, {"B", "C", "D"}, {"new name: A"}, 0, 1, 1},
        {"merge confirmed", QStringLiteral("B"), true, {"B", "C"}, {"new name: A", "merge: A into B"}, 0, 2, 0},
        {"merge declined", QStringLiteral("B"), false, {"A", "B", "C"}, {"new name: A", "merge: A into B"}, 1, 1, 0},
        {"cancelled", std::nullopt, false, {"A", "B", "C"}, {"new name: A"}, 1, 1, 0},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.row);
        SetMenuWorld world;
        world.script->newName = row.newName;
        world.script->merge = row.merge;
        world.mapdesk.click(QStringLiteral("A"));
        ASSERT_TRUE(world.mapdesk.menu(QStringLiteral("Rename...")));
        EXPECT_EQ(world.mapdesk.listed(), row.listed);
        EXPECT_EQ(world.script->asked, row.asked);
        EXPECT_EQ(world.records(QStringLiteral("A")), row.aRecords * world.perSet);
        EXPECT_EQ(world.records(QStringLiteral("B")), row.bRecords * world.perSet);
        EXPECT_EQ(world.records(QStringLiteral("D")), row.dRecords * world.perSet);
        EXPECT_EQ(world.mapdesk.boxTexts(), QStringList());
    }
}

// Delete removes the selected sets, Undo brings them back and Undo again
// removes them once more.
TEST(EndToEndSetMenu, DeleteRemovesTheSelectedSetsUndoBringsThemBackAndUndoAgainRedoes)
{
    SetMenuWorld world;
    AddInSession &mapdesk = world.mapdesk;
    const QByteArray before = mapdesk.setFileBytes();
    mapdesk.click(QStringLiteral("A"));
    mapdesk.click(QStringLiteral("C"), Qt::ControlModifier);

    // The menu a right click opens shows the list's actions, in order.
    QStringList offered;
    for (QAction *action : mapdesk.list()->actions())
        offered << (action->isSeparator() ? QStringLiteral("-") : action->text());
    EXPECT_EQ(offered, (QStringList{"Restore Exactly", "Rename...", "Delete", "Replace with Current Visibility",
                                    "Edit Layers...", "-", "Export...", "Import...", "-", "Undo", "-", "Set Store...",
                                    "-", "Find..."}));
    ASSERT_TRUE(mapdesk.menu(QStringLiteral("Delete")));

    EXPECT_EQ(mapdesk.listed(), QStringList{"B"});
    EXPECT_EQ(world.records(QStringLiteral("A")) + world.records(QStringLiteral("C")), 0);
    ASSERT_TRUE(mapdesk.menu(QStringLiteral("Undo")));
    EXPECT_EQ(mapdesk.listed(), (QStringList{"A", "B", "C"}));
    EXPECT_EQ(mapdesk.setFileBytes(), before);
    ASSERT_TRUE(mapdesk.menu(QStringLiteral("Undo")));
    EXPECT_EQ(mapdesk.listed(), QStringList{"B"});
    EXPECT_EQ(mapdesk.boxTexts(), QStringList());
}

TEST(EndToEndSetMenu, ReplaceTakesTheVisibilityShownNow)
{
    SetMenuWorld world;
    AddInSession &mapdesk = world.mapdesk;
    mapdesk.click(QStringLiteral("A"));
    mapdesk.tick(QStringLiteral("Town/Roads"), true);
    mapdesk.tick(QStringLiteral("Town/Buildings"), false);
    const QMap<QString, bool> now = mapdesk.visibility();
    ASSERT_TRUE(mapdesk.menu(QStringLiteral("Replace with Current Visibility")));
    EXPECT_EQ(world.records(QStringLiteral("A")), world.perSet);

    mapdesk.press(QStringLiteral("Off"));
    mapdesk.click(QStringLiteral("A"));
    EXPECT_EQ(mapdesk.visibility(), now);
    EXPECT_EQ(mapdesk.listed(), (QStringList{"A", "B", "C"}));
    EXPECT_EQ(mapdesk.boxTexts(), QStringList());
}

TEST(EndToEndSetMenu, ExportWritesTheSelectedSetsAndLeavesTheSetFile)
{
    SetMenuWorld world;
    AddInSession &mapdesk = world.mapdesk;
    QTemporaryDir out;
    world.script->exportFile = out.filePath(QStringLiteral("exported"));
    const QByteArray before = mapdesk.setFileBytes();
    mapdesk.click(QStringLiteral("C"));
    mapdesk.click(QStringLiteral("A"), Qt::ControlModifier);
    ASSERT_TRUE(mapdesk.menu(QStringLiteral("Export...")));

    EXPECT_EQ(world.script->asked, QStringList{"export: A|C"});
    QFile exported(world.script->exportFile);
    ASSERT_TRUE(exported.open(QIODevice::ReadOnly));
    QByteArray expected;
    for (const QByteArray &line : before.split('\n'))
        if (line.startsWith("\"A\",") || line.startsWith("\"C\","))
            expected += line + '\n';
    EXPECT_EQ(exported.readAll(), expected);
    EXPECT_EQ(mapdesk.setFileBytes(), before);
    EXPECT_EQ(mapdesk.boxTexts(), QStringList());
}

// An imported set whose name is in use is merged, skipped or added under a
// new name, as answered; a set with a free name is simply added.
TEST(EndToEndSetMenu, ImportAsksAboutANameInUseAndMergesSkipsOrRenames)
{
    const struct
    {
        const char *row;
        SetStore::Clash answer;
        QStringList listed;
        int aRecords, renamedRecords;
    } rows[] = {
        {"merge", SetStore::Clash::Merge, {"A", "B", "C", "New"}, 2, 0},
        {"skip", SetStore::Clash::Skip, {"A", "B", "C", "New"}, 1, 0},
        {"new name", SetStore::Clash::Rename, {"A", "A (2)", "B", "C", "New"}, 1, 1},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.row);
        SetMenuWorld world;
        QTemporaryDir in;
        QFile incoming(in.filePath(QStringLiteral("incoming")));
        ASSERT_TRUE(incoming.open(QIODevice::WriteOnly));
        QByteArray a;
        for (const QByteArray &line : world.mapdesk.setFileBytes().split('\n'))
            if (line.startsWith("\"A\","))
                a += line + '\n';
        incoming.write(a + "\"New\",\"Town\",\"Parks\",\"False\"\r\n");
        incoming.close();
        world.script->importFile = incoming.fileName();
        world.script->clash = row.answer;

        ASSERT_TRUE(world.mapdesk.menu(QStringLiteral("Import...")));
        EXPECT_EQ(world.script->asked, (QStringList{"import", "clash: A"}));
        EXPECT_EQ(world.mapdesk.listed(), row.listed);
        EXPECT_EQ(world.records(QStringLiteral("A")), row.aRecords * world.perSet);
        EXPECT_EQ(world.records(QStringLiteral("A (2)")), row.renamedRecords * world.perSet);
        EXPECT_EQ(world.records(QStringLiteral("New")), 1);
        EXPECT_EQ(world.mapdesk.boxTexts(), QStringList());
    }
}

TEST(EndToEndSetMenu, ClearAllThenUndoBringsTheSetsBack)
{
    SetMenuWorld world;
    AddInSession &mapdesk = world.mapdesk;
    const QByteArray before = mapdesk.setFileBytes();
    mapdesk.press(QStringLiteral("Clear All"));
    EXPECT_EQ(mapdesk.listed(), QStringList());
    EXPECT_EQ(mapdesk.setFileBytes(), QByteArray());

    ASSERT_TRUE(mapdesk.menu(QStringLiteral("Undo")));
    EXPECT_EQ(mapdesk.listed(), (QStringList{"A", "B", "C"}));
    EXPECT_EQ(mapdesk.setFileBytes(), before);
    mapdesk.press(QStringLiteral("Off"));
    mapdesk.click(QStringLiteral("B"));
    EXPECT_EQ(mapdesk.visibility(), world.saved.value(QStringLiteral("B")));
    EXPECT_EQ(mapdesk.boxTexts(), QStringList());
}

} // namespace
