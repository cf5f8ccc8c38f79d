#include "RecordEncoder.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>
#include <QString>
#include <QStringList>

namespace {

/// A record as the file holds it, written out from the rule itself.
QByteArray expectedRecord(const QStringList &fields)
{
    QByteArray record;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            record += ',';
        record += '"' + QByteArray(fields.at(i).toUtf8()).replace('"', "\"\"") + '"';
    }
    return record + "\r\n";
}

void appendAll(RecordEncoder &encoder, const QStringList &fields)
{
    switch (fields.size()) {
    case 1:
        encoder.append({fields[0]});
        break;
    case 3:
        encoder.append({fields[0], fields[1], fields[2]});
        break;
    case 4:
        encoder.append({fields[0], fields[1], fields[2], fields[3]});
        break;
    default:
        FAIL() << "no case for " << fields.size() << " fields";
    }
}

} // namespace

TEST(RecordEncoder, RepeatedFieldsGiveTheSameBytesAsFieldsMetForTheFirstTime)
{
    RecordEncoder encoder;
    const QList<QStringList> records = {
        {"Saved set", "Data frame 01", "Feature layer 00001", "True"},
        // Same set and map; the layer differs only in its last unit, past
        // the first eight.
        {"Saved set", "Data frame 01", "Feature layer 00002", "False"},
        // The map differs, the rest repeats.
        {"Saved set", "Data frame 02", "Feature layer 00002", "False"},
        // Everything repeats.
        {"Saved set", "Data frame 02", "Feature layer 00002", "False"},
        // Quotes, letters outside ASCII and empty text, each repeated.
        {"Say \"hi\"", "Ünd", QString(), "True"},
        {"Say \"hi\"", "Ünd", QString(), "True"},
        {"Say \"hi\"", "Und", "", "True"},
        // A shorter and a longer text of the same beginning.
        {"Say \"hi\"", "Un", "", "Truer"},
        // Fewer and more fields than the record before.
        {"Saved set"},
        {"Saved set", "Data frame 01", "Roads"},
        {"Saved set", "Data frame 01", "Roads", "True"},
    };
    QByteArray expected;
    for (const QStringList &record : records) {
        appendAll(encoder, record);
        expected += expectedRecord(record);
    }
    EXPECT_EQ(QByteArray(encoder.bytes().toByteArray()), expected);

    // Each record ends where the next begins.
    ASSERT_EQ(encoder.recordEnds().size(), std::size_t(records.size()));
    qsizetype end = 0;
    for (qsizetype i = 0; i < records.size(); ++i) {
        end += expectedRecord(records[i]).size();
        EXPECT_EQ(encoder.recordEnds()[std::size_t(i)], end) << "record " << i;
    }
}

TEST(RecordEncoder, RandomRunsOfRepeatedFieldsMatchTheRule)
{
    // Texts around the eight-unit steps in which text is compared and copied,
    // some alike at the start, with quotes and letters outside ASCII among them.
    const QStringList pool = {"",         "a",          "Roads",          "Roads2",        "1234567",
                              "12345678", "123456789",  "12345678\"",     "Feature layer", "Feature layes",
                              "Grüne",    "\"quoted\"", "Feature layer 1"};
    QRandomGenerator random(20261207);
    RecordEncoder encoder;
    QByteArray expected;
    for (int r = 0; r < 5000; ++r) {
        QStringList record;
        const int count = random.bounded(10) == 0 ? 3 : 4;
        for (int f = 0; f < count; ++f)
            record << pool.at(random.bounded(pool.size()));
        appendAll(encoder, record);
        expected += expectedRecord(record);
    }
    EXPECT_EQ(QByteArray(encoder.bytes().toByteArray()), expected);
}

TEST(RecordEncoder, ClearingForgetsTheRecordsAndTheFieldsToRepeat)
{
    RecordEncoder encoder;
    encoder.append({u"Set", u"Map", u"Layer", u"True"});
    encoder.clear();
    EXPECT_TRUE(encoder.bytes().isEmpty());
    EXPECT_TRUE(encoder.recordEnds().empty());
    encoder.append({u"Set", u"Map", u"Layer", u"True"});
    EXPECT_EQ(QByteArray(encoder.bytes().toByteArray()), QByteArray("\"Set\",\"Map\",\"Layer\",\"True\"\r\n"));

    // Much memory is let go, and the encoder carries on.
    const QString big(5 << 20, QLatin1Char('x'));
    encoder.append({big});
    encoder.clear();
    encoder.append({u"After"});
    EXPECT_EQ(QByteArray(encoder.bytes().toByteArray()), QByteArray("\"After\"\r\n"));
}
