#pragma once

#include <QString>
#include <QUuid>

namespace mapdesk {

/// One class registered in a component registry: what a host needs to load
/// its command object and to name it.
struct ComponentEntry
{
    QUuid classId;
    QString progId;
    QString modulePath;     ///< the in-process server's file, as the registry gives it
    bool hasServer = false; ///< an InprocServer32 key is there (its path may still be empty or wrong)
    QString threadingModel;
    QString typeLibrary;
    bool systemWide = false; ///< found in the system-wide registry
};

} // namespace mapdesk
