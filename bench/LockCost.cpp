#include "LockCost.h"

#include "BenchWorld.h"

#include "FileLock.h"
#include "RegularFile.h"

#include <QFile>

#include <fcntl.h>
#include <unistd.h>

#include <string>

namespace LockCost {

namespace {

/// The file behind `path`, opened with `flags` and closed when it goes.
class OpenFile
{
public:
    OpenFile(const QString &path, int flags) : m_descriptor(RegularFile::open(path, flags)) {}
    ~OpenFile()
    {
        if (m_descriptor >= 0)
            ::close(m_descriptor);
    }
    OpenFile(const OpenFile &) = delete;
    OpenFile &operator=(const OpenFile &) = delete;

    int descriptor() const { return m_descriptor; }

private:
    int m_descriptor;
};

} // namespace

void shared(benchmark::State &state, BenchWorld &world, std::int64_t records)
{
    const QString path = world.dataFile(records);
    const OpenFile file(path, O_RDONLY);
    if (file.descriptor() < 0) {
        state.SkipWithError(("cannot open " + path.toStdString()).c_str());
        return;
    }
    for (auto _ : state) {
        if (!FileLock::acquire(file.descriptor(), FileLock::Kind::Shared)) {
            state.SkipWithError("the shared lock was refused");
            break;
        }
        FileLock::release(file.descriptor());
    }
    state.counters["records"] = double(records);
}

void forAppend(benchmark::State &state, BenchWorld &world, std::int64_t records)
{
    world.use(records);
    const QString path = world.addinFile();
    const OpenFile file(path, O_WRONLY | O_APPEND);
    if (file.descriptor() < 0) {
        state.SkipWithError(("cannot open " + path.toStdString()).c_str());
        return;
    }
    for (auto _ : state) {
        if (!FileLock::acquire(file.descriptor(), FileLock::Kind::Exclusive)) {
            state.SkipWithError("the exclusive lock was refused");
            break;
        }
        const bool same = RegularFile::isNamedBy(file.descriptor(), path);
        FileLock::release(file.descriptor());
        if (!same) {
            state.SkipWithError("the add-in's path names another file");
            break;
        }
    }
    state.counters["records"] = double(records);
}

} // namespace LockCost
