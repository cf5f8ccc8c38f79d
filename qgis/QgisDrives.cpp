#include "QgisDrives.h"

#include "DriveTable.h"

#include <QDir>
#include <QStandardPaths>

namespace quarnelqgis {

QString QgisDrives::mapdeskDriveC()
{
    // mapdesk names no organisation: its data folder is "mapdesk" in the
    // generic data folder (QStandardPaths::AppLocalDataLocation there).
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/mapdesk/drive_c");
}

std::shared_ptr<mapdesk::DriveTable> QgisDrives::make(const QStringList &settingEntries, const QString &environment,
                                                      QStringList *problems)
{
    auto table = std::make_shared<mapdesk::DriveTable>();
    const QString defaultC = mapdeskDriveC();
    table->setDrive(QLatin1Char('C'), defaultC);
    QStringList entries = settingEntries;
    entries += environment.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const QString &entry : entries) {
        const QString error = table->addFromArgument(entry.trimmed());
        if (!error.isEmpty() && problems)
            *problems << error;
    }
    if (table->root(QLatin1Char('C')) == defaultC && !QDir().mkpath(defaultC + QStringLiteral("/Program Files"))
        && problems)
        *problems << QStringLiteral("Cannot create the folder of drive C: %1/Program Files").arg(defaultC);
    return table;
}

} // namespace quarnelqgis
