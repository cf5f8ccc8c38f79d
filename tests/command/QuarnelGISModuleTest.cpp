#include "Com.h"
#include "QuarnelGISIds.h"

#include <QFile>
#include <QFileInfo>
#include <QLibrary>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>

// Tests of the built module as a host sees it: loaded from its file, reached
// only through its four entry points.

namespace {

struct EntryPoints
{
    Com::DllGetClassObjectFn getClassObject = nullptr;
    Com::DllCanUnloadNowFn canUnloadNow = nullptr;
    Com::DllRegisterServerFn registerServer = nullptr;
    Com::DllUnregisterServerFn unregisterServer = nullptr;
};

/// The module, loaded once and kept for the rest of the run, as a host does.
const EntryPoints &module()
{
    static const EntryPoints entries = [] {
        static QLibrary library(QStringLiteral(QUARNELGIS_MODULE_PATH));
        EntryPoints found;
        if (!library.load()) {
            ADD_FAILURE() << library.errorString().toStdString();
            return found;
        }
        found.getClassObject = reinterpret_cast<Com::DllGetClassObjectFn>(library.resolve("DllGetClassObject"));
        found.canUnloadNow = reinterpret_cast<Com::DllCanUnloadNowFn>(library.resolve("DllCanUnloadNow"));
        found.registerServer = reinterpret_cast<Com::DllRegisterServerFn>(library.resolve("DllRegisterServer"));
        found.unregisterServer = reinterpret_cast<Com::DllUnregisterServerFn>(library.resolve("DllUnregisterServer"));
        return found;
    }();
    return entries;
}

class ModuleTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const EntryPoints &entries = module();
        ASSERT_TRUE(entries.getClassObject && entries.canUnloadNow && entries.registerServer
                    && entries.unregisterServer);
        ASSERT_EQ(entries.canUnloadNow(), Com::S_OK) << "an earlier test left an object alive";
    }

    Com::IClassFactory *factory()
    {
        void *object = nullptr;
        EXPECT_EQ(module().getClassObject(&QuarnelGISIds::CLSID_QuarnelVisibility, &Com::IID_IClassFactory, &object),
                  Com::S_OK);
        return static_cast<Com::IClassFactory *>(object);
    }
};

TEST_F(ModuleTest, TheClassFactoryCreatesAWorkingCommand)
{
    Com::IClassFactory *classFactory = factory();
    ASSERT_TRUE(classFactory);

    void *object = nullptr;
    ASSERT_EQ(classFactory->CreateInstance(nullptr, Com::IID_ICommand, &object), Com::S_OK);
    auto *command = static_cast<Com::ICommand *>(object);
    ASSERT_TRUE(command);
    QString name;
    EXPECT_EQ(command->get_Name(&name), Com::S_OK);
    EXPECT_EQ(name, QStringLiteral("QuarnelGIS_QuarnelVisibility"));

    for (const QUuid &iid : {Com::IID_IUnknown, QuarnelGISIds::IID_QuarnelVisibility}) {
        void *face = nullptr;
        EXPECT_EQ(command->QueryInterface(iid, &face), Com::S_OK);
        EXPECT_EQ(face, command);
        if (face)
            command->Release();
    }
    void *other = command;
    EXPECT_EQ(command->QueryInterface(QUuid::createUuid(), &other), Com::E_NOINTERFACE);
    EXPECT_EQ(other, nullptr);

    EXPECT_EQ(command->Release(), 0u);
    EXPECT_EQ(classFactory->Release(), 0u);
}

TEST_F(ModuleTest, TheCommandsSecondFaceLeadsBackToTheSameObject)
{
    Com::IClassFactory *classFactory = factory();
    ASSERT_TRUE(classFactory);
    void *object = nullptr;
    ASSERT_EQ(classFactory->CreateInstance(nullptr, Com::IID_ICommand, &object), Com::S_OK);
    classFactory->Release();
    auto *command = static_cast<Com::ICommand *>(object);

    void *face = nullptr;
    ASSERT_EQ(command->QueryInterface(Com::IID_IObjectWithSite, &face), Com::S_OK);
    auto *withSite = static_cast<Com::IObjectWithSite *>(face);
    ASSERT_TRUE(withSite);
    EXPECT_NE(face, object) << "a face of its own";
    for (const QUuid &iid : {Com::IID_IUnknown, Com::IID_ICommand}) {
        void *back = nullptr;
        EXPECT_EQ(withSite->QueryInterface(iid, &back), Com::S_OK);
        EXPECT_EQ(back, object);
        if (back)
            command->Release();
    }
    EXPECT_EQ(withSite->QueryInterface(Com::IID_IObjectWithSite, nullptr), Com::E_POINTER);
    // Both faces count the one object's references.
    EXPECT_EQ(withSite->Release(), 1u);
    EXPECT_EQ(command->Release(), 0u);
    EXPECT_EQ(module().canUnloadNow(), Com::S_OK);
}

