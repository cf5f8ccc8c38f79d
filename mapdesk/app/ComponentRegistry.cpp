#include "ComponentRegistry.h"

#include "ComponentRegistryLayout.h"

#include <QFileInfo>
#include <QSettings>

#include <algorithm>

namespace mapdesk {

namespace Layout = ComponentRegistryLayout;

ComponentRegistry::ComponentRegistry(QString systemFile) : m_systemFile(std::move(systemFile)) {}

QString ComponentRegistry::fileName()
{
    return Layout::openUserRegistry().fileName();
}

QString ComponentRegistry::systemFileName()
{
    // Tests and staged installs point mapdesk at a registry of their own.
    const QString chosen = qEnvironmentVariable("MAPDESK_SYSTEM_REGISTRY");
    if (!chosen.isEmpty())
        return chosen;
    return QStringLiteral(MAPDESK_SYSCONFDIR "/") + Layout::organisation() + QLatin1Char('/') + Layout::application()
           + QStringLiteral(".ini");
}

QList<ComponentRegistry::Entry> ComponentRegistry::classesIn(QSettings &settings, bool systemWide)
{
    QList<Entry> result;
    settings.beginGroup(Layout::classesGroup());
    for (const QString &group : settings.childGroups()) {
        const QUuid classId(group);
        if (classId.isNull())
            continue;
        settings.beginGroup(group);
        Entry entry;
        entry.classId = classId;
        entry.systemWide = systemWide;
        entry.progId = settings.value(Layout::progIdValue()).toString();
        entry.hasServer = settings.childGroups().contains(Layout::serverGroup());
        // A path with a comma written by hand reads back as a list: it is
        // taken whole, so that a message can name it.
        const QVariant path = settings.value(Layout::serverPathValue());
        entry.modulePath =
            path.typeId() == QMetaType::QStringList ? path.toStringList().join(QStringLiteral(", ")) : path.toString();
        entry.threadingModel = settings.value(Layout::threadingModelValue()).toString();
        entry.typeLibrary = settings.value(Layout::typeLibraryValue()).toString();
        settings.endGroup();
        result.append(entry);
    }
    settings.endGroup();
    return result;
}

QList<ComponentRegistry::Entry> ComponentRegistry::classes() const
{
    QSettings user = Layout::openUserRegistry();
    QList<Entry> result = classesIn(user, false);
    // A missing system file is no registry; QSettings would read it as empty
    // anyway, but never create it.
    if (m_systemFile.isEmpty() || !QFileInfo::exists(m_systemFile))
        return result;
    QSettings system(m_systemFile, QSettings::IniFormat);
    const qsizetype userCount = result.size();
    for (const Entry &entry : classesIn(system, true)) {
        const auto sameClass = [&](const Entry &known) { return known.classId == entry.classId; };
        if (std::none_of(result.cbegin(), result.cbegin() + userCount, sameClass))
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
    QSettings user = Layout::openUserRegistry();
    QUuid classId(user.value(Layout::progIdClassKey(progId)).toString());
    if (classId.isNull() && !m_systemFile.isEmpty() && QFileInfo::exists(m_systemFile))
        classId = QUuid(QSettings(m_systemFile, QSettings::IniFormat).value(Layout::progIdClassKey(progId)).toString());
    if (classId.isNull())
        return std::nullopt;
    return classId;
}

} // namespace mapdesk
