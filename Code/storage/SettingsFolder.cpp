#include "SettingsFolder.h"

#include "FileChannel.h"
#include "HostServices.h"
#include "IMessageBox.h"
#include "MakerAddresses.h"
#include "QuarnelGIS_IO.h"
#include "QuarnelGIS_Public.h"

std::int16_t locateSettingsFolder(QuarnelGIS_Public &state, const QString &makerFolder, const QString &productFolder,
                                  const QString &fileName)
{
    using namespace QuarnelGIS_IO;
    const QString programFiles = QStringLiteral(":\\Program Files\\");
    try {
        // The first drive with a Program Files folder holds the settings;
        // later drives are not probed.
        bool found = false;
        for (int index = 0; index <= 25 && !found; ++index) {
            const QString letter(QChar(65 + index));
            if (fDoesDirectoryExist(state, letter + programFiles)) {
                state.settingsDrive = letter;
                found = true;
            }
        }
        if (!found) {
            state.services.messageBox().show(QStringLiteral("Sorry, ") + state.productName
                                                 + QStringLiteral(" can't find your local Program Files directory. "
                                                                  "Please email ")
                                                 + MakerAddresses::supportEmail() + QStringLiteral(". Thanks!"),
                                             QStringLiteral("QuarnelVisibility"));
            return -1;
        }
        state.settingsDrive = state.settingsDrive.toUpper();

        // Each level is created singly, parent first; a level that cannot be
        // created has been reported by fCreateDirectory and the next step
        // finds out for itself.
        QString path = state.settingsDrive + programFiles + makerFolder + QStringLiteral("\\");
        if (!fDoesDirectoryExist(state, path))
            fCreateDirectory(state, path);
        path += productFolder + QStringLiteral("\\");
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
