#include "CommandLine.h"

#include <gtest/gtest.h>

namespace {

using mapdesk::CommandLine;

CommandLine parse(std::initializer_list<const char *> arguments)
{
    QStringList list{QStringLiteral("mapdesk")};
    for (const char *argument : arguments)
        list << QString::fromUtf8(argument);
    return CommandLine::parse(list);
}

TEST(CommandLine, RunsWithDrivesAndADocument)
{
    CommandLine line = parse({});
    EXPECT_EQ(line.mode, CommandLine::Mode::Run);
    EXPECT_TRUE(line.document.isEmpty());
    EXPECT_TRUE(line.drives.isEmpty());

    line = parse({"--drive", "C=/data/c", "--drive=D=/data/d", "city.mapdesk.json"});
    EXPECT_EQ(line.mode, CommandLine::Mode::Run);
    EXPECT_EQ(line.drives, (QStringList{QStringLiteral("C=/data/c"), QStringLiteral("D=/data/d")}));
    EXPECT_EQ(line.document, QStringLiteral("city.mapdesk.json"));

    EXPECT_EQ(parse({"-h"}).mode, CommandLine::Mode::Help);
    EXPECT_TRUE(CommandLine::usage().contains(QStringLiteral("--register FILE")));
}

TEST(CommandLine, RegistersOrUnregistersExactlyOneModule)
{
    CommandLine line = parse({"--register", "/opt/libQuarnelGIS.so"});
    EXPECT_EQ(line.mode, CommandLine::Mode::Register);
    EXPECT_EQ(line.moduleFile, QStringLiteral("/opt/libQuarnelGIS.so"));
    line = parse({"--unregister", "libQuarnelGIS.so"});
    EXPECT_EQ(line.mode, CommandLine::Mode::Unregister);
    EXPECT_EQ(line.moduleFile, QStringLiteral("libQuarnelGIS.so"));

    for (const CommandLine &wrong :
         {parse({"--register"}), parse({"--register", "a.so", "--unregister", "a.so"}),
          parse({"--register", "a.so", "--register", "b.so"}), parse({"--register", "a.so", "doc.json"}),
          parse({"--unregister", "a.so", "--drive", "C=/tmp"}), parse({"--register", ""})}) {
        EXPECT_EQ(wrong.mode, CommandLine::Mode::Invalid);
        EXPECT_FALSE(wrong.error.isEmpty());
    }
}

TEST(CommandLine, RefusesUnknownOptionsAndSeveralDocuments)
{
    CommandLine line = parse({"--bogus"});
    EXPECT_EQ(line.mode, CommandLine::Mode::Invalid);
    EXPECT_TRUE(line.error.contains(QStringLiteral("bogus")));
    line = parse({"one.json", "two.json"});
    EXPECT_EQ(line.mode, CommandLine::Mode::Invalid);
    EXPECT_TRUE(line.error.contains(QStringLiteral("two.json")));
    EXPECT_EQ(parse({"--drive"}).mode, CommandLine::Mode::Invalid);
}

TEST(CommandLine, KnowsTheToolkitsOwnOptions)
{
    const auto has = [](std::initializer_list<const char *> arguments) {
        QStringList list{QStringLiteral("mapdesk")};
        for (const char *argument : arguments)
            list << QString::fromUtf8(argument);
        return CommandLine::hasToolkitOptions(list);
    };
    EXPECT_TRUE(has({"-platform", "offscreen", "doc.json"}));
    EXPECT_TRUE(has({"--style=Fusion"}));
    EXPECT_FALSE(has({"--bogus", "doc.json"}));
    EXPECT_FALSE(has({"--", "-platform"})) << "after -- everything is a document";
    EXPECT_FALSE(has({"platform"}));
}

} // namespace
