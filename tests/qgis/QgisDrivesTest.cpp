#include "QgisDrives.h"
#include "DriveTable.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace quarnelqgis;

namespace {

TEST(QgisDrives, CIsMapdeskOwnFolderWhateverTheApplicationIsCalled)
{
    const QString qgisName = QCoreApplication::applicationName();
    const QString qgisOrganisation = QCoreApplication::organizationName();
    QCoreApplication::setOrganizationName(QString());
    QCoreApplication::setApplicationName(QStringLiteral("mapdesk"));
    const QString mapdeskC = mapdesk::DriveTable::defaultRootC();
    QCoreApplication::setApplicationName(QStringLiteral("QGIS3"));
    QCoreApplication::setOrganizationName(QStringLiteral("QGIS"));
    EXPECT_EQ(QgisDrives::mapdeskDriveC(), mapdeskC);
    QCoreApplication::setApplicationName(qgisName);
    QCoreApplication::setOrganizationName(qgisOrganisation);
}

TEST(QgisDrives, SettingsThenEnvironmentAddOrReplaceDrives)
{
    QTemporaryDir d1, d2;
    const QString c = QgisDrives::mapdeskDriveC();
    struct Row
    {
        const char *what;
        QStringList settings;
        QString environment;
        QString driveC, driveD;
        int problems;
    };
    const Row rows[] = {
        {"nothing given", {}, {}, c, {}, 0},
        {"a drive in the settings", {"D=" + d1.path()}, {}, c, d1.path(), 0},
        {"the environment replaces C:", {}, "C=" + d2.path(), d2.path(), {}, 0},
        {"the environment wins over the settings",
         {"D=" + d1.path()},
         "D=" + d2.path() + ";;C=" + d1.path(),
         d1.path(),
         d2.path(),
         0},
        {"entries that are not drives", {"D", "1=" + d1.path()}, "E=" + d1.path() + "/missing", c, {}, 3},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        QStringList problems;
        const auto table = QgisDrives::make(row.settings, row.environment, &problems);
        EXPECT_EQ(table->root(QLatin1Char('C')), row.driveC);
        EXPECT_EQ(table->root(QLatin1Char('d')), row.driveD);
        EXPECT_EQ(problems.size(), row.problems) << problems.join(QLatin1Char('\n')).toStdString();
        if (row.driveC == c) {
            EXPECT_TRUE(QDir(c + QStringLiteral("/Program Files")).exists());
        }
    }
}

} // namespace
