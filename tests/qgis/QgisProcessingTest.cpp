#include "QgisExportWorld.h"
#include "QgisProcessCommand.h"
#include "QgisProcessingProvider.h"

#include <qgsapplication.h>
#include <qgslayertree.h>
#include <qgsprocessingalgorithm.h>
#include <qgsprocessingcontext.h>
#include <qgsprocessingfeedback.h>
#include <qgsprocessingregistry.h>

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

using namespace quarnelqgis;

namespace {

/// The provider registered with QGIS's Processing registry for one test.
struct Registered
{
    explicit Registered(QgisExportWorld &w) : provider(new QgisProcessingProvider(*w.host))
    {
        EXPECT_TRUE(QgsApplication::processingRegistry()->addProvider(provider));
        context.setProject(&w.project);
    }
    ~Registered() { QgsApplication::processingRegistry()->removeProvider(provider); }

    /// Runs algorithm `name` of the provider through the registry, as the
    /// Toolbox, a model or a batch run does; `ok` tells whether it succeeded.
    QVariantMap run(const char *name, const QVariantMap &parameters, bool *ok)
    {
        std::unique_ptr<QgsProcessingAlgorithm> algorithm(QgsApplication::processingRegistry()->createAlgorithmById(
            QStringLiteral("quarnelvisibility:") + QLatin1String(name)));
        EXPECT_TRUE(algorithm);
        if (!algorithm)
            return {};
        QgsProcessingFeedback feedback;
        return algorithm->run(parameters, context, &feedback, ok);
    }

    QgisProcessingProvider *provider;
    QgsProcessingContext context;
};

std::vector<std::pair<QString, bool>> withChecks(std::vector<std::pair<QString, bool>> checks,
                                                 const std::vector<std::pair<const char *, bool>> &changes)
{
    for (const auto &[name, checked] : changes)
        for (auto &node : checks)
            if (node.first == QLatin1String(name))
                node.second = checked;
    return checks;
}

} // namespace

