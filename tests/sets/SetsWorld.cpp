#include "SetsWorld.h"

#include <QDir>
#include <QFile>

#include <stdexcept>

SetsWorld::SetsWorld() : document(fake::standardDocument()), application(std::make_shared<fake::Application>(document))
{
    const QString root = host.drives->add(QLatin1Char('C'));
    folder = root + QStringLiteral("/Program Files/QuarnelGIS/QuarnelVisibility/");
    QDir().mkpath(folder);
    writeFile(QByteArray());
    host.objects->application = application;

    QuarnelGIS_Public &started = *host.state;
    started.productName = QStringLiteral("QuarnelVisibility");
    started.productVersion = QStringLiteral("v2.12");
    started.setFilePath = QStringLiteral("C:\\Program Files\\QuarnelGIS\\QuarnelVisibility\\config");
    started.document = document;
}

QByteArray SetsWorld::record(const QByteArray &set, const QByteArray &map, const QByteArray &layer,
                             const QByteArray &visibility)
{
    return '"' + set + "\",\"" + map + "\",\"" + layer + "\",\"" + visibility + "\"\r\n";
}

void SetsWorld::useDocument(std::shared_ptr<fake::Document> next)
{
    document = next;
    application->current = next;
    host.state->document = next;
}

QByteArray SetsWorld::fileBytes() const
{
    QFile file(filePath());
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<missing>");
    return file.readAll();
}

void SetsWorld::writeFile(const QByteArray &bytes) const
{
    QFile file(filePath());
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
}

fake::LayerBase &SetsWorld::layer(const QString &mapName, const QString &name) const
{
    const auto found = document->layer(mapName, name);
    if (!found)
        throw std::invalid_argument("No layer " + name.toStdString() + " in map " + mapName.toStdString());
    return *found;
}

int SetsWorld::viewCalls(const char *name) const
{
    int calls = document->layout->calls.count(name);
    for (const auto &map : document->mapList->items)
        calls += std::dynamic_pointer_cast<fake::Map>(map)->calls.count(name);
    return calls;
}

QStringList SetsWorld::oddNames()
{
    QString longName;
    while (longName.size() < 2000)
        longName += QStringLiteral("<i>long</i> &lt;name&gt; ");
    longName.truncate(2000);
    return {QStringLiteral("<b>x</b>"),
            QStringLiteral("<img src=x>"),
            QStringLiteral("&amp;"),
            QStringLiteral("שכבות גלויות"),
            QStringLiteral("طبقات \u202Eabc\u202C"),
            longName,
            QStringLiteral("  padded  "),
            QStringLiteral(" ")};
}

std::shared_ptr<fake::Document> SetsWorld::oddNamesDocument()
{
    fake::DocumentBuilder builder;
    for (const QString &name : oddNames())
        builder.map(name).layer(name);
    return builder.build();
}

QStringList SetsWorld::reportedModules() const
{
    QStringList modules;
    for (const fake::Box &box : host.boxes->boxes) {
        const QStringList lines = box.text.split(QStringLiteral("\r\n"));
        modules << (lines.size() > 9 ? lines[9] : box.text);
    }
    return modules;
}
