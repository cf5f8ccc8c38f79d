#pragma once

#include "PgConnection.h"
#include "SetFileEdits.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <optional>
#include <vector>

struct VisibilityRecord;

/// The visibility sets of a team, kept in a PostgreSQL database instead of a
/// set file: the same sets, records and order, and the same changes, each
/// one transaction. Saves only add rows, so they never wait for each other;
/// a whole change (rename, delete, replace, edit, import, Clear All, undo)
/// locks the records against other changes and saves for its moment, so two
/// changes of one set come one after the other, never mixed. The last whole
/// change is kept for Undo, which brings it back without touching what was
/// saved since. Every change notifies the channel `quarnel_sets`.
///
/// The tables live in the schema "quarnel"; `initialise()` makes them, with
/// the roles quarnel_readers (may list and restore) and quarnel_editors (may
/// also change), and upgrades them. Failures throw HostError (PgConnection).
class SetDatabase
{
public:
    /// The schema version this build makes and reads.
    static constexpr int schemaVersion = 1;
    /// The channel every change notifies.
    static constexpr const char *channel = "quarnel_sets";

    /// The store at the server `connection` names (PgConnection), reached
    /// at the first call.
    explicit SetDatabase(const QString &connection);

    /// Makes the schema and the two roles, or brings an older schema up to
    /// this version; returns the version found (0: none).
    int initialise();

    /// The set names in the order of their first records.
    QStringList names();
    /// Hands on the records of `setName` in order.
    void readSet(const QString &setName, const std::function<void(const VisibilityRecord &)> &onRecord);
    /// Map, layer and visibility text of one record.
    using Fields = std::array<QString, 3>;
    /// Adds the records of one save of `setName`, all or none.
    void appendSet(const QString &setName, const std::vector<Fields> &records);

    /// Renames `from` to `to` (onto a name in use only when `merge`).
    struct Renamed
    {
        bool found = false;
        bool nameInUse = false;
    };
    Renamed renameSet(const QString &from, const QString &to, bool merge);
    /// Removes the sets named; returns how many records went.
    qsizetype deleteSets(const QStringList &setNames);
    /// Replaces the records of `setName` where its first record stood; false
    /// when there is no such set.
    bool replaceSet(const QString &setName, const std::vector<Fields> &records);
    /// The layers `setName` records, each once with its last flag.
    std::vector<SetFileEdits::LayerFlag> layerFlags(const QString &setName);
    /// Replaces the records of `setName` by one for each of `layers`; when
    /// `asRead` is given, only if the set still records just those (what
    /// differs goes to `changes`). `found` tells whether there is such a set.
    void editSet(const QString &setName, const std::vector<SetFileEdits::LayerFlag> &layers,
                 const std::optional<std::vector<SetFileEdits::LayerFlag>> &asRead, bool &found,
                 std::vector<SetFileEdits::LayerChange> &changes);
    /// Removes every set.
    void clearAll();
    /// Takes back the last whole change, keeping every save made since;
    /// again redoes it. False when there is nothing to undo.
    bool undo();
    /// The records of the sets named as a set file's bytes; `count` tells
    /// how many.
    QByteArray exportSets(const QStringList &setNames, qsizetype &count);
    /// Adds imported sets after the others, names in use settled as
    /// `decisions` says, in one change.
    SetFileEdits::ImportOutcome addSets(const std::vector<SetFileEdits::ImportedSet> &sets,
                                        const QHash<QString, SetFileEdits::Clash> &decisions);
    /// Counts the records and sets; a database holds no damaged record.
    SetFileEdits::CheckReport check();

    /// Who saved `setName` last, and when.
    struct Origin
    {
        QString savedBy;
        QDateTime savedAt;
    };
    std::optional<Origin> origin(const QString &setName);
    /// Who saved each set last, and when, by set name.
    QHash<QString, Origin> origins();
    /// Whether the connected role may change the sets.
    bool mayChange();

    /// The role the store is reached as.
    QString role() const { return m_db.user(); }
    /// "host:port/database", for messages.
    QString server() const { return m_db.server(); }
    PgConnection &connection() { return m_db; }
    /// The connection as the person gave it, for another one to the same store.
    QString connectionText() const { return m_db.connectionText(); }

private:
    /// The sets a whole change touches.
    struct Touched
    {
        bool any = false;  ///< false: there is nothing to change
        bool all = false;  ///< every set, whatever `names` says
        QStringList names; ///< the names before and after the change
    };
    /// One whole change: under the lock, `plan` tells which sets it touches,
    /// their rows are kept for Undo, `apply` changes them, and the sets'
    /// order follows their first records.
    void change(const std::function<Touched()> &plan, const std::function<void()> &apply);
    /// Places the sets named (every set for a null array) in the order by
    /// their records, and tells every list.
    void placeSets(const QByteArray &names);
    /// Inserts `records` of `setName` at position `pos`, numbered from 0.
    void insertAt(qint64 pos, const QString &setName, const std::vector<Fields> &records);
    std::vector<Fields> fieldsOf(const QString &setName);

    PgConnection m_db;
};
