// The disk failing the add-in: a settings folder it may not write, a
// read-only set file, the file deleted behind its back, and a full disk. Each
// is reported, never shown as success, and every set already on disk stays.

#include "../storage/StorageTestSupport.h"
#include "AddinWorld.h"

#include "FileChannel.h"
#include "FileLock.h"
#include "SetStore.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <csignal>
#include <functional>
#include <sys/resource.h>

namespace {

const QByteArray kSaved = "\"Roads\",\"Layers\",\"Streets\",\"True\"\r\n"
                          "\"Roads\",\"Overview\",\"Streets\",\"False\"\r\n";

class DiskFaults : public ::testing::Test
{
protected:
    void SetUp() override
    {
        world.writeFile(kSaved);
        world.reload();
    }
    /// Saves the document under `name` through a new name dialog; returns the dialog.
    QWidget *save(const QString &name)
    {
        QWidget *dialog = world.pressSave();
        AddinWorld::saveAs(dialog, name);
        return dialog;
    }
    /// The reports' MODULE and ERROR NUMBER lines; forgets the reports.
    QStringList takeReports()
    {
        QStringList reports;
        for (const fake::Box &box : world.host.boxes->boxes) {
            const QStringList lines = box.text.split(QStringLiteral("\r\n"));
            reports << (lines.size() > 9 ? lines[9] + QStringLiteral(" / ") + lines[8] : box.text);
        }
        world.host.boxes->boxes.clear();
        return reports;
    }
    void setPermissions(const QString &path, QFileDevice::Permissions permissions)
    {
        ASSERT_TRUE(QFile::setPermissions(path, permissions));
    }

