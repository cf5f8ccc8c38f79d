// The main window over a team's database in a PostgreSQL server of the
// test's own: the list follows a change made on another connection and
// tells who saved each set; a role that may only read finds the changing
// commands greyed, each saying why.
#include "AddinWorld.h"
#include "PgTestServer.h"
#include "SetDatabase.h"
#include "SetPrompts.h"
#include "StoreConnection.h"

#include <QAction>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
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
    // Read again after the change: the new name has its saver too.
    EXPECT_TRUE(within([&] { return world.list().item(0)->toolTip().contains("Saved by "); }));
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

/// A person who names a store when asked, and is asked nothing else.
class StoreAnswer : public SetPrompts
{
public:
    explicit StoreAnswer(QString connection) : m_connection(std::move(connection)) {}
    std::optional<QString> storeConnection(QWidget *, const QString &) override { return m_connection; }
    std::optional<QString> newName(QWidget *, const QString &) override { return std::nullopt; }
    bool confirmMerge(QWidget *, const QString &, const QString &) override { return false; }
    QString exportFile(QWidget *, const QStringList &) override { return {}; }
    QString importFile(QWidget *) override { return {}; }
    SetStore::Clash onClash(QWidget *, const QString &) override { return SetStore::Clash::Skip; }
    std::optional<std::vector<SetLayers::Layer>> editLayers(QWidget *, const QString &, const SetLayers &) override
    {
        return std::nullopt;
    }

private:
    QString m_connection;
};

TEST_F(DatabaseStoreWindow, SetStoreMovesTheListToTheChosenStoreAndBackAndIsRemembered)
{
    QTemporaryDir settings;
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings.path());
    SetDatabase(server.connection()).appendSet("In the database", {{"Layers", "Streets", "True"}});
    world.writeFile(SetsWorld::record("In the file", "Layers", "Streets", "True"));
    world.reload();
    ASSERT_EQ(world.listed(), QStringList{"In the file"});
    QAction *store = nullptr;
    for (QAction *action : world.list().actions())
        if (action->text() == QLatin1String("Set Store..."))
            store = action;
    ASSERT_NE(store, nullptr);
    for (const QString &chosen : {server.connection(), QString()}) {
        world.window().setPrompts(std::make_unique<StoreAnswer>(chosen));
        store->trigger();
        EXPECT_EQ(world.listed(), QStringList{chosen.isEmpty() ? "In the file" : "In the database"});
        EXPECT_EQ(StoreConnection::remembered(), chosen);
    }
}

} // namespace
