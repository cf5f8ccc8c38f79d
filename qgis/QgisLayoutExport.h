#pragma once

#include "SetStore.h"

#include <QString>
#include <QStringList>

#include <functional>

class QgsPrintLayout;
class QgsProject;

namespace quarnelqgis {

class QgisSetSource;

/// Export Layout for Each Set: one file of a print layout for each set, its
/// maps showing the set as a click in the add-in's window would show it. The
/// layout is exported from a copy, so that the canvas, the Layers panel, the
/// project and its undo history stay as they are. Usable without a window
/// (the dialog, Processing and the command line drive it). Borrows the set
/// source, which must outlive it.
class QgisLayoutExport
{
public:
    enum class Format { Pdf, Png, Svg };
    /// What to do with files of the export that exist already.
    enum class Existing { Replace, Skip, Cancel };

    struct Request
    {
        QString layout;   ///< the name of a print layout of the project
        QStringList sets; ///< in the order to export them
        Format format = Format::Pdf;
        QString folder; ///< where the files go; created when missing
        SetStore::Restore restore = SetStore::Restore::AsSaved;
    };

    struct Outcome
    {
        QStringList written;  ///< the files written, in order
        QStringList failures; ///< one line for each set that failed, naming the set and the file
        int skipped = 0;      ///< sets whose file existed and was kept
        bool cancelled = false;
        /// What the export came to, in a person's words.
        QString summary() const;
    };

    explicit QgisLayoutExport(QgisSetSource &sets) : m_sets(sets) {}

    /// Asked once, before anything is written, with every file of the export
    /// that exists already; by default they are replaced.
    std::function<Existing(const QStringList &existing)> askExisting;
    /// Told before each set (`done` of `total` finished) and once at the end;
    /// answering false cancels the sets not begun.
    std::function<bool(int done, int total, const QString &set)> progress;

    Outcome run(const Request &request);

    /// The file name (without folder) for set `setName`: the name with every
    /// character a file name cannot hold replaced by "_", never hidden, never
    /// "." or "..", short enough for the file system.
    static QString fileNameFor(const QString &setName, Format format);
    static QString extensionOf(Format format);
    /// The print layouts of `project`, by name.
    static QStringList layoutNames(const QgsProject *project);

private:
    /// Exports `layout` (a copy whose maps show the set) to `path`, adding
    /// the files written to `written`; empty, or what went wrong.
    QString exportTo(QgsPrintLayout &layout, const QString &path, Format format, QStringList *written) const;

    QgisSetSource &m_sets;
};

} // namespace quarnelqgis
