#pragma once

#include "BackgroundReads.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

namespace mapdesk {

class Document;
class Layer;

/// Data files added to a document's focus map (Add Data, files dropped):
/// which tables of which files, the jobs that read them off the interface
/// thread, and the installing of what was read, once, on the thread that
/// owns the document. The window only asks which tables to add and shows
/// the outcome. Shares the document.
class DataAddition
{
public:
    /// Reads one table of a data file (empty: its one layer): a layer, or
    /// null with the fault in `error`. Called on a reading thread; a failure
    /// it throws refuses that table only, naming the file.
    using Reader =
        std::function<std::shared_ptr<Layer>(const QString &path, const QString &datasetLayer, QString *error)>;
    /// One table to read: the index of its file in paths(), and its name.
    struct Table
    {
        int file;
        QString name;
    };

    /// `refused` holds the files already refused (while their tables were listed).
    DataAddition(std::shared_ptr<Document> document, QStringList paths, std::vector<Table> tables, QStringList refused);

    const std::shared_ptr<Document> &document() const { return m_document; }
    const QStringList &paths() const { return m_paths; }
    const std::vector<Table> &tables() const { return m_tables; }

    /// One job per table, in order, reading it with `reader`; their installs
    /// keep what was read in `addition`, nothing once it is gone.
    static std::vector<BackgroundReads::Job> jobs(const std::shared_ptr<DataAddition> &addition, Reader reader);

    /// Puts the layers of the first `read` tables on top of the focus map
    /// (a new map "Layers" when the document has none), in order, each in
    /// the map's coordinate system (which a map without one takes from its
    /// first layer), and refreshes what shows them. With `cancelled`, the
    /// files not read to their end are named among the problems. Returns how
    /// many layers were added.
    int install(int read, bool cancelled);
    /// Every file or table refused, and every warning of a layer added, as
    /// the person is told them.
    const QStringList &problems() const { return m_problems; }

    /// What went wrong in a read or write, naming the file.
    static QString faultOf(const QString &path, const std::exception &error);

private:
    /// What reading one table gave.
    struct Read
    {
        std::shared_ptr<Layer> layer;
        QString error;
        QString failure;
    };

    std::shared_ptr<Document> m_document;
    QStringList m_paths;
    std::vector<Table> m_tables;
    std::vector<Read> m_read;
    QStringList m_problems;
};

} // namespace mapdesk
