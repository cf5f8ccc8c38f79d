// Arbitrary bytes as the visibility-set file, read through file channel 1 the
// way the main window does: the set names are listed, sets are selected, and
// every whole record read is written back through the channel and must read
// back the same. The only failure a file may cause is a record cut short (62).

#include "FileChannel.h"
#include "FuzzCheck.h"
#include "HostError.h"
#include "HostServices.h"
#include "IDrives.h"
#include "RecordScanner.h"
#include "SetNames.h"
#include "VisibilitySetFile.h"

#include <QFile>
#include <QSet>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>

namespace {

/// Drive C is a temporary folder; no other drive exists.
class TemporaryDrive : public IDrives
{
public:
    QString root(QChar letter) override { return letter == QLatin1Char('C') ? folder.path() : QString(); }
    QTemporaryDir folder;
};

const QString kFile = QStringLiteral("C:\\config");
const QString kCopy = QStringLiteral("C:\\copy");

/// The drive table and channel 1 that every run of the target reuses.
struct Harness
{
    Harness() { services.setDrives(drive); }
    std::shared_ptr<TemporaryDrive> drive = std::make_shared<TemporaryDrive>();
    HostServices services;
    FileChannel channel{services};
};

Harness &harness()
{
    static Harness made;
    return made;
}

TemporaryDrive &drive()
{
    return *harness().drive;
}

void writeFile(const QString &name, const char *bytes, qint64 size)
{
    QFile file(drive().folder.filePath(name));
    FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    FUZZ_CHECK(file.write(bytes, size) == size);
}

/// Runs `read` on the channel opened on `path`; returns the failure number
/// (0 when none), which may only be "Input past end of file".
template <typename Read> int readChannel(const QString &path, Read read)
{
    FileChannel &channel = harness().channel;
    channel.openForInput(path);
    int failure = 0;
    try {
        read(channel);
    } catch (const HostError &error) {
        failure = error.number();
    }
    channel.close();
    FUZZ_CHECK(!channel.isOpen());
    FUZZ_CHECK(failure == 0 || failure == 62);
    return failure;
}

/// Every whole record of the file, four fields each, read line by line as
/// records are (a damaged one stays on its line).
std::vector<QStringList> allRecords(const QString &path, int *failure)
{
    std::vector<QStringList> records;
    *failure = readChannel(path, [&](FileChannel &channel) {
        channel.scanner().readRecordsOf(4);
        while (!channel.atEnd()) {
            QStringList fields;
            for (int i = 0; i < 4; ++i)
                fields << channel.readField();
            records.push_back(fields);
        }
    });
    return records;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    writeFile(QStringLiteral("config"), reinterpret_cast<const char *>(data), qint64(size));

    // Listing: each distinct name once, in the order of first appearance.
    QStringList names;
    const int listFailure = readChannel(kFile, [&](FileChannel &channel) {
        VisibilitySetFile::listSetNames(channel, [&](const QString &name) { names << name; });
    });
    FUZZ_CHECK(QSet<QString>(names.begin(), names.end()).size() == names.size());

    int recordFailure = 0;
    const std::vector<QStringList> records = allRecords(kFile, &recordFailure);
    FUZZ_CHECK(recordFailure == listFailure);

    // Selecting: exactly the whole records of the chosen name, in file order.
    std::optional<QString> chosen;
    if (!names.isEmpty())
        chosen = names.at(qsizetype(size % std::size_t(names.size())));
    for (const QString &name : {chosen.value_or(QString()), QStringLiteral("no such set")}) {
        std::vector<QStringList> selected;
        const int selectFailure = readChannel(kFile, [&](FileChannel &channel) {
            VisibilitySetFile::selectSet(channel, name, [&](const VisibilityRecord &record) {
                FUZZ_CHECK(record.setName == name);
                FUZZ_CHECK(record.isVisible() == (record.visibility == QLatin1String("True")));
                selected.push_back({record.setName, record.mapName, record.layerName, record.visibility});
            });
        });
        FUZZ_CHECK(selectFailure == listFailure);
        std::vector<QStringList> expected;
        for (const QStringList &record : records)
            if (record.at(0) == name)
                expected.push_back(record);
        FUZZ_CHECK(selected == expected);
    }

    // Whatever was read under a set name the file can hold is written back
    // as it was read and reads back the same. Map and layer names come from
    // documents and are not refused; only plain ones (no quote, no line
    // break) are sure to read back.
    auto plain = [](const QString &name) {
        return !name.contains(QLatin1Char('"')) && !name.contains(QLatin1Char('\r'))
               && !name.contains(QLatin1Char('\n'));
    };
    std::vector<QStringList> held;
    for (const QStringList &record : records)
        if (SetNames::fileHolds(record.at(0)) && plain(record.at(1)) && plain(record.at(2)))
            held.push_back(record);
    writeFile(QStringLiteral("copy"), "", 0);
    FileChannel &channel = harness().channel;
    channel.openForAppend(kCopy);
    for (const QStringList &record : held)
        VisibilitySetFile::writeRecord(channel, record.at(0), record.at(1), record.at(2),
                                       record.at(3) == QLatin1String("True"));
    channel.close();
    int copyFailure = 0;
    const std::vector<QStringList> copied = allRecords(kCopy, &copyFailure);
    FUZZ_CHECK(copyFailure == 0);
    FUZZ_CHECK(copied.size() == held.size());
    for (std::size_t i = 0; i < held.size(); ++i) {
        FUZZ_CHECK(copied[i].mid(0, 3) == held[i].mid(0, 3));
        FUZZ_CHECK(copied[i].at(3) == VisibilitySetFile::visibilityText(held[i].at(3) == QLatin1String("True")));
    }
    return 0;
}
