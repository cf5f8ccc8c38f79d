#include "SetFileLocation.h"

#include "CommandFailure.h"
#include "ConsoleMessageBox.h"
#include "DriveTable.h"
#include "HostServices.h"
#include "ProductNames.h"
#include "QuarnelGIS_Public.h"
#include "SetDatabase.h"
#include "SettingsFolder.h"
#include "WindowsPath.h"

#include <QFileInfo>

SetFileLocation::SetFileLocation()
    : m_drives(std::make_shared<mapdesk::DriveTable>()), m_services(std::make_shared<HostServices>())
{
    m_services->setDrives(m_drives);
    m_services->setMessageBox(std::make_shared<ConsoleMessageBox>());
    m_state = std::make_unique<QuarnelGIS_Public>(m_services);
    m_state->productName = ProductNames::product();
    m_state->productVersion = ProductNames::version();
}

SetFileLocation::~SetFileLocation() = default;

std::unique_ptr<SetFileLocation> SetFileLocation::ofDrives(const QStringList &driveArguments, bool prepare)
{
    std::unique_ptr<SetFileLocation> location(new SetFileLocation);
    for (const QString &argument : driveArguments) {
        const QString error = location->m_drives->addFromArgument(argument);
        if (!error.isEmpty())
            throw CommandFailure(CommandFailure::Usage, error);
    }
    if (prepare) {
        const QString error = location->m_drives->prepare();
        if (!error.isEmpty())
            throw CommandFailure(CommandFailure::Failed, error);
    }

    // The add-in's own search for its settings drive.
    QuarnelGIS_Public &state = *location->m_state;
    const QString drive = findSettingsDrive(state);
    if (drive.isEmpty())
        throw CommandFailure(CommandFailure::Failed,
                             QStringLiteral("no drive has a Program Files folder (mapdesk's drive C: is %1)")
                                 .arg(location->m_drives->root(QLatin1Char('C'))));
    if (prepare) {
        if (locateSettingsFolder(state, ProductNames::maker(), ProductNames::product(), ProductNames::setFileName())
            != 1)
            throw CommandFailure(CommandFailure::Failed,
                                 QStringLiteral("cannot make the settings folder on drive %1: %2")
                                     .arg(drive, location->m_drives->root(drive.at(0))));
    } else {
        state.settingsDrive = drive;
        state.settingsFolder = settingsFolderOn(drive, ProductNames::maker(), ProductNames::product());
        state.setFilePath = state.settingsFolder + ProductNames::setFileName();
    }
    return location;
}

std::unique_ptr<SetFileLocation> SetFileLocation::ofDatabase(const QStringList &driveArguments,
                                                             const QString &connection)
{
    std::unique_ptr<SetFileLocation> location(new SetFileLocation);
    for (const QString &argument : driveArguments) {
        const QString error = location->m_drives->addFromArgument(argument);
        if (!error.isEmpty())
            throw CommandFailure(CommandFailure::Usage, error);
    }
    // The set file mapdesk would use, if there is one, so that nothing is
    // written over it without its lock.
    QuarnelGIS_Public &state = *location->m_state;
    const QString drive = findSettingsDrive(state);
    if (!drive.isEmpty()) {
        state.settingsDrive = drive;
        state.settingsFolder = settingsFolderOn(drive, ProductNames::maker(), ProductNames::product());
        state.setFilePath = state.settingsFolder + ProductNames::setFileName();
    }
    state.setDatabase = std::make_shared<SetDatabase>(connection);
    return location;
}

std::unique_ptr<SetFileLocation> SetFileLocation::ofFile(const QString &nativePath)
{
    QFileInfo info(nativePath);
    if (info.isDir())
        throw CommandFailure(CommandFailure::Failed, QStringLiteral("%1 is a folder, not a set file").arg(nativePath));
    // A link is followed, so that the file's rewrites replace the file it
    // points to instead of the link.
    if (info.exists())
        info = QFileInfo(info.canonicalFilePath());
    if (!QFileInfo(info.absolutePath()).isDir())
        throw CommandFailure(CommandFailure::Failed, QStringLiteral("the folder of %1 does not exist").arg(nativePath));
    // Windows-shaped paths take "\" as the separator; such a name has no path.
    if (info.fileName().contains(QLatin1Char('\\')))
        throw CommandFailure(CommandFailure::Usage,
                             QStringLiteral("a set file name cannot hold \"\\\": %1").arg(nativePath));

    std::unique_ptr<SetFileLocation> location(new SetFileLocation);
    location->m_drives->setDrive(QLatin1Char('C'), info.absolutePath());
    QuarnelGIS_Public &state = *location->m_state;
    state.settingsDrive = QStringLiteral("C");
    state.settingsFolder = QStringLiteral("C:\\");
    state.setFilePath = state.settingsFolder + info.fileName();
    return location;
}

QString SetFileLocation::nativePath() const
{
    return WindowsPath::toNative(*m_services, m_state->setFilePath);
}

bool SetFileLocation::inDatabase() const
{
    return m_state->setDatabase != nullptr;
}

QString SetFileLocation::storeName() const
{
    if (inDatabase())
        return QStringLiteral("the set store at ") + m_state->setDatabase->server();
    return nativePath();
}
