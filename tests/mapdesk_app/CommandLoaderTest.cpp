#include "CommandLoader.h"
#include "ComponentRegistry.h"
#include "CutModule.h"
#include "LoadedCommand.h"
#include "ServerRegistration.h"
#include "TestCommandEvents.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMainWindow>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QToolBar>

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <optional>
#include <tuple>

namespace {

using mapdesk::CommandLoader;
using mapdesk::ComponentRegistry;
using mapdesk::ServerRegistration;

const QUuid kTestClass{QStringLiteral(TEST_COMMAND_CLASS_ID)};

/// Every test gets an empty registry of its own in a temporary folder.
class Registry : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(registryDir.isValid());
        ASSERT_TRUE(files.isValid());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, registryDir.path());
        // No system-wide registry of this machine's gets in.
        qputenv("MAPDESK_SYSTEM_REGISTRY", files.filePath(QStringLiteral("no-system/registry.ini")).toLocal8Bit());
    }

    /// Writes a class; without a module path, the class has no in-process server.
    static void writeClass(const QUuid &classId, const QString &progId, const std::optional<QVariant> &modulePath)
    {
        QSettings settings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("mapdesk"),
                           QStringLiteral("registry"));
        const QString key = QStringLiteral("CLSID/") + classId.toString();
        settings.setValue(key + QStringLiteral("/ProgID"), progId);
        if (!modulePath)
            return;
        if (modulePath->isValid())
            settings.setValue(key + QStringLiteral("/InprocServer32/Path"), *modulePath);
        settings.setValue(key + QStringLiteral("/InprocServer32/ThreadingModel"), QStringLiteral("Apartment"));
    }

    /// A file with a module's name that is no module.
    QString textFile()
    {
        const QString path = files.filePath(QStringLiteral("libNotAModule.so"));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("This is not a shared library.\n");
        return path;
    }

    QTemporaryDir registryDir;
    QTemporaryDir files;
};

/// The test module's record of calls, emptied when the test starts.
class ModuleRecord
{
public:
    ModuleRecord() : m_handle(dlopen(TEST_COMMAND_MODULE, RTLD_NOW | RTLD_LOCAL))
    {
        using EventsFn = const TestCommandEvents *(*)();
        using ResetFn = void (*)();
        if (!m_handle)
            return;
        if (auto reset = reinterpret_cast<ResetFn>(dlsym(m_handle, "TestCommandModule_Reset")))
            reset();
        if (auto events = reinterpret_cast<EventsFn>(dlsym(m_handle, "TestCommandModule_Events")))
            m_events = events();
    }
    ~ModuleRecord()
    {
        if (m_handle)
            dlclose(m_handle);
    }
    ModuleRecord(const ModuleRecord &) = delete;
    ModuleRecord &operator=(const ModuleRecord &) = delete;
    const TestCommandEvents *operator->() const { return m_events; }
    explicit operator bool() const { return m_events != nullptr; }

private:
    void *m_handle;
    const TestCommandEvents *m_events = nullptr;
};

TEST_F(Registry, ListsTheRegisteredClassesAndTheirModules)
{
    const QUuid withModule = QUuid::createUuid();
    const QUuid withoutModule = QUuid::createUuid();
    writeClass(withModule, QStringLiteral("Maker.One"), QStringLiteral("/opt/one.so"));
    writeClass(withoutModule, QStringLiteral("Maker.Two"), std::nullopt);
    {
        QSettings settings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("mapdesk"),
                           QStringLiteral("registry"));
        settings.setValue(QStringLiteral("CLSID/not-a-class/ProgID"), QStringLiteral("Stray"));
        settings.setValue(QStringLiteral("ProgID/Maker.One/CLSID"), withModule.toString());
    }

    ComponentRegistry registry;
    EXPECT_TRUE(ComponentRegistry::fileName().startsWith(registryDir.path()));
    const QList<ComponentRegistry::Entry> classes = registry.classes();
    ASSERT_EQ(classes.size(), 2) << "keys that are not class identifiers are passed over";
    const QList<ComponentRegistry::Entry> servers = registry.serverClasses();
    ASSERT_EQ(servers.size(), 1);
    EXPECT_EQ(servers[0].classId, withModule);
    EXPECT_EQ(servers[0].progId, QStringLiteral("Maker.One"));
    EXPECT_EQ(servers[0].modulePath, QStringLiteral("/opt/one.so"));
    EXPECT_EQ(servers[0].threadingModel, QStringLiteral("Apartment"));
    EXPECT_EQ(registry.classOfProgId(QStringLiteral("Maker.One")), withModule);
    EXPECT_EQ(registry.classOfProgId(QStringLiteral("Maker.Three")), std::nullopt);
}

