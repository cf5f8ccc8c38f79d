// The names of a long set file read in two halves at once come out as the
// listing of the whole file gives them, failures included.
#include "SetNameListing.h"
#include "FakeHost.h"
#include "FileChannel.h"
#include "HostError.h"
#include "VisibilitySetFile.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

const QString kFile = QStringLiteral("C:\\Program Files\\config");

QByteArray records(const QByteArray &name, int count)
{
    return QByteArray("\"" + name + "\",\"m\",\"l\",\"True\"\r\n").repeated(count);
}

struct HalvesCase
{
    const char *name;
    QByteArray bytes;
    bool halved; ///< a split is found near the middle
};

std::ostream &operator<<(std::ostream &os, const HalvesCase &c)
{
    return os << c.name;
}

const HalvesCase kCases[] = {
    {"NamesAgainAndOutOfOrder",
     records("B", 20) + records("A", 20) + records("B", 5) + records("C", 30) + records("A", 5) + records("D", 20),
     true},
    {"Windows1252AndTheSameNameInUtf8",
     records("Caf\xe9", 20) + records("X", 30) + records("Caf\xc3\xa9", 20) + records("\xc4rger", 20), true},
    {"DamagedRecordsBeforeAndAfterTheMiddle",
     records("A", 25) + "\"Open,\"m\"\r\n\"B\",\"m\r\n" + records("B", 25) + "x,\"q\r\n" + records("C", 10), true},
    {"CutShortAtTheEnd", records("A", 30) + records("B", 30) + "\"C\",\"m\"\r\n", true},
    {"CutShortInTheFirstHalf", records("A", 10) + "\"Z\",\"unclosed" + records("B", 60), true},
    {"NoPlainRecordsToSplitAt", QByteArray("A,m,l,True\r\nB,m,l,False\r\n").repeated(40), false},
};

class Halves : public ::testing::TestWithParam<HalvesCase>
{
protected:
    /// The names and the failure number (0 for none) of one listing.
    template <typename Listing> std::pair<QStringList, int> listed(Listing listing)
    {
        QStringList names;
        int failure = 0;
        try {
            listing([&names](const QString &name) { names << name; });
        } catch (const HostError &error) {
            failure = error.number();
        }
        host.state->channel1.closeQuietly();
        return {failure ? QStringList() : names, failure};
    }

    fake::FakeHost host;
};

TEST_P(Halves, ListAsTheWholeFileReads)
{
    const HalvesCase &c = GetParam();
    const QString native = host.drives->add(QLatin1Char('C')) + QStringLiteral("/Program Files/config");
    host.state->setFilePath = kFile;
    {
        QFile file(native);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(c.bytes), c.bytes.size());
    }
    EXPECT_EQ(halvingPoint(native, c.bytes.size()) > 0, c.halved);

    const auto whole = listed([&](const auto &onName) {
        FileChannel &channel = host.state->channel1;
        channel.openForInput(kFile);
        VisibilitySetFile::listSetNames(channel, onName);
    });
    const auto halves = listed([&](const auto &onName) { listSetNamesInHalves(*host.state, onName, 1); });
    EXPECT_EQ(halves, whole);
    EXPECT_FALSE(host.state->channel1.isOpen());
}

INSTANTIATE_TEST_SUITE_P(Cases, Halves, ::testing::ValuesIn(kCases),
                         [](const auto &info) { return std::string(info.param.name); });

} // namespace
