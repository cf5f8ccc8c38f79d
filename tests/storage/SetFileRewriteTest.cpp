// Undo of whole-file changes in a settings folder that other people,
// scripts and programs work in too: links, files replaced or edited by other
// means, and files beside the set file that are not what Undo left.
#include "SetFileRewrite.h"
#include "FakeHost.h"
#include "HostError.h"
#include "StorageTestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

#include <sys/stat.h>

namespace {

using storagetest::readBytes;
using storagetest::writeBytes;

QByteArray record(const QByteArray &set, const QByteArray &layer)
{
    return "\"" + set + "\",\"Layers\",\"" + layer + "\",\"True\"\r\n";
}

const QByteArray kA = record("A", "Streets");
const QByteArray kB = record("B", "Early");
const QByteArray kS1 = record("S1", "Rivers");
const QByteArray kS2 = record("S2", "Parks");

/// A set file on a drive of its own, reached as "C:\sets\config".
class SetFileRewriteTest : public ::testing::Test
{
protected:
    SetFileRewriteTest()
    {
        folder = host.drives->add(QLatin1Char('C')) + QStringLiteral("/sets/");
        QDir().mkpath(folder);
    }
    SetFileRewrite file() const { return SetFileRewrite(*host.services, QStringLiteral("C:\\sets\\config")); }
    QString path(const char *name) const { return folder + QLatin1String(name); }
    void append(const QByteArray &bytes) const
    {
        QFile out(path("config"));
        ASSERT_TRUE(out.open(QIODevice::Append));
        ASSERT_EQ(out.write(bytes), bytes.size());
    }
    /// Removes the records of `set` through a whole-file change.
    void remove(const QByteArray &set) const
    {
        file().rewrite([&](const QByteArray &current) -> std::optional<QByteArray> {
            QByteArray next;
            for (const QByteArray &line : current.split('\n'))
                if (!line.isEmpty() && !line.startsWith("\"" + set + "\""))
                    next += line + '\n';
            return next;
        });
    }

