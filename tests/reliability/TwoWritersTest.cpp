// Two processes saving sets into the same visibility-set file at the same
// moment, thousands of blocks each: every record stays whole and every block
// stays in one piece, and the main window lists every set.

#include "AddinWorld.h"

#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <map>

namespace {

constexpr int kBlocks = 3000;

/// Records in block b of one writer.
int recordsIn(int block)
{
    return 1 + block % 7;
}

TEST(TwoWriters, SavingAtOnceKeepsEveryRecordWholeAndEveryBlockInOnePiece)
{
    AddinWorld world;
    QFile::remove(world.filePath());
    QProcess writers[2];
    const char *names[2] = {"A", "B"};
    for (int i = 0; i < 2; ++i) {
        writers[i].start(QStringLiteral(SET_WRITER_PATH),
                         {world.folder, QLatin1String(names[i]), QString::number(kBlocks)});
        ASSERT_TRUE(writers[i].waitForStarted()) << qPrintable(writers[i].errorString());
    }
    // Written through at once: a QProcess keeps what is written until it is
    // waited on, which would start the writers one after the other.
    for (QProcess &writer : writers)
        writer.write("go\n");
    for (QProcess &writer : writers)
        ASSERT_TRUE(writer.waitForBytesWritten(30000));
    for (QProcess &writer : writers) {
        ASSERT_TRUE(writer.waitForFinished(-1));
        EXPECT_EQ(writer.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(writer.exitCode(), 0) << writer.readAllStandardError().toStdString();
    }

    long expectedPerWriter = 0;
    for (int block = 0; block < kBlocks; ++block)
        expectedPerWriter += recordsIn(block);
    for (QProcess &writer : writers)
        EXPECT_EQ(writer.readAllStandardOutput().trimmed().toLong(), expectedPerWriter);

    const QByteArray bytes = world.fileBytes();
    ASSERT_TRUE(bytes.endsWith("\r\n"));
    QList<QByteArray> lines = bytes.split('\n');
    lines.removeLast(); // after the last line end

    // A whole record: "W b","Map","W b r<padding>","True|False" and CR.
    static const QRegularExpression whole(
        QStringLiteral("^\"([AB]) (\\d+)\",\"Map\",\"\\1 \\2 (\\d+)(x*)\",\"(True|False)\"\r$"));
    struct Progress
    {
        int nextBlock = 0;
        int nextRecord = 0; // within the block under way
    };
    std::map<QString, Progress> progress;
    QString open; // the writer whose block is under way, if any
    long torn = 0;
    long interleaved = 0;
    for (const QByteArray &line : lines) {
        const QRegularExpressionMatch record = whole.match(QString::fromUtf8(line));
        if (!record.hasMatch()) {
            ++torn;
            continue;
        }
        const QString writer = record.captured(1);
        const int block = record.captured(2).toInt();
        const int index = record.captured(3).toInt();
        Progress &mine = progress[writer];
        EXPECT_EQ(record.captured(4).size(), block % 5 * 60);
        EXPECT_EQ(record.captured(5), index % 2 == 0 ? QStringLiteral("True") : QStringLiteral("False"));
        if (index == 0) {
            // A new block starts only when no block is under way.
            if (!open.isEmpty())
                ++interleaved;
            EXPECT_EQ(block, mine.nextBlock) << "blocks of a writer follow each other";
            mine.nextRecord = 0;
        } else if (open != writer || block != mine.nextBlock) {
            ++interleaved;
        }
        EXPECT_EQ(index, mine.nextRecord);
        open = writer;
        mine.nextRecord = index + 1;
        if (mine.nextRecord == recordsIn(block)) {
            open.clear();
            mine.nextBlock = block + 1;
        }
    }
    EXPECT_EQ(torn, 0);
    EXPECT_EQ(interleaved, 0);
    EXPECT_EQ(lines.size(), 2 * expectedPerWriter);
    EXPECT_EQ(progress[QStringLiteral("A")].nextBlock, kBlocks);
    EXPECT_EQ(progress[QStringLiteral("B")].nextBlock, kBlocks);
    // The main window lists every set once.
    world.reload();
    EXPECT_TRUE(world.host.boxes->boxes.empty());
    EXPECT_EQ(world.list().count(), 2 * kBlocks);

    std::printf("records written: %lld, torn: %ld, blocks interleaved: %ld\n", static_cast<long long>(lines.size()),
                torn, interleaved);
}

} // namespace
