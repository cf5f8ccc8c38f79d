#pragma once

#include "ISetThemes.h"
#include "SetFileEdits.h"
#include "SetLayers.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

class IDocument;
class SetDatabase;
struct QuarnelGIS_Public;
struct VisibilityRecord;

/// The saved visibility sets, kept in the state's set file through its
/// channel 1, or in the team's database when the state has one (then the
/// opening and closing steps have nothing to do, and every change is one
/// transaction). Each member is one step of the windows' work, so that a
/// window can tell which step failed; every step throws HostError on failure
/// and leaves closing the channel to the caller's failure path.
class SetStore
{
public:
    explicit SetStore(QuarnelGIS_Public &state) : m_state(state) {}

    /// Closes channel 1, first writing what a save appended.
    void close();
    /// Opens the set file for reading.
    void openForInput();
    /// Opens the set file for appending, creating it empty when missing.
    void openForAppend();
    /// Empties the set file for Clear All: undoably where it can (see
    /// clearAll()); else (no room for the undo copy, the lock held by a stuck
    /// writer, a read-only file) the file is deleted through the guarded file
    /// helper, which reports its own failures, and the next append creates it
    /// empty.
    void emptyFile();

    /// Reads the open file to its end and hands on each distinct set name
    /// (exact comparison) in file order.
    void listNames(const std::function<void(const QString &)> &onName);
    /// Reads the open file to its end and hands on the records of `setName`.
    void readSet(const QString &setName, const std::function<void(const VisibilityRecord &)> &onRecord);
    /// Appends the document's visibility as set `setName` to the file open for
    /// appending; written at close().
    void appendSet(const QString &setName, IDocument &document);
    /// How a restore treats the layers a set does not mention.
    enum class Restore {
        AsSaved, ///< leaves them as they are
        Exactly  ///< hides them: the set is the whole truth
    };
    /// Applies the records of `setName` from the open file to the document;
    /// returns how many there were (0: no such set).
    qsizetype restoreSet(const QString &setName, IDocument &document, Restore how = Restore::AsSaved);
    /// The file opened for reading, restoreSet() and the file closed; the
    /// channel is closed however the restore ends.
    qsizetype restoreSetFromFile(const QString &setName, IDocument &document, Restore how = Restore::AsSaved);
    /// The file opened for appending, appendSet() and the file closed; the
    /// channel is closed however the save ends.
    void appendSetToFile(const QString &setName, IDocument &document);

    // Whole-file changes. Each rewrites the file under its lock, keeps what
    // other processes appended, and can be undone (undo()). They throw
    // HostError and leave the file as it was on failure; a file that ends
    // inside a record is changed only by repair().

    /// The set names of the file in file order (each once).
    QStringList names();
    /// What a rename found.
    enum class Rename {
        Renamed,
        NoSuchSet, ///< there is no set `from`
        NameInUse  ///< `to` is in use and merging was not asked for
    };
    /// Whether a rename onto a name in use makes the two sets one.
    enum class OntoNameInUse { Refuse, Merge };
    /// Renames set `from` to `to`. When `to` is in use, its records and those
    /// of `from` become one set (file order kept) only when `onto` asks for
    /// it; otherwise nothing changes. The file decides whether the name is in
    /// use, not what a list showed earlier.
    Rename renameSet(const QString &from, const QString &to, OntoNameInUse onto = OntoNameInUse::Refuse);
    /// Removes the records of every set named; returns how many records went.
    qsizetype deleteSets(const QStringList &setNames);
    /// Replaces the records of `setName` by the document's visibility now,
    /// where the set's first record stood. False when there is no such set.
    bool replaceSet(const QString &setName, IDocument &document);
    /// What set `setName` records beside the document's layers now; its
    /// recorded list is empty when there is no such set. The store keeps
    /// what it read, for editSet().
    SetLayers layersOf(const QString &setName, IDocument &document);
    /// What an edit of a set's layers came to.
    enum class Edit {
        Edited,
        NoSuchSet,   ///< there is no set `setName` (any more)
        ChangedSince ///< the set records otherwise than when it was read; nothing was written
    };
    using LayerChange = SetFileEdits::LayerChange;
    /// Replaces the records of `setName` by one record for each of `layers`,
    /// in their order, where the set's first record stood; a layer recorded
    /// as before keeps its bytes. When `asRead` is given (the set's layers as
    /// a person was shown them, in any order), writes only when the set still
    /// records just those with the same flags, judged under the file's lock;
    /// otherwise hands on in `changes` what differs now.
    Edit editSet(const QString &setName, const std::vector<SetLayers::Layer> &layers,
                 const std::optional<std::vector<SetLayers::Layer>> &asRead,
                 std::vector<LayerChange> *changes = nullptr);
    /// editSet() against what this store's layersOf() read of the set, if
    /// it read it. False when there is no such set; a set saved again since
    /// it was read is left as it is, and the edit refused (error 75) with a
    /// text that says what changed.
    bool editSet(const QString &setName, const std::vector<SetLayers::Layer> &layers);
    /// The changes in a person's words, one a line.
    static QStringList describe(const std::vector<LayerChange> &changes);
    /// Empties the file.
    void clearAll();
    /// Cuts a damaged tail (a record the file ends inside) back to the last
    /// whole record; returns the bytes cut, 0 when there was nothing to cut.
    qsizetype repair();
    /// Takes back the last whole-file change, keeping every set saved since;
    /// undoing again redoes it. False when there is nothing to undo.
    bool undo();

    /// Writes the records of the sets named, in file order, to a new set file
    /// at `nativePath` (replacing it; never the set file itself). Returns how
    /// many records were written; the set file itself is unchanged.
    qsizetype exportSets(const QStringList &setNames, const QString &nativePath);
    /// True when `nativePath` is the set file or a file kept beside it for
    /// Undo, however the path reaches it: no output may be written there.
    bool isOwnFile(const QString &nativePath) const;

    /// What to do with an imported set whose name is in use already.
    using Clash = SetFileEdits::Clash;
    using ImportOutcome = SetFileEdits::ImportOutcome;
    /// Adds the sets of the set file at `nativePath` (another than the set
    /// file), asking `onClash` about each name already in use. A file with a
    /// damaged record is refused with nothing added, with a report naming the
    /// file and the record's line.
    ImportOutcome importSets(const QString &nativePath, const std::function<Clash(const QString &)> &onClash);
    /// Adds the host's map themes as sets, each theme's layers as records,
    /// in one change (one undo takes them all back), asking `onClash` as an
    /// import does.
    ImportOutcome importThemes(const std::vector<ISetThemes::Theme> &themes,
                               const std::function<Clash(const QString &)> &onClash);

    using Damage = SetFileEdits::Damage;
    using CheckReport = SetFileEdits::CheckReport;
    /// Counts the file's records, sets and bytes and lists each damaged or
    /// cut-short record with its line.
    CheckReport check();

    /// The team's database the sets are kept in; null for the set file.
    SetDatabase *database() const;

private:
    /// Adds `sets` in one rewrite, clashes settled by `onClash` first.
    ImportOutcome addImported(const std::vector<SetFileEdits::ImportedSet> &sets,
                              const std::function<Clash(const QString &)> &onClash);

    QuarnelGIS_Public &m_state;
    /// The set whose layers layersOf() read last, and those layers.
    QString m_readSet;
    std::optional<std::vector<SetLayers::Layer>> m_readLayers;
};
