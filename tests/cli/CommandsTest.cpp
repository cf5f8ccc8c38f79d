// Every command of quarnel-sets on a small set file: what it prints, its exit
// status and the set file's bytes afterwards; then wrong usage, missing and
// damaged files, and bad input that must leave the set file as it was.

#include "CliWorld.h"

#include <QDir>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

using R = CliWorld;

const QByteArray roads = R::record("Roads", "Town", "Roads", "True") + R::record("Roads", "Town", "Rivers", "False");
const QByteArray water = R::record("Water", "Town", "Rivers", "True");
const QByteArray base = roads + water;
// Against the town document: Water, Parks and Hidden match, Roads differs and
// Elsewhere names no layer of it.
const QByteArray several = base + R::record("Parks", "Town", "Parks", "True")
                           + R::record("Hidden", "Town", "Roads", "False")
                           + R::record("Elsewhere", "Village", "Roads", "True");
const QByteArray captured = R::record("New", "Town", "Roads", "False") + R::record("New", "Town", "Rivers", "True")
                            + R::record("New", "Town", "Parks", "True");

struct Row
{
    const char *what;
    QStringList arguments;
    int exitCode;
    QByteArray out;                ///< standard output; "*" for any
    QByteArray fileAfter;          ///< the set file afterwards
    const char *err = "";          ///< a part of standard error
    QByteArray fileBefore = base;  ///< the set file the command finds
    const char *picture = nullptr; ///< a PNG picture the command writes, of this width
    int pictureWidth = 0;
};

void PrintTo(const Row &row, std::ostream *out)
{
    *out << row.what;
}

class Commands : public ::testing::TestWithParam<Row>
{
};

TEST_P(Commands, PrintExitAndLeaveTheFile)
{
    const Row &row = GetParam();
    CliWorld world;
    world.write("config", row.fileBefore);
    world.write("doc.mapdesk.json", CliWorld::townDocument());
    world.write("other", R::record("Water", "Town", "Parks", "False") + R::record("Hills", "Town", "Parks", "True"));
    world.write("cut", R::record("Hills", "Town", "Parks", "True") + "\"Cut\",\"Tow");
    world.write("notadoc.mapdesk.json", "{\"version\": 1, \"maps\": [");

    const CliWorld::Run run = world.run(row.arguments);
    EXPECT_EQ(run.exitCode, row.exitCode) << run.err.toStdString();
    if (row.out != "*") {
        EXPECT_EQ(run.out, row.out);
    }
    EXPECT_EQ(world.read("config"), row.fileAfter);
    EXPECT_TRUE(run.err.contains(row.err)) << run.err.toStdString();
    if (row.picture) {
        const QImage picture = QImage::fromData(world.read(row.picture), "PNG");
        EXPECT_EQ(picture.width(), row.pictureWidth);
    }
    // Failures say so in one line (followed by the usage for wrong usage);
    // differences found are told on standard output alone.
    if (row.exitCode == 1) {
        EXPECT_EQ(run.err.count('\n'), *row.err ? 1 : 0) << run.err.toStdString();
    }
    if (row.exitCode == 2) {
        EXPECT_TRUE(run.err.contains("Usage: quarnel-sets"));
    }
}

