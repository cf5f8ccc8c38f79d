#pragma once

#include <QString>
#include <QStringList>

#include <memory>

class HostServices;
struct QuarnelGIS_Public;
namespace mapdesk {
class DriveTable;
}

/// Which set file quarnel-sets works on, and the add-in's state record over
/// it. The location owns the desktop services (a drive table and a message
/// box on standard error) and the state record, which refers to them.
/// Building one throws CommandFailure.
class SetFileLocation
{
public:
    /// The file the add-in uses in mapdesk: mapdesk's drive table (drive C
    /// in its data folder, then the "X=DIR" arguments), the first drive with
    /// a Program Files folder, QuarnelGIS\QuarnelVisibility\config there.
    /// With `prepare`, what mapdesk and the add-in create at start-up (the
    /// default drive's folders, the settings folders, an empty set file) is
    /// created; without, nothing is.
    static std::unique_ptr<SetFileLocation> ofDrives(const QStringList &driveArguments, bool prepare);
    /// The sets in the team's database at `connection`; the drives only
    /// tell which set file mapdesk uses, which is not written to.
    static std::unique_ptr<SetFileLocation> ofDatabase(const QStringList &driveArguments, const QString &connection);
    /// The set file at a native path: a drive C rooted at its folder.
    static std::unique_ptr<SetFileLocation> ofFile(const QString &nativePath);

    ~SetFileLocation();
    SetFileLocation(const SetFileLocation &) = delete;
    SetFileLocation &operator=(const SetFileLocation &) = delete;

    QuarnelGIS_Public &state() { return *m_state; }
    /// The set file's native path.
    QString nativePath() const;
    /// Whether the sets are in a team's database rather than the set file.
    bool inDatabase() const;
    /// The store as messages name it: the set file's path, or "the set store
    /// at SERVER".
    QString storeName() const;

private:
    SetFileLocation();

    std::shared_ptr<mapdesk::DriveTable> m_drives;
    std::shared_ptr<HostServices> m_services;
    std::unique_ptr<QuarnelGIS_Public> m_state;
};
