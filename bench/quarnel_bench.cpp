// The add-in's benchmarks: listing set names, restoring, saving, "On" and
// "Off", each next to its reference measured in the same run (wc -l over the
// same file, one write of the same bytes). The windows are the real ones,
// driven with mouse clicks, offscreen when there is no display.
//
//   quarnel_bench --data=DIR --sizes=1000,10000,... [--smoke] [benchmark flags]
//
// DIR holds the files records-N written by quarnel_bench_data. Every size runs
// the listing, the load step and wc -l; restore, save, "On" and "Off" run at
// the sizes from 10^4 records up (at the one size given, when it is smaller);
// the lock's cost and the whole-file changes run at the largest size.

#include "BenchData.h"
#include "BenchWorld.h"
#include "LockCost.h"
#include "WholeFileChange.h"

#include "Document.h"
#include "Layer.h"

#include "BenchDocument.h"
#include "FileChannel.h"
#include "ILayer.h"
#include "IMap.h"
#include "LayerWalk.h"
#include "QuarnelGIS_Public.h"
#include "SetFileRewrite.h"
#include "SetStanding.h"
#include "SetStore.h"
#include "VisibilityCapture.h"
#include "VisibilitySetFile.h"
#include "frmMain.h"
#include "frmName.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

extern char **environ;

namespace {

std::unique_ptr<BenchWorld> world;

constexpr std::size_t readBlock = 1 << 20;

const QString savedName = QStringLiteral("Saved by the benchmark");

void fail(benchmark::State &state, const std::string &why)
{
    state.SkipWithError(why.c_str());
}

/// Runs `body`, turning an exception into a skipped benchmark.
template <typename Body> void guarded(benchmark::State &state, Body body)
{
    try {
        body();
    } catch (const std::exception &e) {
        fail(state, e.what());
    }
}

void setFileCounters(benchmark::State &state, std::int64_t records)
{
    const qint64 bytes = QFileInfo(world->dataFile(records)).size();
    state.counters["records"] = double(records);
    state.counters["file_bytes"] = double(bytes);
    state.SetBytesProcessed(std::int64_t(state.iterations()) * bytes);
}

/// The load step's work: every set name of the file, through file channel 1.
void ListNames(benchmark::State &state, std::int64_t records)
{
    guarded(state, [&] {
        FileChannel &channel = world->state().channel1;
        const QString path = world->dataFileWindowsPath(records);
        std::size_t names = 0;
        for (auto _ : state) {
            std::vector<QString> listed;
            channel.close();
            channel.openForInput(path);
            VisibilitySetFile::listSetNames(channel, [&listed](const QString &name) { listed.push_back(name); });
            channel.close();
            names = listed.size();
            benchmark::DoNotOptimize(listed.data());
        }
        state.counters["names"] = double(names);
        setFileCounters(state, records);
    });
}

/// The read limit: wc -l over the same file, as its own process.
void WcL(benchmark::State &state, std::int64_t records)
{
    const std::string path = world->dataFile(records).toStdString();
    for (auto _ : state) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        char *argv[] = {const_cast<char *>("wc"), const_cast<char *>("-l"), const_cast<char *>(path.c_str()), nullptr};
        pid_t pid = 0;
        const int spawned = posix_spawnp(&pid, "wc", &actions, nullptr, argv, environ);
        posix_spawn_file_actions_destroy(&actions);
        int status = 0;
        if (spawned != 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            fail(state, "wc -l failed");
            break;
        }
    }
    setFileCounters(state, records);
}

/// quarnel-sets listing the names of the same file, a process of its own
/// started per iteration as wc -l is: its start-up is part of the figure.
void CliList(benchmark::State &state, std::int64_t records)
{
    const std::string path = world->dataFile(records).toStdString();
    for (auto _ : state) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        char *argv[] = {const_cast<char *>("quarnel-sets"), const_cast<char *>("--file"),
                        const_cast<char *>(path.c_str()), const_cast<char *>("list"), nullptr};
        pid_t pid = 0;
        const int spawned = posix_spawn(&pid, QUARNEL_SETS_PATH, &actions, nullptr, argv, environ);
        posix_spawn_file_actions_destroy(&actions);
        int status = 0;
        if (spawned != 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            fail(state, "quarnel-sets list failed");
            break;
        }
    }
    setFileCounters(state, records);
}

