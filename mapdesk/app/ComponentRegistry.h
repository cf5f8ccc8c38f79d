#pragma once

#include <QList>
#include <QString>
#include <QUuid>

#include <optional>

namespace mapdesk {

/// Read access to mapdesk's component registry: the INI file ("mapdesk",
/// "registry", user scope) into which command modules write their classes
/// when they are registered. Every read opens the file afresh, so classes
/// registered since are seen.
///
/// Layout: "CLSID/{clsid}/ProgID", "CLSID/{clsid}/InprocServer32/Path" (the
/// module file), "CLSID/{clsid}/InprocServer32/ThreadingModel",
/// "CLSID/{clsid}/TypeLib", "ProgID/<progid>/CLSID", "TypeLib/{libid}/1.0/...".
class ComponentRegistry
{
public:
    /// One registered class.
    struct Entry
    {
        QUuid classId;
        QString progId;
        QString modulePath;     ///< the in-process server's file, as the registry gives it
        bool hasServer = false; ///< an InprocServer32 key is there (its path may still be empty or wrong)
        QString threadingModel;
        QString typeLibrary;
    };

    /// The registry file in use.
    static QString fileName();

    /// Every class under "CLSID", in the file's order; keys that are not
    /// class identifiers are passed over.
    QList<Entry> classes() const;
    /// The classes registered with an in-process server, also those whose
    /// server entry is broken (no path, an empty one): loading them reports it.
    QList<Entry> serverClasses() const;
    /// The class registered under `progId`, if any.
    std::optional<QUuid> classOfProgId(const QString &progId) const;
};

} // namespace mapdesk
