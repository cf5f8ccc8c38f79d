// The module that gives quarnel-sets mapdesk's document reader and writer
// (see DocumentModule.h).

#include "DocumentModule.h"

#include "Document.h"
#include "DocumentReader.h"
#include "DocumentWriter.h"
#include "Map.h"
#include "MapPictureLayers.h"
#include "MapRenderer.h"

#include <QGuiApplication>
#include <QImageWriter>
#include <QSaveFile>
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

bool writePicture(IDocument &document, const QString &path, int maxWidth, QString &error)
{
    auto *model = dynamic_cast<mapdesk::Document *>(&document);
    const std::shared_ptr<mapdesk::Map> map = model ? model->focusMapModel() : nullptr;
    if (!map) {
        error = QStringLiteral("the document has no map to draw");
        return false;
    }
    const QImage picture =
        mapdesk::MapRenderer::drawPicture(mapdesk::drawnWith(*map, {}), mapdesk::frameWithoutView(*map), maxWidth);
    QSaveFile file(path);
    QImageWriter writer(&file, "png");
    if (!file.open(QIODevice::WriteOnly) || !writer.write(picture) || !file.commit()) {
        const QString why = writer.error() != QImageWriter::UnknownError ? writer.errorString() : file.errorString();
        error = QStringLiteral("%1: cannot write the picture: %2").arg(path, why);
        return false;
    }
    return true;
}

const DocumentModule module{makeApplication, readDocument, writeDocument, writePicture};

} // namespace

extern "C" Q_DECL_EXPORT const DocumentModule *quarnelSetsDocumentModule()
{
    return &module;
}
