// The module that gives quarnel-sets mapdesk's document reader and writer
// (see DocumentModule.h).

#include "DocumentModule.h"

#include "Document.h"
#include "DocumentReader.h"
#include "DocumentWriter.h"

#include <QGuiApplication>
#include <QtGlobal>

#include <exception>

namespace {

QCoreApplication *makeApplication(int &argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    return new QGuiApplication(argc, argv);
}

std::shared_ptr<IDocument> readDocument(const QString &path, QString &error)
{
    try {
        return mapdesk::DocumentReader::read(path);
    } catch (const std::exception &failure) {
        error = QString::fromUtf8(failure.what());
    } catch (...) {
        error = QStringLiteral("%1: cannot be read").arg(path);
    }
    return nullptr;
}

bool writeDocument(IDocument &document, const QString &path, QString &error)
{
    try {
        mapdesk::DocumentWriter::write(dynamic_cast<mapdesk::Document &>(document), path);
        return true;
    } catch (const std::exception &failure) {
        error = QString::fromUtf8(failure.what());
    } catch (...) {
        error = QStringLiteral("%1: cannot save").arg(path);
    }
    return false;
}

const DocumentModule module{makeApplication, readDocument, writeDocument};

} // namespace

extern "C" Q_DECL_EXPORT const DocumentModule *quarnelSetsDocumentModule()
{
    return &module;
}
