// A new set file that the disk takes only in part: a rename or a delete whose
// vector writes fail, or are taken short, or whose early write-out is refused,
// either fails with the file and its undo point as they were, or leaves the
// same file and the same undo as when nothing went wrong.
#include "HostError.h"
#include "SetStore.h"
#include "SetsWorld.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>

#include <fcntl.h>
#include <sys/uio.h>

namespace {

/// How the call counted down to fails.
enum class Fault { None, Refused, Short, NoWriteOut };
Fault fault = Fault::None;
int callsUntilFault = -1; ///< the call that fails, counted down; -1: none
int refusal = 0;          ///< the errno a refused call sets

bool faultNow()
{
    return callsUntilFault >= 0 && callsUntilFault-- == 0;
}

} // namespace

extern "C" ssize_t __real_writev(int descriptor, const struct iovec *buffers, int count);
extern "C" ssize_t __wrap_writev(int descriptor, const struct iovec *buffers, int count)
{
    if ((fault == Fault::Refused || fault == Fault::Short) && faultNow()) {
        if (fault == Fault::Refused) {
            errno = refusal;
            return -1;
        }
        // Takes less than asked: part of the first buffer only.
        struct iovec part = buffers[0];
        part.iov_len = (part.iov_len + 1) / 2;
        return __real_writev(descriptor, &part, 1);
    }
    return __real_writev(descriptor, buffers, count);
}

extern "C" int __real_sync_file_range(int descriptor, off64_t from, off64_t size, unsigned int flags);
extern "C" int __wrap_sync_file_range(int descriptor, off64_t from, off64_t size, unsigned int flags)
{
    if (fault == Fault::NoWriteOut && faultNow()) {
        errno = EIO;
        return -1;
    }
    return __real_sync_file_range(descriptor, from, size, flags);
}

namespace {

/// The set file and the two files beside it kept for Undo.
struct Files
{
    QByteArray file;
    QByteArray previous;
    QByteArray mark;
    QStringList names;

    bool operator==(const Files &) const = default;
};

QByteArray bytesAt(const QString &path)
{
    QFile in(path);
    return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray("(missing)");
}

/// The files as they stand; the mark without the identity of the file it
/// names, which differs from one world to the next.
Files filesOf(const SetsWorld &world)
{
    QJsonObject mark = QJsonDocument::fromJson(bytesAt(world.filePath() + QStringLiteral(".undo"))).object();
    for (const char *identity : {"device", "inode", "born"})
        mark.remove(QLatin1String(identity));
    return {world.fileBytes(), bytesAt(world.filePath() + QStringLiteral(".previous")),
            QJsonDocument(mark).toJson(QJsonDocument::Compact), QDir(world.folder).entryList(QDir::Files)};
}

/// `blocks` blocks of 60 records of sets, 2.4 KB each: at 1500 the new file
/// goes out in a few writes, at 5000 it is also sent to the disk early.
QByteArray manyRecords(int blocks)
{
    QByteArray bytes;
    for (int block = 0; block < blocks; ++block) {
        const QByteArray set = block % 10 == 3 ? "Survey" : "Set " + QByteArray::number(block % 97);
        for (int layer = 0; layer < 60; ++layer)
            bytes += SetsWorld::record(set, "Map " + QByteArray::number(block % 7),
                                       "Layer " + QByteArray::number(layer), layer % 2 ? "True" : "False");
    }
    return bytes;
}

TEST(FailingWrite, RenameAndDeleteFailWholeOrLeaveWhatTheyLeaveUnharmed)
{
    const QByteArray several = manyRecords(1500);
    const QByteArray large = manyRecords(5000);
    struct Change
    {
        const char *name;
        std::function<void(SetStore &)> run;
    };
    const Change changes[] = {
        {"rename", [](SetStore &s) { s.renameSet(QStringLiteral("Survey"), QStringLiteral("Survey of the fields")); }},
        {"delete", [](SetStore &s) { s.deleteSets({QStringLiteral("Survey")}); }},
    };
    struct Way
    {
        const char *name;
        Fault fault;
        int refusal;
        bool mayFail;
    };
    const Way ways[] = {
        {"disk full", Fault::Refused, ENOSPC, true},        {"input/output error", Fault::Refused, EIO, true},
        {"interrupted", Fault::Refused, EINTR, false},      {"taken short", Fault::Short, 0, false},
        {"write-out refused", Fault::NoWriteOut, 0, false},
    };
    for (const Change &change : changes) {
        for (const Way &way : ways) {
            // What the change leaves when nothing goes wrong, an undo point
            // made over an earlier one.
            const QByteArray &saved = way.fault == Fault::NoWriteOut ? large : several;
            auto prepared = [&](SetsWorld &world, SetStore &store) {
                world.writeFile(saved);
                store.renameSet(QStringLiteral("Set 5"), QStringLiteral("Set five"));
            };
            Files expected;
            {
                SetsWorld world;
                SetStore store(world.state());
                prepared(world, store);
                change.run(store);
                expected = filesOf(world);
            }
            bool faulted = true;
            int failing = 0;
            for (; faulted; ++failing) {
                SetsWorld world;
                SetStore store(world.state());
                prepared(world, store);
                const Files before = filesOf(world);
                fault = way.fault;
                refusal = way.refusal;
                callsUntilFault = failing;
                bool threw = false;
                try {
                    change.run(store);
                } catch (const HostError &) {
                    threw = true;
                }
                faulted = callsUntilFault < 0;
                callsUntilFault = -1;
                fault = Fault::None;
                const Files after = filesOf(world);
                EXPECT_TRUE(threw ? way.mayFail && after == before : after == expected)
                    << change.name << ", " << way.name << " at call " << failing << (threw ? ", failed" : "");
                // The mark compared above names the new file; Undo takes it.
                if (!faulted && !threw) {
                    EXPECT_TRUE(store.undo()) << change.name << ", " << way.name << " at call " << failing;
                    EXPECT_EQ(world.fileBytes(), before.file) << change.name << ", " << way.name;
                }
            }
            // Every way was met by the change at least once.
            EXPECT_GE(failing, 2) << change.name << ", " << way.name;
        }
    }
}

} // namespace
