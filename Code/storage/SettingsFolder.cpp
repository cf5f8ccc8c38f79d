#include "SettingsFolder.h"

#include "FileChannel.h"
#include "HostServices.h"
#include "IMessageBox.h"
#include "MakerAddresses.h"
#include "ProductNames.h"
#include "QuarnelGIS_IO.h"
#include "QuarnelGIS_Public.h"

namespace {
QString programFilesOn(const QString &drive)
{
    return drive + QStringLiteral(":\\Program Files\\");
}
} // namespace

QString findSettingsDrive(const QuarnelGIS_Public &state)
{
    for (char16_t letter = u'A'; letter <= u'Z'; ++letter) {
        const QString drive(QChar{letter});
        if (QuarnelGIS_IO::fDoesDirectoryExist(state, programFilesOn(drive)))
            return drive;
    }
    return {};
}

QString settingsFolderOn(const QString &drive, const QString &makerFolder, const QString &productFolder)
{
    return programFilesOn(drive) + makerFolder + QLatin1Char('\\') + productFolder + QLatin1Char('\\');
}

std::int16_t locateSettingsFolder(QuarnelGIS_Public &state, const QString &makerFolder, const QString &productFolder,
                                  const QString &fileName)
{
    using namespace QuarnelGIS_IO;
    try {
        const QString drive = findSettingsDrive(state);
        if (drive.isEmpty()) {
            state.services.messageBox().show(QStringLiteral("Sorry, ") + state.productName
                                                 + QStringLiteral(" can't find your local Program Files directory. "
                                                                  "Please email ")
                                                 + MakerAddresses::supportEmail() + QStringLiteral(". Thanks!"),
                                             ProductNames::product());
            return -1;
        }
        state.settingsDrive = drive;

        // Each level is created singly, parent first; a level that cannot be
        // created has been reported by fCreateDirectory and the next step
        // finds out for itself.
        const QString makerPath = programFilesOn(drive) + makerFolder + QLatin1Char('\\');
        if (!fDoesDirectoryExist(state, makerPath))
            fCreateDirectory(state, makerPath);
        const QString path = settingsFolderOn(drive, makerFolder, productFolder);
        if (!fDoesDirectoryExist(state, path))
            fCreateDirectory(state, path);
        state.settingsFolder = path;

        const QString file = path + fileName;
        if (!fDoesFileExist(state, file)) {
            FileChannel &channel = state.channel1;
            channel.closeQuietly();
            channel.openForAppend(file);
            channel.close();
        }
        state.setFilePath = file;
        return 1;
    } catch (...) {
        // Start-up goes on without a message; the folder found so far stays
        // recorded, the file path does not.
        state.channel1.closeQuietly();
        return -1;
    }
}
