#pragma once

#include <QString>

#include <memory>

class IDocument;
class QCoreApplication;

/// Reading and saving map documents for quarnel-sets. It lives in a module of
/// its own (libquarnel-sets-documents.so), loaded only by the commands that
/// work on documents: mapdesk's document model brings GDAL and a hundred
/// libraries with it, whose loading would otherwise take most of the time of
/// every command, listing included. The documents it hands out implement the
/// host interfaces, which the set core works on. Nothing is thrown across the
/// module's edge: failures come back as text naming the file and the fault.
struct DocumentModule
{
    /// The application object the documents need (they lay out their
    /// legends with fonts, which need Qt's GUI library; nothing is shown):
    /// made here, so that the program itself starts without that library.
    QCoreApplication *(*makeApplication)(int &argc, char **argv);
    /// Reads the document at `path`; null, with `error` set, when it cannot.
    std::shared_ptr<IDocument> (*read)(const QString &path, QString &error);
    /// Saves a document that `read` made at `path`, whole or not at all
    /// (mapdesk's atomic save); false, with `error` set, when it cannot.
    bool (*write)(IDocument &document, const QString &path, QString &error);
    /// Writes a PNG picture of a document's focus map as it shows now, at
    /// its full extent, at most `maxWidth` pixels wide, to `path`, whole or
    /// not at all; false, with `error` set, when it cannot.
    bool (*writePicture)(IDocument &document, const QString &path, int maxWidth, QString &error);
};

/// The name of the module's one entry point, a function that takes nothing
/// and returns `const DocumentModule *`.
inline constexpr char kDocumentModuleEntry[] = "quarnelSetsDocumentModule";
