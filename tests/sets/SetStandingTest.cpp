// Which saved sets the layers shown now match: the matching rule as a table
// of set records against the standard document (Layers: Streets on, Rails
// off, Rivers on, Deep nested; Overview: Streets on).
#include "SetStanding.h"
#include "FakeDocument.h"
#include "SetsWorld.h"

#include <gtest/gtest.h>

namespace {

QByteArray record(const char *map, const char *layer, bool visible)
{
    return SetsWorld::record("S", map, layer, visible ? "True" : "False");
}

TEST(SetStanding, ASetMatchesWhenEveryRecordedLayerPresentShowsItsFlag)
{
    struct Case
    {
        const char *name;
        QByteArray records;
        bool matches;
        qsizetype present;
        QString described;
    };
    const Case cases[] = {
        {"every layer as recorded", record("Layers", "Streets", true) + record("Layers", "Rails", false), true, 2,
         "Matches the layers shown now"},
        {"one layer shown otherwise", record("Layers", "Streets", true) + record("Layers", "Rivers", false), false, 2,
         "1 layer differs: Rivers is on"},
        {"only layers the document lacks", record("Layers", "Lakes", true) + record("Other", "Streets", false), false,
         0, "None of its layers is in this document"},
        {"missing layers are passed over", record("Layers", "Lakes", false) + record("Overview", "Streets", true), true,
         1, "Matches the layers shown now"},
        {"a nested layer is no recorded layer", record("Layers", "Deep", false) + record("Layers", "Rivers", true),
         true, 1, "Matches the layers shown now"},
        {"the last record of a layer counts", record("Layers", "Rails", true) + record("Layers", "Rails", false), true,
         1, "Matches the layers shown now"},
        {"fields written without quotes, as by hand", QByteArray("S,Layers,Rails,False\r\nS,Overview,Streets,True\r\n"),
         true, 2, "Matches the layers shown now"},
        {"the first few differences are named",
         record("Layers", "Streets", false) + record("Layers", "Rails", true) + record("Layers", "Rivers", false)
             + record("Overview", "Streets", false),
         false, 4, "4 layers differ: Streets is on, Rails is off, Rivers is on, …"},
    };
    const VisibilitySnapshot now = VisibilitySnapshot::of(*fake::standardDocument());
    for (const Case &c : cases) {
        const QHash<QString, SetStanding> standings = judgeSets(c.records, now);
        ASSERT_EQ(standings.size(), 1) << c.name;
        const SetStanding &s = standings.value(QStringLiteral("S"));
        EXPECT_EQ(s.matches(), c.matches) << c.name;
        EXPECT_EQ(s.present, c.present) << c.name;
        EXPECT_EQ(s.describe(), c.described) << c.name;
    }
}

TEST(SetStanding, EverySetOfTheFileIsJudgedAndSeveralMayMatch)
{
    const QByteArray file = SetsWorld::record("A", "Layers", "Streets", "True")
                            + SetsWorld::record("B", "Layers", "Rivers", "True")
                            + SetsWorld::record("C", "Layers", "Rivers", "False") + "\"Cut\",\"Lay";
    const QHash<QString, SetStanding> standings = judgeSets(file, VisibilitySnapshot::of(*fake::standardDocument()));
    EXPECT_EQ(standings.size(), 3);
    EXPECT_TRUE(standings.value("A").matches());
    EXPECT_TRUE(standings.value("B").matches());
    EXPECT_FALSE(standings.value("C").matches());
}

} // namespace
