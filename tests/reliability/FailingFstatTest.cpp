// A file whose size cannot be read: each change stops with nothing written
// rather than taking the file for an empty one, whichever call fails.
#include "HostError.h"
#include "SetStore.h"
#include "SetsWorld.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>

#include <sys/stat.h>

namespace {
int callsUntilFailure = -1; ///< the call that fails, counted down; -1: none
} // namespace

extern "C" int __real_fstat(int descriptor, struct stat *seen);
extern "C" int __wrap_fstat(int descriptor, struct stat *seen)
{
    if (callsUntilFailure >= 0 && callsUntilFailure-- == 0) {
        errno = EIO;
        return -1;
    }
    return __real_fstat(descriptor, seen);
}

namespace {

const QByteArray kSaved = SetsWorld::record("Roads", "Layers", "Streets", "True");

TEST(FailingFstat, EveryChangeFailsWholeOrSucceedsWhicheverCallFails)
{
    QTemporaryDir dir;
    const QString incoming = dir.filePath(QStringLiteral("in.sets"));
    QFile in(incoming);
    ASSERT_TRUE(in.open(QIODevice::WriteOnly));
    const QByteArray imported = SetsWorld::record("New", "Layers", "Rails", "False");
    in.write(imported);
    in.close();

    // Each change, run with the first, second, ... call of fstat failing
    // until one runs with none failing: it either fails with the file as it
    // was, or does all of its work.
    struct Case
    {
        const char *name;
        std::function<void(SetStore &, SetsWorld &)> change;
        std::function<bool(const QByteArray &before, const QByteArray &after)> done;
    };
    const Case cases[] = {
        {"import",
         [&](SetStore &s, SetsWorld &) {
             s.importSets(incoming, [](const QString &) { return SetStore::Clash::Merge; });
         },
         [&](const QByteArray &before, const QByteArray &after) { return after == before + imported; }},
        {"save",
         [](SetStore &s, SetsWorld &w) {
             s.openForAppend();
             s.appendSet(QStringLiteral("Roads"), *w.document);
             s.close();
         },
         [](const QByteArray &before, const QByteArray &after) {
             return after.startsWith(before) && after.size() > before.size();
         }},
        {"undo of a rename", [](SetStore &s, SetsWorld &) { EXPECT_TRUE(s.undo()); },
         [](const QByteArray &, const QByteArray &after) { return after == kSaved; }},
    };
    for (const Case &c : cases) {
        bool failedSomewhere = true;
        for (int failing = 0; failedSomewhere; ++failing) {
            SetsWorld world;
            SetStore store(world.state());
            world.writeFile(kSaved);
            if (QByteArray(c.name) == "undo of a rename")
                store.renameSet(QStringLiteral("Roads"), QStringLiteral("Streets"));
            const QByteArray before = world.fileBytes();
            callsUntilFailure = failing;
            bool threw = false;
            try {
                c.change(store, world);
            } catch (const HostError &) {
                threw = true;
            }
            failedSomewhere = callsUntilFailure < 0;
            callsUntilFailure = -1;
            store.close();
            const QByteArray after = world.fileBytes();
            EXPECT_TRUE(threw ? after == before : c.done(before, after))
                << c.name << ", call " << failing << " failing: " << after.toStdString();
        }
    }
}

} // namespace
