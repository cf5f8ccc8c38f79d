// quarnel-sets on a team's database in a PostgreSQL server of the test's
// own: processes saving while another renames, deletes and undoes; sets
// carried from a file to the database and back; the store chosen by the
// command line, the environment or the settings.

#include "CliWorld.h"
#include "PgTestServer.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <map>

namespace {

constexpr int kSavers = 3;
constexpr int kSaves = 15;     // capture runs of each saver
constexpr int kRewritten = 16; // sets "P k": renamed, deleted, deleted and undone

/// How many records each set holds, and whether each set's records stand
/// together, in a set file.
std::map<QString, int> recordsPerSet(const QByteArray &file, bool *together)
{
    static const QRegularExpression whole(QStringLiteral("^\"([^\"]+)\",\"Town\",\"(\\w+)\",\"(True|False)\"\r$"));
    std::map<QString, int> count;
    std::map<QString, int> runs;
    QString previous;
    QList<QByteArray> lines = file.split('\n');
    lines.removeAll(QByteArray());
    for (const QByteArray &line : std::as_const(lines)) {
        const QRegularExpressionMatch record = whole.match(QString::fromUtf8(line));
        EXPECT_TRUE(record.hasMatch()) << line.toStdString();
        const QString set = record.captured(1);
        ++count[set];
        if (set != previous)
            ++runs[set];
        previous = set;
    }
    *together = std::all_of(runs.begin(), runs.end(), [](const auto &run) { return run.second == 1; });
    return count;
}

class DatabaseStore : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.running()) << server.why().toStdString();
        world.write("doc.mapdesk.json", CliWorld::townDocument());
        world.environment.insert("QUARNEL_SETS_STORE", server.connection());
        const CliWorld::Run init = world.run({"db", "init"}, false);
        ASSERT_EQ(init.exitCode, 0) << init.err.toStdString();
    }

    PgTestServer server;
    CliWorld world;
};

TEST_F(DatabaseStore, ProcessesSavingWhileAnotherRenamesDeletesAndUndoesLoseNothingAndBringNothingBack)
{
    const QString tool = QStringLiteral(QUARNEL_SETS_PATH);
    QString seed;
    for (int k = 0; k < kRewritten; ++k)
        seed += QStringLiteral("\"$0\" capture doc.mapdesk.json 'P %1' || exit 1\n").arg(k);
    QProcess seeding;
    seeding.setWorkingDirectory(world.dir.path());
    seeding.setProcessEnvironment([&] {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QUARNEL_SETS_STORE", server.connection());
        return environment;
    }());
    seeding.start("sh", {"-c", seed, tool});
    ASSERT_TRUE(seeding.waitForFinished(120000));
    ASSERT_EQ(seeding.exitCode(), 0) << seeding.readAllStandardError().toStdString();

    // The rewriter is the only one to make whole changes, so that each of
    // its undos takes back its own change, whatever the savers do between.
    QString rewrites;
    for (int k = 0; k < kRewritten; ++k) {
        if (k % 2 == 0)
            rewrites += QStringLiteral("\"$0\" rename 'P %1' 'R %1' || exit 1\n").arg(k);
        else
            rewrites += QStringLiteral("\"$0\" delete 'P %1' || exit 1\n").arg(k);
        if (k % 4 == 1)
            rewrites += QStringLiteral("\"$0\" undo && \"$0\" undo || exit 1\n"); // undone and done again
        if (k % 4 == 3)
            rewrites += QStringLiteral("\"$0\" undo || exit 1\n"); // the delete undone
    }
    std::vector<std::unique_ptr<QProcess>> processes;
    for (int saver = 0; saver <= kSavers; ++saver) {
        QString script = rewrites;
        if (saver < kSavers) {
            script.clear();
            for (int i = 0; i < kSaves; ++i)
                script += QStringLiteral("\"$0\" capture doc.mapdesk.json 'S%1 %2' || exit 1\n").arg(saver).arg(i);
        }
        processes.push_back(std::make_unique<QProcess>());
        processes.back()->setWorkingDirectory(world.dir.path());
        processes.back()->setProcessEnvironment(seeding.processEnvironment());
        processes.back()->start("sh", {"-c", script, tool});
    }
    for (const auto &process : processes) {
        ASSERT_TRUE(process->waitForFinished(300000));
        EXPECT_EQ(process->exitCode(), 0) << process->readAllStandardError().toStdString();
    }

    const CliWorld::Run pulled = world.run({"db", "pull", "pulled"}, false);
    ASSERT_EQ(pulled.exitCode, 0) << pulled.err.toStdString();
    bool together = false;
    const std::map<QString, int> count = recordsPerSet(world.read("pulled"), &together);
    std::map<QString, int> expected;
    for (int saver = 0; saver < kSavers; ++saver)
        for (int i = 0; i < kSaves; ++i)
            expected[QStringLiteral("S%1 %2").arg(saver).arg(i)] = 3;
    for (int k = 0; k < kRewritten; ++k) {
        if (k % 2 == 0)
            expected[QStringLiteral("R %1").arg(k)] = 3;
        else if (k % 4 == 3)
            expected[QStringLiteral("P %1").arg(k)] = 3;
    }
    EXPECT_EQ(count, expected);
    EXPECT_TRUE(together);
}

