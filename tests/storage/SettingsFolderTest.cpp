#include "SettingsFolder.h"

#include "FileChannel.h"
#include "QuarnelGIS_Public.h"
#include "StorageTestSupport.h"

#include <QDir>
#include <QFileInfo>

namespace {

const QString kSettings = QStringLiteral(":\\Program Files\\QuarnelGIS\\QuarnelVisibility\\");

class SettingsFolder : public ::testing::Test
{
protected:
    void SetUp() override { state.productName = QStringLiteral("QuarnelVisibility"); }

    std::int16_t locate()
    {
        return locateSettingsFolder(*host.state, QStringLiteral("QuarnelGIS"), QStringLiteral("QuarnelVisibility"),
                                    QStringLiteral("config"));
    }
    const std::vector<fake::Box> &boxes() const { return host.boxes->boxes; }

    fake::FakeHost host;
    QuarnelGIS_Public &state = *host.state;
};

TEST_F(SettingsFolder, UsesTheFirstDriveWithProgramFilesAndPreparesIt)
{
    host.drives->add(QLatin1Char('A'), false);
    const QString c = host.drives->add(QLatin1Char('C'));
    const QString d = host.drives->add(QLatin1Char('D'));
    EXPECT_EQ(locate(), 1);
    EXPECT_EQ(state.settingsDrive, QStringLiteral("C"));
    EXPECT_EQ(state.settingsFolder, QStringLiteral("C") + kSettings);
    EXPECT_EQ(state.setFilePath, QStringLiteral("C") + kSettings + QStringLiteral("config"));
    const QFileInfo file(c + QStringLiteral("/Program Files/QuarnelGIS/QuarnelVisibility/config"));
    EXPECT_TRUE(file.isFile());
    EXPECT_EQ(file.size(), 0);
    EXPECT_TRUE(QDir(d + QStringLiteral("/Program Files")).isEmpty());
    EXPECT_FALSE(host.state->channel1.isOpen());
    EXPECT_TRUE(boxes().empty());

    host.drives->roots.remove(QLatin1Char('C'));
    EXPECT_EQ(locate(), 1);
    EXPECT_EQ(state.setFilePath, QStringLiteral("D") + kSettings + QStringLiteral("config"));
    EXPECT_TRUE(QFileInfo(d + QStringLiteral("/Program Files/QuarnelGIS/QuarnelVisibility/config")).isFile());
}

TEST_F(SettingsFolder, WithoutProgramFilesSaysSorryAndKeepsThePaths)
{
    host.drives->add(QLatin1Char('C'), false);
    EXPECT_EQ(locate(), -1);
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].text, QStringLiteral("Sorry, QuarnelVisibility can't find your local Program Files directory. "
                                              "Please email support@quarnelgis.com. Thanks!"));
    EXPECT_EQ(boxes()[0].title, QStringLiteral("QuarnelVisibility"));
    EXPECT_TRUE(state.settingsDrive.isEmpty());
    EXPECT_TRUE(state.settingsFolder.isEmpty());
    EXPECT_TRUE(state.setFilePath.isEmpty());

    state.settingsFolder = QStringLiteral("earlier");
    state.setFilePath = QStringLiteral("earlier config");
    EXPECT_EQ(locate(), -1);
    EXPECT_EQ(state.settingsFolder, QStringLiteral("earlier"));
    EXPECT_EQ(state.setFilePath, QStringLiteral("earlier config"));
}

TEST_F(SettingsFolder, CreatesOnlyWhatIsMissingAndLeavesAnExistingFileAlone)
{
    // Creating a folder that exists would be reported, so no box also means
    // that nothing present was created again.
    const QString c = host.drives->add(QLatin1Char('C'));
    const QString file = c + QStringLiteral("/Program Files/QuarnelGIS/QuarnelVisibility/config");
    ASSERT_TRUE(QDir().mkpath(c + QStringLiteral("/Program Files/QuarnelGIS")));
    EXPECT_EQ(locate(), 1);
    EXPECT_TRUE(QFileInfo(file).isFile());

    const QByteArray saved = "\"Roads\",\"Layers\",\"Streets\",\"True\"\r\n\"R\xE9\",\"m\",\"l\",\"False\"";
    storagetest::writeBytes(file, saved);
    EXPECT_EQ(locate(), 1);
    EXPECT_EQ(storagetest::readBytes(file), saved);
    EXPECT_TRUE(boxes().empty());
}

TEST_F(SettingsFolder, FailuresLeaveTheFilePathAsItWas)
{
    // Program Files not writable: one report per folder level, then the file
    // fails silently.
    const QString c = host.drives->add(QLatin1Char('C'));
    QFile::setPermissions(c + QStringLiteral("/Program Files"), QFileDevice::Permissions(0x5555));
    state.setFilePath = QStringLiteral("earlier config");
    std::int16_t result = 0;
    {
        storagetest::Unprivileged unprivileged(host);
        result = locate();
    }
    QFile::setPermissions(c + QStringLiteral("/Program Files"), QFileDevice::Permissions(0x7755));
    EXPECT_EQ(result, -1);
    ASSERT_EQ(boxes().size(), 2u);
    storagetest::expectReport(boxes()[0], QStringLiteral("fCreateDirectory "), 70, QStringLiteral("Permission denied"));
    storagetest::expectReport(boxes()[1], QStringLiteral("fCreateDirectory "), 76, QStringLiteral("Path not found"));
    EXPECT_EQ(state.settingsDrive, QStringLiteral("C"));
    EXPECT_EQ(state.settingsFolder, QStringLiteral("C") + kSettings);
    EXPECT_EQ(state.setFilePath, QStringLiteral("earlier config"));
    EXPECT_FALSE(host.state->channel1.isOpen());

    // A folder where the file belongs: no message at all.
    host.boxes->boxes.clear();
    ASSERT_TRUE(QDir().mkpath(c + QStringLiteral("/Program Files/QuarnelGIS/QuarnelVisibility/config")));
    EXPECT_EQ(locate(), -1);
    EXPECT_TRUE(boxes().empty());
    EXPECT_EQ(state.setFilePath, QStringLiteral("earlier config"));
}

} // namespace
