#include "FileChannel.h"
#include "FileLock.h"

#include "StorageTestSupport.h"

#include <QDir>
#include <QFileInfo>

#include <csignal>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using storagetest::failureOf;
using storagetest::readBytes;

namespace {

const QString kFile = QStringLiteral("C:\\Program Files\\config");

class Channel : public ::testing::Test
{
protected:
    void SetUp() override { native = host.drives->add(QLatin1Char('C')) + QStringLiteral("/Program Files/config"); }

    QStringList readAllFields(const QByteArray &bytes)
    {
        storagetest::writeBytes(native, bytes);
        channel.openForInput(kFile);
        QStringList fields;
        while (!channel.atEnd())
            fields << channel.readField();
        channel.close();
        return fields;
    }

    fake::FakeHost host;
    FileChannel &channel = host.state->channel1;
    QString native;
};

TEST_F(Channel, AppendsQuotedUtf8RecordsInOneWriteAtClose)
{
    channel.openForAppend(kFile);
    EXPECT_EQ(readBytes(native), QByteArray()); // created empty at once
    channel.writeRecord({QStringLiteral("Say \"hi\""), QStringLiteral("Ünd"), QString(), QStringLiteral("False")});
    EXPECT_EQ(readBytes(native), QByteArray());
    channel.close();
    channel.close(); // closing a closed channel does nothing
    EXPECT_EQ(readBytes(native), QByteArray("\"Say \"\"hi\"\"\",\"\xC3\x9Cnd\",\"\",\"False\"\r\n"));

    // A failure path's quiet close still hands over what was written.
    channel.openForAppend(kFile);
    channel.writeRecord({QStringLiteral("a")});
    channel.closeQuietly();
    EXPECT_TRUE(readBytes(native).endsWith("\"False\"\r\n\"a\"\r\n"));
}

TEST_F(Channel, AFullDiskIsAFailureAndClosesTheChannel)
{
    channel.openForAppend(kFile);
    channel.writeRecord({QStringLiteral("Roads")});
    struct rlimit saved = {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    struct rlimit full = saved;
    full.rlim_cur = 0;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &full), 0);
    QString description;
    const int number = failureOf([&] { channel.close(); }, &description);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(number, 61);
    EXPECT_EQ(description, QStringLiteral("Disk full"));
    EXPECT_FALSE(channel.isOpen());
}

TEST_F(Channel, OnlyARegularFileIsOpenedAndNothingWaitsForAPipe)
{
    for (const char *target : {"/dev/full", "/dev/null", "/dev/zero", "fifo"}) {
        QFile::remove(native);
        if (QByteArray(target) == "fifo")
            ASSERT_EQ(::mkfifo(QFile::encodeName(native).constData(), 0600), 0);
        else
            ASSERT_TRUE(QFile::link(QString::fromLatin1(target), native));
        EXPECT_EQ(failureOf([&] { channel.openForAppend(kFile); }), 75) << target;
        EXPECT_EQ(failureOf([&] { channel.openForInput(kFile); }), 75) << target;
        EXPECT_FALSE(channel.isOpen());
    }
}

TEST_F(Channel, ALockHeldElsewhereIsWaitedForAndThenRefused)
{
    channel.openForAppend(kFile);
    channel.writeRecord({QStringLiteral("Roads")});
    const int other = ::open(QFile::encodeName(native).constData(), O_RDWR);
    ASSERT_GE(other, 0);
    for (const FileLock::Kind held : {FileLock::Kind::Shared, FileLock::Kind::Exclusive}) {
        ASSERT_TRUE(FileLock::acquire(other, held));
        if (held == FileLock::Kind::Exclusive) {
            FileChannel reader(*host.services);
            EXPECT_EQ(failureOf([&] { reader.openForInput(kFile); }), 70) << "readers wait for a writer";
        }
        FileLock::release(other);
    }
    ASSERT_TRUE(FileLock::acquire(other, FileLock::Kind::Shared));
    QString description;
    EXPECT_EQ(failureOf([&] { channel.close(); }, &description), 70) << "a writer waits for readers";
    EXPECT_EQ(description, QStringLiteral("Permission denied"));
    ::close(other);
    EXPECT_EQ(QFileInfo(native).size(), 0) << "nothing was written";
}