TEST_F(ModuleTest, TheFactoryAnswersOnlyForItsOwnInterfaces)
{
    void *object = nullptr;
    ASSERT_EQ(module().getClassObject(&QuarnelGISIds::CLSID_QuarnelVisibility, &Com::IID_IUnknown, &object), Com::S_OK);
    auto *unknown = static_cast<Com::IUnknown *>(object);
    void *face = nullptr;
    EXPECT_EQ(unknown->QueryInterface(Com::IID_IClassFactory, &face), Com::S_OK);
    EXPECT_EQ(face, object);
    static_cast<Com::IUnknown *>(face)->Release();
    EXPECT_EQ(unknown->Release(), 0u);

    object = &face;
    EXPECT_EQ(module().getClassObject(&QuarnelGISIds::CLSID_QuarnelVisibility, &Com::IID_ICommand, &object),
              Com::E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(module().canUnloadNow(), Com::S_OK);
}

TEST_F(ModuleTest, AnUnknownClassIsRefused)
{
    for (const QUuid &classId :
         {QUuid::createUuid(), QuarnelGISIds::LIBID_QuarnelGIS, QuarnelGISIds::IID_QuarnelVisibility}) {
        int marker = 0;
        void *object = &marker;
        EXPECT_EQ(module().getClassObject(&classId, &Com::IID_IClassFactory, &object), Com::CLASS_E_CLASSNOTAVAILABLE);
        EXPECT_EQ(object, nullptr);
    }
    EXPECT_EQ(module().canUnloadNow(), Com::S_OK);
}

TEST_F(ModuleTest, AggregationIsRefused)
{
    Com::IClassFactory *classFactory = factory();
    ASSERT_TRUE(classFactory);
    void *object = classFactory;
    EXPECT_EQ(classFactory->CreateInstance(classFactory, Com::IID_ICommand, &object), Com::CLASS_E_NOAGGREGATION);
    EXPECT_EQ(object, nullptr);
    classFactory->Release();
    EXPECT_EQ(module().canUnloadNow(), Com::S_OK);
}

TEST_F(ModuleTest, TheModuleMayUnloadOnlyWhenNoObjectOrLockIsAlive)
{
    Com::IClassFactory *classFactory = factory();
    ASSERT_TRUE(classFactory);
    EXPECT_EQ(module().canUnloadNow(), Com::S_FALSE);

    void *object = nullptr;
    ASSERT_EQ(classFactory->CreateInstance(nullptr, Com::IID_ICommand, &object), Com::S_OK);
    auto *command = static_cast<Com::ICommand *>(object);
    classFactory->Release();
    EXPECT_EQ(module().canUnloadNow(), Com::S_FALSE) << "the command still lives";

    command->AddRef();
    command->Release();
    EXPECT_EQ(module().canUnloadNow(), Com::S_FALSE);
    command->Release();
    EXPECT_EQ(module().canUnloadNow(), Com::S_OK);

    classFactory = factory();
    ASSERT_TRUE(classFactory);
    EXPECT_EQ(classFactory->LockServer(true), Com::S_OK);
    classFactory->Release();
    EXPECT_EQ(module().canUnloadNow(), Com::S_FALSE) << "a server lock keeps the module";

    classFactory = factory();
    EXPECT_EQ(classFactory->LockServer(false), Com::S_OK);
    EXPECT_EQ(classFactory->LockServer(false), Com::S_OK) << "an unlock too many is ignored";
    classFactory->Release();
    EXPECT_EQ(module().canUnloadNow(), Com::S_OK);

    classFactory = factory();
    classFactory->LockServer(true);
    classFactory->LockServer(false);
    classFactory->Release();
    EXPECT_EQ(module().canUnloadNow(), Com::S_OK);
}

/// Every key and value of a registry file.
std::map<QString, QString> registryContents()
{
    QSettings registry(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("mapdesk"),
                       QStringLiteral("registry"));
    std::map<QString, QString> contents;
    for (const QString &key : registry.allKeys()) {
        const QVariant value = registry.value(key);
        EXPECT_EQ(value.userType(), QMetaType::QString) << key.toStdString() << " must read back as one text";
        contents[key] = value.toString();
    }
    return contents;
}

class RegistryTest : public ModuleTest
{
protected:
    void SetUp() override
    {
        ModuleTest::SetUp();
        ASSERT_TRUE(folder.isValid());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder.path());
    }
    void TearDown() override
    {
        // No later test may reach the user's own registry through this path.
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder.path() + QStringLiteral("/gone"));
    }

    QTemporaryDir folder;
};

