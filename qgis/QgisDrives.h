#pragma once

#include <QString>
#include <QStringList>

#include <memory>

namespace mapdesk {
class DriveTable;
}

namespace quarnelqgis {

/// mapdesk's drive table as QGIS uses it. By default drive C: is the very
/// folder mapdesk uses (its per-user data folder's drive_c), so that both
/// applications share one visibility-set file. Drives given as "X=DIR"
/// entries, first those of the plugin's settings, then those of the
/// environment variable, add to or replace it.
class QgisDrives
{
public:
    /// The environment variable of drive entries, separated by ";".
    static const char *environmentVariable() { return "QUARNEL_DRIVES"; }
    /// The plugin's setting (in QGIS's settings) holding a list of drive entries.
    static QString settingKey() { return QStringLiteral("QuarnelVisibility/drives"); }

    /// mapdesk's drive C: folder for this user, whatever application asks.
    static QString mapdeskDriveC();

    /// The table for these entries; an entry that is not a drive is left out
    /// and what is wrong with it added to `problems`. When C: is still
    /// mapdesk's folder, its "Program Files" folder is made, as mapdesk does.
    static std::shared_ptr<mapdesk::DriveTable> make(const QStringList &settingEntries, const QString &environment,
                                                     QStringList *problems);
};

} // namespace quarnelqgis
