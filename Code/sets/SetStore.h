#pragma once

#include <QString>

#include <functional>

class IDocument;
struct QuarnelGIS_Public;
struct VisibilityRecord;

/// The saved visibility sets, kept in the state's set file through its
/// channel 1. Each member is one step of the windows' work, so that a window
/// can tell which step failed; every step throws HostError on failure and
/// leaves closing the channel to the caller's failure path.
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
    /// Deletes the set file (through the guarded file helper, which reports
    /// its own failures).
    void deleteFile();

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
    /// Applies the records of `setName` from the open file to the document.
    void restoreSet(const QString &setName, IDocument &document, Restore how = Restore::AsSaved);

private:
    QuarnelGIS_Public &m_state;
};
