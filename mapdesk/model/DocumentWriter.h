#pragma once

#include <QByteArray>
#include <QString>

namespace mapdesk {

class Document;

/// Saves map documents in the format DocumentReader reads (DOCUMENT_FORMAT.md):
/// every map, layer (with its visibility flag), the focus map, the active
/// view and the page layout. Layer sources on the document's volume are
/// written relative to its folder, others as absolute paths.
class DocumentWriter
{
public:
    /// Writes the whole file at once (QSaveFile): either the new document is
    /// there or the old file is untouched. Throws DocumentError naming the
    /// file. Does not change the document's filePath().
    static void write(Document &document, const QString &path);
    /// The JSON text of the document, sources on the volume of `baseDir` relative to it. Throws
    /// DocumentError (with `fileName`) when the layout cannot be expressed,
    /// e.g. a map surround whose map frame is not on the page.
    static QByteArray toJson(Document &document, const QString &baseDir, const QString &fileName = {});
};

} // namespace mapdesk