TEST(QgisProcessing, RestoreSetSwitchesTheLayerTreeAsAClickDoes)
{
    struct Row
    {
        const char *what;
        bool exactly;
        std::vector<std::pair<const char *, bool>> changed; ///< from the world's first state
    };
    const Row rows[] = {
        {"as saved", false, {{"rivers", true}, {"aerial", true}, {"streets", false}}},
        {"exactly",
         true,
         {{"rivers", true},
          {"aerial", true},
          {"streets", false},
          {"roads", false},
          {"lakes", false},
          {"wells", false}}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        QgisExportWorld w;
        w.saveSet(QStringLiteral("S"), {{"rivers", true}, {"aerial", true}});
        const auto expected = withChecks(w.checks(), row.changed);
        Registered processing(w);
        bool ok = false;
        const QVariantMap result = processing.run(
            "restoreset", {{QStringLiteral("SET"), QStringLiteral("S")}, {QStringLiteral("EXACTLY"), row.exactly}},
            &ok);
        EXPECT_TRUE(ok);
        EXPECT_EQ(result.value(QStringLiteral("RECORDS")).toInt(), 2);
        EXPECT_EQ(w.checks(), expected);
    }
}

TEST(QgisProcessing, RestoringASetThatIsNotThereFailsAndChangesNothing)
{
    QgisExportWorld w;
    w.saveSet(QStringLiteral("S"), {{"roads", false}});
    const auto before = w.checks();
    Registered processing(w);
    bool ok = true;
    processing.run("restoreset", {{QStringLiteral("SET"), QStringLiteral("s")}}, &ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(w.checks(), before);
}

TEST(QgisProcessing, ASavedSetRestoresWhatWasVisibleWhenItWasSaved)
{
    QgisExportWorld w;
    Registered processing(w);
    bool ok = false;
    processing.run("saveset", {{QStringLiteral("SET"), QStringLiteral("Saved")}}, &ok);
    ASSERT_TRUE(ok);
    const auto saved = w.checks();
    EXPECT_EQ(w.sets->names(), QStringList{QStringLiteral("Saved")});
    for (QgsLayerTreeLayer *layer : w.project.layerTreeRoot()->findLayers())
        layer->setItemVisibilityChecked(!layer->itemVisibilityChecked());
    ASSERT_NE(w.checks(), saved);
    processing.run("restoreset", {{QStringLiteral("SET"), QStringLiteral("Saved")}}, &ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(w.checks(), saved);
}

TEST(QgisProcessing, ExportWritesOneFileForEverySetOfTheFileWhenNoneIsNamed)
{
    QgisExportWorld w;
    for (const char *set : {"one", "two", "three"})
        w.saveSet(QLatin1String(set), {{"roads", false}});
    Registered processing(w);
    QTemporaryDir out;
    bool ok = false;
    const QVariantMap result = processing.run("exportlayoutforeachset",
                                              {{QStringLiteral("LAYOUT"), QStringLiteral("Page")},
                                               {QStringLiteral("FORMAT"), 1},
                                               {QStringLiteral("FOLDER"), out.path()}},
                                              &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(result.value(QStringLiteral("WRITTEN")).toInt(), 3);
    EXPECT_EQ(QDir(out.path()).entryList(QDir::Files, QDir::Name),
              (QStringList{QStringLiteral("one.png"), QStringLiteral("three.png"), QStringLiteral("two.png")}));
}

TEST(QgisProcessCommand, RunsAnAlgorithmOnAProjectFileAndSavesItWhenAsked)
{
    QgisExportWorld w;
    w.saveSet(QStringLiteral("roads off"), {{"roads", false}});
    QTemporaryDir folder;
    const QString projectFile = folder.filePath(QStringLiteral("project.qgs"));
    ASSERT_TRUE(w.project.write(projectFile));
    const QString drive = QStringLiteral("C=") + w.drive.path();
    QStringList printed;
    QStringList told;
    const auto out = [&](const QString &line) { printed << line; };
    const auto err = [&](const QString &line) { told << line; };

    const QString exported = folder.filePath(QStringLiteral("out"));
    EXPECT_EQ(QgisProcessCommand::run(
                  QgisProcessCommand::parse({QStringLiteral("--drive"), drive, projectFile,
                                             QStringLiteral("exportlayoutforeachset"), QStringLiteral("--LAYOUT=Page"),
                                             QStringLiteral("--FORMAT=2"), QStringLiteral("--FOLDER=") + exported}),
                  out, err),
              0)
        << told.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(printed.contains(QStringLiteral("WRITTEN:\t1")));
    EXPECT_EQ(QDir(exported).entryList(QDir::Files), QStringList{QStringLiteral("roads off.svg")});

    EXPECT_EQ(
        QgisProcessCommand::run(
            QgisProcessCommand::parse({QStringLiteral("--drive=") + drive, QStringLiteral("--write-project"),
                                       projectFile, QStringLiteral("restoreset"), QStringLiteral("--SET=roads off")}),
            out, err),
        0);
    QgsProject reread;
    ASSERT_TRUE(reread.read(projectFile));
    const QgsLayerTreeLayer *roads = reread.layerTreeRoot()->findLayers().first();
    EXPECT_EQ(roads->name(), QStringLiteral("roads"));
    EXPECT_FALSE(roads->itemVisibilityChecked());
}

TEST(QgisProcessCommand, AWrongCommandLineOrAFailedAlgorithmIsAFailureStatus)
{
    struct Row
    {
        QStringList arguments; ///< after the project file, where one is given
        bool withProject;
        int status;
    };
    const Row rows[] = {
        {{}, false, 2},
        {{QStringLiteral("restoreset")}, false, 2},
        {{QStringLiteral("nosuchalgorithm")}, true, 2},
        {{QStringLiteral("native:buffer")}, true, 2},
        {{QStringLiteral("restoreset"), QStringLiteral("--bogus")}, true, 2},
        {{QStringLiteral("restoreset"), QStringLiteral("--SET=not saved")}, true, 1},
    };
    QgisExportWorld w;
    QTemporaryDir folder;
    const QString projectFile = folder.filePath(QStringLiteral("project.qgs"));
    ASSERT_TRUE(w.project.write(projectFile));
    for (const Row &row : rows) {
        SCOPED_TRACE(row.arguments.join(QLatin1Char(' ')).toStdString());
        QStringList arguments{QStringLiteral("--drive"), QStringLiteral("C=") + w.drive.path()};
        if (row.withProject)
            arguments << projectFile;
        arguments << row.arguments;
        QStringList told;
        EXPECT_EQ(QgisProcessCommand::run(
                      QgisProcessCommand::parse(arguments), [](const QString &) {},
                      [&](const QString &line) { told << line; }),
                  row.status);
        EXPECT_FALSE(told.isEmpty());
    }
}
