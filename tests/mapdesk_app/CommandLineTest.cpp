#include "CommandLine.h"
#include "CutModule.h"
#include "TestCommandEvents.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>

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
    EXPECT_TRUE(line.dataFiles.isEmpty());

    // Anything but a document is data for a new document, in the order given.
    line = parse({"roads.geojson", "rivers.shp", "CITY.MAPDESK.JSON.tif", "dem.tif"});
    EXPECT_EQ(line.mode, CommandLine::Mode::Run);
    EXPECT_TRUE(line.document.isEmpty());
    EXPECT_EQ(line.dataFiles, (QStringList{QStringLiteral("roads.geojson"), QStringLiteral("rivers.shp"),
                                           QStringLiteral("CITY.MAPDESK.JSON.tif"), QStringLiteral("dem.tif")}));
    EXPECT_EQ(parse({"Town.MapDesk.Json"}).document, QStringLiteral("Town.MapDesk.Json"));
    EXPECT_FALSE(line.selfCheck);
    line = parse({"--self-check", "city.mapdesk.json"});
    EXPECT_EQ(line.mode, CommandLine::Mode::Run);
    EXPECT_TRUE(line.selfCheck);

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

    EXPECT_FALSE(line.systemWide);
    line = parse({"--unregister", "libQuarnelGIS.so", "--system"});
    EXPECT_EQ(line.mode, CommandLine::Mode::Unregister);
    EXPECT_TRUE(line.systemWide);

    for (const CommandLine &wrong :
         {parse({"--system"}), parse({"--system", "city.mapdesk.json"}), parse({"--register", "a.so", "--self-check"}),
          parse({"--register"}), parse({"--register", "a.so", "--unregister", "a.so"}),
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
    line = parse({"one.mapdesk.json", "two.mapdesk.json"});
    EXPECT_EQ(line.mode, CommandLine::Mode::Invalid);
    EXPECT_TRUE(line.error.contains(QStringLiteral("two.mapdesk.json")));
    line = parse({"roads.geojson", "city.mapdesk.json"});
    EXPECT_EQ(line.mode, CommandLine::Mode::Invalid) << "a document and data files at once";
    EXPECT_TRUE(line.error.contains(QStringLiteral("city.mapdesk.json")));
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

namespace {

/// mapdesk itself run with --register or --unregister, its registry in a
/// folder of the test's own.
class Program : public ::testing::Test
{
protected:
    struct Run
    {
        int exitCode = -1;
        QString out;
        QString err;
    };

    void SetUp() override { ASSERT_TRUE(config.isValid() && files.isValid()); }

    Run run(const QStringList &arguments)
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
        environment.insert(QStringLiteral("MAPDESK_SYSTEM_REGISTRY"), systemRegistryFile());
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(MAPDESK_EXECUTABLE), arguments);
        EXPECT_TRUE(process.waitForFinished(60000)) << qPrintable(arguments.join(QLatin1Char(' ')));
        Run result;
        result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        result.out = QString::fromLocal8Bit(process.readAllStandardOutput());
        result.err = QString::fromLocal8Bit(process.readAllStandardError());
        return result;
    }

    QString registryFile() const { return config.filePath(QStringLiteral("mapdesk/registry.ini")); }
    QString systemRegistryFile() const { return files.filePath(QStringLiteral("etc/mapdesk/registry.ini")); }

    QTemporaryDir config;
    QTemporaryDir files;
};

TEST_F(Program, RegisteringWhatIsNoModuleExitsWithFailureAndTheReason)
{
    const QString missing = files.filePath(QStringLiteral("libMissing.so"));
    const QString text = files.filePath(QStringLiteral("libText.so"));
    const QString cut = files.filePath(QStringLiteral("libCut.so"));
    const QString folder = files.filePath(QStringLiteral("libFolder.so"));
    ASSERT_TRUE(QDir().mkpath(folder));
    {
        QFile file(text);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("This is not a shared library.\n");
        QFile module(QStringLiteral(TEST_COMMAND_MODULE));
        ASSERT_TRUE(module.open(QIODevice::ReadOnly));
        QFile cutFile(cut);
        ASSERT_TRUE(cutFile.open(QIODevice::WriteOnly));
        cutFile.write(cutInsideLoadedSegments(module.readAll()));
    }
    const QString noEntry = QStringLiteral(NO_ENTRY_MODULE);
    const struct
    {
        const char *option;
        QString file;
        QString reason;
    } cases[] = {
        {"--register", missing, QStringLiteral("The module file %1 does not exist").arg(missing)},
        {"--register", text, QStringLiteral("%1 is not a loadable module").arg(text)},
        {"--register", cut, QStringLiteral("%1 is not a loadable module: the file is cut short").arg(cut)},
        {"--register", folder, QStringLiteral("%1 is not a module file").arg(folder)},
        {"--register", noEntry, QStringLiteral("The module %1 has no entry point DllRegisterServer").arg(noEntry)},
        {"--unregister", missing, QStringLiteral("The module file %1 does not exist").arg(missing)},
        {"--unregister", noEntry, QStringLiteral("The module %1 has no entry point DllUnregisterServer").arg(noEntry)},
    };
    for (const auto &c : cases) {
        const Run result = run({QLatin1String(c.option), c.file});
        SCOPED_TRACE(qPrintable(QStringLiteral("%1 %2").arg(QLatin1String(c.option), c.file)));
        EXPECT_EQ(result.exitCode, 1);
        const QString doing = QLatin1String(c.option).mid(2);
        EXPECT_TRUE(result.err.startsWith(QStringLiteral("mapdesk: Cannot %1 %2: ").arg(doing, c.file)))
            << qPrintable(result.err);
        EXPECT_TRUE(result.err.contains(c.reason)) << qPrintable(result.err);
        EXPECT_TRUE(result.out.isEmpty()) << qPrintable(result.out);
    }
    EXPECT_FALSE(QFileInfo::exists(registryFile())) << "nothing was registered";

    // No module at all: the usage, and a failure of its own.
    const Run bare = run({QStringLiteral("--register")});
    EXPECT_EQ(bare.exitCode, 2);
    EXPECT_TRUE(bare.err.contains(QStringLiteral("Usage: mapdesk"))) << qPrintable(bare.err);
}

TEST_F(Program, RegistersAndUnregistersAModule)
{
    const QString module = QStringLiteral(TEST_COMMAND_MODULE);
    Run result = run({QStringLiteral("--register"), module});
    EXPECT_EQ(result.exitCode, 0) << qPrintable(result.err);
    EXPECT_EQ(result.out.trimmed(), QStringLiteral("mapdesk: Registered ") + module);
    QSettings registry(registryFile(), QSettings::IniFormat);
    const QString classKey = QStringLiteral("CLSID/%1").arg(QStringLiteral(TEST_COMMAND_CLASS_ID));
    EXPECT_EQ(registry.value(classKey + QStringLiteral("/InprocServer32/Path")).toString(), module);

    result = run({QStringLiteral("--unregister"), module});
    EXPECT_EQ(result.exitCode, 0) << qPrintable(result.err);
    registry.sync();
    EXPECT_FALSE(registry.contains(classKey + QStringLiteral("/InprocServer32/Path")));
}

// Registered for every user, the command loads for a user with no registry
// of their own; --self-check starts on the document and reports both.
TEST_F(Program, RegistersForEveryUserAndSelfChecksTheDocumentAndTheCommand)
{
    const QString module = QStringLiteral(TEST_COMMAND_MODULE);
    Run result = run({QStringLiteral("--register"), module, QStringLiteral("--system")});
    ASSERT_EQ(result.exitCode, 0) << qPrintable(result.err);
    EXPECT_TRUE(QFileInfo::exists(systemRegistryFile()));
    EXPECT_FALSE(QFileInfo::exists(registryFile()));

    const QString sample = QStringLiteral(MAPDESK_SAMPLES "/city.mapdesk.json");
    result = run({QStringLiteral("--self-check"), sample});
    EXPECT_EQ(result.exitCode, 0) << qPrintable(result.out + result.err);
    const QStringList lines = result.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3) << qPrintable(result.out);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("document: ") + sample)) << qPrintable(lines[0]);
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("command: MapdeskTest.Command ")));
    EXPECT_TRUE(lines[1].contains(QStringLiteral("(system-wide registry)"))) << qPrintable(lines[1]);
    EXPECT_EQ(lines[2], QStringLiteral("self-check: passed"));

    // A document that does not open fails the check.
    result = run({QStringLiteral("--self-check"), files.filePath(QStringLiteral("missing.mapdesk.json"))});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.out.endsWith(QStringLiteral("self-check: failed\n"))) << qPrintable(result.out);

    result = run({QStringLiteral("--unregister"), module, QStringLiteral("--system")});
    ASSERT_EQ(result.exitCode, 0) << qPrintable(result.err);
    EXPECT_FALSE(QFileInfo::exists(systemRegistryFile())) << "nothing left behind";
}

} // namespace

namespace {

// --version prints the name and version alone, needs no display, and wins
// over a document named beside it.
TEST_F(Program, PrintsItsNameAndVersion)
{
    EXPECT_EQ(parse({"--version", "city.mapdesk.json"}).mode, CommandLine::Mode::Version);
    const Run result = run({QStringLiteral("--version")});
    EXPECT_EQ(result.exitCode, 0) << qPrintable(result.err);
    EXPECT_EQ(result.out.trimmed(), CommandLine::versionText());
    EXPECT_TRUE(result.out.startsWith(QStringLiteral("mapdesk 2."))) << qPrintable(result.out);
    EXPECT_TRUE(CommandLine::usage().contains(QStringLiteral("--version")));
}

} // namespace
