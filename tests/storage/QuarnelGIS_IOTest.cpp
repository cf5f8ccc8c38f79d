#include "QuarnelGIS_IO.h"
#include "WindowsPath.h"

#include "StorageTestSupport.h"

#include <QFileInfo>

using namespace QuarnelGIS_IO;
using storagetest::expectReport;

namespace {

class FileSystemHelpers : public ::testing::Test
{
protected:
    void SetUp() override
    {
        drive = host.drives->add(QLatin1Char('C'));
        storagetest::writeBytes(drive + QStringLiteral("/Program Files/readme.txt"), "text");
    }
    const std::vector<fake::Box> &boxes() const { return host.boxes->boxes; }

    fake::FakeHost host;
    QString drive;
};

TEST_F(FileSystemHelpers, PathsResolveThroughTheDriveTable)
{
    host.drives->roots.insert(QLatin1Char('R'), QStringLiteral("/"));
    EXPECT_EQ(WindowsPath::toNative(host.state->services, QStringLiteral("c:\\Program Files\\a b\\config")),
              drive + QStringLiteral("/Program Files/a b/config"));
    EXPECT_EQ(WindowsPath::toNative(host.state->services, QStringLiteral("R:\\tmp\\")), QStringLiteral("/tmp/"));
    for (const char *path : {"", "Q:\\Program Files\\", "Program Files\\config", "C:config", "\\\\server\\x", "1:\\x"})
        EXPECT_TRUE(WindowsPath::toNative(host.state->services, QString::fromLatin1(path)).isEmpty()) << path;
}

TEST_F(FileSystemHelpers, TestsTellFilesFromFolders)
{
    EXPECT_TRUE(fDoesDirectoryExist(*host.state, QStringLiteral("C:\\Program Files\\")));
    EXPECT_TRUE(fDoesDirectoryExist(*host.state, QStringLiteral("c:\\Program Files")));
    EXPECT_FALSE(fDoesDirectoryExist(*host.state, QStringLiteral("C:\\Program Files\\readme.txt")));
    EXPECT_FALSE(fDoesDirectoryExist(*host.state, QStringLiteral("D:\\Program Files\\")));
    EXPECT_TRUE(fDoesFileExist(*host.state, QStringLiteral("C:\\Program Files\\readme.txt")));
    EXPECT_FALSE(fDoesFileExist(*host.state, QStringLiteral("C:\\Program Files")));
    EXPECT_FALSE(fDoesFileExist(*host.state, QStringLiteral("C:\\Program Files\\missing.txt")));
    EXPECT_FALSE(fDoesFileExist(*host.state, QStringLiteral("D:\\Program Files\\readme.txt")));
    EXPECT_TRUE(boxes().empty());

    // A failure inside a test is reported and answers false.
    host.state->services.setDrives(nullptr);
    EXPECT_FALSE(fDoesFileExist(*host.state, QStringLiteral("C:\\Program Files\\readme.txt")));
    EXPECT_FALSE(fDoesDirectoryExist(*host.state, QStringLiteral("C:\\Program Files\\")));
    ASSERT_EQ(boxes().size(), 2u);
    const QString noDrives = QStringLiteral("The host provides no drive table service");
    expectReport(boxes()[0], QStringLiteral("fDoesFileExist "), HostError::E_FAIL_NUMBER, noDrives);
    expectReport(boxes()[1], QStringLiteral("fDoesDirectoryExist "), HostError::E_FAIL_NUMBER, noDrives);
}

TEST_F(FileSystemHelpers, CreateDirectoryMakesOneLevelOrReportsWhyNot)
{
    fCreateDirectory(*host.state, QStringLiteral("C:\\Program Files\\QuarnelGIS\\"));
    fCreateDirectory(*host.state, QStringLiteral("C:\\Program Files\\QuarnelGIS\\QuarnelVisibility"));
    EXPECT_TRUE(QFileInfo(drive + QStringLiteral("/Program Files/QuarnelGIS/QuarnelVisibility")).isDir());
    ASSERT_TRUE(boxes().empty());

    const struct
    {
        const char *path;
        int number;
        const char *description;
    } cases[] = {
        {"C:\\Program Files\\", 58, "File already exists"},
        {"C:\\Program Files\\readme.txt", 58, "File already exists"},
        {"C:\\Program Files\\New\\QuarnelVisibility\\", 76, "Path not found"},
        {"Q:\\Program Files\\New\\", 76, "Path not found"},
    };
    for (const auto &c : cases) {
        host.boxes->boxes.clear();
        fCreateDirectory(*host.state, QString::fromLatin1(c.path));
        ASSERT_EQ(boxes().size(), 1u) << c.path;
        expectReport(boxes()[0], QStringLiteral("fCreateDirectory "), c.number, QString::fromLatin1(c.description));
    }
    EXPECT_FALSE(QFileInfo::exists(drive + QStringLiteral("/Program Files/New")));

    host.boxes->boxes.clear();
    QFile::setPermissions(drive + QStringLiteral("/Program Files"), QFileDevice::Permissions(0x5555));
    {
        storagetest::Unprivileged unprivileged(host);
        fCreateDirectory(*host.state, QStringLiteral("C:\\Program Files\\New\\"));
    }
    EXPECT_FALSE(QFileInfo::exists(drive + QStringLiteral("/Program Files/New")));
    ASSERT_EQ(boxes().size(), 1u);
    expectReport(boxes()[0], QStringLiteral("fCreateDirectory "), 70, QStringLiteral("Permission denied"));
}

TEST_F(FileSystemHelpers, DeleteFileRemovesWritableFilesOnly)
{
    fDeleteFile(*host.state, QStringLiteral("C:\\Program Files\\readme.txt"));
    EXPECT_FALSE(QFileInfo::exists(drive + QStringLiteral("/Program Files/readme.txt")));
    fDeleteFile(*host.state, QStringLiteral("C:\\Program Files\\readme.txt"));
    fDeleteFile(*host.state, QStringLiteral("C:\\Program Files\\"));
    fDeleteFile(*host.state, QStringLiteral("Q:\\readme.txt"));
    EXPECT_TRUE(QFileInfo(drive + QStringLiteral("/Program Files")).isDir());
    ASSERT_TRUE(boxes().empty());

    const QString readOnly = drive + QStringLiteral("/Program Files/read-only.txt");
    storagetest::writeBytes(readOnly, "text");
    QFile::setPermissions(readOnly, QFileDevice::ReadOwner | QFileDevice::ReadOther);
    fDeleteFile(*host.state, QStringLiteral("C:\\Program Files\\read-only.txt"));
    EXPECT_EQ(storagetest::readBytes(readOnly), QByteArray("text"));
    ASSERT_EQ(boxes().size(), 1u);
    expectReport(boxes()[0], QStringLiteral("fDeleteFile "), 70, QStringLiteral("Permission denied"));
}

} // namespace
