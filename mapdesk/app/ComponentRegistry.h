#pragma once

#include "ComponentEntry.h"

#include <QList>
#include <QString>
#include <QUuid>

#include <optional>

class QSettings;

namespace mapdesk {

/// Read access to mapdesk's component registries (see
/// ComponentRegistryLayout for the keys): the user's own, ("mapdesk",
/// "registry", user scope), into which command modules write their classes
/// when a user registers them, then the system-wide one that packages
/// register into for every user. A class the user registered hides the same
/// class in the system-wide registry. Every read opens the files afresh, so
/// classes registered since are seen.
class ComponentRegistry
{
public:
    /// One registered class.
    using Entry = ComponentEntry;

    /// Reads the user's registry and the system-wide one in `systemFile`
    /// (none when empty).
    explicit ComponentRegistry(QString systemFile = systemFileName());

    /// The user's registry file.
    static QString fileName();
    /// The system-wide registry file of this installation: "mapdesk/registry.ini"
    /// in the configuration folder of the install prefix (/etc for /usr), or
    /// the file MAPDESK_SYSTEM_REGISTRY names.
    static QString systemFileName();
    /// The system-wide registry file this object reads, or empty.
    const QString &systemFile() const { return m_systemFile; }

    /// Every class under "CLSID", the user's first, each in its file's order;
    /// keys that are not class identifiers are passed over.
    QList<Entry> classes() const;
    /// The classes registered with an in-process server, also those whose
    /// server entry is broken (no path, an empty one): loading them reports it.
    QList<Entry> serverClasses() const;
    /// The class registered under `progId`, if any, the user's first.
    std::optional<QUuid> classOfProgId(const QString &progId) const;

private:
    static QList<Entry> classesIn(QSettings &settings, bool systemWide);

    QString m_systemFile;
};

} // namespace mapdesk
