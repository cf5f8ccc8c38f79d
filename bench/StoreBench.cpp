// The team's database next to the set file, in one run, on a PostgreSQL
// server of the benchmark's own (a Unix socket in a temporary folder):
//   - restoring the benchmark's chosen set (N / 100 records) from a store of
//     N records, through the set core, from the file and from the database;
//   - listing the store's 1,000 names;
//   - ten processes each saving 1,000 sets of 100 records at once, every
//     record counted afterwards.
//
//   quarnel_store_bench [--records=N] [--smoke]
// Prints one line per figure; exits 1 when a figure's check fails.

#include "BenchData.h"
#include "BenchDocument.h"
#include "Document.h"
#include "FakeHost.h"
#include "ILayer.h"
#include "IMap.h"
#include "LayerWalk.h"
#include "PgTestServer.h"
#include "QuarnelGIS_Public.h"
#include "SetDatabase.h"
#include "SetFileEdits.h"
#include "SetStore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double medianMs(std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

/// One saver process: `sets` saves of `records` records each.
int save(const QString &connection, int saver, int sets, int records)
{
    SetDatabase store(connection);
    std::vector<SetDatabase::Fields> fields;
    for (int layer = 0; layer < records; ++layer)
        fields.push_back({QStringLiteral("Map"), BenchData::layerName(layer), QStringLiteral("True")});
    for (int set = 0; set < sets; ++set)
        store.appendSet(QStringLiteral("Saver %1 set %2").arg(saver).arg(set), fields);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() == 6 && arguments.at(1) == QLatin1String("--saver"))
        return save(arguments.at(2), arguments.at(3).toInt(), arguments.at(4).toInt(), arguments.at(5).toInt());
    const bool smoke = arguments.contains(QStringLiteral("--smoke"));
    qint64 records = smoke ? 1000 : 1000000;
    for (const QString &argument : arguments)
        if (argument.startsWith(QLatin1String("--records=")))
            records = argument.section(QLatin1Char('='), 1).toLongLong();
    const int savers = smoke ? 2 : 10, saves = smoke ? 10 : 1000, perSave = 100;
    const int repetitions = smoke ? 1 : 5;

    PgTestServer server;
    if (!server.running()) {
        std::fprintf(stderr, "no server: %s\n", qPrintable(server.why()));
        return 1;
    }
    fake::FakeHost host;
    QuarnelGIS_Public &state = *host.state;
    host.drives->add(QLatin1Char('C'));
    state.setFilePath = QStringLiteral("C:\\config");
    const QString file = host.drives->roots.value(QLatin1Char('C')) + QStringLiteral("/config");
    if (!BenchData::writeFile(file, records))
        return 1;
    QFile bytes(file);
    bytes.open(QIODevice::ReadOnly);
    SetDatabase database(server.connection());
    database.initialise();
    database.addSets(SetFileEdits::readImport(bytes.readAll(), file), {});
    bool failed = false;

    // The chosen set, restored into a document with every one of its layers
    // turned against it, from each store.
    const QString chosen = BenchData::chosenSetName();
    const auto document = BenchDocument::make(BenchData::layersFor(records));
    std::vector<std::shared_ptr<ILayer>> layers;
    LayerWalk::forEachRecordable(
        *document, [](IMap &) { return true; },
        [&](IMap &, const std::shared_ptr<ILayer> &layer) { layers.push_back(layer); });
    double times[2];
    qsizetype applied[2] = {0, 0};
    for (int kind = 0; kind < 2; ++kind) {
        state.setDatabase = kind ? std::make_shared<SetDatabase>(server.connection()) : nullptr;
        SetStore store(state);
        std::vector<double> samples;
        for (int run = 0; run < repetitions + 1; ++run) {
            // Every layer turned, so that the restore switches each of the set's.
            for (const auto &layer : layers)
                layer->setVisible(!layer->visible());
            QElapsedTimer timer;
            timer.start();
            applied[kind] = store.restoreSetFromFile(chosen, *document);
            // The first run connects and warms the caches, for both stores.
            if (run > 0 || repetitions == 1)
                samples.push_back(double(timer.nsecsElapsed()) / 1e6);
        }
        times[kind] = medianMs(samples);
    }
    std::printf("Restore a set of %lld records from %lld: file %.1f ms, database %.1f ms, %.2f x (at most 2 x)\n",
                static_cast<long long>(applied[0]), static_cast<long long>(records), times[0], times[1],
                times[1] / times[0]);
    if (applied[0] != applied[1] || applied[0] != BenchData::chosenRecords(records)) {
        std::fprintf(stderr, "the stores restored %lld and %lld records\n", static_cast<long long>(applied[0]),
                     static_cast<long long>(applied[1]));
        failed = true;
    }

    // The names, as the list reads them.
    SetStore fromDatabase(state);
    std::vector<double> samples;
    qsizetype names = 0;
    for (int run = 0; run < repetitions; ++run) {
        QElapsedTimer timer;
        timer.start();
        names = fromDatabase.names().size();
        samples.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::printf("List the %lld names of %lld records from the database: %.2f ms (at most 20 ms)\n",
                static_cast<long long>(names), static_cast<long long>(records), medianMs(samples));
    failed = failed || names != BenchData::distinctNames;

    // Savers at once, each a process of its own.
    database.clearAll();
    QElapsedTimer timer;
    timer.start();
    std::vector<std::unique_ptr<QProcess>> processes;
    for (int saver = 0; saver < savers; ++saver) {
        processes.push_back(std::make_unique<QProcess>());
        processes.back()->start(QCoreApplication::applicationFilePath(),
                                {QStringLiteral("--saver"), server.connection(), QString::number(saver),
                                 QString::number(saves), QString::number(perSave)});
    }
    for (const auto &process : processes)
        failed = !process->waitForFinished(-1) || process->exitCode() != 0 || failed;
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    const SetFileEdits::CheckReport kept = database.check();
    const qint64 expected = qint64(savers) * saves * perSave;
    std::printf("%d processes each saving %d sets of %d records at once: %.2f s, %.0f saves a second, "
                "%lld of %lld records kept\n",
                savers, saves, perSave, seconds, savers * saves / seconds, static_cast<long long>(kept.records),
                static_cast<long long>(expected));
    failed = failed || kept.records != expected || kept.sets != savers * saves;
    return failed ? 1 : 0;
}
