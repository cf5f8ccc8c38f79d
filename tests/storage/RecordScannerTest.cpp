#include "RecordScanner.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <ostream>
#include <variant>
#include <vector>

using Outcome = RecordScanner::Outcome;

void PrintTo(Outcome outcome, std::ostream *os)
{
    static const char *const names[] = {"Done", "NeedMore", "End", "CutShort"};
    *os << names[int(outcome)];
}

namespace {

/// Bytes that stand for the rest of a file after the bytes a case is about,
/// so that the fast paths, which look 64 bytes ahead, find them at hand.
const QByteArray kMore = QByteArray(128, 'x');

/// How a reader goes through the input.
enum class Way {
    FieldByField, ///< readRawField() only
    AsTheChannel, ///< tryReadRawFields() for one field first, as FileChannel::readRawField() does
};

/// What reading a whole input gave.
struct Reading
{
    QStringList fields;
    QList<QByteArray> raw;
    Outcome ending = Outcome::Done;
    QList<RecordScanner::RecordShape> shapes; ///< reading records: how each ended
};

/// Reads every field of `input`, handing it to a scanner with blocks of
/// `block` bytes in pieces of `piece` bytes, each only when the scanner asks
/// for more, and compacting between fields as the channel does. `cuts`, when
/// given, are the ends of the first pieces; a `piece` of 0 is all the rest.
Reading readAll(const QByteArray &input, qsizetype piece, qsizetype block, Way way,
                const std::vector<qsizetype> &cuts = {}, int recordFields = 0)
{
    RecordScanner scanner(block);
    scanner.readRecordsOf(recordFields);
    qsizetype handed = 0;
    std::size_t cut = 0;
    auto more = [&] {
        if (handed == input.size()) {
            scanner.endInput();
            return;
        }
        const qsizetype to = cut < cuts.size() ? cuts[cut++]
                             : piece > 0       ? std::min<qsizetype>(input.size(), handed + piece)
                                               : input.size();
        scanner.appendInput(QByteArrayView(input).sliced(handed, to - handed));
        handed = to;
    };
    auto untilDecided = [&](auto step) {
        for (;;) {
            const Outcome outcome = step();
            if (outcome != Outcome::NeedMore)
                return outcome;
            more();
        }
    };
    Reading reading;
    auto take = [&](QByteArrayView field) {
        reading.raw << field.toByteArray();
        reading.fields << scanner.fieldText(field);
        if (recordFields > 0 && reading.fields.size() % recordFields == 0)
            reading.shapes << scanner.lastRecordShape();
    };
    untilDecided([&] { return scanner.skipByteOrderMark(); });
    for (;;) {
        QByteArrayView field;
        if (way == Way::AsTheChannel && scanner.tryReadRawFields(&field, 1)) {
            take(field);
            continue;
        }
        scanner.compact();
        RecordScanner::FieldRead read;
        reading.ending = untilDecided([&] { return scanner.readRawField(read, &field); });
        if (reading.ending != Outcome::Done)
            break;
        take(field);
    }
    return reading;
}

// ----- The rules of reading, each input read in every way -----

struct ReadCase
{
    const char *name;
    QByteArray input;
    QStringList fields;
    Outcome ending = Outcome::End;
};

std::ostream &operator<<(std::ostream &os, const ReadCase &c)
{
    return os << c.name;
}

const ReadCase kReadCases[] = {
    {"Empty", "", {}},
    {"OnlyLineBreaks", "\r\n\n\r\r\n", {}},
    // Doubled quotes and line breaks inside quotes; blank lines, lone CR and
    // LF between records; fields taken without regard to line ends.
    {"QuotesAndLineBreaks",
     "\"a\"\"b\",\"c\r\nd\"\r\n\r\n\n\"e\"\r\"f\"\n\"g\",\r\n\"h\"\r\n\r\n",
     {"a\"b", "c\r\nd", "e", "f", "g", "h"}},
    // Unquoted fields as they stand; text after a closing quote dropped;
    // empty fields between commas; a byte-order mark in front skipped.
    {"UnquotedJunkEmptyAndByteOrderMark",
     "\xEF\xBB\xBFRoads, Layers ,\"Streets\" junk,True\nx,,\"\",y",
     {"Roads", " Layers ", "Streets", "True", "x", "", "", "y"}},
    // Each field is UTF-8 when it is valid UTF-8, Windows-1252 otherwise.
    {"Utf8OrWindows1252PerField",
     "\"Stra\xDF"
     "e\",\"Stra\xC3\x9F"
     "e\",\"\x80 \x9F\",\"\xE9t\xC3\xA9\"\r\n",
     {QStringLiteral("Straße"), QStringLiteral("Straße"), QStringLiteral("€ Ÿ"), QStringLiteral("étÃ©")}},
    {"BlankLinesAtTheEnd", "\"a\",\"b\"\r\n\r\n", {"a", "b"}},
    {"EndsInsideQuotes", "\"a\",\"b\r\n", {"a"}, Outcome::CutShort},
    {"EndsRightAfterAnOpeningQuote", "\"a\",\"", {"a"}, Outcome::CutShort},
    {"EndsAfterADoubledQuote", "\"a\"\"", {}, Outcome::CutShort},
    {"ClosingQuoteIsTheLastByte", "\"a\"", {"a"}},
    {"CarriageReturnIsTheLastByte", "a\r\"b\"\r", {"a", "b"}},
    {"JunkAfterTheQuoteToALoneCarriageReturn", "\"a\"x\"y\r\"b\"", {"a", "b"}},
    {"QuoteInsideAnUnquotedField", "a\"b,c", {"a\"b", "c"}},
    // A comma that ends a line has no field after it.
    {"EmptyFieldsFromCommas", ",,\r\n,", {"", "", ""}},
    {"ByteOrderMarkOnly", "\xEF\xBB\xBF", {}},
    {"ByteOrderMarkCutShortIsText", "\xEF\xBB", {QStringLiteral("ï»")}},
    {"ByteOrderMarkLaterIsText", "a,\xEF\xBB\xBF", {"a", QString(QChar(0xFEFF))}},
    {"AwkwardRecord",
     "\"x\",\"xxxx\"\r\n\"q\"\"\"\"\",\"l\r\nf\",\"\xC3\xA9\",plain\r\n\"end\"\r\n",
     {"x", "xxxx", "q\"\"", "l\r\nf", QStringLiteral("é"), "plain", "end"}},
    {"LongQuotedFieldsAcrossWindows",
     "\"" + QByteArray(150, 'a') + "\",\"" + QByteArray(70, 'b') + "\"\"" + QByteArray(70, 'c') + "\"\r\n",
     {QString(150, QLatin1Char('a')), QString(70, QLatin1Char('b')) + "\"" + QString(70, QLatin1Char('c'))}},
    // With blocks of 64 bytes, the first field is found with a look at the
    // quotes of bytes 64 to 127; the unquoted one after it has the buffer
    // compacted, and the look must not be taken for the quotes now there:
    // it had one where the third field has a 'c' followed by a comma.
    {"QuotesLookedAtBeforeACompaction",
     "\"" + QByteArray(69, 'a') + "\"," + QByteArray(28, 'b') + "\"" + QByteArray(36, 'b') + ",\"cccc,"
         + QByteArray(8, 'c') + "\"\r\n" + QByteArray(64, 'x'),
     {QString(69, QLatin1Char('a')), QString(28, QLatin1Char('b')) + "\"" + QString(36, QLatin1Char('b')),
      "cccc,cccccccc", QString(64, QLatin1Char('x'))}},
};

class Reads : public ::testing::TestWithParam<ReadCase>
{
};

TEST_P(Reads, TheSameFieldsHoweverTheInputComes)
{
    const ReadCase &c = GetParam();
    for (const qsizetype block : {qsizetype(64), RecordScanner::defaultBlockSize}) {
        for (const qsizetype piece : {1, 2, 3, 7, 64, 100000}) {
            for (const Way way : {Way::FieldByField, Way::AsTheChannel}) {
                const Reading reading = readAll(c.input, piece, block, way);
                EXPECT_EQ(reading.fields, c.fields) << "block " << block << ", pieces of " << piece;
                EXPECT_EQ(reading.ending, c.ending) << "block " << block << ", pieces of " << piece;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, Reads, ::testing::ValuesIn(kReadCases),
                         [](const auto &info) { return std::string(info.param.name); });

// ----- Records: a damaged one never changes how the lines after it read -----

using Shape = RecordScanner::RecordShape;

struct RecordCase
{
    const char *name;
    QByteArray input;
    QStringList fields;
    QList<Shape> shapes;
    Outcome ending = Outcome::End;
};

std::ostream &operator<<(std::ostream &os, const RecordCase &c)
{
    return os << c.name;
}

const QByteArray kGood = "\"R\",\"M\",\"L\",\"True\"\r\n";
const QStringList kGoodFields{"R", "M", "L", "True"};

const RecordCase kRecordCases[] = {
    {"WholeRecords", kGood + kGood, kGoodFields + kGoodFields, {Shape::Whole, Shape::Whole}},
    // The name a","b as today's writer doubles it: its extra field is dropped.
    {"FiveFieldsDropTheRestOfTheLine",
     "\"a\"\",\"\"\"b\",\"M\",\"L\",\"True\"\r\n" + kGood,
     QStringList{"a\"", "\"b", "M", "L"} + kGoodFields,
     {Shape::Long, Shape::Whole}},
    {"DroppedRestWithQuotesAndLoneLineFeed",
     "\"a\",b,c,True,\"x\r\n\n" + kGood,
     QStringList{"a", "b", "c", "True"} + kGoodFields,
     {Shape::Long, Shape::Whole}},
    {"ShortLineBeforeARecord",
     "\"x\",\"y\"\r\n" + kGood,
     QStringList{"x", "y", "", ""} + kGoodFields,
     {Shape::Short, Shape::Whole}},
    {"UnclosedQuoteBeforeARecord",
     "\"x\",\"y\r\n\r\n" + kGood,
     QStringList{"x", "y", "", ""} + kGoodFields,
     {Shape::Short, Shape::Whole}},
    // Line breaks inside a field, or before one, where no record begins.
    {"LineBreaksInsideFieldsKept",
     "\"cr\r\nlf\",\"M\",\"a\rb\nc\",\"True\"\r\n" + kGood,
     QStringList{"cr\r\nlf", "M", "a\rb\nc", "True"} + kGoodFields,
     {Shape::Whole, Shape::Whole}},
    {"RecordGoesOnOnTheNextLine",
     "\"R\",\"M\",\r\n\"L\",\"True\"\r\n" + kGood,
     kGoodFields + kGoodFields,
     {Shape::Whole, Shape::Whole}},
    {"NextLineWithoutAFlagIsNoRecord",
     "\"x\"\r\n\"a\",\"b\",\"c\",\"d\",\"e\"\r\n",
     {"x", "a", "b", "c"},
     {Shape::Long}},
    {"ShortLastLineIsCutShort",
     kGood + "\"x\",\"y\"\r\n",
     kGoodFields + QStringList{"x", "y"},
     {Shape::Whole},
     Outcome::End},
};

class Records : public ::testing::TestWithParam<RecordCase>
{
};

TEST_P(Records, EndWithTheirLineWhenTheNextHoldsOne)
{
    const RecordCase &c = GetParam();
    for (const qsizetype block : {qsizetype(64), RecordScanner::defaultBlockSize}) {
        for (const qsizetype piece : {1, 2, 5, 100000}) {
            for (const Way way : {Way::FieldByField, Way::AsTheChannel}) {
                const Reading reading = readAll(c.input, piece, block, way, {}, 4);
                EXPECT_EQ(reading.fields, c.fields) << "pieces of " << piece;
                EXPECT_EQ(reading.shapes, c.shapes) << "pieces of " << piece;
                EXPECT_EQ(reading.ending, c.ending) << "pieces of " << piece;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, Records, ::testing::ValuesIn(kRecordCases),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(RecordScanner, FieldsSplitAnywhereReadWhole)
{
    // Every byte of the awkward record in turn is the first of a new piece,
    // behind a filler record that the fast path reads.
    const QByteArray filler = "\"x\",\"" + QByteArray(200, 'x') + "\"\r\n";
    const QByteArray awkward = "\"q\"\"\"\"\",\"l\r\nf\",\"\xC3\xA9\",plain\r\n\"end\"\r\n";
    const QStringList expected{"x",  QString(200, QLatin1Char('x')), "q\"\"", "l\r\nf", QStringLiteral("é"), "plain",
                               "end"};
    for (qsizetype shift = 0; shift <= awkward.size(); ++shift) {
        const qsizetype cut = filler.size() + shift;
        for (const qsizetype block : {qsizetype(64), RecordScanner::defaultBlockSize}) {
            const Reading reading = readAll(filler + awkward, 0, block, Way::AsTheChannel, {cut});
            EXPECT_EQ(reading.fields, expected) << shift;
            EXPECT_EQ(reading.ending, Outcome::End) << shift;
        }
    }
}

// ----- The bytes of a field as they stand -----

struct RawCase
{
    const char *name;
    QByteArray input;
    QList<QByteArray> raw;
};

std::ostream &operator<<(std::ostream &os, const RawCase &c)
{
    return os << c.name;
}

const RawCase kRawCases[] = {
    {"QuotedWithBothQuotes", "\"a\",\"b\"\r\n", {"\"a\"", "\"b\""}},
    {"DoubledQuotesStayDoubled", "\"a\"\"b\"", {"\"a\"\"b\""}},
    {"JunkAfterTheQuoteLeftOut", "\"a\" junk,b", {"\"a\"", "b"}},
    {"UnquotedAsItStands", " a b ,\r\n", {" a b "}},
    {"LineBreaksInsideKept", "\"a\r\nb\"", {"\"a\r\nb\""}},
    {"EmptyQuoted", "\"\",", {"\"\""}},
    {"ByteOrderMarkNotPartOfTheField", "\xEF\xBB\xBF\"a\"", {"\"a\""}},
};

class RawFields : public ::testing::TestWithParam<RawCase>
{
};

TEST_P(RawFields, AreTheBytesAsTheyStand)
{
    const RawCase &c = GetParam();
    for (const qsizetype piece : {1, 100000}) {
        for (const Way way : {Way::FieldByField, Way::AsTheChannel}) {
            EXPECT_EQ(readAll(c.input, piece, RecordScanner::defaultBlockSize, way).raw, c.raw) << piece;
            // With more of a file behind them, the fast path reads them.
            QList<QByteArray> raw = readAll(c.input + "\r\n" + kMore, piece, 64, way).raw;
            raw.removeLast();
            EXPECT_EQ(raw, c.raw) << piece;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, RawFields, ::testing::ValuesIn(kRawCases),
                         [](const auto &info) { return std::string(info.param.name); });

struct TextCase
{
    const char *name;
    QByteArray raw;
    QString text;
};

std::ostream &operator<<(std::ostream &os, const TextCase &c)
{
    return os << c.name;
}

const TextCase kTextCases[] = {
    {"Quoted", "\"a\"", "a"},
    {"DoubledQuoteIsOne", "\"a\"\"\"\"b\"", "a\"\"b"},
    {"EmptyQuoted", "\"\"", ""},
    {"Unquoted", " a ", " a "},
    {"LoneQuoteAsItStands", "\"", "\""},
    {"Empty", "", ""},
    {"Utf8", "\"\xC3\xA9\"", QStringLiteral("é")},
    {"Windows1252", "\x80\xE9", QStringLiteral("€é")},
    {"Windows1252AfterUnescaping", "\"\"\"\xE9\"", QStringLiteral("\"é")},
};

class FieldText : public ::testing::TestWithParam<TextCase>
{
};

TEST_P(FieldText, IsDecodedFromTheRawBytes)
{
    RecordScanner scanner;
    EXPECT_EQ(scanner.fieldText(GetParam().raw), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Cases, FieldText, ::testing::ValuesIn(kTextCases),
                         [](const auto &info) { return std::string(info.param.name); });

// ----- Asking for more -----

/// One step of a read: bytes handed in (or the end of the input, for
/// std::monostate), then what readRawField() answers.
struct Step
{
    std::variant<std::monostate, QByteArray> input;
    Outcome outcome;
    QByteArray raw = {};
};

struct MoreCase
{
    const char *name;
    std::vector<Step> steps;
    QByteArray unread; ///< left at the end
};

std::ostream &operator<<(std::ostream &os, const MoreCase &c)
{
    return os << c.name;
}

const std::monostate kEnd;

const MoreCase kMoreCases[] = {
    {"NothingYet", {{QByteArray(), Outcome::NeedMore}, {kEnd, Outcome::End}}, ""},
    {"OnlyLineBreaksYet", {{"\r\n\n", Outcome::NeedMore}, {"\r", Outcome::NeedMore}, {kEnd, Outcome::End}}, ""},
    {"UnquotedToTheEnd", {{"ab", Outcome::NeedMore}, {"c", Outcome::NeedMore}, {kEnd, Outcome::Done, "abc"}}, ""},
    {"UnquotedToAComma", {{"ab", Outcome::NeedMore}, {"c,d", Outcome::Done, "abc"}}, "d"},
    {"QuoteMayBeDoubled",
     {{"\"a", Outcome::NeedMore},
      {"\"", Outcome::NeedMore},
      {"\"", Outcome::NeedMore},
      {"\"", Outcome::NeedMore},
      {",", Outcome::NeedMore},
      {"\"", Outcome::Done, "\"a\"\"\""}},
     "\""},
    // After a quote and a comma, the next byte tells whether a field begins.
    {"QuoteAndCommaMayEndTheField",
     {{"\"a\",", Outcome::NeedMore}, {"b\",", Outcome::NeedMore}, {"\"", Outcome::Done, "\"a\",b\""}},
     "\""},
    {"CarriageReturnMayBeFollowedByLineFeed",
     {{"\"a\"\r", Outcome::NeedMore}, {"\n\"b\"", Outcome::Done, "\"a\""}},
     "\"b\""},
    {"JunkAfterTheQuoteToTheEnd", {{"\"a\"xy", Outcome::NeedMore}, {kEnd, Outcome::Done, "\"a\""}}, ""},
    {"CutShort", {{"\"a\r\n", Outcome::NeedMore}, {kEnd, Outcome::CutShort}}, "\"a\r\n"},
    {"AtHandWithoutAsking", {{"\"a\",\"b", Outcome::Done, "\"a\""}}, "\"b"},
};

class AsksForMore : public ::testing::TestWithParam<MoreCase>
{
};

TEST_P(AsksForMore, UntilTheBytesDecide)
{
    RecordScanner scanner;
    RecordScanner::FieldRead read;
    int index = 0;
    for (const Step &step : GetParam().steps) {
        if (const QByteArray *bytes = std::get_if<QByteArray>(&step.input))
            scanner.appendInput(*bytes);
        else
            scanner.endInput();
        QByteArrayView field;
        EXPECT_EQ(scanner.readRawField(read, &field), step.outcome) << "step " << index;
        if (step.outcome == Outcome::Done) {
            EXPECT_EQ(field.toByteArray(), step.raw) << "step " << index;
        }
        ++index;
    }
    EXPECT_EQ(scanner.unread().toByteArray(), GetParam().unread);
}

INSTANTIATE_TEST_SUITE_P(Cases, AsksForMore, ::testing::ValuesIn(kMoreCases),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(RecordScanner, ByteOrderMarkWaitsForThreeBytesOrTheEnd)
{
    RecordScanner scanner;
    EXPECT_EQ(scanner.skipByteOrderMark(), Outcome::NeedMore);
    scanner.appendInput("\xEF\xBB");
    EXPECT_EQ(scanner.skipByteOrderMark(), Outcome::NeedMore);
    scanner.appendInput("\xBF\"a\"");
    EXPECT_EQ(scanner.skipByteOrderMark(), Outcome::Done);
    EXPECT_EQ(scanner.unread().toByteArray(), QByteArray("\"a\""));

    RecordScanner shortInput;
    shortInput.appendInput("ab");
    EXPECT_EQ(shortInput.skipByteOrderMark(), Outcome::NeedMore);
    shortInput.endInput();
    EXPECT_EQ(shortInput.skipByteOrderMark(), Outcome::Done);
    EXPECT_EQ(shortInput.unread().toByteArray(), QByteArray("ab"));
}

TEST(RecordScanner, LineBreaksBeforeAFieldOrTheEnd)
{
    RecordScanner scanner;
    EXPECT_FALSE(scanner.fieldAtHand());
    scanner.appendInput("\r\n\n");
    EXPECT_FALSE(scanner.fieldAtHand());
    EXPECT_EQ(scanner.skipLineBreaks(), Outcome::NeedMore);
    scanner.appendInput("a");
    EXPECT_EQ(scanner.skipLineBreaks(), Outcome::Done);
    EXPECT_TRUE(scanner.fieldAtHand());
    EXPECT_EQ(scanner.unread().toByteArray(), QByteArray("a"));

    RecordScanner ended;
    ended.appendInput("\r\r");
    ended.endInput();
    EXPECT_EQ(ended.skipLineBreaks(), Outcome::End);
}

TEST(RecordScanner, CompactsBetweenFieldsAndClears)
{
    RecordScanner scanner(64);
    scanner.appendInput("\"" + QByteArray(70, 'a') + "\",\"b\"");
    RecordScanner::FieldRead read;
    QByteArrayView field;
    ASSERT_EQ(scanner.readRawField(read, &field), Outcome::Done);
    EXPECT_EQ(field.size(), 72);
    scanner.compact(); // a whole block was read past
    EXPECT_EQ(scanner.unread().toByteArray(), QByteArray("\"b\""));
    scanner.endInput();
    ASSERT_EQ(scanner.readRawField(read, &field), Outcome::Done);
    EXPECT_EQ(field.toByteArray(), QByteArray("\"b\""));

    scanner.clear();
    EXPECT_FALSE(scanner.inputEnded());
    EXPECT_TRUE(scanner.unread().isEmpty());
    EXPECT_EQ(scanner.readRawField(read, &field), Outcome::NeedMore);

    // Room handed out is kept only as far as it was filled.
    char *room = scanner.prepareInput(10);
    std::memcpy(room, "\"c\"", 3);
    scanner.commitInput(3);
    EXPECT_EQ(scanner.unread().toByteArray(), QByteArray("\"c\""));
}

// ----- The fast paths -----

struct QuickCase
{
    const char *name;
    QByteArray input;
    int count;
    QList<QByteArray> fields; ///< empty: nothing is read
    QByteArray unreadStart;   ///< what the unread bytes begin with afterwards
    bool moreAfter = true;    ///< kMore follows the input
};

std::ostream &operator<<(std::ostream &os, const QuickCase &c)
{
    return os << c.name;
}

const QuickCase kQuickCases[] = {
    {"WholeRecord", "\"a\",\"b\",\"c\",\"d\"\r\n", 4, {"\"a\"", "\"b\"", "\"c\"", "\"d\""}, "x"},
    {"PartOfARecord", "\"a\",\"b\",\"c\",\"d\"\r\n", 2, {"\"a\"", "\"b\""}, "\"c\""},
    {"FieldsAcrossWindows",
     "\"" + QByteArray(100, 'a') + "\",\"" + QByteArray(100, 'b') + "\"\r\n",
     2,
     {"\"" + QByteArray(100, 'a') + "\"", "\"" + QByteArray(100, 'b') + "\""},
     "x"},
    {"UnquotedField", "\"a\",b,\"c\",\"d\"\r\n", 4, {}, "\"a\""},
    {"DoubledQuote", "\"a\",\"b\"\"\",\"c\",\"d\"\r\n", 4, {}, "\"a\""},
    {"JunkAfterTheQuote", "\"a\",\"b\" ,\"c\",\"d\"\r\n", 4, {}, "\"a\""},
    {"LoneLineFeed", "\"a\",\"b\",\"c\",\"d\"\n", 4, {}, "\"a\""},
    {"LineBreakInFront", "\r\n\"a\",\"b\",\"c\",\"d\"\r\n", 4, {}, "\r\n"},
    {"NotAtHand", "\"a\",\"b\",\"c\",\"d\"\r\n", 4, {}, "\"a\"", false},
};

class QuickFields : public ::testing::TestWithParam<QuickCase>
{
};

TEST_P(QuickFields, ReadAllOrNothing)
{
    const QuickCase &c = GetParam();
    RecordScanner scanner;
    scanner.appendInput(c.moreAfter ? c.input + kMore : c.input);
    QByteArrayView fields[8];
    EXPECT_EQ(scanner.tryReadRawFields(fields, c.count), !c.fields.isEmpty());
    if (!c.fields.isEmpty()) {
        QList<QByteArray> read;
        for (int i = 0; i < c.count; ++i)
            read << fields[i].toByteArray();
        EXPECT_EQ(read, c.fields);
    }
    EXPECT_TRUE(scanner.unread().startsWith(c.unreadStart)) << scanner.unread().toByteArray().toStdString();
}

INSTANTIATE_TEST_SUITE_P(Cases, QuickFields, ::testing::ValuesIn(kQuickCases),
                         [](const auto &info) { return std::string(info.param.name); });

struct SkipCase
{
    const char *name;
    QByteArray input;
    QByteArray firstField;
    int fieldsPerRecord;
    qsizetype skipped;
    QByteArray unreadStart;
};

std::ostream &operator<<(std::ostream &os, const SkipCase &c)
{
    return os << c.name;
}

const QByteArray kRecordA = "\"A\",\"m\",\"l\",\"True\"\r\n";

const SkipCase kSkipCases[] = {
    {"RecordsOfTheSameName", kRecordA + kRecordA + kRecordA + "\"B\",\"m\",\"l\",\"True\"\r\n", "\"A\"", 4, 3, "\"B\""},
    {"SameTextOtherBytes", "A,\"m\",\"l\",\"True\"\r\n", "\"A\"", 4, 0, "A,"},
    {"NameThatStartsTheSame", "\"AB\",\"m\",\"l\",\"True\"\r\n", "\"A\"", 4, 0, "\"AB\""},
    {"UnquotedFirstField", "A,\"m\",\"l\",\"True\"\r\n", "A", 4, 0, "A,"},
    {"StopsAtARecordThatIsNotPlain", kRecordA + "\"A\",\"m\",\"l\"\"\",\"True\"\r\n", "\"A\"", 4, 1, "\"A\""},
    {"LongFieldsTakeTheSlowerLook", "\"A\",\"" + QByteArray(100, 'm') + "\",\"l\",\"True\"\r\n" + kRecordA, "\"A\"", 4,
     2, "x"},
    {"RecordsAreCountedInFieldsNotLines", "\"A\",\"m\",\"l\"\r\n\"A\",\"m\",\"l\",\"v\"\r\n", "\"A\"", 4, 1, "\"m\""},
    {"TwoFieldsARecord", "\"A\",\"1\"\r\n\"A\",\"2\"\r\n\"B\",\"3\"\r\n", "\"A\"", 2, 2, "\"B\""},
    {"OneFieldIsNoRecord", "\"A\"\r\n\"A\"\r\n", "\"A\"", 1, 0, "\"A\""},
    // Names of every length, compared in place up to 63 bytes with the comma.
    {"NameOfSixteenBytesThenNoComma", "\"" + QByteArray(14, 'n') + "\"x\"m\",\"l\",\"True\"\r\n",
     "\"" + QByteArray(14, 'n') + "\"", 4, 0, "\"nn"},
    {"NameDifferingInItsLastByte",
     "\"" + QByteArray(40, 'n') + "\",\"m\",\"l\",\"True\"\r\n\"" + QByteArray(39, 'n')
         + "o\",\"m\",\"l\",\"True\"\r\n",
     "\"" + QByteArray(40, 'n') + "\"", 4, 1, "\"" + QByteArray(39, 'n') + "o"},
    {"NameOfSixtyThreeBytes", ("\"" + QByteArray(61, 'n') + "\",\"m\",\"l\",\"True\"\r\n").repeated(2) + kRecordA,
     "\"" + QByteArray(61, 'n') + "\"", 4, 2, "\"A\""},
    {"NameOfSixtyFourBytesAndLonger",
     ("\"" + QByteArray(62, 'n') + "\",\"m\",\"l\",\"True\"\r\n").repeated(2) + "\"" + QByteArray(63, 'n') + "\"",
     "\"" + QByteArray(62, 'n') + "\"", 4, 2, "\"" + QByteArray(63, 'n') + "\""},
};

class SkipRecords : public ::testing::TestWithParam<SkipCase>
{
};

TEST_P(SkipRecords, PassOverWhatFieldByFieldWouldRead)
{
    const SkipCase &c = GetParam();
    RecordScanner scanner;
    scanner.appendInput(c.input + kMore);
    EXPECT_EQ(scanner.skipRawRecords(c.firstField, c.fieldsPerRecord), c.skipped);
    EXPECT_TRUE(scanner.unread().startsWith(c.unreadStart)) << scanner.unread().toByteArray().toStdString();
    if (c.fieldsPerRecord == 4) {
        RecordScanner fixed;
        fixed.appendInput(c.input + kMore);
        EXPECT_EQ(fixed.skipRawRecords<4>(c.firstField), c.skipped);
        EXPECT_EQ(fixed.unread(), scanner.unread());
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, SkipRecords, ::testing::ValuesIn(kSkipCases),
                         [](const auto &info) { return std::string(info.param.name); });

} // namespace
