// A file system that takes no locks (an NFS mount without its lock manager,
// some network and FUSE file systems): every lock the add-in asks for is
// refused as unsupported. The sets are read and changed all the same, and the
// main window says so without interrupting. A binary of its own, since each
// of the add-in's calls of fcntl goes through the refusal below.

#include "AddinWorld.h"

#include "FileLock.h"
#include "HostError.h"
#include "SetStore.h"

#include <QFile>
#include <QLabel>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdarg>

#include <fcntl.h>

namespace {
int refusal = 0; ///< the errno that refuses every lock; 0: locks work
} // namespace

extern "C" int __real_fcntl(int descriptor, int command, ...);
extern "C" int __wrap_fcntl(int descriptor, int command, ...)
{
    va_list arguments;
    va_start(arguments, command);
    void *argument = va_arg(arguments, void *);
    va_end(arguments);
    if (refusal != 0 && (command == F_OFD_SETLK || command == F_OFD_SETLKW)) {
        errno = refusal;
        return -1;
    }
    return __real_fcntl(descriptor, command, argument);
}

namespace {

constexpr auto record = &SetsWorld::record;

/// Each way a file system says that it takes no locks, one after the other.
class EachRefusal : public ::testing::TestWithParam<int>
{
protected:
    void SetUp() override { refusal = GetParam(); }
    void TearDown() override { refusal = 0; }
};

TEST_P(EachRefusal, SetsAreListedSavedChangedAndUndoneWithoutLocks)
{
    SetsWorld world;
    world.writeFile(record("Roads", "Layers", "Streets", "True"));
    SetStore store(world.state());
    EXPECT_FALSE(FileLock::supportedAt(world.filePath()));

    store.openForAppend();
    store.appendSet(QStringLiteral("Rivers"), *world.document);
    store.close();
    store.openForInput();
    QStringList listed;
    store.listNames([&listed](const QString &name) { listed << name; });
    store.close();
    EXPECT_EQ(listed, (QStringList{"Roads", "Rivers"}));

    const QByteArray saved = world.fileBytes();
    EXPECT_EQ(store.renameSet(QStringLiteral("Roads"), QStringLiteral("Streets")), SetStore::Rename::Renamed);
    EXPECT_EQ(store.names(), (QStringList{"Streets", "Rivers"}));
    EXPECT_TRUE(store.undo());
    EXPECT_EQ(world.fileBytes(), saved);
}

TEST_P(EachRefusal, TheMainWindowShowsItWithoutAQuestionUntilTheFileMovesWhereLocksWork)
{
    AddinWorld world;
    const QLabel *note = world.control<QLabel>("lblNoLocks");
    ASSERT_NE(note, nullptr);
    EXPECT_TRUE(note->isVisible());
    EXPECT_TRUE(note->toolTip().contains(QStringLiteral("does not support file locks"))) << qPrintable(note->toolTip());
    EXPECT_TRUE(note->toolTip().contains(world.filePath())) << qPrintable(note->toolTip());
    EXPECT_TRUE(world.host.boxes->boxes.empty());

    // The set file moves to a file system that takes locks.
    refusal = 0;
    world.state().setFilePath += QStringLiteral("2");
    QFile moved(world.filePath() + QStringLiteral("2"));
    ASSERT_TRUE(moved.open(QIODevice::WriteOnly));
    world.window().Frame()->setVisible(false);
    world.window().Frame()->setVisible(true);
    EXPECT_FALSE(note->isVisible());
}

INSTANTIATE_TEST_SUITE_P(NoLocks, EachRefusal, ::testing::Values(ENOLCK, EOPNOTSUPP, ENOSYS));

} // namespace
