// quarnel-sets on a file system that takes no locks, played by a preloaded
// library that refuses them as NFS without its lock manager does: the run
// works and says once that it went unlocked.

#include "CliWorld.h"

#include <gtest/gtest.h>

namespace {

TEST(NoLocks, ARunWorksAndWarnsOnceOnlyWhereLocksAreRefused)
{
    for (const bool refused : {true, false}) {
        CliWorld world;
        world.write("config", CliWorld::record("Roads", "Town", "Roads", "True"));
        if (refused) {
            world.environment.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(REFUSE_LOCKS_PATH));
            // A build with the address sanitizer wants its own library first.
            world.environment.insert(QStringLiteral("ASAN_OPTIONS"), qEnvironmentVariable("ASAN_OPTIONS")
                                                                         + QStringLiteral(":verify_asan_link_order=0"));
        }
        const CliWorld::Run run = world.run({QStringLiteral("list")});
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_EQ(run.out, "Roads\n");
        const QByteArray warning = "quarnel-sets: warning: the file system of " + world.path("config").toUtf8()
                                   + " does not support file locks";
        EXPECT_EQ(run.err.count(warning), refused ? 1 : 0) << run.err.toStdString();
    }
}

} // namespace