    fake::FakeHost host;
    QString folder;
};

TEST_F(SetFileRewriteTest, ASetFileReachedThroughALinkIsTheFileItNames)
{
    const QString team = host.drives->dir.path() + QStringLiteral("/team");
    QDir().mkpath(team);
    writeBytes(team + QStringLiteral("/shared"), kA + kB);
    ASSERT_TRUE(QFile::link(team + QStringLiteral("/shared"), path("config")));

    remove("A");
    append(kS1);
    EXPECT_TRUE(file().undo());
    EXPECT_EQ(readBytes(path("config")), kA + kB + kS1);
    EXPECT_TRUE(QFileInfo(path("config")).isSymLink()) << "the link stays a link";
    EXPECT_TRUE(QFileInfo::exists(team + QStringLiteral("/shared.previous")));
    EXPECT_TRUE(QFileInfo::exists(team + QStringLiteral("/shared.undo")));
    EXPECT_FALSE(QFileInfo::exists(path("config.previous"))) << "undo files lie beside the real file";
    EXPECT_TRUE(file().undo()) << "undo again redoes";
    EXPECT_EQ(readBytes(team + QStringLiteral("/shared")), kB + kS1);
}

/// Each way a file beside the set file, or the set file itself, can come to
/// differ from what the last change left: Undo then has nothing to undo,
/// changes nothing, and writes nowhere else.
TEST_F(SetFileRewriteTest, UndoActsOnlyOnTheFilesTheChangeLeft)
{
    const QString victim = host.drives->dir.path() + QStringLiteral("/victim");
    auto setMark = [&](const char *key, const QJsonValue &value) {
        QJsonObject mark = QJsonDocument::fromJson(readBytes(path("config.undo"))).object();
        mark.insert(QLatin1String(key), value);
        writeBytes(path("config.undo"), QJsonDocument(mark).toJson());
    };
    // The link's file holds what Undo expects there: only the link tells.
    QByteArray victimBytes;
    auto linkInPlaceOf = [&](const char *name) {
        victimBytes = readBytes(path(name));
        writeBytes(victim, victimBytes);
        ASSERT_TRUE(QFile::remove(path(name)));
        ASSERT_TRUE(QFile::link(victim, path(name)));
    };
    // Far more than a few KiB after the edited record, so that only a check of
    // the whole file sees the edit.
    QByteArray many;
    for (int i = 0; i < 200; ++i)
        many += record("Many", QByteArray::number(i));
    const struct Case
    {
        const char *name;
        std::function<void()> tamper;
        const char *removed = "A"; ///< the change: "" removes every set
    } cases[] = {
        {"every set deleted, the file deleted and saved again under the freed inode",
         [&] {
             ASSERT_TRUE(QFile::remove(path("config")));
             writeBytes(path("config"), kS2);
             struct stat seen = {};
             ASSERT_EQ(::stat(QFile::encodeName(path("config")).constData(), &seen), 0);
             setMark("device", QString::number(seen.st_dev));
             setMark("inode", QString::number(seen.st_ino));
         },
         ""},
        {"a record edited in place with the same length",
         [&] {
             QFile in(path("config"));
             ASSERT_TRUE(in.open(QIODevice::ReadWrite));
             const QByteArray bytes = in.readAll();
             ASSERT_TRUE(in.seek(bytes.indexOf("Early") + 1));
             ASSERT_EQ(in.write("eri"), 3);
         }},
        {"the kept file edited", [&] { writeBytes(path("config.previous"), kA); }},
        {"the kept file a link to another file", [&] { linkInPlaceOf("config.previous"); }},
        {"the mark a link to another file", [&] { linkInPlaceOf("config.undo"); }},
        {"the mark a pipe",
         [&] {
             ASSERT_TRUE(QFile::remove(path("config.undo")));
             ASSERT_EQ(::mkfifo(QFile::encodeName(path("config.undo")).constData(), 0666), 0);
         }},
        {"the kept file a pipe",
         [&] {
             ASSERT_TRUE(QFile::remove(path("config.previous")));
             ASSERT_EQ(::mkfifo(QFile::encodeName(path("config.previous")).constData(), 0666), 0);
         }},
        {"a mark ending before the file", [&] { setMark("end", -1); }},
        {"a mark ending a page before the file", [&] { setMark("end", -4097); }},
        {"a mark ending past any file", [&] { setMark("end", 1e19); }},
        {"a mark ending inside a byte", [&] { setMark("end", 10.5); }},
        {"a mark's end in words", [&] { setMark("end", QStringLiteral("12")); }},
        {"a mark naming no device", [&] { setMark("device", QStringLiteral("disk")); }},
        {"a mark with a kept size past any file", [&] { setMark("previousSize", 1e300); }},
        {"a mark that is not JSON", [&] { writeBytes(path("config.undo"), "{\"end\":"); }},
    };
    for (const Case &c : cases) {
        for (const char *name : {"config", "config.previous", "config.undo"})
            QFile::remove(path(name));
        victimBytes = "someone else's file";
        writeBytes(victim, victimBytes);
        writeBytes(path("config"), kA + kB + many);
        remove(c.removed);
        append(kS1);
        c.tamper();
        const QByteArray before = readBytes(path("config"));

        EXPECT_FALSE(file().undo()) << c.name;
        EXPECT_EQ(readBytes(path("config")), before) << c.name;
        EXPECT_EQ(readBytes(victim), victimBytes) << c.name;
    }
}

/// A new file told as stretches of the old one and bytes of its own is
/// written as those bytes whole would be, with the same undo.
TEST_F(SetFileRewriteTest, KeptStretchesWriteTheSameFileAndUndoAsTheWholeBytes)
{
    // Some 3 MiB: stretches longer than one write and more pieces than one
    // write takes.
    QByteArray old;
    for (int i = 0; i < 50000; ++i)
        old += record(i % 9 ? "Kept" : "Gone", QByteArray::number(i));
    const qsizetype half = old.size() / 2;
    const struct Case
    {
        const char *name;
        std::function<void(FileSplice &)> build;
    } cases[] = {
        {"nothing", [](FileSplice &) {}},
        {"everything kept", [&](FileSplice &s) { s.keep(0, old.size()); }},
        {"bytes of its own only", [&](FileSplice &s) { s.append(kA + kB); }},
        {"the halves swapped, a record between",
         [&](FileSplice &s) {
             s.keep(half, old.size() - half);
             s.append(kS1);
             s.keep(0, half);
         }},
        {"stretches that follow on, and empty ones",
         [&](FileSplice &s) {
             s.keep(0, 10);
             s.keep(10, half - 10);
             s.append("");
             s.keep(half, 0);
             s.append(kS2);
             s.append(kA);
             s.keep(half, old.size() - half);
         }},
        {"hundreds of small pieces",
         [&](FileSplice &s) {
             for (qsizetype at = 0; at + 1000 <= old.size(); at += 5000) {
                 s.keep(at, 1000);
                 s.append(kB);
             }
         }},
    };
    auto written = [&](const FileSplice &splice) {
        for (const char *name : {"config", "config.previous", "config.undo"})
            QFile::remove(path(name));
        writeBytes(path("config"), old);
        EXPECT_TRUE(file().rewrite([&](const QByteArray &current) {
            EXPECT_EQ(current, old);
            return splice;
        }));
        QJsonObject mark = QJsonDocument::fromJson(readBytes(path("config.undo"))).object();
        for (const char *identity : {"device", "inode", "born"})
            mark.remove(QLatin1String(identity));
        return std::make_pair(readBytes(path("config")), mark);
    };
    for (const Case &c : cases) {
        FileSplice splice;
        c.build(splice);
        const QByteArray whole = splice.bytes(old);
        EXPECT_EQ(splice.size(), whole.size()) << c.name;
        const auto [spliced, splicedMark] = written(splice);
        EXPECT_EQ(spliced, whole) << c.name;
        EXPECT_EQ(readBytes(path("config.previous")), old) << c.name;
        EXPECT_TRUE(file().undo()) << c.name;
        EXPECT_EQ(readBytes(path("config")), old) << c.name;
        const auto [asBytes, bytesMark] = written(FileSplice(whole));
        EXPECT_EQ(asBytes, whole) << c.name;
        EXPECT_EQ(splicedMark, bytesMark) << c.name;
    }
}

TEST_F(SetFileRewriteTest, OutputsOverTheSetFileOrItsUndoFilesAreTold)
{
    writeBytes(path("config"), kA);
    remove("A");
    ASSERT_TRUE(QFile::link(path("config"), path("alias")));
    const struct
    {
        const char *path;
        bool owned;
    } cases[] = {
        {"config", true},         {"config.previous", true}, {"config.undo", true},
        {"alias", true},          {"../sets/config", true},  {"config.previous.1a2b3c4d.new", true},
        {"config-export", false}, {"previous", false},       {"other/config", false},
    };
    ASSERT_TRUE(QFile::remove(path("config.undo"))) << "a file not there yet is told as well";
    for (const auto &c : cases)
        EXPECT_EQ(file().owns(folder + QLatin1String(c.path)), c.owned) << c.path;
}

} // namespace