/// The file read in blocks of 1 MiB, nothing else done.
void ReadBlocks(benchmark::State &state, std::int64_t records)
{
    const std::string path = world->dataFile(records).toStdString();
    std::vector<char> block(readBlock);
    for (auto _ : state) {
        const int fd = ::open(path.c_str(), O_RDONLY);
        if (fd < 0) {
            fail(state, "cannot open " + path);
            break;
        }
        while (::read(fd, block.data(), block.size()) > 0)
            benchmark::DoNotOptimize(block.data());
        ::close(fd);
    }
    setFileCounters(state, records);
}

/// The interface thread's share of the list's marks: the snapshot of every
/// feature layer's flag, taken where the document lives.
void MarksSnapshot(benchmark::State &state, std::int64_t records)
{
    guarded(state, [&] {
        world->prepare(records);
        for (auto _ : state)
            benchmark::DoNotOptimize(VisibilitySnapshot::of(*world->document()));
        state.counters["layers"] = double(BenchData::layersFor(records));
        setFileCounters(state, records);
    });
}

/// The list's marks judged off the interface thread: the whole file read
/// and every set judged against the snapshot.
void MarksJudge(benchmark::State &state, std::int64_t records)
{
    guarded(state, [&] {
        world->prepare(records);
        const VisibilitySnapshot now = VisibilitySnapshot::of(*world->document());
        const SetFileRewrite file(world->state().services, world->dataFileWindowsPath(records));
        qsizetype sets = 0;
        for (auto _ : state)
            sets = judgeSets(file.read(), now).size();
        if (sets != BenchData::distinctNames)
            fail(state, "not every set was judged");
        state.counters["layers"] = double(BenchData::layersFor(records));
        setFileCounters(state, records);
    });
}

/// The reading part of a restore: the chosen set's records, through file channel 1.
void SelectSet(benchmark::State &state, std::int64_t records)
{
    guarded(state, [&] {
        FileChannel &channel = world->state().channel1;
        const QString path = world->dataFileWindowsPath(records);
        const QString chosen = BenchData::chosenSetName();
        std::int64_t selected = 0;
        for (auto _ : state) {
            selected = 0;
            channel.close();
            channel.openForInput(path);
            VisibilitySetFile::selectSet(channel, chosen, [&selected](const VisibilityRecord &) { ++selected; });
            channel.close();
        }
        if (selected != BenchData::chosenRecords(records))
            fail(state, "wrong number of records selected");
        state.counters["set_records"] = double(selected);
        setFileCounters(state, records);
    });
}

/// The load step with its list: a main window loaded and shown, as the first click does.
void LoadStep(benchmark::State &state, std::int64_t records)
{
    guarded(state, [&] {
        world->use(records);
        const std::size_t boxes = world->boxCount();
        for (auto _ : state) {
            state.PauseTiming();
            world->createMainWindow();
            state.ResumeTiming();
            world->showMainWindow();
        }
        if (world->boxCount() != boxes)
            fail(state, "the load step reported: " + world->lastBox().toStdString());
        state.counters["names"] = double(world->list().count());
        setFileCounters(state, records);
    });
}

/// A restore: a click on the chosen set's name in the list.
void Restore(benchmark::State &state, std::int64_t records)
{
    guarded(state, [&] {
        world->use(records);
        const std::size_t boxes = world->boxCount();
        const QString chosen = BenchData::chosenSetName();
        // Every layer of the set turned against it before each click, so
        // that every restore switches every one of them.
        auto turned = [records](int map, int layer) -> std::optional<bool> {
            if (!BenchData::chosenHolds(records, map, layer))
                return std::nullopt;
            return !BenchData::chosenVisible(layer);
        };
        for (auto _ : state) {
            state.PauseTiming();
            world->setFlags(turned);
            const QPoint place = world->placeOf(chosen);
            state.ResumeTiming();
            QTest::mouseClick(world->list().viewport(), Qt::LeftButton, Qt::NoModifier, place);
            QCoreApplication::processEvents();
        }
        if (world->boxCount() != boxes)
            fail(state, "the restore reported: " + world->lastBox().toStdString());
        else if (world->flagsDifferingFrom([records](int map, int layer) -> std::optional<bool> {
                     if (!BenchData::chosenHolds(records, map, layer))
                         return std::nullopt;
                     return BenchData::chosenVisible(layer);
                 })
                 != 0)
            fail(state, "the restore left flags other than saved");
        state.counters["layers"] = double(BenchData::layersFor(records));
        state.counters["set_records"] = double(BenchData::chosenRecords(records));
        setFileCounters(state, records);
    });
}

