#pragma once

#include "SetDatabase.h"
#include "SetStanding.h"

#include <QFutureWatcher>
#include <QHash>
#include <QIcon>
#include <QObject>
#include <QTimer>

#include <memory>

class IDocument;
class QListWidget;
struct QuarnelGIS_Public;

/// The marks of the set list, whose names all stay in the list's blue bold:
/// an entry carries a green tick while the layers shown now match its set,
/// the set restored last is italic once they no longer do, and every entry's
/// tooltip says how it stands (and, in a team's database, who saved it
/// last and when). A screen reader says the tick or the italic
/// with the name (the entry's accessible text) and the tooltip as its
/// description. The sets are judged off the interface thread, on a snapshot
/// of the document's flags taken on it; requests that come while a judgement
/// runs are folded into one more. The window owns it; it marks the window's
/// list.
class SetListMarks : public QObject
{
    Q_OBJECT

public:
    SetListMarks(QuarnelGIS_Public &state, QListWidget &list, QObject *parent = nullptr);
    /// Gives up the judgement running and waits for it to end.
    ~SetListMarks() override;

    /// Judges the sets again soon (after the events waiting now), following
    /// the application's current document and looking at its layers anew.
    void recompute();
    /// The same after the file changed but the layers did not (a set saved
    /// from them): the flags looked at last are judged against again while
    /// the document is the same and has told of no change since.
    void fileChanged();
    /// The set the window restored last.
    void setLastRestored(const QString &name);
    /// Marks the list's entries with the last judgement; for a list just read.
    void apply();

private:
    /// What a judgement off the interface thread hands back.
    struct Judgement
    {
        QHash<QString, SetStanding> standings;
        // Only for a team's database: its records as a set file's bytes, who
        // saved each set, and the count of changes they were read after.
        std::shared_ptr<const QByteArray> records;
        QHash<QString, SetDatabase::Origin> origins;
        quint64 changes = 0;
        QString store; ///< the database's connection
    };
    void start();
    void finished();

    QuarnelGIS_Public &m_state;
    QListWidget &m_list;
    QTimer m_soon;
    QFutureWatcher<Judgement> m_judging;
    /// Set to give up the judgement running: a newer one or none is wanted.
    std::shared_ptr<std::atomic_bool> m_cancel;
    bool m_again = false;
    QHash<QString, SetStanding> m_standings;
    QHash<QString, SetDatabase::Origin> m_origins;
    /// The database's records read last (no standings), and the changes of
    /// the sets told so far and when they were read.
    Judgement m_storeRecords;
    quint64 m_storeChanges = 0;
    quint64 m_storeRead = ~quint64(0);
    /// The flags looked at last; a judgement running holds it too, and is
    /// the only one reading it then.
    std::shared_ptr<const VisibilitySnapshot> m_snapshot;
    bool m_lookAgain = true; ///< the layers may have changed since m_snapshot
    QString m_lastRestored;
    QIcon m_mark;
    std::weak_ptr<IDocument> m_followed; ///< the document whose events are followed
    std::shared_ptr<void> m_subscription;
};
