#include "CliWorld.h"

#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

void CliWorld::write(const QString &name, const QByteArray &bytes) const
{
    QFile file(path(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QByteArray CliWorld::read(const QString &name) const
{
    QFile file(path(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

CliWorld::Run CliWorld::run(const QStringList &arguments, bool onConfig) const
{
    QProcess process;
    process.setWorkingDirectory(dir.path());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // The order of names is the C locale's, and mapdesk's own drive C is
    // kept inside the folder.
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    environment.insert(QStringLiteral("HOME"), dir.path());
    environment.insert(QStringLiteral("XDG_DATA_HOME"), dir.filePath(QStringLiteral("share")));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.path());
    for (auto variable = this->environment.cbegin(); variable != this->environment.cend(); ++variable)
        environment.insert(variable.key(), variable.value());
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(QUARNEL_SETS_PATH),
                  (onConfig ? QStringList{QStringLiteral("--file"), QStringLiteral("config")} : QStringList())
                      + arguments);
    Run result;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return result;
    result.exitCode = process.exitCode();
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

QByteArray CliWorld::townDocument()
{
    return R"({"version": 1, "maps": [{"name": "Town", "layers": [
        {"type": "feature", "name": "Roads", "visible": false, "source": "roads.geojson"},
        {"type": "feature", "name": "Rivers", "visible": true, "source": "rivers.geojson"},
        {"type": "feature", "name": "Parks", "visible": true, "source": "parks.geojson"}]}]})";
}

QByteArray CliWorld::record(const QString &set, const QString &map, const QString &layer, const QString &visibility)
{
    QStringList fields;
    for (QString field : {set, map, layer, visibility})
        fields << QLatin1Char('"') + field.replace(QLatin1Char('"'), QLatin1String("\"\"")) + QLatin1Char('"');
    return fields.join(QLatin1Char(',')).toUtf8() + "\r\n";
}
