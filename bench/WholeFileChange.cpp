#include "WholeFileChange.h"

#include "BenchData.h"
#include "BenchWorld.h"

#include "QuarnelGIS_Public.h"
#include "SetFileRecords.h"
#include "SetStore.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

extern char **environ;

namespace WholeFileChange {

namespace {

const QString copyName = QStringLiteral("rewritten");
const QString renamedTo = QStringLiteral("Field survey 2019");

/// Native path of the copy in the settings folder.
QString copyPath(BenchWorld &world)
{
    return QFileInfo(world.addinFile()).absolutePath() + QLatin1Char('/') + copyName;
}

/// Removes the copy and whatever a change left beside it.
void removeCopy(const QString &native)
{
    for (const QString &path : {native, native + QStringLiteral(".previous"), native + QStringLiteral(".previous.new"),
                                native + QStringLiteral(".undo")})
        ::unlink(QFile::encodeName(path).constData());
}

/// Writes `file` out to the disk, so that the timed work does not pay for it.
void syncFile(const QString &file)
{
    const int descriptor = ::open(QFile::encodeName(file).constData(), O_RDONLY | O_CLOEXEC);
    const bool synced = descriptor >= 0 && ::fsync(descriptor) == 0;
    if (descriptor >= 0)
        ::close(descriptor);
    if (!synced)
        throw std::runtime_error("cannot write out " + file.toStdString());
}

/// A fresh copy of `source` at `native`, written out to the disk.
void freshCopy(const QString &source, const QString &native)
{
    removeCopy(native);
    if (!QFile::copy(source, native))
        throw std::runtime_error("cannot copy " + source.toStdString());
    syncFile(native);
}

/// Runs a program with its output thrown away; true when it exited with 0.
bool run(const std::vector<std::string> &arguments)
{
    std::vector<char *> argv;
    for (const std::string &argument : arguments)
        argv.push_back(const_cast<char *>(argument.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    return spawned == 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

/// Runs `change` on a fresh copy of the generated file per iteration, with
/// the add-in's set file path pointing at the copy meanwhile. `change`
/// returns an error text, empty when it did what it should.
void onCopies(benchmark::State &state, BenchWorld &world, std::int64_t records,
              const std::function<std::string(SetStore &)> &change)
{
    const QString source = world.dataFile(records);
    const QString native = copyPath(world);
    QuarnelGIS_Public &addin = world.state();
    const QString savedPath = addin.setFilePath;
    addin.setFilePath = QStringLiteral("C:\\Program Files\\QuarnelGIS\\QuarnelVisibility\\") + copyName;
    SetStore store(addin);
    try {
        for (auto _ : state) {
            state.PauseTiming();
            freshCopy(source, native);
            state.ResumeTiming();
            const std::string error = change(store);
            if (!error.empty()) {
                state.SkipWithError(error.c_str());
                break;
            }
        }
    } catch (const std::exception &e) {
        state.SkipWithError(e.what());
    }
    addin.setFilePath = savedPath;
    const qint64 bytes = QFileInfo(source).size();
    state.counters["file_bytes"] = double(bytes);
    state.counters["set_records"] = double(BenchData::chosenRecords(records));
    state.SetBytesProcessed(std::int64_t(state.iterations()) * bytes);
}

/// Copies the generated file with cp, and runs `after` on the copy, each
/// iteration into a place left empty outside the timing.
void copyWith(benchmark::State &state, BenchWorld &world, std::int64_t records, const std::vector<std::string> &after)
{
    const std::string source = world.dataFile(records).toStdString();
    const QString native = copyPath(world);
    const std::string target = native.toStdString();
    for (auto _ : state) {
        state.PauseTiming();
        removeCopy(native);
        state.ResumeTiming();
        if (!run({"cp", source, target}) || (!after.empty() && !run(after))) {
            state.SkipWithError("cp failed");
            break;
        }
    }
    if (!state.error_occurred() && QFileInfo(native).size() != QFileInfo(world.dataFile(records)).size())
        state.SkipWithError("the copy differs in size");
    removeCopy(native);
    const qint64 bytes = QFileInfo(world.dataFile(records)).size();
    state.counters["file_bytes"] = double(bytes);
    state.SetBytesProcessed(std::int64_t(state.iterations()) * bytes);
}

} // namespace

void renameSet(benchmark::State &state, BenchWorld &world, std::int64_t records)
{
    const QString chosen = BenchData::chosenSetName();
    onCopies(state, world, records, [&](SetStore &store) -> std::string {
        if (store.renameSet(chosen, renamedTo) != SetStore::Rename::Renamed)
            return "the set to rename was not found";
        return {};
    });
    // Only the chosen set's names changed length; every other byte stays.
    const qint64 expected = QFileInfo(world.dataFile(records)).size()
                            + BenchData::chosenRecords(records) * (renamedTo.toUtf8().size() - chosen.toUtf8().size());
    if (!state.error_occurred() && QFileInfo(copyPath(world)).size() != expected)
        state.SkipWithError("the renamed file has another size than expected");
    removeCopy(copyPath(world));
}

void deleteSet(benchmark::State &state, BenchWorld &world, std::int64_t records)
{
    const QString chosen = BenchData::chosenSetName();
    onCopies(state, world, records, [&](SetStore &store) -> std::string {
        if (store.deleteSets({chosen}) != BenchData::chosenRecords(records))
            return "another number of records was deleted";
        return {};
    });
    removeCopy(copyPath(world));
}

void walk(benchmark::State &state, BenchWorld &world, std::int64_t records)
{
    QFile file(world.dataFile(records));
    if (!file.open(QIODevice::ReadOnly)) {
        state.SkipWithError("cannot read the generated file");
        return;
    }
    const QByteArray bytes = file.readAll();
    std::int64_t visited = 0;
    for (auto _ : state) {
        SetFileRecords walked(bytes);
        SetFileRecords::Record record;
        visited = 0;
        while (walked.next(record))
            ++visited;
        benchmark::DoNotOptimize(record.bytes.data());
    }
    if (!state.error_occurred() && visited != records)
        state.SkipWithError("the walk met another number of records");
    state.counters["file_bytes"] = double(bytes.size());
    state.SetBytesProcessed(std::int64_t(state.iterations()) * bytes.size());
}

void write(benchmark::State &state, BenchWorld &world, std::int64_t records)
{
    QFile file(world.dataFile(records));
    if (!file.open(QIODevice::ReadOnly)) {
        state.SkipWithError("cannot read the generated file");
        return;
    }
    const QByteArray bytes = file.readAll();
    const QString native = copyPath(world);
    for (auto _ : state) {
        state.PauseTiming();
        removeCopy(native);
        state.ResumeTiming();
        QSaveFile saved(native);
        if (!saved.open(QIODevice::WriteOnly) || saved.write(bytes) != bytes.size() || !saved.commit()) {
            state.SkipWithError("cannot write the new file");
            break;
        }
    }
    if (!state.error_occurred() && QFileInfo(native).size() != bytes.size())
        state.SkipWithError("the new file differs in size");
    removeCopy(native);
    state.counters["file_bytes"] = double(bytes.size());
    state.SetBytesProcessed(std::int64_t(state.iterations()) * bytes.size());
}

void copy(benchmark::State &state, BenchWorld &world, std::int64_t records)
{
    copyWith(state, world, records, {});
}

void copyAndSync(benchmark::State &state, BenchWorld &world, std::int64_t records)
{
    copyWith(state, world, records, {"sync", "-d", copyPath(world).toStdString()});
}

} // namespace WholeFileChange
