#include "QuarnelGISRegistry.h"

#include "Com.h"
#include "QuarnelGISIds.h"

#include <QList>
#include <QPair>
#include <QSettings>

namespace {
using Entry = QPair<QString, QString>;

/// Every key registration writes, with its value.
QList<Entry> entries(const QString &modulePath)
{
    using namespace QuarnelGISIds;
    const QString clsid = text(CLSID_QuarnelVisibility);
    const QString libid = text(LIBID_QuarnelGIS);
    const QString defaultInterface = text(IID_QuarnelVisibility);
    const QString classKey = QStringLiteral("CLSID/") + clsid;
    const QString libraryKey = QStringLiteral("TypeLib/") + libid + QLatin1Char('/') + typeLibraryVersion();
    const QString libraryClassKey = libraryKey + QStringLiteral("/Classes/") + clsid;
    return {
        {classKey + QStringLiteral("/ProgID"), progId()},
        {classKey + QStringLiteral("/InprocServer32/Path"), modulePath},
        {classKey + QStringLiteral("/InprocServer32/ThreadingModel"), QStringLiteral("Apartment")},
        {classKey + QStringLiteral("/TypeLib"), libid},
        {QStringLiteral("ProgID/") + progId() + QStringLiteral("/CLSID"), clsid},
        {libraryKey + QStringLiteral("/Name"), typeLibraryName()},
        {libraryClassKey + QStringLiteral("/Name"), className()},
        {libraryClassKey + QStringLiteral("/DefaultInterface"), defaultInterface},
        {libraryClassKey + QStringLiteral("/Interfaces"),
         defaultInterface + QLatin1Char(',') + text(Com::IID_ICommand)},
    };
}
} // namespace

namespace QuarnelGISRegistry {

bool registerClass(const QString &modulePath)
{
    QSettings settings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("mapdesk"),
                       QStringLiteral("registry"));
    for (const Entry &entry : entries(modulePath))
        settings.setValue(entry.first, entry.second);
    settings.sync();
    return settings.status() == QSettings::NoError;
}

bool unregisterClass()
{
    QSettings settings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("mapdesk"),
                       QStringLiteral("registry"));
    for (const Entry &entry : entries(QString()))
        settings.remove(entry.first);
    settings.sync();
    return settings.status() == QSettings::NoError;
}

} // namespace QuarnelGISRegistry