    AddinWorld world;
};

const QFileDevice::Permissions kReadOnly = QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther;
const QFileDevice::Permissions kReadOnlyFolder =
    kReadOnly | QFileDevice::ExeOwner | QFileDevice::ExeGroup | QFileDevice::ExeOther;
const QFileDevice::Permissions kWritable =
    kReadOnly | QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;

TEST_F(DiskFaults, SettingsFolderThatCannotBeWritten)
{
    setPermissions(world.folder, kReadOnlyFolder);
    setPermissions(world.filePath(), kWritable);
    {
        storagetest::Unprivileged unprivileged(world.host);
        // The file itself may still be written: a save succeeds.
        save(QStringLiteral("Rivers"));
        EXPECT_TRUE(takeReports().isEmpty());
        // The file cannot be removed from the folder: "Clear All" says so.
        world.press("Command1");
        EXPECT_EQ(takeReports(), QStringList{QStringLiteral("MODULE: fDeleteFile QuarnelGIS_IO Line : 40 / "
                                                            "ERROR NUMBER: 70")});
    }
    EXPECT_TRUE(world.fileBytes().startsWith(kSaved));
    EXPECT_EQ(world.fileBytes().count("\r\n"), 6);
    world.reload();
    EXPECT_EQ(world.listed(), (QStringList{QStringLiteral("Rivers"), QStringLiteral("Roads")}));

    // Without the file, neither a save nor "Clear All" can create it.
    setPermissions(world.folder, kWritable | QFileDevice::ExeOwner);
    ASSERT_TRUE(QFile::remove(world.filePath()));
    setPermissions(world.folder, kReadOnlyFolder);
    QWidget *dialog = nullptr;
    {
        storagetest::Unprivileged unprivileged(world.host);
        dialog = save(QStringLiteral("Lost"));
        EXPECT_EQ(takeReports(),
                  QStringList{QStringLiteral("MODULE: Command1_Click frmName Line : 40 / ERROR NUMBER: 70")});
        world.press("Command1");
        EXPECT_EQ(takeReports(),
                  QStringList{QStringLiteral("MODULE: Command1_Click frmMain Line : 40 / ERROR NUMBER: 70")});
    }
    setPermissions(world.folder, kWritable | QFileDevice::ExeOwner);
    EXPECT_FALSE(QFileInfo::exists(world.filePath()));
    EXPECT_FALSE(world.listed().contains(QStringLiteral("Lost")));
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_FALSE(world.state().channel1.isOpen());
}

TEST_F(DiskFaults, ClearAllEmptiesTheFileWhenNoUndoPointCanBeMade)
{
    SetStore store(world.state());
    ASSERT_EQ(store.renameSet(QStringLiteral("Roads"), QStringLiteral("Streets")), SetStore::Rename::Renamed);
    // A stuck writer keeps the file locked past the wait for it.
    QFile stuck(world.filePath());
    ASSERT_TRUE(stuck.open(QIODevice::ReadWrite));
    ASSERT_TRUE(FileLock::acquire(stuck.handle(), FileLock::Kind::Exclusive));
    world.press("Command1");
    stuck.close();
    EXPECT_TRUE(takeReports().isEmpty());
    EXPECT_EQ(world.fileBytes(), QByteArray());
    EXPECT_TRUE(world.listed().isEmpty());
    EXPECT_FALSE(store.undo()) << "nothing to undo: the rename's undo point is not the file's any more";
    EXPECT_EQ(world.fileBytes(), QByteArray());
}

TEST_F(DiskFaults, ReadOnlySetFileIsNeitherClearedNorWritten)
{
    setPermissions(world.filePath(), kReadOnly);
    QWidget *dialog = save(QStringLiteral("Rivers"));
    EXPECT_EQ(takeReports(),
              QStringList{QStringLiteral("MODULE: Command1_Click frmName Line : 40 / ERROR NUMBER: 70")});
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(world.listed(), QStringList{QStringLiteral("Roads")});

    world.press("Command1");
    EXPECT_EQ(takeReports(),
              (QStringList{QStringLiteral("MODULE: fDeleteFile QuarnelGIS_IO Line : 30 / ERROR NUMBER: 70"),
                           QStringLiteral("MODULE: Command1_Click frmMain Line : 40 / ERROR NUMBER: 70")}));
    setPermissions(world.filePath(), kWritable);
    EXPECT_EQ(world.fileBytes(), kSaved);
    EXPECT_FALSE(world.state().channel1.isOpen());
    world.reload();
    EXPECT_EQ(world.listed(), QStringList{QStringLiteral("Roads")});
}

TEST_F(DiskFaults, SetFileDeletedBehindTheAddInsBack)
{
    ASSERT_TRUE(QFile::remove(world.filePath()));
    world.layer(QStringLiteral("Layers"), QStringLiteral("Streets")).on = false;
    world.select(0);
    EXPECT_EQ(takeReports(), QStringList{QStringLiteral("MODULE: lstbx1_Click frmMain Line : 20 / ERROR NUMBER: 53")});
    EXPECT_FALSE(world.visible("Layers", "Streets"));
    EXPECT_EQ(world.contentsUpdates(), 0);

    // Appending creates the file anew: the save did reach the disk.
    save(QStringLiteral("Again"));
    EXPECT_TRUE(takeReports().isEmpty());
    EXPECT_TRUE(world.fileBytes().startsWith("\"Again\",\"Layers\",\"Streets\",\"False\"\r\n"));
    EXPECT_EQ(world.listed(), (QStringList{QStringLiteral("Again"), QStringLiteral("Roads")}));

    // The settings folder itself gone: nothing can be saved.
    ASSERT_TRUE(QDir(world.folder).removeRecursively());
    save(QStringLiteral("Lost"));
    EXPECT_EQ(takeReports(),
              QStringList{QStringLiteral("MODULE: Command1_Click frmName Line : 40 / ERROR NUMBER: 76")});
    EXPECT_FALSE(world.listed().contains(QStringLiteral("Lost")));
}

/// Runs `step` on a disk that takes only `room` more bytes of the set file.
void withRoomFor(qint64 room, const QString &file, const std::function<void()> &step)
{
    struct rlimit saved
    {
    };
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    struct rlimit limited = saved;
    limited.rlim_cur = rlim_t(QFileInfo(file).size() + room);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    step();
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
}

TEST_F(DiskFaults, FullDiskLosesNoSetAndListsNoName)
{
    const QString file = world.folder + QStringLiteral("config");
    const QByteArray before = world.fileBytes();
    QWidget *dialog = nullptr;
    withRoomFor(0, file, [&] { dialog = save(QStringLiteral("Lost")); });
    EXPECT_EQ(takeReports(),
              QStringList{QStringLiteral("MODULE: Command1_Click frmName Line : 60 / ERROR NUMBER: 61")});
    EXPECT_EQ(world.listed(), QStringList{QStringLiteral("Roads")});
    EXPECT_EQ(world.fileBytes(), before);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_FALSE(world.state().channel1.isOpen());
}

TEST_F(DiskFaults, ADeviceOrPipeAsTheSetFileIsRefusedBeforeAnythingIsWritten)
{
    // A link to the device that is always full, to the one that swallows
    // everything, and a pipe nobody reads: none holds records, and none may
    // make a save "succeed" or keep the window waiting.
    const QString file = world.folder + QStringLiteral("config");
    for (const char *target : {"/dev/full", "/dev/null", "fifo"}) {
        ASSERT_TRUE(QFile::remove(file));
        if (QByteArray(target) == "fifo")
            ASSERT_EQ(::mkfifo(QFile::encodeName(file).constData(), 0600), 0);
        else
            ASSERT_TRUE(QFile::link(QString::fromLatin1(target), file));
        QWidget *dialog = save(QStringLiteral("Lost"));
        EXPECT_EQ(takeReports(),
                  QStringList{QStringLiteral("MODULE: Command1_Click frmName Line : 40 / ERROR NUMBER: 75")})
            << target;
        EXPECT_TRUE(dialog->isVisible());
        world.reload();
        EXPECT_EQ(takeReports(), QStringList{QStringLiteral("MODULE: Form_Load frmMain Line : 50 / ERROR NUMBER: 75")})
            << target;
        EXPECT_TRUE(world.listed().isEmpty());
        EXPECT_FALSE(world.state().channel1.isOpen());
    }
}

TEST_F(DiskFaults, WriteCutShortByTheDiskKeepsOnlyWholeRecords)
{
    const QByteArray firstRecord = "\"Cut\",\"Layers\",\"Streets\",\"True\"\r\n";
    QWidget *dialog = nullptr;
    // Room for part of the first record: the torn record is cut off.
    withRoomFor(10, world.filePath(), [&] { dialog = save(QStringLiteral("Cut")); });
    QStringList reports = takeReports();
    ASSERT_EQ(reports.size(), 1);
    EXPECT_TRUE(reports[0].startsWith(QStringLiteral("MODULE: Command1_Click frmName Line : 60 / ")));
    EXPECT_EQ(world.fileBytes(), kSaved);
    EXPECT_EQ(world.listed(), QStringList{QStringLiteral("Roads")});
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_FALSE(world.state().channel1.isOpen());

    // Room for the first record and part of the second: the whole one stays.
    withRoomFor(firstRecord.size() + 10, world.filePath(), [&] { AddinWorld::pressIn(dialog, "Command1"); });
    reports = takeReports();
    ASSERT_EQ(reports.size(), 1);
    EXPECT_TRUE(reports[0].startsWith(QStringLiteral("MODULE: Command1_Click frmName Line : 60 / ")));
    EXPECT_EQ(world.fileBytes(), kSaved + firstRecord);
    EXPECT_EQ(world.listed(), QStringList{QStringLiteral("Roads")});

    // The file reads cleanly and takes the next save whole.
    AddinWorld::pressIn(dialog, "Command1");
    EXPECT_TRUE(takeReports().isEmpty());
    EXPECT_EQ(world.fileBytes().count("\r\n"), 2 + 1 + 4);
    world.reload();
    EXPECT_TRUE(takeReports().isEmpty());
    EXPECT_EQ(world.listed(), (QStringList{QStringLiteral("Cut"), QStringLiteral("Roads")}));
}

} // namespace