TEST_F(RegistryTest, RegistrationWritesTheClassAndRemovesExactlyWhatItWrote)
{
    const std::map<QString, QString> others{
        {QStringLiteral("CLSID/{0A5C4B2E-1111-4222-8333-944455556666}/ProgID"), QStringLiteral("Other.Command")},
        {QStringLiteral("CLSID/{0A5C4B2E-1111-4222-8333-944455556666}/InprocServer32/Path"),
         QStringLiteral("/opt/other/libOther.so")},
        {QStringLiteral("ProgID/Other.Command/CLSID"), QStringLiteral("{0A5C4B2E-1111-4222-8333-944455556666}")},
        {QStringLiteral("TypeLib/{0A5C4B2E-7777-4222-8333-944455556666}/1.0/Name"), QStringLiteral("Other")},
        // A key a host added under this class itself is not registration's to remove.
        {QStringLiteral("CLSID/") + QuarnelGISIds::text(QuarnelGISIds::CLSID_QuarnelVisibility)
             + QStringLiteral("/Toolbar/Position"),
         QStringLiteral("3")},
    };
    {
        QSettings registry(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("mapdesk"),
                           QStringLiteral("registry"));
        for (const auto &[key, value] : others)
            registry.setValue(key, value);
    }

    ASSERT_EQ(module().registerServer(), Com::S_OK);

    const QString clsid = QStringLiteral("{2F501C02-7CF5-4FB0-8252-61369CF2B62E}");
    const QString libid = QStringLiteral("{4F4572E0-45FD-429A-8A08-0CA176025342}");
    const QString iid = QStringLiteral("{FC7FE129-F173-438F-B646-CA8A8278B224}");
    std::map<QString, QString> expected = others;
    expected[QStringLiteral("CLSID/") + clsid + QStringLiteral("/ProgID")] =
        QStringLiteral("QuarnelGIS.QuarnelVisibility");
    expected[QStringLiteral("CLSID/") + clsid + QStringLiteral("/InprocServer32/Path")] =
        QFileInfo(QStringLiteral(QUARNELGIS_MODULE_PATH)).absoluteFilePath();
    expected[QStringLiteral("CLSID/") + clsid + QStringLiteral("/InprocServer32/ThreadingModel")] =
        QStringLiteral("Apartment");
    expected[QStringLiteral("CLSID/") + clsid + QStringLiteral("/TypeLib")] = libid;
    expected[QStringLiteral("ProgID/QuarnelGIS.QuarnelVisibility/CLSID")] = clsid;
    expected[QStringLiteral("TypeLib/") + libid + QStringLiteral("/1.0/Name")] = QStringLiteral("QuarnelGIS");
    const QString classKey = QStringLiteral("TypeLib/") + libid + QStringLiteral("/1.0/Classes/") + clsid;
    expected[classKey + QStringLiteral("/Name")] = QStringLiteral("QuarnelVisibility");
    expected[classKey + QStringLiteral("/DefaultInterface")] = iid;
    expected[classKey + QStringLiteral("/Interfaces")] =
        iid + QStringLiteral(",{36B06538-4437-11D1-B970-080009EE4E51}");
    EXPECT_EQ(registryContents(), expected);
    EXPECT_TRUE(QFile::exists(folder.path() + QStringLiteral("/mapdesk/registry.ini")));

    // Registering again changes nothing.
    ASSERT_EQ(module().registerServer(), Com::S_OK);
    EXPECT_EQ(registryContents(), expected);

    ASSERT_EQ(module().unregisterServer(), Com::S_OK);
    EXPECT_EQ(registryContents(), others);

    // Removing what is not there is no failure and touches nothing.
    ASSERT_EQ(module().unregisterServer(), Com::S_OK);
    EXPECT_EQ(registryContents(), others);
}

TEST_F(RegistryTest, ARegistryThatCannotBeWrittenIsAFailure)
{
    // The registry's folder would have to be made inside a plain file.
    const QString blocked = folder.path() + QStringLiteral("/plain-file");
    QFile file(blocked);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, blocked);

    EXPECT_EQ(module().registerServer(), Com::SELFREG_E_CLASS);
}

} // namespace
