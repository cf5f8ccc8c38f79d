// Arbitrary bytes as a mapdesk map document. Reading either gives a document
// or throws DocumentError; a document that was read saves, and what was saved
// reads back and saves again to the very same text.

#include "Document.h"
#include "DocumentError.h"
#include "DocumentReader.h"
#include "DocumentWriter.h"
#include "FuzzCheck.h"

#include <QByteArray>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

/// An empty folder for relative data paths: layers find no data there, so
/// each input reads the document and nothing else.
const QString &baseDir()
{
    static QTemporaryDir folder;
    static const QString path = folder.path();
    return path;
}

const QString kFileName = QStringLiteral("fuzz.mapdesk.json");

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray json = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    std::shared_ptr<mapdesk::Document> document;
    try {
        document = mapdesk::DocumentReader::fromJson(json, kFileName, baseDir());
    } catch (const mapdesk::DocumentError &error) {
        FUZZ_CHECK(error.file() == kFileName);
        FUZZ_CHECK(!error.fault().isEmpty());
        return 0;
    }
    FUZZ_CHECK(document != nullptr);

    const QByteArray saved = mapdesk::DocumentWriter::toJson(*document, baseDir(), kFileName);
    const auto reread = mapdesk::DocumentReader::fromJson(saved, kFileName, baseDir());
    FUZZ_CHECK(mapdesk::DocumentWriter::toJson(*reread, baseDir(), kFileName) == saved);
    return 0;
}
