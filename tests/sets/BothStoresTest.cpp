// One body, two stores: the same random runs of saves, renames, deletes,
// replaces, edits, imports, Clear All and undos go to a set store over a set
// file and to one over a PostgreSQL database of the test's own, and the two
// must hold the same sets with the same records in the same order after
// every step, and say the same of each step.
#include "PgTestServer.h"
#include "SetDatabase.h"
#include "SetFileEdits.h"
#include "SetStore.h"
#include "SetsWorld.h"
#include "VisibilitySetFile.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <random>

namespace {

struct Record
{
    QString set, map, layer, visibility;
    bool operator==(const Record &) const = default;
};

std::vector<Record> recordsOf(const QByteArray &bytes)
{
    std::vector<Record> out;
    SetFileEdits::visitRecords(bytes, [&](const VisibilityRecord &r) {
        out.push_back({r.setName, r.mapName, r.layerName, r.visibility});
    });
    return out;
}

std::ostream &operator<<(std::ostream &out, const Record &r)
{
    return out << qPrintable(r.set) << '/' << qPrintable(r.map) << '/' << qPrintable(r.layer) << '='
               << qPrintable(r.visibility);
}

TEST(BothStores, RandomRunsLeaveTheFileAndTheDatabaseWithTheSameSets)
{
    PgTestServer server;
    ASSERT_TRUE(server.running()) << server.why().toStdString();
    QTemporaryDir scratch;
    const QStringList pool = {"A", "B", "C", "D"};
    for (unsigned seed = 1; seed <= 6; ++seed) {
        SetsWorld file;
        SetsWorld database;
        // A database of each run's own, as the file is.
        const QString name = QStringLiteral("run%1").arg(seed);
        PgConnection(server.connection()).run(qPrintable(QStringLiteral("CREATE DATABASE ") + name));
        database.state().setDatabase = std::make_shared<SetDatabase>(server.connection(name));
        database.state().setDatabase->initialise();
        SetsWorld *worlds[] = {&file, &database};
        std::mt19937 random(seed);
        auto pick = [&](int count) { return int(random() % unsigned(count)); };

        for (int step = 0; step < 60; ++step) {
            const QString name = pool[pick(pool.size())];
            const QString other = pool[pick(pool.size())];
            const int operation = pick(11);
            const bool merge = pick(2);
            const SetStore::Clash clash = std::array{SetStore::Clash::Merge, SetStore::Clash::Skip,
                                                     SetStore::Clash::Rename}[std::size_t(pick(3))];
            const QString importPath = scratch.filePath(QString::number(step));
            QFile importFile(importPath);
            ASSERT_TRUE(importFile.open(QIODevice::WriteOnly));
            importFile.write(SetsWorld::record(name.toUtf8(), "Imported", QByteArray::number(step), "True")
                             + SetsWorld::record(other.toUtf8(), "Layers", "Rivers", step % 2 ? "True" : "False"));
            importFile.close();
            QString said[2];
            for (int i = 0; i < 2; ++i) {
                SetsWorld &world = *worlds[i];
                SetStore store(world.state());
                // Each step sees another visibility, so that records tell apart.
                fake::LayerBase &streets = world.layer(QStringLiteral("Layers"), QStringLiteral("Streets"));
                streets.on = step % 3 != 0;
                switch (operation) {
                case 0:
                case 1:
                    store.appendSetToFile(name, *world.document);
                    break;
                case 2:
                    said[i] = QString::number(int(store.renameSet(
                        name, other, merge ? SetStore::OntoNameInUse::Merge : SetStore::OntoNameInUse::Refuse)));
                    break;
                case 3:
                    said[i] = QString::number(store.deleteSets({name, other}));
                    break;
                case 4:
                    said[i] = QString::number(store.replaceSet(name, *world.document));
                    break;
                case 5:
                    said[i] = QString::number(int(store.editSet(
                        name, {{"Layers", "Rivers", merge}, {"Overview", "Streets", !merge}}, std::nullopt)));
                    break;
                case 6: {
                    const SetStore::ImportOutcome outcome =
                        store.importSets(importPath, [&](const QString &) { return clash; });
                    said[i] = outcome.added.join(',') + '|' + outcome.skipped.join(',');
                    break;
                }
                case 7:
                    store.clearAll();
                    break;
                default:
                    said[i] = QString::number(store.undo());
                    break;
                }
            }
            const QString where = QStringLiteral("seed %1 step %2 operation %3").arg(seed).arg(step).arg(operation);
            EXPECT_EQ(said[0], said[1]) << where.toStdString();
            SetStore fromDatabase(database.state());
            const QString exported = scratch.filePath(QStringLiteral("exported"));
            fromDatabase.exportSets(fromDatabase.names(), exported);
            QFile exportedFile(exported);
            ASSERT_TRUE(exportedFile.open(QIODevice::ReadOnly));
            ASSERT_EQ(recordsOf(exportedFile.readAll()), recordsOf(file.fileBytes())) << where.toStdString();
            ASSERT_EQ(fromDatabase.names(), SetStore(file.state()).names()) << where.toStdString();
        }
    }
}

} // namespace
