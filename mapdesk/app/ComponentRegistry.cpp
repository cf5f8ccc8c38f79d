#include "ComponentRegistry.h"

#include <QSettings>

namespace mapdesk {

namespace {
QSettings openRegistry()
{
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("mapdesk"), QStringLiteral("registry"));
}
} // namespace

QString ComponentRegistry::fileName() { return openRegistry().fileName(); }

QList<ComponentRegistry::Entry> ComponentRegistry::classes() const
{
    QSettings settings = openRegistry();
    QList<Entry> result;
    settings.beginGroup(QStringLiteral("CLSID"));
    for (const QString &group : settings.childGroups()) {
        const QUuid classId(group);
        if (classId.isNull())
            continue;
        settings.beginGroup(group);
        Entry entry;
        entry.classId = classId;
        entry.progId = settings.value(QStringLiteral("ProgID")).toString();
        entry.hasServer = settings.childGroups().contains(QStringLiteral("InprocServer32"));
        // A path with a comma written by hand reads back as a list: it is
        // taken whole, so that a message can name it.
        const QVariant path = settings.value(QStringLiteral("InprocServer32/Path"));
        entry.modulePath =
            path.typeId() == QMetaType::QStringList ? path.toStringList().join(QStringLiteral(", ")) : path.toString();
        entry.threadingModel = settings.value(QStringLiteral("InprocServer32/ThreadingModel")).toString();
        entry.typeLibrary = settings.value(QStringLiteral("TypeLib")).toString();
        settings.endGroup();
        result.append(entry);
    }
    return result;
}

QList<ComponentRegistry::Entry> ComponentRegistry::serverClasses() const
{
    QList<Entry> result = classes();
    result.removeIf([](const Entry &entry) { return !entry.hasServer; });
    return result;
}

std::optional<QUuid> ComponentRegistry::classOfProgId(const QString &progId) const
{
    QSettings settings = openRegistry();
    const QUuid classId(settings.value(QStringLiteral("ProgID/") + progId + QStringLiteral("/CLSID")).toString());
    if (classId.isNull())
        return std::nullopt;
    return classId;
}

} // namespace mapdesk