/// The restore as other map programs' theme switching is measured: one set of
/// N records, read from a file that holds only that set, applied to a
/// document of N layers through the set core (no window, no redraw).
/// `firstAfterAChange`: a layer is renamed and named back before each
/// restore (outside the timing), so that every restore indexes the document
/// anew, as the first one after opening it or changing its layers does;
/// otherwise one restore before the timing has indexed it, as the person's
/// first click does.
void restoreOneSet(benchmark::State &state, std::int64_t layers, bool firstAfterAChange)
{
    guarded(state, [&] {
        const auto document = BenchDocument::make(int(layers));
        const QString file = QStringLiteral("one-set-%1").arg(layers);
        const QString path = QStringLiteral("C:\\Program Files\\QuarnelGIS\\QuarnelVisibility\\") + file;
        const QString name = QStringLiteral("Every layer");
        QuarnelGIS_Public &addin = world->state();
        FileChannel &channel = addin.channel1;
        channel.close();
        channel.openForAppend(path);
        std::int64_t records = 0;
        // Saved with every flag turned; the flags are turned back before
        // each restore, so that every restore switches every layer.
        std::vector<std::shared_ptr<ILayer>> turned;
        captureVisibility(*document, [&](const QString &map, const QString &layer, bool visible) {
            VisibilitySetFile::writeRecord(channel, name, map, layer, !visible);
            ++records;
        });
        std::unordered_map<const ILayer *, bool> saved;
        LayerWalk::forEachRecordable(
            *document, [](IMap &) { return true; },
            [&](IMap &, const std::shared_ptr<ILayer> &layer) {
                turned.push_back(layer);
                saved.emplace(layer.get(), !layer->visible());
            });
        channel.close();
        const QString savedPath = addin.setFilePath;
        addin.setFilePath = path;
        SetStore store(addin);
        const auto renamed = std::dynamic_pointer_cast<mapdesk::Layer>(turned.front());
        const QString renamedName = renamed->name();
        if (!firstAfterAChange) {
            store.openForInput();
            store.restoreSet(name, *document);
            store.close();
        }
        for (auto _ : state) {
            state.PauseTiming();
            for (const auto &layer : turned)
                layer->setVisible(!layer->visible());
            if (firstAfterAChange) {
                renamed->setName(renamedName + QLatin1Char('~'));
                renamed->setName(renamedName);
            }
            state.ResumeTiming();
            store.close();
            store.openForInput();
            store.restoreSet(name, *document);
            store.close();
        }
        addin.setFilePath = savedPath;
        QFile::remove(QFileInfo(world->addinFile()).absolutePath() + QLatin1Char('/') + file);
        if (std::any_of(turned.begin(), turned.end(), [&](const std::shared_ptr<ILayer> &layer) {
                return layer->visible() != saved.at(layer.get());
            }))
            fail(state, "the restore left flags other than saved");
        state.counters["layers"] = double(layers);
        state.counters["set_records"] = double(records);
        state.counters["ns_per_record"] = benchmark::Counter(
            double(records), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    });
}

void RestoreOneSet(benchmark::State &state, std::int64_t layers)
{
    restoreOneSet(state, layers, false);
}

void RestoreOneSetFirst(benchmark::State &state, std::int64_t layers)
{
    restoreOneSet(state, layers, true);
}

/// Saves the document under savedName through the name dialog and returns
/// the bytes appended; the file and the list are taken back afterwards.
QByteArray saveOnce(std::int64_t records)
{
    const std::int64_t size = QFileInfo(world->dataFile(records)).size();
    frmName &dialog = world->openNameDialog(savedName);
    QTest::mouseClick(&BenchWorld::dialogButton(dialog, "Command1"), Qt::LeftButton);
    QFile file(world->addinFile());
    if (!file.open(QIODevice::ReadOnly) || !file.seek(size))
        throw std::runtime_error("cannot read the saved block");
    const QByteArray block = file.readAll();
    file.close();
    world->truncateFile(size);
    return block;
}

/// Removes the entries the saves added to the list.
void forgetSavedNames()
{
    QListWidget &list = world->list();
    for (QListWidgetItem *item : list.findItems(savedName, Qt::MatchExactly | Qt::MatchCaseSensitive))
        delete list.takeItem(list.row(item));
}

/// A save: "OK" in a name dialog holding a name; it appends the document's
/// records to the whole generated file (taken back after each save).
void Save(benchmark::State &state, std::int64_t records)
{
    guarded(state, [&] {
        world->use(records);
        const std::int64_t size = QFileInfo(world->dataFile(records)).size();
        const std::size_t boxes = world->boxCount();
        for (auto _ : state) {
            state.PauseTiming();
            world->truncateFile(size);
            forgetSavedNames();
            frmName &dialog = world->openNameDialog(savedName);
            QPushButton &ok = BenchWorld::dialogButton(dialog, "Command1");
            state.ResumeTiming();
            QTest::mouseClick(&ok, Qt::LeftButton);
            QCoreApplication::processEvents();
        }
        const std::int64_t appended = world->fileSize() - size;
        world->truncateFile(size);
        const int listed = world->list().findItems(savedName, Qt::MatchExactly | Qt::MatchCaseSensitive).size();
        forgetSavedNames();
        if (world->boxCount() != boxes)
            fail(state, "the save reported: " + world->lastBox().toStdString());
        else if (listed != 1)
            fail(state, "the saved name is not listed");
        state.counters["saved_records"] = double(BenchData::layersFor(records));
        state.counters["saved_bytes"] = double(appended);
        state.SetBytesProcessed(std::int64_t(state.iterations()) * appended);
    });
}

/// The file work of a save alone: the records the save writes, appended to
/// the whole generated file through file channel 1 (taken back after each).
void SaveRecords(benchmark::State &state, std::int64_t records)
{
    guarded(state, [&] {
        world->use(records);
        // The names and flags as the save's walk reads them.
        struct Saved
        {
            QString map, layer;
            bool visible;
        };
        std::vector<Saved> saved;
        LayerWalk::forEachRecordable(
            *world->document(), [](IMap &) { return true; },
            [&saved](IMap &map, const std::shared_ptr<ILayer> &layer) {
                saved.push_back({map.name(), layer->name(), layer->visible()});
            });
        const std::int64_t size = QFileInfo(world->dataFile(records)).size();
        const QString path = world->state().setFilePath;
        FileChannel &channel = world->state().channel1;
        for (auto _ : state) {
            state.PauseTiming();
            world->truncateFile(size);
            state.ResumeTiming();
            channel.close();
            channel.openForAppend(path);
            for (const Saved &record : saved)
                VisibilitySetFile::writeRecord(channel, savedName, record.map, record.layer, record.visible);
            channel.close();
        }
        const std::int64_t appended = world->fileSize() - size;
        world->truncateFile(size);
        state.counters["saved_records"] = double(saved.size());
        state.counters["saved_bytes"] = double(appended);
        state.SetBytesProcessed(std::int64_t(state.iterations()) * appended);
    });
}

/// The walk of a save alone: every recordable layer's map name, name and
/// flag read through the host's interfaces, as the save reads them, and
/// nothing written.
void SaveWalk(benchmark::State &state, std::int64_t records)
{
    guarded(state, [&] {
        world->use(records);
        std::int64_t layers = 0;
        for (auto _ : state) {
            layers = 0;
            qsizetype characters = 0;
            LayerWalk::forEachRecordable(
                *world->document(), [](IMap &) { return true; },
                [&](IMap &map, const std::shared_ptr<ILayer> &layer) {
                    characters += map.name().size() + layer->name().size() + (layer->visible() ? 1 : 0);
                    ++layers;
                });
            benchmark::DoNotOptimize(characters);
        }
        if (layers != BenchData::layersFor(records))
            fail(state, "the walk met another number of layers");
        state.counters["layers"] = double(layers);
    });
}

/// The reference for a save: the same bytes appended to the same file with
/// one write (open, write, close).
void OneWrite(benchmark::State &state, std::int64_t records)
{
    guarded(state, [&] {
        world->use(records);
        const QByteArray block = saveOnce(records);
        forgetSavedNames();
        const std::int64_t size = QFileInfo(world->dataFile(records)).size();
        const std::string path = world->addinFile().toStdString();
        for (auto _ : state) {
            state.PauseTiming();
            world->truncateFile(size);
            state.ResumeTiming();
            const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT, 0644);
            if (fd < 0 || ::write(fd, block.constData(), size_t(block.size())) != block.size()) {
                fail(state, "one write failed");
                break;
            }
            ::close(fd);
        }
        world->truncateFile(size);
        state.counters["saved_bytes"] = double(block.size());
        state.SetBytesProcessed(std::int64_t(state.iterations()) * block.size());
    });
}