const QStringList doc{"doc.mapdesk.json"};

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    EveryCommand, Commands,
    ::testing::Values(
        Row{"list", {"list"}, 0, "Roads\nWater\n", base},
        Row{"show", {"show", "Roads"}, 0, "Town\tRoads\tTrue\nTown\tRivers\tFalse\n", base},
        Row{"capture", QStringList{"capture"} + doc + QStringList{"New"}, 0, "", base + captured},
        Row{"rename", {"rename", "Roads", "Streets"}, 0, "",
            R::record("Streets", "Town", "Roads", "True") + R::record("Streets", "Town", "Rivers", "False") + water},
        Row{"rename onto a set merges", {"rename", "Water", "Roads"}, 0, "", roads + R::record("Roads", "Town", "Rivers", "True")},
        Row{"delete", {"delete", "Roads"}, 0, "", water},
        Row{"replace", QStringList{"replace", "Roads"} + doc, 0, "", QByteArray(captured).replace("New", "Roads") + water},
        Row{"export leaves the file", {"export", "Water", "-o", "exported"}, 0, "", base},
        Row{"import merges", {"import", "other"}, 0, "added\tWater\nadded\tHills\n",
            base + R::record("Water", "Town", "Parks", "False") + R::record("Hills", "Town", "Parks", "True")},
        Row{"import skips", {"import", "other", "--on-clash", "skip"}, 0, "added\tHills\nskipped\tWater\n",
            base + R::record("Hills", "Town", "Parks", "True")},
        Row{"import renames", {"import", "--on-clash=rename", "other"}, 0, "added\tWater (2)\nadded\tHills\n",
            base + R::record("Water (2)", "Town", "Parks", "False") + R::record("Hills", "Town", "Parks", "True")},
        Row{"check", {"check"}, 0, "records\t3\nsets\t2\nbytes\t" + QByteArray::number(base.size()) + "\n", base},
        Row{"repair of a whole file", {"repair"}, 0, "*", base},
        Row{"match in the list's order", QStringList{"match"} + doc, 0, "Hidden\nParks\nWater\n", several, "", several},
        Row{"match of none", QStringList{"match"} + doc, 0, "", roads, "", roads},
        Row{"match as JSON", QStringList{"--json", "match"} + doc, 0, "[\n    \"Hidden\",\n    \"Parks\",\n    \"Water\"\n]\n",
            several, "", several},
        Row{"diff of a set that differs", QStringList{"diff", "Roads"} + doc, 1, "Town\tRoads\tTrue\nTown\tRivers\tFalse\n", base},
        Row{"diff of a set that matches", QStringList{"diff", "Water"} + doc, 0, "", base},
        Row{"diff as JSON", QStringList{"--json", "diff", "Hidden"} + doc, 0, "[\n]\n", several, "", several},
        Row{"diff as JSON of a set that differs", QStringList{"--json", "diff", "Roads"} + doc, 1,
            "[\n    {\n        \"layer\": \"Roads\",\n        \"map\": \"Town\",\n        \"recorded\": true\n    },\n"
            "    {\n        \"layer\": \"Rivers\",\n        \"map\": \"Town\",\n        \"recorded\": false\n    }\n]\n", base},
        Row{"diff of a set naming no layer of the document", QStringList{"diff", "Elsewhere"} + doc, 0, "", several,
            "has none of the layers", several},
        Row{"preview writes the picture and leaves the file", QStringList{"preview", "Roads"} + doc + QStringList{"-o", "roads.png"},
            0, "", base, "", base, "roads.png", 320},
        // A set or file that is not there, and bad input: the file stays.
        Row{"show a missing set", {"show", "Nope"}, 1, "", base, "no set named \"Nope\""},
        Row{"apply a missing set", QStringList{"apply", "Nope"} + doc, 1, "", base, "no set named"},
        Row{"rename a missing set", {"rename", "Nope", "X"}, 1, "", base, "no set named"},
        Row{"delete a missing set", {"delete", "Nope"}, 1, "", base, "no set named"},
        Row{"replace a missing set", QStringList{"replace", "Nope"} + doc, 1, "", base, "no set named"},
        Row{"diff of a missing set", QStringList{"diff", "Nope"} + doc, 1, "", base, "no set named \"Nope\""},
        Row{"preview of a missing set", QStringList{"preview", "Nope"} + doc + QStringList{"-o", "nope.png"}, 1, "", base,
            "no set named \"Nope\""},
        Row{"preview over the set file", QStringList{"preview", "Roads"} + doc + QStringList{"-o", "config"}, 1, "", base,
            "set file itself"},
        Row{"diff against a missing document", {"diff", "Water", "gone.mapdesk.json"}, 1, "", base, "no document at"},
        Row{"match a document that is not one", {"match", "notadoc.mapdesk.json"}, 1, "", base, "notadoc"},
        Row{"match on a damaged file", QStringList{"match"} + doc, 1, "", base + "\"Cut", "is damaged", base + "\"Cut"},
        Row{"export a missing set", {"export", "Roads", "Nope", "-o", "exported"}, 1, "", base, "no set named"},
        Row{"capture a document that is not one", {"capture", "notadoc.mapdesk.json", "X"}, 1, "", base, "notadoc"},
        Row{"export to a folder that is not there", {"export", "Roads", "-o", "no/such/x"}, 1, "", base, "no/such/x"},
        Row{"export over the set file", {"export", "Roads", "-o", "config"}, 1, "", base, "set file itself"},
        Row{"apply onto the file kept for Undo", QStringList{"apply", "Roads"} + doc + QStringList{"-o", "config.previous"},
            1, "", base, "set file itself"},
        Row{"import a damaged file", {"import", "cut"}, 1, "", base, "cut: it is damaged"},
        Row{"undo with nothing to undo", {"undo"}, 1, "", base, "nothing to undo"},
        // Wrong usage.
        Row{"no command", {}, 2, "", base, "no command"},
        Row{"unknown command", {"frobnicate"}, 2, "", base, "unknown command"},
        Row{"too few arguments", {"show"}, 2, "", base, "show takes 1 argument"},
        Row{"diff without a document", {"diff", "Roads"}, 2, "", base, "diff takes 2 arguments"},
        Row{"export without -o", {"export", "Roads"}, 2, "", base, "-o FILE"},
        Row{"preview without -o", QStringList{"preview", "Roads"} + doc, 2, "", base, "preview needs -o FILE.png"},
        Row{"an option of another command", {"list", "--exact"}, 2, "", base, "list has no option --exact"},
        Row{"a bad clash", {"import", "other", "--on-clash", "maybe"}, 2, "", base, "merge, skip or rename"},
        Row{"an empty new name", {"rename", "Roads", ""}, 2, "", base, "cannot be empty"},
        Row{"a new name the file cannot hold", {"rename", "Roads", "a\",\"b"}, 2, "", base, "cannot be stored"},
        Row{"capture under a name the file cannot hold", QStringList{"capture"} + doc + QStringList{"x\","}, 2, "", base,
            "cannot be stored"}),
    [](const ::testing::TestParamInfo<Row> &info) {
        QString name = QString::fromLatin1(info.param.what);
        name.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9]")), QStringLiteral("_"));
        return name.toStdString();
    });