// The system-wide registry comes after the user's: its classes are added,
// except those the user registered too, which the user's entry hides.
TEST_F(Registry, ReadsTheSystemWideRegistryAfterTheUsers)
{
    const QUuid both = QUuid::createUuid();
    const QUuid systemOnly = QUuid::createUuid();
    writeClass(both, QStringLiteral("Maker.Both"), QStringLiteral("/home/me/both.so"));
    const QString systemFile = files.filePath(QStringLiteral("etc/mapdesk/registry.ini"));
    EXPECT_TRUE(ComponentRegistry(systemFile).classes().size() == 1) << "a missing system file is no registry";
    EXPECT_FALSE(QFileInfo::exists(systemFile)) << "reading creates nothing";
    {
        QSettings system(systemFile, QSettings::IniFormat);
        for (const auto &[id, progId, path] : {std::tuple{both, "Maker.Both", "/usr/lib/both.so"},
                                               std::tuple{systemOnly, "Maker.System", "/usr/lib/system.so"}}) {
            system.setValue(QStringLiteral("CLSID/%1/ProgID").arg(id.toString()), QLatin1String(progId));
            system.setValue(QStringLiteral("CLSID/%1/InprocServer32/Path").arg(id.toString()), QLatin1String(path));
            system.setValue(QStringLiteral("ProgID/%1/CLSID").arg(QLatin1String(progId)), id.toString());
        }
    }

    const ComponentRegistry registry(systemFile);
    const QList<ComponentRegistry::Entry> servers = registry.serverClasses();
    ASSERT_EQ(servers.size(), 2);
    EXPECT_EQ(servers[0].classId, both);
    EXPECT_EQ(servers[0].modulePath, QStringLiteral("/home/me/both.so")) << "the user's own wins";
    EXPECT_FALSE(servers[0].systemWide);
    EXPECT_EQ(servers[1].classId, systemOnly);
    EXPECT_EQ(servers[1].modulePath, QStringLiteral("/usr/lib/system.so"));
    EXPECT_TRUE(servers[1].systemWide);
    EXPECT_EQ(registry.classOfProgId(QStringLiteral("Maker.System")), systemOnly);
    EXPECT_EQ(ComponentRegistry(QString()).serverClasses().size(), 1) << "no system file, the user's alone";
}

// Registering into a registry file of the host's choosing writes there and
// not the user's; unregistering the last class removes the file and its
// emptied folder.
TEST_F(Registry, RegistersIntoANamedRegistryAndRemovesItWhenEmpty)
{
    const QString module = QStringLiteral(TEST_COMMAND_MODULE);
    const QString folder = files.filePath(QStringLiteral("etc/mapdesk"));
    const QString systemFile = folder + QStringLiteral("/registry.ini");
    ServerRegistration::Outcome outcome =
        ServerRegistration::run(ServerRegistration::Action::Register, module, systemFile);
    ASSERT_TRUE(outcome.succeeded) << qPrintable(outcome.message);
    EXPECT_TRUE(outcome.message.contains(systemFile));
    EXPECT_TRUE(ComponentRegistry(QString()).classes().isEmpty()) << "the user's registry is untouched";
    QList<ComponentRegistry::Entry> servers = ComponentRegistry(systemFile).serverClasses();
    ASSERT_EQ(servers.size(), 1);
    EXPECT_EQ(servers[0].modulePath, module);
    EXPECT_TRUE(servers[0].systemWide);

    // A user registration afterwards goes to the user's registry again.
    ASSERT_TRUE(ServerRegistration::run(ServerRegistration::Action::Register, module).succeeded);
    EXPECT_EQ(ComponentRegistry(QString()).classes().size(), 1);

    outcome = ServerRegistration::run(ServerRegistration::Action::Unregister, module, systemFile);
    ASSERT_TRUE(outcome.succeeded) << qPrintable(outcome.message);
    EXPECT_FALSE(QFileInfo::exists(systemFile));
    EXPECT_FALSE(QFileInfo::exists(folder))
        << QDir(folder).entryList(QDir::AllEntries | QDir::Hidden).join(' ').toStdString();
    EXPECT_TRUE(QFileInfo::exists(files.filePath(QStringLiteral("etc")))) << "only the registry's own folder goes";
    EXPECT_EQ(ComponentRegistry(QString()).classes().size(), 1) << "the user's registration stays";

    // A registry that still holds another class stays.
    ASSERT_TRUE(ServerRegistration::run(ServerRegistration::Action::Register, module, systemFile).succeeded);
    QSettings(systemFile, QSettings::IniFormat)
        .setValue(QStringLiteral("CLSID/{00000000-0000-0000-0000-000000000001}/ProgID"), QStringLiteral("Other.Class"));
    ASSERT_TRUE(ServerRegistration::run(ServerRegistration::Action::Unregister, module, systemFile).succeeded);
    EXPECT_TRUE(QFileInfo::exists(systemFile));
}

