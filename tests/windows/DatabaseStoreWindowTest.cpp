// The main window over a team's database in a PostgreSQL server of the
// test's own: the list follows a change made on another connection and
// tells who saved each set; a role that may only read finds the changing
// commands greyed, each saying why.
#include "AddinWorld.h"
#include "PgTestServer.h"
#include "SetDatabase.h"

#include <QAction>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

/// Waits up to a second, as a person would, for `done`.
bool within(const std::function<bool()> &done, int ms = 1000)
{
    for (int waited = 0; !done() && waited < ms; waited += 10)
        QTest::qWait(10);
    return done();
}

class DatabaseStoreWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.running()) << server.why().toStdString();
        SetDatabase(server.connection()).initialise();
    }
    /// The window over the store, reached as `role`.
    void open(const QString &role = QString())
    {
        world.state().setDatabase = std::make_shared<SetDatabase>(server.connection(QStringLiteral("postgres"), role));
        world.reload();
    }

    PgTestServer server;
    AddinWorld world;
};

TEST_F(DatabaseStoreWindow, TheListFollowsAChangeMadeElsewhereAndEachSetTellsWhoSavedIt)
{
    open();
    EXPECT_TRUE(world.listed().isEmpty());
    SetDatabase elsewhere(server.connection());
    elsewhere.appendSet("Elsewhere", {{"Layers", "Streets", "True"}});
    EXPECT_TRUE(within([&] { return world.listed() == QStringList{"Elsewhere"}; }))
        << world.listed().join(',').toStdString();
    EXPECT_TRUE(within([&] {
        return world.list().count()
               && world.list().item(0)->toolTip().contains("Saved by " + server.superuser() + ", ");
    })) << world.list().item(0)->toolTip().toStdString();
    elsewhere.renameSet("Elsewhere", "Renamed", false);
    EXPECT_TRUE(within([&] { return world.listed() == QStringList{"Renamed"}; }));
}

TEST_F(DatabaseStoreWindow, ARoleThatMayOnlyReadFindsTheChangingCommandsGreyedEachSayingWhy)
{
    PgConnection(server.connection()).run("CREATE ROLE reader LOGIN IN ROLE quarnel_readers");
    for (const QString role : {"reader", ""}) {
        open(role);
        const bool reads = role == "reader";
        const QString why = QStringLiteral("the role \"reader\" may not change the sets at ");
        for (QAction *action : world.list().actions()) {
            const bool changes = QStringList{"Rename...",      "Delete",    "Replace with Current Visibility",
                                             "Edit Layers...", "Import...", "Undo"}
                                     .contains(action->text());
            if (action->isSeparator())
                continue;
            EXPECT_EQ(action->isEnabled(), !(reads && changes)) << qPrintable(action->text());
            EXPECT_EQ(action->toolTip().contains(why), reads && changes) << qPrintable(action->toolTip());
        }
        for (const char *name : {"btnCreateNewGrid", "Command1"}) {
            QPushButton *button = world.control<QPushButton>(name);
            EXPECT_EQ(button->isEnabled(), !reads) << name;
            EXPECT_EQ(button->toolTip().contains(why), reads) << qPrintable(button->toolTip());
        }
    }
}

} // namespace
