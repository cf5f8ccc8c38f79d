// The team's store in a PostgreSQL server of the test's own: what a role
// that may only read is refused, a change cut off when the server goes,
// a server away and back, and who saved each set.
#include "SetDatabase.h"
#include "HostError.h"
#include "PgTestServer.h"
#include "VisibilitySetFile.h"

#include <QThread>

#include <gtest/gtest.h>

#include <thread>

namespace {

using Fields = SetDatabase::Fields;
const std::vector<Fields> kRoads = {{"Town", "Roads", "True"}, {"Town", "Rivers", "False"}};

/// The error number and text `step` throws (0 for none).
std::pair<int, QString> failureOf(const std::function<void()> &step)
{
    try {
        step();
    } catch (const HostError &error) {
        return {error.number(), error.description()};
    }
    return {0, {}};
}

/// Every record of the store, set by set in order.
QStringList everything(SetDatabase &store)
{
    QStringList records;
    for (const QString &name : store.names())
        store.readSet(name, [&](const VisibilityRecord &r) {
            records << r.setName + '/' + r.mapName + '/' + r.layerName + '=' + r.visibility;
        });
    return records;
}

class SetDatabaseTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.running()) << server.why().toStdString();
        EXPECT_EQ(store.initialise(), 0);
        EXPECT_EQ(store.initialise(), SetDatabase::schemaVersion); // a second run finds it made
        store.appendSet("Roads", kRoads);
        store.appendSet("Parks", {{"Town", "Parks", "True"}});
    }

    PgTestServer server;
    SetDatabase store{server.connection()};
};

TEST_F(SetDatabaseTest, ARefusedChangeSaysWhyAndLeavesTheStoreAsItWas)
{
    store.connection().run("CREATE ROLE reader LOGIN IN ROLE quarnel_readers");
    SetDatabase reader(server.connection(QStringLiteral("postgres"), QStringLiteral("reader")));
    EXPECT_FALSE(reader.mayChange());
    EXPECT_TRUE(store.mayChange());
    const QStringList before = everything(store);
    EXPECT_EQ(everything(reader), before); // a reader lists and reads
    const SetFileEdits::ImportedSet imported{"New", {}, {{"Town", "Roads", "True"}}};
    // A NUL would end the text sent, naming the set before it.
    const QString cut = QStringLiteral("Roads") + QChar(0) + QStringLiteral("y");
    const QString readOnly = QStringLiteral("\"reader\" may list and restore");
    const QString nul = QStringLiteral("NUL character");
    const struct
    {
        const char *change;
        std::function<void()> step;
        int number;
        QString says;
    } rows[] = {
        {"a reader's save", [&] { reader.appendSet("New", kRoads); }, 70, readOnly},
        {"a reader's rename", [&] { reader.renameSet("Roads", "Streets", false); }, 70, readOnly},
        {"a reader's delete", [&] { reader.deleteSets({"Roads"}); }, 70, readOnly},
        {"a reader's replace", [&] { reader.replaceSet("Roads", kRoads); }, 70, readOnly},
        {"a reader's edit",
         [&] {
             bool found = false;
             std::vector<SetFileEdits::LayerChange> changes;
             reader.editSet("Roads", {{"Town", "Roads", false}}, std::nullopt, found, changes);
         },
         70, readOnly},
        {"a reader's import", [&] { reader.addSets({imported}, {}); }, 70, readOnly},
        {"a reader's Clear All", [&] { reader.clearAll(); }, 70, readOnly},
        {"a reader's undo", [&] { reader.undo(); }, 70, readOnly},
        {"a save named with a NUL", [&] { store.appendSet(cut, kRoads); }, 52, nul},
        {"a layer named with a NUL",
         [&] {
             store.appendSet("New", {{"Town", cut, "True"}});
         },
         52, nul},
        {"a read named with a NUL", [&] { store.readSet(cut, [](const VisibilityRecord &) {}); }, 52, nul},
        {"a delete named with a NUL", [&] { store.deleteSets({cut}); }, 52, nul},
        {"a rename to a name with a NUL", [&] { store.renameSet("Parks", cut, true); }, 52, nul},
        {"an import named with a NUL",
         [&] {
             store.addSets({{cut, {}, {{"Town", "Roads", "True"}}}}, {});
         },
         52, nul},
        {"a change that waits too long for another",
         [&] {
             // Ended with its connection when the step throws.
             PgConnection other(server.connection());
             other.run("BEGIN; LOCK TABLE quarnel.records IN EXCLUSIVE MODE");
             store.connection().run("SET lock_timeout = '100ms'");
             store.deleteSets({"Roads"});
         },
         70, QStringLiteral("being changed by someone else; nothing was changed")},
    };
    for (const auto &row : rows) {
        const auto [number, text] = failureOf(row.step);
        EXPECT_EQ(number, row.number) << row.change;
        EXPECT_TRUE(text.contains(row.says)) << row.change << ": " << qPrintable(text);
        EXPECT_EQ(everything(store), before) << row.change;
    }
}