TEST_F(Registry, ModulesRegisterAndUnregisterThemselves)
{
    const QString module = QStringLiteral(TEST_COMMAND_MODULE);
    ServerRegistration::Outcome outcome = ServerRegistration::run(ServerRegistration::Action::Register, module);
    EXPECT_TRUE(outcome.succeeded) << qPrintable(outcome.message);
    EXPECT_TRUE(outcome.message.contains(module));

    ComponentRegistry registry;
    QList<ComponentRegistry::Entry> servers = registry.serverClasses();
    ASSERT_EQ(servers.size(), 1);
    EXPECT_EQ(servers[0].classId, kTestClass);
    EXPECT_EQ(servers[0].modulePath, module);
    EXPECT_EQ(registry.classOfProgId(QStringLiteral("MapdeskTest.Command")), kTestClass);

    outcome = ServerRegistration::run(ServerRegistration::Action::Unregister, module);
    EXPECT_TRUE(outcome.succeeded) << qPrintable(outcome.message);
    EXPECT_TRUE(registry.classes().isEmpty());
    EXPECT_EQ(registry.classOfProgId(QStringLiteral("MapdeskTest.Command")), std::nullopt);
}

TEST_F(Registry, RegisteringSomethingThatIsNoModuleFailsWithTheReason)
{
    const QString missing = files.filePath(QStringLiteral("libMissing.so"));
    const QString text = textFile();
    const QString noEntry = QStringLiteral(NO_ENTRY_MODULE);
    struct Case
    {
        QString path;
        QString reason;
    };
    for (const Case &c : {Case{missing, QStringLiteral("does not exist")}, Case{text, QStringLiteral("not a loadable")},
                          Case{noEntry, QStringLiteral("DllUnregisterServer")}}) {
        const ServerRegistration::Outcome outcome =
            ServerRegistration::run(c.reason.startsWith(QLatin1String("Dll")) ? ServerRegistration::Action::Unregister
                                                                              : ServerRegistration::Action::Register,
                                    c.path);
        EXPECT_FALSE(outcome.succeeded) << qPrintable(c.path);
        EXPECT_TRUE(outcome.message.contains(c.path)) << qPrintable(outcome.message);
        EXPECT_TRUE(outcome.message.contains(c.reason)) << qPrintable(outcome.message);
    }
    EXPECT_TRUE(ComponentRegistry().classes().isEmpty());
}

