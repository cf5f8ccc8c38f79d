// Visibility-set files that depart from the written form, read by the real
// main window: the load step's list, then the restore of one listed set.
// Each gives what the reading rules give, or the one report of its handler.

#include "AddinWorld.h"

#include "FileChannel.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

constexpr auto record = &SetsWorld::record;

QByteArray tenMegabyteField()
{
    return record("Big", "Layers", QByteArray(10 * 1024 * 1024, 'x'), "True")
           + record("Big", "Layers", "Streets", "False");
}

/// A million records: sets "Set 000" to "Set 999" of a thousand layers each;
/// the last set also hides Streets.
QByteArray millionRecords()
{
    QByteArray bytes;
    bytes.reserve(42 * 1'000'000);
    for (int set = 0; set < 1000; ++set) {
        const QByteArray prefix = "\"Set " + QByteArray::number(set).rightJustified(3, '0') + "\",\"Layers\",\"Layer ";
        for (int layer = 0; layer < (set < 999 ? 1000 : 999); ++layer)
            bytes += prefix + QByteArray::number(layer) + "\",\"True\"\r\n";
    }
    return bytes + record("Set 999", "Layers", "Streets", "False");
}

QStringList thousandSetNames()
{
    QStringList names;
    for (int set = 0; set < 1000; ++set)
        names << QStringLiteral("Set %1").arg(set, 3, 10, QLatin1Char('0'));
    return names;
}

struct Visibility
{
    const char *map;
    const char *layer;
    bool visible;
};

struct BadFile
{
    const char *name;
    std::function<QByteArray()> bytes;
    QStringList listed;
    const char *loadReport; ///< MODULE line of the load step's report, or nullptr
    QString restored;       ///< the entry selected; none when the list is empty
    std::vector<Visibility> after;
    const char *restoreReport; ///< MODULE line of the restore's report, or nullptr

    friend void PrintTo(const BadFile &file, std::ostream *out) { *out << file.name; }
};

const char *const kCutShortLoad = "MODULE: Form_Load frmMain Line : 60";
const char *const kCutShortRestore = "MODULE: lstbx1_Click frmMain Line : 40";

std::function<QByteArray()> bytes(const QByteArray &fixed)
{
    return [fixed] { return fixed; };
}