TEST_F(DatabaseStore, SetsGoToTheDatabaseAndComeBackAsTheyWereWhicheverWayTheStoreIsChosen)
{
    QByteArray file;
    for (const char *set : {"Roads", "say \"hi\"", "Ünïcode ✓"})
        for (const char *layer : {"Roads", "Rivers", "Parks"})
            file += CliWorld::record(set, "Town", layer, QByteArray(layer) == "Rivers" ? "False" : "True");
    world.write("config", file);
    // By the command line...
    world.environment.remove("QUARNEL_SETS_STORE");
    const CliWorld::Run pushed = world.run({"--store", server.connection(), "db", "push", "config"}, false);
    ASSERT_EQ(pushed.exitCode, 0) << pushed.err.toStdString();
    EXPECT_EQ(pushed.out, "added\tRoads\nadded\tsay \"hi\"\nadded\tÜnïcode ✓\n");
    // ...by the settings mapdesk and the QGIS plugin share...
    ASSERT_TRUE(QDir().mkpath(world.path(".config/QuarnelGIS")));
    world.write(".config/QuarnelGIS/QuarnelVisibility.ini",
                "[SetStore]\nconnection=\"" + server.connection().toUtf8() + "\"\n");
    EXPECT_EQ(world.run({"list"}, false).out, "Roads\nsay \"hi\"\nÜnïcode ✓\n");
    // ...and by the environment, which comes before the settings.
    world.environment.insert("QUARNEL_SETS_STORE", "host=/nowhere");
    const CliWorld::Run away = world.run({"list"}, false);
    EXPECT_EQ(away.exitCode, 1);
    EXPECT_TRUE(away.err.contains("The set store at /nowhere:5432")) << away.err.toStdString();
    world.environment.insert("QUARNEL_SETS_STORE", server.connection());
    const CliWorld::Run pulled = world.run({"db", "pull", "back"}, false);
    ASSERT_EQ(pulled.exitCode, 0) << pulled.err.toStdString();
    EXPECT_EQ(world.read("back"), file);
    EXPECT_EQ(world.run({"repair"}, false).out, "nothing to repair: a database holds whole records only\n");
    // The set file mapdesk uses is never written over from the database.
    const QString setFile = "share/mapdesk/drive_c/Program Files/QuarnelGIS/QuarnelVisibility/config";
    ASSERT_TRUE(QDir().mkpath(world.path(setFile.section('/', 0, -2))));
    const CliWorld::Run over = world.run({"export", "Roads", "-o", world.path(setFile)}, false);
    EXPECT_EQ(over.exitCode, 1);
    EXPECT_TRUE(over.err.contains("is the set file itself")) << over.err.toStdString();
    // The file named on the command line comes before every database.
    EXPECT_EQ(world.run({"list"}, true).out, "Roads\nsay \"hi\"\nÜnïcode ✓\n");
    EXPECT_EQ(world.run({"--store", server.connection(), "--file", "config", "list"}, false).exitCode, 2);
}

} // namespace
