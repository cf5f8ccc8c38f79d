#include "QgisProcessCommand.h"

#include "QgisDrives.h"
#include "QgisHost.h"
#include "QgisProcessingProvider.h"

#include <qgsapplication.h>
#include <qgsprocessingalgorithm.h>
#include <qgsprocessingcontext.h>
#include <qgsprocessingfeedback.h>
#include <qgsprocessingparameters.h>
#include <qgsprocessingregistry.h>
#include <qgsproject.h>

#include <memory>

namespace quarnelqgis {

namespace {

/// Processing's messages on the command's outputs.
class PrintedFeedback : public QgsProcessingFeedback
{
public:
    explicit PrintedFeedback(const std::function<void(const QString &)> &err) : m_err(err) {}
    void reportError(const QString &error, bool) override { m_err(error); }
    void pushInfo(const QString &info) override { m_err(info); }

private:
    std::function<void(const QString &)> m_err;
};

} // namespace

QString QgisProcessCommand::usage()
{
    return QStringLiteral(
        "usage: quarnel-qgis-process [--drive X=DIR]... [--write-project] PROJECT ALGORITHM [--NAME=VALUE]...\n"
        "       quarnel-qgis-process --list\n"
        "ALGORITHM: restoreset, saveset or exportlayoutforeachset (see --list)");
}

QgisProcessCommand::Arguments QgisProcessCommand::parse(const QStringList &arguments)
{
    Arguments parsed;
    QStringList positional;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (argument == QLatin1String("--list")) {
            parsed.list = true;
        } else if (argument == QLatin1String("--write-project")) {
            parsed.write = true;
        } else if (argument == QLatin1String("--drive")) {
            if (i + 1 >= arguments.size()) {
                parsed.error = QStringLiteral("--drive needs X=DIR");
                return parsed;
            }
            parsed.drives << arguments.at(++i);
        } else if (argument.startsWith(QLatin1String("--drive="))) {
            parsed.drives << argument.mid(8);
        } else if (argument.startsWith(QLatin1String("--")) && argument.contains(QLatin1Char('='))) {
            const int equals = argument.indexOf(QLatin1Char('='));
            parsed.parameters.insert(argument.mid(2, equals - 2), argument.mid(equals + 1));
        } else if (argument.startsWith(QLatin1String("--"))) {
            parsed.error = QStringLiteral("Unknown option %1").arg(argument);
            return parsed;
        } else {
            positional << argument;
        }
    }
    if (parsed.list) {
        if (!positional.isEmpty())
            parsed.error = QStringLiteral("--list takes nothing else");
        return parsed;
    }
    if (positional.size() != 2) {
        parsed.error = QStringLiteral("A project and an algorithm are needed");
        return parsed;
    }
    parsed.project = positional.at(0);
    parsed.algorithm = positional.at(1);
    return parsed;
}

int QgisProcessCommand::run(const Arguments &arguments, const std::function<void(const QString &)> &out,
                            const std::function<void(const QString &)> &err)
{
    if (!arguments.error.isEmpty()) {
        err(arguments.error);
        err(usage());
        return 2;
    }
    QgsProject project;
    if (!arguments.list && !project.read(arguments.project)) {
        err(QStringLiteral("The project %1 cannot be read: %2").arg(arguments.project, project.error()));
        return 2;
    }
    QgisHost::Options options;
    options.parts = {&project, nullptr, nullptr};
    options.driveSettings = arguments.drives;
    options.driveEnvironment = qEnvironmentVariable(QgisDrives::environmentVariable());
    QgisHost host(options);
    for (const QString &problem : host.problems())
        err(problem);

    QgsProcessingRegistry *registry = QgsApplication::processingRegistry();
    auto *provider = new QgisProcessingProvider(host);
    if (!registry->addProvider(provider)) {
        err(QStringLiteral("Processing refused the QuarnelVisibility provider"));
        return 2;
    }
    // The registry deletes the provider when it is removed, before the host goes.
    const std::shared_ptr<void> removeProvider(nullptr,
                                               [registry, provider](void *) { registry->removeProvider(provider); });

    if (arguments.list) {
        for (const QgsProcessingAlgorithm *algorithm : provider->algorithms()) {
            out(QStringLiteral("%1\t%2").arg(algorithm->name(), algorithm->displayName()));
            for (const QgsProcessingParameterDefinition *parameter : algorithm->parameterDefinitions())
                out(QStringLiteral("\t--%1=\t%2").arg(parameter->name(), parameter->description()));
        }
        return 0;
    }

    const QString id = arguments.algorithm.contains(QLatin1Char(':'))
                           ? arguments.algorithm
                           : provider->id() + QLatin1Char(':') + arguments.algorithm;
    std::unique_ptr<QgsProcessingAlgorithm> algorithm(registry->createAlgorithmById(id));
    if (!algorithm || algorithm->provider() != provider) {
        err(QStringLiteral("There is no algorithm %1").arg(arguments.algorithm));
        err(usage());
        return 2;
    }
    QgsProcessingContext context;
    context.setProject(&project);
    PrintedFeedback feedback(err);
    bool ok = false;
    const QVariantMap results = algorithm->run(arguments.parameters, context, &feedback, &ok);
    if (!ok)
        return 1;
    for (auto result = results.cbegin(); result != results.cend(); ++result)
        out(QStringLiteral("%1:\t%2").arg(result.key(), result.value().toString()));
    if (arguments.write && !project.write()) {
        err(QStringLiteral("The project %1 cannot be written: %2").arg(arguments.project, project.error()));
        return 1;
    }
    return 0;
}

} // namespace quarnelqgis
