#pragma once

#include <QCoreApplication>
#include <QSettings>
#include <QString>
#include <QVariant>

/// The layout of mapdesk's component registry, shared by the modules that
/// register their classes in it and by mapdesk, which reads it. The registry
/// is a QSettings INI file; a user's own is ("mapdesk", "registry", user
/// scope), and mapdesk also reads a system-wide one that packages register
/// into. Keys:
///
///   CLSID/{clsid}/ProgID
///   CLSID/{clsid}/InprocServer32/Path            the module file
///   CLSID/{clsid}/InprocServer32/ThreadingModel
///   CLSID/{clsid}/TypeLib                        {libid}
///   ProgID/<progid>/CLSID                        {clsid}
///   TypeLib/{libid}/<version>/Name
///   TypeLib/{libid}/<version>/Classes/{clsid}/Name, DefaultInterface, Interfaces
///
/// Header only: a module and the host each build it in.
namespace ComponentRegistryLayout {

inline QString organisation()
{
    return QStringLiteral("mapdesk");
}
inline QString application()
{
    return QStringLiteral("registry");
}

/// The group holding one group per class identifier.
inline QString classesGroup()
{
    return QStringLiteral("CLSID");
}
/// The group of one class, `classId` as registry text ("{...}").
inline QString classKey(const QString &classId)
{
    return classesGroup() + QLatin1Char('/') + classId;
}

// Values inside a class's group.
inline QString progIdValue()
{
    return QStringLiteral("ProgID");
}
inline QString serverGroup()
{
    return QStringLiteral("InprocServer32");
}
inline QString serverPathValue()
{
    return serverGroup() + QStringLiteral("/Path");
}
inline QString threadingModelValue()
{
    return serverGroup() + QStringLiteral("/ThreadingModel");
}
inline QString typeLibraryValue()
{
    return QStringLiteral("TypeLib");
}

/// The group of a ProgID, and the value in it naming its class.
inline QString progIdKey(const QString &progId)
{
    return QStringLiteral("ProgID/") + progId;
}
inline QString progIdClassKey(const QString &progId)
{
    return progIdKey(progId) + QStringLiteral("/CLSID");
}

/// The group of one version of a type library, its name value, and the
/// group describing one class of it.
inline QString typeLibraryKey(const QString &libraryId, const QString &version)
{
    return QStringLiteral("TypeLib/") + libraryId + QLatin1Char('/') + version;
}
inline QString nameValue()
{
    return QStringLiteral("Name");
}
inline QString typeLibraryClassKey(const QString &libraryId, const QString &version, const QString &classId)
{
    return typeLibraryKey(libraryId, version) + QStringLiteral("/Classes/") + classId;
}
inline QString defaultInterfaceValue()
{
    return QStringLiteral("DefaultInterface");
}
inline QString interfacesValue()
{
    return QStringLiteral("Interfaces");
}

/// The application property by which a host that runs a module's
/// registration names the registry file to write (a system-wide one); not
/// set, registration writes the user's own registry.
inline const char *targetFileProperty()
{
    return "mapdesk.registryFile";
}

/// The registry a module's registration writes: the file the host named, or
/// the user's own.
inline QSettings openForRegistration()
{
    const QCoreApplication *app = QCoreApplication::instance();
    const QString target = app ? app->property(targetFileProperty()).toString() : QString();
    if (!target.isEmpty())
        return QSettings(target, QSettings::IniFormat);
    return QSettings(QSettings::IniFormat, QSettings::UserScope, organisation(), application());
}

/// The user's own registry.
inline QSettings openUserRegistry()
{
    return QSettings(QSettings::IniFormat, QSettings::UserScope, organisation(), application());
}

} // namespace ComponentRegistryLayout
