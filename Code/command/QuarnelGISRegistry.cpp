#include "QuarnelGISRegistry.h"

#include "Com.h"
#include "ComponentRegistryLayout.h"
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
    namespace Layout = ComponentRegistryLayout;
    const QString clsid = text(CLSID_QuarnelVisibility);
    const QString libid = text(LIBID_QuarnelGIS);
    const QString defaultInterface = text(IID_QuarnelVisibility);
    const QString classKey = Layout::classKey(clsid) + QLatin1Char('/');
    const QString libraryClassKey = Layout::typeLibraryClassKey(libid, typeLibraryVersion(), clsid) + QLatin1Char('/');
    return {
        {classKey + Layout::progIdValue(), progId()},
        {classKey + Layout::serverPathValue(), modulePath},
        {classKey + Layout::threadingModelValue(), QStringLiteral("Apartment")},
        {classKey + Layout::typeLibraryValue(), libid},
        {Layout::progIdClassKey(progId()), clsid},
        {Layout::typeLibraryKey(libid, typeLibraryVersion()) + QLatin1Char('/') + Layout::nameValue(),
         typeLibraryName()},
        {libraryClassKey + Layout::nameValue(), className()},
        {libraryClassKey + Layout::defaultInterfaceValue(), defaultInterface},
        {libraryClassKey + Layout::interfacesValue(), defaultInterface + QLatin1Char(',') + text(Com::IID_ICommand)},
    };
}
} // namespace

namespace QuarnelGISRegistry {

bool registerClass(const QString &modulePath)
{
    QSettings settings = ComponentRegistryLayout::openForRegistration();
    for (const Entry &entry : entries(modulePath))
        settings.setValue(entry.first, entry.second);
    settings.sync();
    return settings.status() == QSettings::NoError;
}

bool unregisterClass()
{
    QSettings settings = ComponentRegistryLayout::openForRegistration();
    for (const Entry &entry : entries(QString()))
        settings.remove(entry.first);
    settings.sync();
    return settings.status() == QSettings::NoError;
}

} // namespace QuarnelGISRegistry
