// Four processes at work on one set file at once: two add-in cores saving
// blocks of records (set_writer), quarnel-sets saving a document again and
// again, and quarnel-sets renaming and deleting sets, which rewrites the file
// whole. No record may be lost, torn or left half renamed.

#include "CliWorld.h"

#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <map>

namespace {

constexpr int kBlocks = 3000;  // per set_writer
constexpr int kCaptures = 12;  // quarnel-sets capture runs
constexpr int kRewritten = 16; // sets "P k": even ones renamed "R k", odd ones deleted

/// Records in block b of a set_writer.
int recordsIn(int block)
{
    return 1 + block % 7;
}

TEST(SeveralProcesses, SavesAndRewritesAtOnceLoseAndTearNothing)
{
    CliWorld world;
    world.write("doc.mapdesk.json", CliWorld::townDocument());
    QProcess seed;
    seed.start(SET_WRITER_PATH, {world.dir.path(), "P", QString::number(kRewritten)});
    seed.write("go\n");
    ASSERT_TRUE(seed.waitForFinished(60000));
    ASSERT_EQ(seed.exitCode(), 0);

    const QString tool = QStringLiteral(QUARNEL_SETS_PATH);
    QString captures, rewrites;
    for (int i = 0; i < kCaptures; ++i)
        captures += QStringLiteral("\"$0\" --file config capture doc.mapdesk.json 'C %1' || exit 1\n").arg(i);
    for (int k = 0; k < kRewritten; ++k)
        rewrites += k % 2 == 0 ? QStringLiteral("\"$0\" --file config rename 'P %1' 'R %1' || exit 1\n").arg(k)
                               : QStringLiteral("\"$0\" --file config delete 'P %1' || exit 1\n").arg(k);
    QProcess processes[4];
    for (QProcess &process : processes)
        process.setWorkingDirectory(world.dir.path());
    processes[0].start(SET_WRITER_PATH, {world.dir.path(), "A", QString::number(kBlocks)});
    processes[1].start(SET_WRITER_PATH, {world.dir.path(), "B", QString::number(kBlocks)});
    processes[2].start("sh", {"-c", captures, tool});
    processes[3].start("sh", {"-c", rewrites, tool});
    for (QProcess &process : processes)
        ASSERT_TRUE(process.waitForStarted());
    processes[0].write("go\n");
    processes[1].write("go\n");
    for (QProcess &process : processes) {
        ASSERT_TRUE(process.waitForFinished(300000));
        EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    }

    // Every line a whole record; every set with all its records, one after another.
    static const QRegularExpression whole(
        QStringLiteral("^\"([A-Z]) (\\d+)\",\"(\\w+)\",\"([^\"]+)\",\"(True|False)\"\r$"));
    std::map<QString, int> count;
    std::map<QString, int> runs;
    QString previous;
    QList<QByteArray> lines = world.read("config").split('\n');
    ASSERT_EQ(lines.takeLast(), "");
    for (const QByteArray &line : std::as_const(lines)) {
        const QRegularExpressionMatch record = whole.match(QString::fromUtf8(line));
        ASSERT_TRUE(record.hasMatch()) << "torn: " << line.toStdString();
        const QString set = record.captured(1) + ' ' + record.captured(2);
        ++count[set];
        if (set != previous)
            ++runs[set];
        previous = set;
    }
    std::map<QString, int> expected;
    for (int block = 0; block < kBlocks; ++block)
        expected["A " + QString::number(block)] = expected["B " + QString::number(block)] = recordsIn(block);
    for (int i = 0; i < kCaptures; ++i)
        expected["C " + QString::number(i)] = 3;
    for (int k = 0; k < kRewritten; k += 2)
        expected["R " + QString::number(k)] = recordsIn(k);
    EXPECT_EQ(count, expected);
    for (const auto &[set, pieces] : runs)
        EXPECT_EQ(pieces, 1) << set.toStdString() << " is in pieces";
}

} // namespace