TEST_F(Registry, LoaderReportsEachBrokenEntryAndGoesOn)
{
    const QString missing = files.filePath(QStringLiteral("libMissing.so"));
    const QString text = textFile();
    const QString noEntry = QStringLiteral(NO_ENTRY_MODULE);
    const QString good = QStringLiteral(TEST_COMMAND_MODULE);
    const QUuid refused = QUuid::createUuid();
    writeClass(QUuid::createUuid(), QStringLiteral("Broken.Missing"), missing);
    writeClass(QUuid::createUuid(), QStringLiteral("Broken.Text"), text);
    writeClass(QUuid::createUuid(), QStringLiteral("Broken.NoEntry"), noEntry);
    writeClass(refused, QStringLiteral("Broken.Refused"), good);
    writeClass(kTestClass, QStringLiteral("MapdeskTest.Command"), good);

    CommandLoader loader(std::make_shared<HostObject>());
    QSignalSpy reported(&loader, &CommandLoader::problemReported);
    EXPECT_EQ(loader.loadAll(ComponentRegistry()), 1);
    ASSERT_EQ(loader.commands().size(), 1u);
    EXPECT_EQ(loader.commands()[0]->entry().classId, kTestClass);

    const QStringList problems = loader.problems();
    ASSERT_EQ(problems.size(), 4) << qPrintable(problems.join(QLatin1Char('\n')));
    EXPECT_EQ(reported.count(), 4);
    const auto reportedFor = [&problems](const QString &progId) {
        for (const QString &problem : problems)
            if (problem.contains(progId))
                return problem;
        return QString();
    };
    EXPECT_TRUE(reportedFor(QStringLiteral("Broken.Missing")).contains(missing + QStringLiteral(" does not exist")));
    EXPECT_TRUE(reportedFor(QStringLiteral("Broken.Text")).contains(QStringLiteral("not a loadable module")));
    EXPECT_TRUE(
        reportedFor(QStringLiteral("Broken.NoEntry")).contains(QStringLiteral("no entry point DllGetClassObject")));
    EXPECT_TRUE(reportedFor(QStringLiteral("Broken.Refused")).contains(QStringLiteral("0x80040111")))
        << qPrintable(reportedFor(QStringLiteral("Broken.Refused")));
}