TEST_F(SetDatabaseTest, AChangeCutOffWhenTheServerGoesLeavesNothingHalfDone)
{
    // Each change stalls at its last statement, after its rows are written.
    store.connection().run("CREATE FUNCTION quarnel.stall() RETURNS trigger LANGUAGE plpgsql AS "
                           "$$ BEGIN PERFORM pg_sleep(60); RETURN NULL; END $$;"
                           "CREATE TRIGGER stall AFTER INSERT ON quarnel.sets "
                           "FOR EACH STATEMENT EXECUTE FUNCTION quarnel.stall()");
    const QStringList before = everything(store);
    const struct
    {
        const char *change;
        std::function<void(SetDatabase &)> step;
    } rows[] = {
        {"save", [](SetDatabase &s) { s.appendSet("New", kRoads); }},
        {"delete", [](SetDatabase &s) { s.deleteSets({"Roads"}); }},
        {"rename", [](SetDatabase &s) { s.renameSet("Roads", "Parks", true); }},
        {"clear all", [](SetDatabase &s) { s.clearAll(); }},
    };
    for (const auto &row : rows) {
        std::pair<int, QString> failure;
        std::thread changing([&] {
            SetDatabase other(server.connection());
            failure = failureOf([&] { row.step(other); });
        });
        SetDatabase watching(server.connection());
        for (int wait = 0; wait < 500; ++wait) {
            if (watching.connection()
                    .exec("SELECT count(*) FROM pg_stat_activity WHERE wait_event = 'PgSleep'")
                    .number(0, 0)
                > 0)
                break;
            QThread::msleep(20);
        }
        server.kill();
        changing.join();
        EXPECT_EQ(failure.first, 75) << row.change;
        EXPECT_TRUE(failure.second.contains(QLatin1String("went away"))) << qPrintable(failure.second);
        ASSERT_TRUE(server.start()) << server.why().toStdString();
        EXPECT_EQ(everything(store), before) << row.change;
        EXPECT_FALSE(store.undo()) << row.change; // no undo point from a change that never was
    }
}

TEST_F(SetDatabaseTest, AServerAwayIsNamedWithItsReasonAndTheNextActionReachesItAgain)
{
    server.kill();
    const auto [number, text] = failureOf([&] { store.names(); });
    EXPECT_EQ(number, 75);
    EXPECT_TRUE(text.startsWith(QStringLiteral("The set store at %1:5432/postgres could not be reached: ")
                                    .arg(server.connection().section(' ', 0, 0).mid(5))))
        << qPrintable(text);
    EXPECT_TRUE(text.contains(QLatin1String("No such file or directory"))) << qPrintable(text);
    ASSERT_TRUE(server.start());
    EXPECT_EQ(store.names(), (QStringList{"Roads", "Parks"}));
}

TEST_F(SetDatabaseTest, EachSetTellsWhoSavedItLastAndWhen)
{
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    store.connection().run("CREATE ROLE editor LOGIN IN ROLE quarnel_editors");
    SetDatabase editor(server.connection(QStringLiteral("postgres"), QStringLiteral("editor")));
    EXPECT_TRUE(editor.mayChange());
    editor.replaceSet("Roads", kRoads);
    const std::optional<SetDatabase::Origin> roads = store.origin("Roads");
    ASSERT_TRUE(roads);
    EXPECT_EQ(roads->savedBy, QStringLiteral("editor"));
    EXPECT_GE(roads->savedAt, before);
    EXPECT_LE(roads->savedAt, QDateTime::currentDateTime().addSecs(1));
    EXPECT_EQ(store.origin("Parks")->savedBy, server.superuser());
    EXPECT_FALSE(store.origin("Nothing"));
}

} // namespace
