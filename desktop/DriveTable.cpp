#include "DriveTable.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace mapdesk {

namespace {
const QChar kDefaultLetter = QLatin1Char('C');

bool isDriveLetter(QChar letter)
{
    const char16_t upper = letter.toUpper().unicode();
    return upper >= u'A' && upper <= u'Z';
}
} // namespace

DriveTable::DriveTable()
{
    m_roots.insert(kDefaultLetter, defaultRootC());
}

QString DriveTable::defaultRootC()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) + QStringLiteral("/drive_c");
}

void DriveTable::setDrive(QChar letter, const QString &folder)
{
    m_roots.insert(letter.toUpper(), folder);
}

QString DriveTable::addFromArgument(const QString &argument)
{
    const qsizetype equals = argument.indexOf(QLatin1Char('='));
    if (equals != 1 || !isDriveLetter(argument.at(0)))
        return QStringLiteral("\"%1\" is not a drive: expected a letter, \"=\" and a folder, as in C=/data/c")
            .arg(argument);
    const QString folder = argument.mid(2);
    if (folder.isEmpty())
        return QStringLiteral("Drive %1: has no folder").arg(argument.at(0).toUpper());
    const QFileInfo info(folder);
    if (!info.isDir())
        return QStringLiteral("The folder of drive %1: does not exist: %2").arg(argument.at(0).toUpper(), folder);
    setDrive(argument.at(0), info.absoluteFilePath());
    return {};
}

QString DriveTable::prepare()
{
    const QString defaultRoot = defaultRootC();
    if (m_roots.value(kDefaultLetter) != defaultRoot)
        return {};
    const QString programFiles = defaultRoot + QStringLiteral("/Program Files");
    if (!QDir().mkpath(programFiles))
        return QStringLiteral("Cannot create the folder of drive C: %1").arg(programFiles);
    return {};
}

QString DriveTable::root(QChar letter)
{
    return m_roots.value(letter.toUpper());
}

} // namespace mapdesk
