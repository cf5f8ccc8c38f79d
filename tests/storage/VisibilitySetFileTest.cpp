#include "VisibilitySetFile.h"

#include "FileChannel.h"
#include "SetFileEdits.h"
#include "SetNames.h"
#include "StorageTestSupport.h"

#include <QFile>

#include <vector>

using storagetest::failureOf;
using storagetest::writeBytes;

namespace {

const QString kFile = QStringLiteral("C:\\Program Files\\config");

class SetFile : public ::testing::Test
{
protected:
    void SetUp() override { native = host.drives->add(QLatin1Char('C')) + QStringLiteral("/Program Files/config"); }

    /// Appends one record per layer name under set and map, alternately visible and hidden.
    void save(const QString &set, const QString &map, const QStringList &layers)
    {
        channel.openForAppend(kFile);
        for (qsizetype i = 0; i < layers.size(); ++i)
            VisibilitySetFile::writeRecord(channel, set, map, layers[i], i % 2 == 0);
        channel.close();
    }
    QStringList names(int *failure = nullptr)
    {
        QStringList listed;
        channel.openForInput(kFile);
        *(failure ? failure : &ignored) =
            failureOf([&] { VisibilitySetFile::listSetNames(channel, [&](const QString &n) { listed << n; }); });
        channel.closeQuietly();
        return listed;
    }
    /// The records of a set, each as "map|layer|visibility".
    QStringList select(const QString &set, int *failure = nullptr)
    {
        QStringList records;
        channel.openForInput(kFile);
        *(failure ? failure : &ignored) = failureOf([&] {
            VisibilitySetFile::selectSet(channel, set, [&](const VisibilityRecord &r) {
                EXPECT_EQ(r.setName, set);
                EXPECT_EQ(r.isVisible(), r.visibility == QStringLiteral("True"));
                records << r.mapName + QLatin1Char('|') + r.layerName + QLatin1Char('|') + r.visibility;
            });
        });
        channel.closeQuietly();
        return records;
    }

    fake::FakeHost host;
    FileChannel &channel = host.state->channel1;
    QString native;
    int ignored = 0;
};

TEST_F(SetFile, EveryNameReadsBackAsWritten)
{
    save(QStringLiteral("Roads"), QStringLiteral("Layers"), {QStringLiteral("Streets")});
    EXPECT_EQ(storagetest::readBytes(native), QByteArray("\"Roads\",\"Layers\",\"Streets\",\"True\"\r\n"));

    const QStringList sets{QStringLiteral("Roads"),
                           QStringLiteral("roads"),
                           QStringLiteral("Roads "),
                           QStringLiteral(" a, b ,"),
                           QStringLiteral("say \"\"hi\""),
                           QStringLiteral("cr\r\nlf"),
                           QStringLiteral("cr\ronly\n"),
                           QStringLiteral("Straßenkarte Ærø 道路"),
                           QString()};
    for (const QString &set : sets)
        save(set, QStringLiteral("Map, \"1\"\r\n"), {set + QStringLiteral(" layer"), QStringLiteral("\"")});
    EXPECT_EQ(names(), sets);
    for (const QString &set : sets.mid(1))
        EXPECT_EQ(select(set), (QStringList{"Map, \"1\"\r\n|" + set + " layer|True", "Map, \"1\"\r\n|\"|False"}));
    // Both blocks of a set saved twice, in file order.
    EXPECT_EQ(select(QStringLiteral("Roads")),
              (QStringList{"Layers|Streets|True", "Map, \"1\"\r\n|Roads layer|True", "Map, \"1\"\r\n|\"|False"}));
    EXPECT_TRUE(select(QStringLiteral("ROADS")).isEmpty());
}

TEST_F(SetFile, ReadsEmptyOddAndCutShortFiles)
{
    writeBytes(native, "");
    EXPECT_TRUE(names().isEmpty());
    EXPECT_TRUE(select(QStringLiteral("A")).isEmpty());

    writeBytes(native, "\r\n\"A\",\"m\",\"l\",\"True\"\n\n\rB,m,l,True \r\r\n\"A\",m,\"k\",\"true\"\n\r\n");
    EXPECT_EQ(names(), (QStringList{"A", "B"}));
    EXPECT_EQ(select(QStringLiteral("A")), (QStringList{"m|l|True", "m|k|true"}));
    EXPECT_EQ(select(QStringLiteral("B")), (QStringList{"m|l|True "}));

    // The last record's name is listed before its cut-short record fails;
    // the records before it are handed on.
    writeBytes(native, "\"A\",\"m\",\"l\",\"True\"\r\n\"B\",\"m\",\"l\",\"False\"\r\n\"A\",\"m\",\"k\",\"True\"\r\n"
                       "\"C\",\"m\"\r\n");
    int failure = 0;
    EXPECT_EQ(names(&failure), (QStringList{"A", "B", "C"}));
    EXPECT_EQ(failure, 62);
    failure = 0;
    EXPECT_EQ(select(QStringLiteral("A"), &failure), (QStringList{"m|l|True", "m|k|True"}));
    EXPECT_EQ(failure, 62);
}

} // namespace

