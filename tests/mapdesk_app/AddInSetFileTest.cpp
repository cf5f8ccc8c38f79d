// mapdesk with the add-in over a set file that is no regular file.

#include "AddInSession.h"
#include "frmMain.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <functional>
#include <ostream>

#include <sys/stat.h>

namespace {

/// What `path` is on disk, without following a link: its kind and, for a
/// link, where it points, so that a test sees the special file left alone.
QString whatIs(const QString &path)
{
    struct stat seen = {};
    if (::lstat(QFile::encodeName(path).constData(), &seen) != 0)
        return QStringLiteral("missing");
    if (S_ISLNK(seen.st_mode))
        return QStringLiteral("link to ") + QFileInfo(path).symLinkTarget();
    if (S_ISFIFO(seen.st_mode))
        return QStringLiteral("fifo");
    if (S_ISCHR(seen.st_mode))
        return QStringLiteral("character device");
    return QStringLiteral("other");
}

struct SpecialFile
{
    const char *what;
    std::function<bool(const QString &path)> make;
    QString expected;
};

void PrintTo(const SpecialFile &file, std::ostream *out)
{
    *out << file.what;
}

class SetFileIsNoRegularFile : public ::testing::TestWithParam<SpecialFile>
{
};

// No read or write may wait for a peer of a pipe or vanish into a device:
// mapdesk starts, the window opens, Save and Clear All report their failure
// and the special file stays as it was.
TEST_P(SetFileIsNoRegularFile, MapdeskStartsAndSaveAndClearAllReportAFailure)
{
    const SpecialFile &special = GetParam();
    QTemporaryDir driveC;
    ASSERT_TRUE(driveC.isValid());
    ASSERT_TRUE(QDir().mkpath(AddInSession::settingsFolder(driveC.path())));
    const QString config = AddInSession::settingsFolder(driveC.path()) + QStringLiteral("/config");
    ASSERT_TRUE(special.make(config));
    ASSERT_EQ(whatIs(config), special.expected);

    AddInSession mapdesk(QStringLiteral("city.mapdesk.json"), driveC.path());
    ASSERT_NE(mapdesk.pressButton(), nullptr);
    EXPECT_TRUE(mapdesk.window()->isVisible());
    EXPECT_EQ(mapdesk.listed(), QStringList());

    mapdesk.boxes->boxes.clear();
    mapdesk.save(QStringLiteral("Mine"));
    EXPECT_EQ(mapdesk.listed(), QStringList()) << "a save that wrote nothing lists nothing";
    ASSERT_EQ(mapdesk.boxTexts().size(), 1u) << "the failed save is told";
    EXPECT_TRUE(mapdesk.boxTexts().front().contains(QStringLiteral("frmName")))
        << qPrintable(mapdesk.boxTexts().front());

    mapdesk.boxes->boxes.clear();
    mapdesk.press(QStringLiteral("Clear All"));
    ASSERT_FALSE(mapdesk.boxTexts().isEmpty()) << "a Clear All that could not empty the file is told";
    EXPECT_TRUE(mapdesk.boxTexts().back().contains(QStringLiteral("Command1_Click frmMain")))
        << qPrintable(mapdesk.boxTexts().back());

    EXPECT_EQ(whatIs(config), special.expected) << "the special file is left alone";
    EXPECT_EQ(whatIs(QStringLiteral("/dev/null")), QStringLiteral("character device"));
    EXPECT_EQ(AddInSession::startupBoxes(), QStringList()) << "start-up asked nothing";
}

INSTANTIATE_TEST_SUITE_P(
    EndToEnd, SetFileIsNoRegularFile,
    ::testing::Values(
        SpecialFile{"Fifo",
                    [](const QString &path) { return ::mkfifo(QFile::encodeName(path).constData(), 0644) == 0; },
                    QStringLiteral("fifo")},
        SpecialFile{"LinkToDevNull", [](const QString &path) { return QFile::link(QStringLiteral("/dev/null"), path); },
                    QStringLiteral("link to /dev/null")}),
    [](const ::testing::TestParamInfo<SpecialFile> &info) { return std::string(info.param.what); });

} // namespace