/// "On" or "Off": a click on the main window's button.
void Switch(benchmark::State &state, std::int64_t records, bool on)
{
    guarded(state, [&] {
        world->use(records);
        const std::size_t boxes = world->boxCount();
        QPushButton &button = world->mainButton(on ? "Command3" : "Command2");
        for (auto _ : state) {
            QTest::mouseClick(&button, Qt::LeftButton);
            QCoreApplication::processEvents();
        }
        if (world->boxCount() != boxes)
            fail(state, "the switch reported: " + world->lastBox().toStdString());
        else if (world->flagsDifferingFrom([on](int, int) -> std::optional<bool> { return on; }) != 0)
            fail(state, "not every layer was switched");
        state.counters["layers"] = double(BenchData::layersFor(records));
    });
}

void On(benchmark::State &state, std::int64_t records)
{
    Switch(state, records, true);
}
void Off(benchmark::State &state, std::int64_t records)
{
    Switch(state, records, false);
}

struct Options
{
    QString data;
    std::vector<std::int64_t> sizes;
    bool smoke = false;
};

/// Takes this program's own flags out of argv; Google Benchmark reads the rest.
Options takeOptions(int &argc, char **argv)
{
    Options options;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("--data=", 0) == 0) {
            options.data = QString::fromStdString(arg.substr(7));
        } else if (arg.rfind("--sizes=", 0) == 0) {
            for (const QString &size : QString::fromStdString(arg.substr(8)).split(QLatin1Char(',')))
                options.sizes.push_back(size.toLongLong());
        } else if (arg == "--smoke") {
            options.smoke = true;
        } else {
            argv[kept++] = argv[i];
        }
    }
    argc = kept;
    std::sort(options.sizes.begin(), options.sizes.end());
    return options;
}