namespace {

/// A record as the earlier version of the writer put it: every field in
/// quotes, quotes inside left as they were.
QByteArray earlierRecord(const char *set, const char *map, const char *layer, const char *visibility)
{
    return QByteArray("\"") + set + "\",\"" + map + "\",\"" + layer + "\",\"" + visibility + "\"\r\n";
}

TEST_F(SetFile, FilesOfTheEarlierWriterStayAlignedAlsoMixedWithTodaysRecords)
{
    struct Case
    {
        const char *name;
        const char *earlierName; ///< a set name with quotes, written by the earlier writer
        const char *layer;       ///< a layer name with quotes, written by the earlier writer
    };
    const Case cases[] = {
        {"a name ending in a quote", "hi\"", "Streets\""},
        {"two quotes inside", "say \"hi\" now", "the \"main\" roads"},
        {"a quote before a comma", "a\",b", "x\", y"},
        {"a name that is all quoted", "\"quoted\"", "\"Rivers\""},
    };
    for (const Case &c : cases) {
        for (const bool todaysFirst : {false, true}) {
            QFile::remove(native);
            if (todaysFirst)
                save(QStringLiteral("Before"), QStringLiteral("Map, \"1\""), {QStringLiteral("a\", \"b")});
            QFile file(native);
            ASSERT_TRUE(file.open(QIODevice::Append));
            file.write(earlierRecord(c.earlierName, "Layers", c.layer, "True"));
            file.write(earlierRecord(c.earlierName, "Layers", "Rivers", "False"));
            file.write(earlierRecord("Plain", "Layers", "Streets", "False"));
            file.close();
            save(QStringLiteral("After"), QStringLiteral("Layers"),
                 {QStringLiteral("Streets"), QStringLiteral("say \"\"")});

            const QString earlier = QString::fromUtf8(c.earlierName);
            QStringList expected{earlier, QStringLiteral("Plain"), QStringLiteral("After")};
            if (todaysFirst)
                expected.prepend(QStringLiteral("Before"));
            EXPECT_EQ(names(), expected) << c.name;
            EXPECT_EQ(select(earlier), (QStringList{QStringLiteral("Layers|") + QString::fromUtf8(c.layer) + "|True",
                                                    QStringLiteral("Layers|Rivers|False")}))
                << c.name;
            EXPECT_EQ(select(QStringLiteral("After")),
                      (QStringList{QStringLiteral("Layers|Streets|True"), QStringLiteral("Layers|say \"\"|False")}))
                << c.name;
            if (todaysFirst) {
                EXPECT_EQ(select(QStringLiteral("Before")), QStringList{QStringLiteral("Map, \"1\"|a\", \"b|True")})
                    << c.name;
            }
        }
    }
}

TEST_F(SetFile, ANameTheFileCannotHoldIsKnownAndShiftsNoRecordAfterIt)
{
    struct Case
    {
        const char *what;
        QString name;
        bool held;
    };
    const Case cases[] = {
        {"plain", QStringLiteral("Roads"), true},
        {"one quote", QStringLiteral("\""), true},
        {"two quotes", QStringLiteral("\"\""), true},
        {"a quote at the end", QStringLiteral("hi\""), true},
        {"quotes inside", QStringLiteral("say \"hi\" now"), true},
        {"a quote and a comma", QStringLiteral("a\",b"), true},
        {"a comma and a quote", QStringLiteral("a,\"b"), true},
        {"a line break", QStringLiteral("cr\r\nlf"), true},
        {"a line break after a quote", QStringLiteral("x\"\ny"), true},
        {"a quote, a comma and a quote", QStringLiteral("a\",\"b"), false},
        {"only those", QStringLiteral("\",\""), false},
        {"a quote and a comma at the end", QStringLiteral("a\","), false},
        {"a quote at the start of a line", QStringLiteral("x\n\"y"), false},
        {"half a surrogate pair", QString(QChar(0xD800)), false},
    };
    const QStringList after{"Layers|Streets|True", "Layers|Rivers|False"};
    for (const Case &c : cases) {
        EXPECT_EQ(SetNames::fileHolds(c.name), c.held) << c.what;
        // The name's records as a save writes them, between plain ones.
        QFile::remove(native);
        save(QStringLiteral("Before"), QStringLiteral("Layers"), {QStringLiteral("Streets")});
        save(c.name, QStringLiteral("Layers"), {QStringLiteral("Streets"), QStringLiteral("Rivers")});
        save(QStringLiteral("After"), QStringLiteral("Layers"), {QStringLiteral("Streets"), QStringLiteral("Rivers")});
        int failure = 0;
        const QStringList listed = names(&failure);
        EXPECT_EQ(failure, 0) << c.what;
        EXPECT_EQ(select(QStringLiteral("After")), after) << c.what;
        EXPECT_EQ(select(QStringLiteral("Before")), QStringList{"Layers|Streets|True"}) << c.what;
        ASSERT_GE(listed.size(), 2) << c.what;
        EXPECT_EQ(listed.front(), QStringLiteral("Before")) << c.what;
        EXPECT_EQ(listed.back(), QStringLiteral("After")) << c.what;
        // The whole-file reader agrees.
        QFile file(native);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        EXPECT_EQ(SetFileEdits::setNames(bytes), listed) << c.what;
        if (c.held) {
            EXPECT_EQ(listed, (QStringList{"Before", c.name, "After"})) << c.what;
            EXPECT_EQ(select(c.name), after) << c.what;
            EXPECT_TRUE(SetFileEdits::check(bytes).damaged.empty()) << c.what;
        }
    }
}

} // namespace