TEST_F(Channel, FailuresCarryTheRuntimeNumbers)
{
    QDir().mkpath(native + QStringLiteral("folder"));
    const QString folder = kFile + QStringLiteral("folder");
    const QString missingFolder = QStringLiteral("C:\\Program Files\\QuarnelGIS\\config");
    const QString noDrive = QStringLiteral("Q:\\config");
    QString description;
    EXPECT_EQ(failureOf([&] { channel.openForInput(kFile); }, &description), 53);
    EXPECT_EQ(description, QStringLiteral("File not found"));
    EXPECT_EQ(failureOf([&] { channel.openForInput(missingFolder); }, &description), 76);
    EXPECT_EQ(description, QStringLiteral("Path not found"));
    EXPECT_EQ(failureOf([&] { channel.openForInput(noDrive); }), 53);
    EXPECT_EQ(failureOf([&] { channel.openForInput(QString()); }, &description), 52);
    EXPECT_EQ(description, QStringLiteral("Bad file name or number"));
    EXPECT_EQ(failureOf([&] { channel.openForInput(folder); }, &description), 75);
    EXPECT_EQ(description, QStringLiteral("Path/File access error"));
    EXPECT_EQ(failureOf([&] { channel.openForAppend(missingFolder); }), 76);
    EXPECT_EQ(failureOf([&] { channel.openForAppend(noDrive); }), 76);
    EXPECT_EQ(failureOf([&] { channel.openForAppend(QString()); }), 52);
    EXPECT_EQ(failureOf([&] { channel.openForAppend(folder); }), 75);
    EXPECT_EQ(failureOf([&] { channel.readField(); }), 52);
    EXPECT_EQ(failureOf([&] { channel.writeRecord({QStringLiteral("a")}); }), 52);
    EXPECT_FALSE(QFileInfo::exists(native));

    QFile::setPermissions(QFileInfo(native).absolutePath(), QFileDevice::Permissions(0x5555));
    {
        storagetest::Unprivileged unprivileged(host);
        EXPECT_EQ(failureOf([&] { channel.openForAppend(kFile); }, &description), 70);
    }
    QFile::setPermissions(QFileInfo(native).absolutePath(), QFileDevice::Permissions(0x7755));
    EXPECT_EQ(description, QStringLiteral("Permission denied"));
    EXPECT_FALSE(channel.isOpen());

    // Misuse of an open channel leaves it open on its file.
    storagetest::writeBytes(native, "\"a\"");
    channel.openForInput(kFile);
    EXPECT_EQ(failureOf([&] { channel.openForAppend(kFile); }), 55);
    EXPECT_EQ(failureOf([&] { channel.writeRecord({QStringLiteral("b")}); }), 54);
    EXPECT_EQ(channel.readField(), QStringLiteral("a"));
    channel.close();
    channel.openForAppend(kFile);
    EXPECT_EQ(failureOf([&] { channel.atEnd(); }), 54);
}

TEST_F(Channel, ReadsFieldsThroughItsScannerAndFailsPastTheEnd)
{
    // The rules of reading fields are the scanner's (RecordScannerTest); the
    // channel skips a byte-order mark at the start of the file, hands the
    // scanner the file and reports where it ends.
    EXPECT_EQ(readAllFields("\xEF\xBB\xBF\"a\"\"b\", c ,\"\xE9\"\r\n\r\n"),
              (QStringList{"a\"b", " c ", QStringLiteral("é")}));
    EXPECT_EQ(readAllFields("\r\n\n\r\r\n"), QStringList());

    storagetest::writeBytes(native, "\"a\",\"b\"\r\n\r\n");
    channel.openForInput(kFile);
    channel.readField();
    channel.readField();
    EXPECT_TRUE(channel.atEnd());
    QString description;
    EXPECT_EQ(failureOf([&] { channel.readField(); }, &description), 62);
    EXPECT_EQ(description, QStringLiteral("Input past end of file"));
    channel.close();

    storagetest::writeBytes(native, "\"a\",\"b\r\n"); // the file ends inside the quotes
    channel.openForInput(kFile);
    channel.readField();
    EXPECT_EQ(failureOf([&] { channel.readField(); }), 62);
}

TEST_F(Channel, FieldsSplitByTheReadBlocksReadWhole)
{
    // Every byte of the awkward record in turn falls on the reader's first
    // block boundary (1 MiB), behind a filler record.
    const qsizetype block = 1 << 20;
    const QByteArray awkward = "\"q\"\"\"\"\",\"l\r\nf\",\"\xC3\xA9\",plain\r\n\"end\"\r\n";
    const QStringList expected{"x", "q\"\"", "l\r\nf", QStringLiteral("é"), "plain", "end"};
    for (qsizetype shift = 0; shift <= awkward.size(); ++shift) {
        const QByteArray filler = "\"x\",\"" + QByteArray(block - shift - 8, 'x') + "\"\r\n";
        QStringList fields = readAllFields(filler + awkward);
        ASSERT_EQ(fields.size(), 7) << shift;
        fields.removeAt(1);
        EXPECT_EQ(fields, expected) << shift;
    }
}

} // namespace

namespace {

TEST_F(Channel, APartOfTheFileReadsAsIfTheFileHeldNothingElse)
{
    // From a byte on (no byte-order mark looked for there), or up to a byte
    // more than a block on, so that the part ends inside the second read.
    const qsizetype block = 1 << 20;
    const QByteArray front = "\"" + QByteArray(block + 100, 'f') + "\"\r\n";
    storagetest::writeBytes(native, front + "\"a\",\"b\"\r\n\"c\"\r\n");
    channel.openForInput(kFile, front.size());
    EXPECT_EQ(channel.readField(), QStringLiteral("a"));
    channel.close();

    channel.openForInput(kFile, 0, front.size() + 9);
    EXPECT_EQ(channel.readField().size(), block + 100);
    EXPECT_EQ(channel.readField(), QStringLiteral("a"));
    EXPECT_EQ(channel.readField(), QStringLiteral("b"));
    EXPECT_TRUE(channel.atEnd());
}

} // namespace