void registerAll(const Options &options)
{
    using Function = void (*)(benchmark::State &, std::int64_t);
    const std::int64_t largest = options.sizes.back();
    const std::int64_t fromSize = std::min<std::int64_t>(10000, largest);
    auto add = [&options](const char *name, Function function, std::int64_t records) {
        const std::string full = std::string(name) + "/records:" + std::to_string(records);
        benchmark::internal::Benchmark *b = benchmark::RegisterBenchmark(full.c_str(), function, records);
        b->UseRealTime()->Unit(benchmark::kMillisecond);
        if (options.smoke)
            b->Iterations(1)->Repetitions(1);
        else
            b->MinTime(0.3);
    };
    const std::int64_t oneSetSizes[] = {1000, 10000, 20000, 100000, 1000000};
    for (const std::int64_t layers : oneSetSizes) {
        if (options.smoke && layers > options.sizes.front())
            break;
        add("RestoreOneSet", RestoreOneSet, layers);
        add("RestoreOneSetFirst", RestoreOneSetFirst, layers);
    }
    for (const std::int64_t records : options.sizes) {
        add("WcL", WcL, records);
        add("CliList", CliList, records);
        add("ReadBlocks", ReadBlocks, records);
        add("ListNames", ListNames, records);
        add("LoadStep", LoadStep, records);
        if (records < fromSize)
            continue;
        add("SelectSet", SelectSet, records);
        add("Restore", Restore, records);
        add("Save", Save, records);
        add("SaveRecords", SaveRecords, records);
        add("SaveWalk", SaveWalk, records);
        add("OneWrite", OneWrite, records);
        add("On", On, records);
        add("Off", Off, records);
    }
    // What the lock adds to listing and saving, and the whole-file changes
    // of one set next to cp, at the largest size.
    const std::pair<const char *, Function> atLargest[] = {
        {"MarksSnapshot", MarksSnapshot},
        {"MarksJudge", MarksJudge},
        {"LockShared", [](benchmark::State &s, std::int64_t n) { LockCost::shared(s, *world, n); }},
        {"LockAppend", [](benchmark::State &s, std::int64_t n) { LockCost::forAppend(s, *world, n); }},
        {"RenameSet", [](benchmark::State &s, std::int64_t n) { WholeFileChange::renameSet(s, *world, n); }},
        {"DeleteSet", [](benchmark::State &s, std::int64_t n) { WholeFileChange::deleteSet(s, *world, n); }},
        {"RewriteWalk", [](benchmark::State &s, std::int64_t n) { WholeFileChange::walk(s, *world, n); }},
        {"RewriteWrite", [](benchmark::State &s, std::int64_t n) { WholeFileChange::write(s, *world, n); }},
        {"Cp", [](benchmark::State &s, std::int64_t n) { WholeFileChange::copy(s, *world, n); }},
        {"CpSync", [](benchmark::State &s, std::int64_t n) { WholeFileChange::copyAndSync(s, *world, n); }},
    };
    for (const auto &[name, function] : atLargest)
        add(name, function, largest);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const Options options = takeOptions(argc, argv);
    if (options.data.isEmpty() || options.sizes.empty() || options.sizes.front() <= 0) {
        std::fprintf(stderr, "usage: %s --data=DIR --sizes=N[,N...] [--smoke] [benchmark flags]\n", argv[0]);
        return 2;
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 2;
    world = std::make_unique<BenchWorld>(options.data);
    registerAll(options);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    world.reset();
    return 0;
}
