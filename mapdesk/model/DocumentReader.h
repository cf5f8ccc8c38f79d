#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>

namespace mapdesk {

class Document;
class DocumentLoad;

/// Reads map documents (*.mapdesk.json, see DOCUMENT_FORMAT.md). Every fault
/// of the file itself is thrown as a DocumentError that names the file and
/// the fault; a layer whose data file cannot be read is kept, with an error
/// text and no data. Hostile input is refused, never crashed on: the file
/// size and the nesting of groups are limited.
class DocumentReader
{
public:
    /// Deepest nesting of group layers or of group elements.
    static constexpr int MaxNesting = 64;
    /// Largest document file accepted, in bytes.
    static constexpr qint64 MaxFileSize = 16 * 1024 * 1024;

    /// Told before each layer's data is read, once the whole file is known to
    /// be sound: the layer's name, how many were read before it and how many
    /// there are. Returning false stops the reading: the layers read so far
    /// keep their data, the rest stay in the document not loaded, with
    /// notLoadedText() as their error text.
    using Progress = std::function<bool(const QString &layerName, int done, int total)>;

    /// The error text of a layer whose reading was cancelled.
    static QString notLoadedText();

    /// Reads the document at `path`; its file path is set to the absolute path.
    static std::shared_ptr<Document> read(const QString &path, const Progress &progress = {});
    /// Reads the structure of the document at `path` (maps, layers, page
    /// layout), leaving the layers' data to be read through the load it
    /// returns; the document is complete but for that data. Throws as read().
    static std::shared_ptr<DocumentLoad> readStructure(const QString &path);
    /// Reads a document from its JSON text. `fileName` names it in messages;
    /// relative layer sources are resolved against `baseDir`.
    static std::shared_ptr<Document> fromJson(const QByteArray &json, const QString &fileName, const QString &baseDir,
                                              const Progress &progress = {});
    /// readStructure() of the JSON text.
    static std::shared_ptr<DocumentLoad> structureFromJson(const QByteArray &json, const QString &fileName,
                                                           const QString &baseDir);
};

} // namespace mapdesk