TEST_F(Registry, LoaderReportsGarbageValuesAndLoadsTheRest)
{
    const QString good = QStringLiteral(TEST_COMMAND_MODULE);
    const QString folder = files.filePath(QStringLiteral("libFolder.so"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString empty = files.filePath(QStringLiteral("libEmpty.so"));
    const QString cut = files.filePath(QStringLiteral("libCut.so"));
    const QString cutHeader = files.filePath(QStringLiteral("libCutHeader.so"));
    {
        QFile emptyFile(empty);
        ASSERT_TRUE(emptyFile.open(QIODevice::WriteOnly));
        // A real module cut short, as an interrupted copy leaves it: the
        // dynamic loader would map what its header announces and crash.
        QFile module(good);
        ASSERT_TRUE(module.open(QIODevice::ReadOnly));
        const QByteArray whole = module.readAll();
        QFile cutFile(cut);
        ASSERT_TRUE(cutFile.open(QIODevice::WriteOnly));
        cutFile.write(cutInsideLoadedSegments(whole));
        QFile cutHeaderFile(cutHeader);
        ASSERT_TRUE(cutHeaderFile.open(QIODevice::WriteOnly));
        cutHeaderFile.write(whole.left(100));
    }
    const QStringList list{QStringLiteral("/opt/one.so"), QStringLiteral("/opt/two.so")};
    const struct
    {
        const char *progId;
        std::optional<QVariant> path;
        QString reason;
    } broken[] = {
        {"Garbage.EmptyPath", QVariant(QString()), QStringLiteral("the registry names no module file for it")},
        {"Garbage.BlankPath", QVariant(QStringLiteral("   ")),
         QStringLiteral("the registry names no module file for it")},
        {"Garbage.NoPath", QVariant(), QStringLiteral("the registry names no module file for it")},
        {"Garbage.Folder", QVariant(folder), folder + QStringLiteral(" is not a module file")},
        {"Garbage.EmptyFile", QVariant(empty), empty + QStringLiteral(" is not a loadable module")},
        {"Garbage.CutModule", QVariant(cut), cut + QStringLiteral(" is not a loadable module: the file is cut short")},
        {"Garbage.CutHeader", QVariant(cutHeader),
         cutHeader + QStringLiteral(" is not a loadable module: the file is cut short")},
        {"Garbage.List", QVariant(list), QStringLiteral("/opt/one.so, /opt/two.so does not exist")},
        {"Garbage.Text", QVariant(textFile()), QStringLiteral("is not a loadable module")},
        {"Garbage.NoEntry", QVariant(QStringLiteral(NO_ENTRY_MODULE)),
         QStringLiteral("no entry point DllGetClassObject")},
    };
    for (const auto &entry : broken)
        writeClass(QUuid::createUuid(), QLatin1String(entry.progId), entry.path);
    writeClass(kTestClass, QStringLiteral("MapdeskTest.Command"), good);
    // A class without any server is no command: passed over in silence.
    writeClass(QUuid::createUuid(), QStringLiteral("Garbage.NoServer"), std::nullopt);

    CommandLoader loader(std::make_shared<HostObject>());
    EXPECT_EQ(loader.loadAll(ComponentRegistry()), 1);
    ASSERT_EQ(loader.commands().size(), 1u);
    EXPECT_EQ(loader.commands()[0]->entry().classId, kTestClass);

    const QStringList problems = loader.problems();
    EXPECT_EQ(problems.size(), static_cast<qsizetype>(std::size(broken)))
        << qPrintable(problems.join(QLatin1Char('\n')));
    for (const auto &entry : broken) {
        const QStringList about = problems.filter(QLatin1String(entry.progId) + QLatin1Char(' '));
        ASSERT_EQ(about.size(), 1) << entry.progId;
        EXPECT_TRUE(about.front().startsWith(QStringLiteral("Cannot load the command ") + QLatin1String(entry.progId)));
        EXPECT_TRUE(about.front().contains(entry.reason)) << qPrintable(about.front());
    }
    EXPECT_TRUE(problems.filter(QStringLiteral("Garbage.NoServer")).isEmpty());
}

TEST_F(Registry, LoadedCommandGetsItsButtonAndItsCalls)
{
    ModuleRecord record;
    ASSERT_TRUE(record);
    writeClass(kTestClass, QStringLiteral("MapdeskTest.Command"), QStringLiteral(TEST_COMMAND_MODULE));
    auto hook = std::make_shared<HostObject>();
    QMainWindow window;
    {
        CommandLoader loader(hook);
        ASSERT_EQ(loader.loadAll(ComponentRegistry()), 1);
        EXPECT_TRUE(loader.problems().isEmpty()) << qPrintable(loader.problems().join(QLatin1Char('\n')));
        EXPECT_EQ(record->onCreate, 1);
        EXPECT_EQ(record->hook, hook.get()) << "OnCreate is given the running application";
        EXPECT_EQ(record->factoriesAlive, 0) << "the class factory is let go once the command exists";

        loader.addToolbars(&window);
        loader.addToolbars(&window);
        auto *toolbar = window.findChild<QToolBar *>(QStringLiteral("category:MapdeskTest"));
        ASSERT_NE(toolbar, nullptr);
        EXPECT_EQ(toolbar->windowTitle(), QStringLiteral("MapdeskTest"));
        ASSERT_EQ(toolbar->actions().size(), 1) << "one button per command, however often toolbars are made";
        QAction *button = toolbar->actions().first();
        EXPECT_EQ(button, loader.action(0));
        EXPECT_EQ(button->objectName(), QStringLiteral("MapdeskTest_Command"));
        EXPECT_EQ(button->text(), QStringLiteral("Test Command"));
        EXPECT_EQ(button->toolTip(), QStringLiteral("Test Command - tip"));
        EXPECT_EQ(button->statusTip(), QStringLiteral("MapdeskTest: status"));
        EXPECT_TRUE(button->isEnabled());
        const QImage icon = button->icon().pixmap(16, 16).toImage();
        ASSERT_FALSE(icon.isNull());
        EXPECT_EQ(icon.pixelColor(8, 8), QColor(0, 0, 255)) << "the icon is the module's bitmap";
        EXPECT_EQ(icon.pixelColor(0, 0), QColor(Qt::white));

        EXPECT_EQ(record->onClick, 0);
        button->trigger();
        button->trigger();
        EXPECT_EQ(record->onClick, 2);
        EXPECT_EQ(record->alive, 1);

        loader.releaseAll();
        EXPECT_EQ(record->alive, 0) << "the command object is released";
        EXPECT_TRUE(toolbar->actions().isEmpty());
    }
    EXPECT_EQ(record->created, 1);
}

} // namespace