// clang-format on

TEST(CommandsInTurn, DamagedFileIsCheckedRepairedAndTheCutUndone)
{
    CliWorld world;
    world.write("config", base + "\"Cut\",\"To");
    const CliWorld::Run check = world.run({"--json", "check"});
    EXPECT_EQ(check.exitCode, 1);
    const QJsonObject report = QJsonDocument::fromJson(check.out).object();
    EXPECT_EQ(report.value("records").toInt(), 3);
    EXPECT_EQ(report.value("bytes").toInt(), base.size() + 9);
    ASSERT_EQ(report.value("damaged").toArray().size(), 1);
    EXPECT_EQ(report.value("damaged")[0].toObject().value("line").toInt(), 4);
    // A damaged file lists nothing, shows nothing; repair cuts it back, undo brings the cut back.
    EXPECT_EQ(world.run({"--json", "list"}).exitCode, 1);
    EXPECT_EQ(world.run({"repair"}).exitCode, 0);
    EXPECT_EQ(world.read("config"), base);
    EXPECT_EQ(world.run({"undo"}).exitCode, 0);
    EXPECT_EQ(world.read("config"), base + "\"Cut\",\"To");
    EXPECT_EQ(world.run({"--file", "gone", "list"}, false).exitCode, 1);
}

TEST(CommandsInTurn, ApplyWritesTheDocumentOrOnlyTheOutputAndExportWritesTheSets)
{
    CliWorld world;
    world.write("config", base);
    world.write("doc.mapdesk.json", CliWorld::townDocument());
    auto flags = [&world](const char *name) {
        QStringList shown;
        for (const QJsonValue &layer :
             QJsonDocument::fromJson(world.read(name)).object()["maps"][0]["layers"].toArray())
            shown << layer["name"].toString() + (layer["visible"].toBool() ? "+" : "-");
        return shown.join(' ');
    };
    ASSERT_EQ(world.run({"apply", "Roads", "doc.mapdesk.json", "-o", "out.mapdesk.json"}).exitCode, 0);
    EXPECT_EQ(world.read("doc.mapdesk.json"), CliWorld::townDocument());
    EXPECT_EQ(flags("out.mapdesk.json"), "Roads+ Rivers- Parks+");
    ASSERT_EQ(world.run({"apply", "--exact", "Roads", "doc.mapdesk.json"}).exitCode, 0);
    EXPECT_EQ(flags("doc.mapdesk.json"), "Roads+ Rivers- Parks-");
    EXPECT_EQ(world.read("config"), base);

    ASSERT_EQ(world.run({"export", "Water", "Roads", "-o", "both"}).exitCode, 0);
    EXPECT_EQ(world.read("both"), base);
    ASSERT_EQ(world.run({"delete", "Roads"}).exitCode, 0);
    ASSERT_EQ(world.run({"undo"}).exitCode, 0);
    EXPECT_EQ(world.read("config"), base);
}

TEST(CommandsInTurn, DefaultFileIsMapdesksAndDrivesAreTaken)
{
    CliWorld world;
    world.write("doc.mapdesk.json", CliWorld::townDocument());
    // Nothing saved yet: no set file, and listing creates none.
    EXPECT_EQ(world.run({"list"}, false).exitCode, 1);
    ASSERT_EQ(world.run({"capture", "doc.mapdesk.json", "First"}, false).exitCode, 0);
    EXPECT_EQ(world.read("share/mapdesk/drive_c/Program Files/QuarnelGIS/QuarnelVisibility/config"),
              QByteArray(captured).replace("New", "First"));
    EXPECT_EQ(world.run({"list"}, false).out, "First\n");
    // A drive given on the command line that comes first takes the sets.
    ASSERT_TRUE(QDir(world.path("b")).mkpath("Program Files"));
    EXPECT_EQ(world.run({"--drive", "B=" + world.path("b"), "list"}, false).exitCode, 1);
    EXPECT_EQ(world.run({"--drive", "B=" + world.path("gone"), "list"}, false).exitCode, 2);
}

} // namespace