const BadFile kBadFiles[] = {
    {"Empty", bytes(""), {}, nullptr, {}, {}, nullptr},
    {"BlankLinesOnly", bytes("\r\n\r\n\n\n\r\r\n\r"), {}, nullptr, {}, {}, nullptr},
    {"LfOnly",
     bytes("\"S\",\"Layers\",\"Streets\",\"False\"\n\"S\",\"Layers\",\"Rails\",\"True\"\n"),
     {"S"},
     nullptr,
     "S",
     {{"Layers", "Streets", false}, {"Layers", "Rails", true}},
     nullptr},
    {"CrOnly",
     bytes("\"S\",\"Layers\",\"Streets\",\"False\"\r\"S\",\"Layers\",\"Rails\",\"True\"\r"),
     {"S"},
     nullptr,
     "S",
     {{"Layers", "Streets", false}, {"Layers", "Rails", true}},
     nullptr},
    {"UnquotedFields",
     bytes("S,Layers,Streets,False\r\nS,Layers,Rails,True\r\n T ,Layers,Rivers,False\r\n"),
     {" T ", "S"},
     nullptr,
     "S",
     {{"Layers", "Streets", false}, {"Layers", "Rails", true}, {"Layers", "Rivers", true}},
     nullptr},
    {"TextAfterAClosingQuote",
     bytes("\"S\" old,\"Layers\"x,\"Streets\" ,\"False\"!\r\n\"S\",\"Layers\",\"Rails\",\"True\" \r\n"),
     {"S"},
     nullptr,
     "S",
     {{"Layers", "Streets", false}, {"Layers", "Rails", true}},
     nullptr},
    {"StrayQuoteInsideAnUnquotedField",
     bytes("S,Lay\"ers,Streets,False\r\nS,Layers,Rivers,False\r\n"),
     {"S"},
     nullptr,
     "S",
     {{"Layers", "Streets", true}, {"Layers", "Rivers", false}},
     nullptr},
    {"StrayQuoteNeverClosed",
     bytes("\"S\",\"Layers\",\"Rivers\",\"False\"\r\n\"S\",\"Layers\",\"Streets,False\r\n"),
     {"S"},
     kCutShortLoad,
     "S",
     {{"Layers", "Rivers", false}, {"Layers", "Streets", true}},
     kCutShortRestore},
    {"CutShortLastRecord",
     bytes(record("S", "Layers", "Rivers", "False") + "\"T\",\"Layers\"\r\n"),
     {"S", "T"},
     kCutShortLoad,
     "S",
     {{"Layers", "Rivers", false}},
     kCutShortRestore},
    {"NulBytes",
     bytes(record(QByteArray("S\0", 2), "Layers", "Streets", "False")
           + QByteArray("\0\0\0,Layers,Rivers,False\r\n", 25)),
     {QString(3, QChar::Null), QStringLiteral("S") + QChar::Null},
     nullptr,
     QStringLiteral("S") + QChar::Null,
     {{"Layers", "Streets", false}, {"Layers", "Rivers", true}},
     nullptr},
    {"OnlyNulBytes", bytes(QByteArray(100, '\0')), {QString(100, QChar::Null)}, kCutShortLoad, {}, {}, nullptr},
    {"InvalidUtf8",
     bytes(record("\xff\xfe\xfd", "Layers", "Streets", "False") + record("\xc3\x28", "Layers", "Rivers", "False")),
     {QStringLiteral("Ã("), QStringLiteral("ÿþý")},
     nullptr,
     QStringLiteral("ÿþý"),
     {{"Layers", "Streets", false}, {"Layers", "Rivers", true}},
     nullptr},
    {"Windows1252",
     bytes(record("Stra\xdf"
                  "e \x80",
                  "Layers", "Fl\xfcsse", "False")),
     {QStringLiteral("Straße €")},
     nullptr,
     QStringLiteral("Straße €"),
     {{"Layers", "Flüsse", false}},
     nullptr},
    {"TenMegabyteField",
     tenMegabyteField,
     {"Big"},
     nullptr,
     "Big",
     {{"Layers", "Streets", false}, {"Layers", "Rivers", true}},
     nullptr},
    {"MillionRecords",
     millionRecords,
     thousandSetNames(),
     nullptr,
     "Set 999",
     {{"Layers", "Streets", false}, {"Layers", "Rivers", true}},
     nullptr},
};

class BadSetFile : public ::testing::TestWithParam<BadFile>
{
protected:
    void SetUp() override
    {
        // A layer whose name is not Latin-1, for the file written in Windows-1252.
        world.document->map(QStringLiteral("Layers"))
            ->layers.push_back(std::make_shared<fake::Layer>(QStringLiteral("Flüsse")));
    }
    AddinWorld world;
};

TEST_P(BadSetFile, ListsAndRestoresWhatTheReadingRulesGive)
{
    const BadFile &file = GetParam();
    world.writeFile(file.bytes());
    world.reload();

    EXPECT_EQ(world.listed(), file.listed);
    EXPECT_EQ(world.reportedModules(), file.loadReport ? QStringList{QLatin1String(file.loadReport)} : QStringList());
    EXPECT_FALSE(world.state().channel1.isOpen());
    if (file.restored.isNull())
        return;

    world.host.boxes->boxes.clear();
    const int row = world.listed().indexOf(file.restored);
    ASSERT_GE(row, 0);
    world.list().scrollToItem(world.list().item(row));
    world.select(row);
    ASSERT_EQ(world.list().currentItem()->text(), file.restored);
    for (const Visibility &expected : file.after)
        EXPECT_EQ(world.visible(expected.map, expected.layer), expected.visible)
            << expected.map << " / " << expected.layer;
    EXPECT_EQ(world.reportedModules(),
              file.restoreReport ? QStringList{QLatin1String(file.restoreReport)} : QStringList());
    // The redraw follows a whole read only.
    EXPECT_EQ(world.contentsUpdates(), file.restoreReport ? 0 : 1);
    EXPECT_FALSE(world.state().channel1.isOpen());
}

INSTANTIATE_TEST_SUITE_P(Files, BadSetFile, ::testing::ValuesIn(kBadFiles),
                         [](const ::testing::TestParamInfo<BadFile> &info) { return std::string(info.param.name); });

} // namespace
