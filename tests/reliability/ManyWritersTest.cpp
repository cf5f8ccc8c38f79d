// Four processes saving into one set file at once, two of them clearing it
// every hundred saves and one on a disk that fills part-way: no record is
// ever torn, no block is split, and every save that reported success is in
// the file (and in every read of it) unless a Clear All may have come after.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <vector>

namespace {

struct Interval
{
    long long start;
    long long end;
};

struct Save
{
    QString set;
    Interval when;
};

/// A read of the file: when, and the sets in it.
struct Snapshot
{
    Interval when;
    std::set<QString> sets;
};

TEST(ManyWriters, SavesRewritesAndAFillingDiskLoseNothingThatWasReportedSaved)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    struct Writer
    {
        const char *name;
        int clearEvery;
        qint64 fileSizeLimit;
    };
    const Writer writers[] = {{"A", 100, 0}, {"B", 100, 0}, {"C", 0, 0}, {"D", 0, 30000}};
    constexpr int kSaves = 500;
    QProcess processes[4];
    for (int i = 0; i < 4; ++i) {
        processes[i].start(QStringLiteral(SHARED_WRITER_PATH),
                           {folder.path(), QLatin1String(writers[i].name), QString::number(kSaves),
                            QString::number(writers[i].clearEvery), QString::number(writers[i].fileSizeLimit)});
        ASSERT_TRUE(processes[i].waitForStarted());
    }
    // All four start their saves together, once each is ready.
    for (QProcess &process : processes) {
        while (!process.canReadLine())
            ASSERT_TRUE(process.waitForReadyRead(30000));
        ASSERT_EQ(process.readLine(), "ready\n");
    }
    for (QProcess &process : processes)
        process.write("go\n");
    for (QProcess &process : processes)
        ASSERT_TRUE(process.waitForBytesWritten(30000));

    std::vector<Save> saved;
    std::vector<Interval> clears;
    std::vector<Snapshot> snapshots;
    int failed = 0;
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(processes[i].waitForFinished(120000));
        ASSERT_EQ(processes[i].exitCode(), 0);
        const QString writer = QLatin1String(writers[i].name);
        for (const QByteArray &line : processes[i].readAllStandardOutput().split('\n')) {
            const QList<QByteArray> word = line.split(' ');
            if (word.value(0) == "save" && word.size() == 5) {
                if (word[2] == "ok")
                    saved.push_back(
                        {writer + QLatin1Char(' ') + word[1], {word[3].toLongLong(), word[4].toLongLong()}});
                else
                    ++failed;
            } else if (word.value(0) == "clear" && word.size() == 4) {
                EXPECT_EQ(word[1], "ok");
                clears.push_back({word[2].toLongLong(), word[3].toLongLong()});
            } else if (word.value(0) == "snap" && word.size() >= 3) {
                Snapshot snapshot{{word[1].toLongLong(), word[2].toLongLong()}, {}};
                const QString names = QString::fromUtf8(line.mid(line.indexOf(word[2]) + word[2].size() + 1));
                for (const QString &name : names.split(QLatin1Char(';'), Qt::SkipEmptyParts))
                    snapshot.sets.insert(name);
                snapshots.push_back(snapshot);
            }
        }
    }

    // The file as the processes left it: whole records in whole blocks.
    QFile file(folder.filePath(QStringLiteral("config")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    static const QRegularExpression whole(
        QStringLiteral("^\"([A-D] \\d+)\",\"Map\",\"\\1 (\\d+)\",\"(True|False)\"\r$"));
    Snapshot last{{LLONG_MAX, LLONG_MAX}, {}};
    long torn = 0;
    QString open;
    int next = 0;
    for (const QByteArray &line : bytes.split('\n')) {
        if (line.isEmpty())
            continue;
        const QRegularExpressionMatch record = whole.match(QString::fromUtf8(line));
        if (!record.hasMatch()) {
            ++torn;
            continue;
        }
        const QString set = record.captured(1);
        const int index = record.captured(2).toInt();
        if (index == 0) {
            EXPECT_TRUE(open.isEmpty() || next == 1 + open.section(QLatin1Char(' '), 1).toInt() % 7)
                << "block " << open.toStdString() << " split";
            open = set;
        } else {
            EXPECT_EQ(set, open) << "blocks interleaved";
            EXPECT_EQ(index, next);
        }
        next = index + 1;
        last.sets.insert(set);
    }
    EXPECT_EQ(torn, 0);
    snapshots.push_back(last);

    // A save reported as done is in every later read of the file, unless a
    // Clear All may have taken effect between the two.
    long checked = 0;
    long missing = 0;
    for (const Snapshot &snapshot : snapshots)
        for (const Save &save : saved) {
            if (save.when.end >= snapshot.when.start)
                continue;
            bool excused = false;
            for (const Interval &clear : clears)
                excused = excused || (clear.end > save.when.start && clear.start < snapshot.when.end);
            if (excused)
                continue;
            ++checked;
            if (!snapshot.sets.count(save.set)) {
                ++missing;
                ADD_FAILURE() << save.set.toStdString() << " was reported saved and is gone";
            }
        }
    EXPECT_EQ(missing, 0);
    EXPECT_GT(checked, 100) << "the check saw too few saves to mean anything";
    EXPECT_GT(failed, 0) << "the filling disk refused no save";
    EXPECT_EQ(clears.size(), 10u);
    std::printf("saves reported done: %zu, refused by the full disk: %d, clears: %zu, reads checked: %zu, "
                "save-in-read checks: %ld, missing: %ld, torn: %ld\n",
                saved.size(), failed, clears.size(), snapshots.size(), checked, missing, torn);
}

} // namespace
