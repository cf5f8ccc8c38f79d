#pragma once

#include <QString>

/// The maker's addresses, kept in this one place for every box, label and link.
namespace MakerAddresses {
/// The web site's home page: scheme and host name, no path.
inline QString webSite()
{
    return QStringLiteral("https://www.quarnelgis.com");
}
/// The web site's host name, as shown on labels and in the status-bar message.
inline QString webHost()
{
    return QStringLiteral("www.quarnelgis.com");
}
inline QString infoEmail()
{
    return QStringLiteral("info@quarnelgis.com");
}
inline QString supportEmail()
{
    return QStringLiteral("support@quarnelgis.com");
}
} // namespace MakerAddresses
