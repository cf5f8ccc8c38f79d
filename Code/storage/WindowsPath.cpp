#include "WindowsPath.h"

#include "HostServices.h"
#include "IDrives.h"

namespace WindowsPath {

QString toNative(const HostServices &services, const QString &windowsPath)
{
    // Only "X:\..." (or the bare "X:") names a drive; relative and
    // drive-relative paths ("X:folder") have no fixed place on this machine.
    if (windowsPath.size() < 2 || windowsPath.at(1) != QLatin1Char(':'))
        return QString();
    const QChar letter = windowsPath.at(0).toUpper();
    if (letter < QLatin1Char('A') || letter > QLatin1Char('Z'))
        return QString();
    if (windowsPath.size() > 2 && windowsPath.at(2) != QLatin1Char('\\'))
        return QString();

    QString root = services.drives().root(letter);
    if (root.isEmpty())
        return QString();
    if (root.endsWith(QLatin1Char('/')))
        root.chop(1);
    QString rest = windowsPath.mid(3);
    rest.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return root + QLatin1Char('/') + rest;
}

} // namespace WindowsPath
