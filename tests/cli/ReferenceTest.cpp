// quarnel-sets' read commands (list, show, check) against a reader of the
// set-file format written here from its rules alone: records of four fields
// in double quotes (a quote inside doubled, line breaks inside kept),
// separated by commas, each ended by CR LF; "True" means visible. Names are
// listed alphabetically, case and accents ignored at first, ties in the
// order of their first record.

#include "CliWorld.h"

#include <QCollator>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

/// What the reference reader makes of a file: its whole records of four
/// fields, and the lines of damaged or cut-short records.
struct Reference
{
    std::vector<QStringList> records;
    std::vector<qsizetype> damaged;
};

Reference readReference(const QByteArray &bytes)
{
    static const QString field = QStringLiteral("\"((?:[^\"]|\"\")*)\"");
    static const QRegularExpression record(QStringLiteral("%1,%1,%1,%1\r\n").arg(field));
    Reference ref;
    const QString text = QString::fromUtf8(bytes);
    for (qsizetype at = 0, line = 1; at < text.size();) {
        const QRegularExpressionMatch match =
            record.match(text, at, QRegularExpression::NormalMatch, QRegularExpression::AnchorAtOffsetMatchOption);
        if (!match.hasMatch()) { // only the add-in's own writing is expected, whole or cut short
            ref.damaged.push_back(line);
            break;
        }
        QStringList fields;
        for (int i = 1; i <= 4; ++i)
            fields << match.captured(i).replace(QLatin1String("\"\""), QLatin1String("\""));
        if (fields[3] != "True" && fields[3] != "False")
            ref.damaged.push_back(line);
        ref.records.push_back(fields);
        at = match.capturedEnd();
        line += match.captured().count('\n');
    }
    return ref;
}

QStringList referenceNames(const Reference &ref)
{
    QStringList names;
    for (const QStringList &record : ref.records)
        if (!names.contains(record[0]))
            names << record[0];
    QCollator collator(QLocale(QLocale::English, QLocale::UnitedStates));
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(names.begin(), names.end(),
                     [&](const QString &a, const QString &b) { return collator.compare(a, b) < 0; });
    return names;
}

/// A set file as years of saving leave it, with odd names in several scripts.
QByteArray generated(quint32 seed, int records)
{
    const QStringList names{
        "Plain",      "plain",    "Äpfel", "apple",        "Zebra", "with \"quotes\"", "comma, inside",
        "  spaced  ", "Ελληνικά", "Карта", "日本語の名前", "עברית", "line\r\nbreak",   "🗺 map",
        "\"\"",       "Ärger",    "a"};
    const QStringList layers{"Roads", "Rivers \"main\"", "Parks, green", "Φ", "道路", "x"};
    QRandomGenerator random(seed);
    QByteArray bytes;
    for (int i = 0; i < records;) {
        const QString set = names[random.bounded(names.size())];
        const QString map = QStringLiteral("Map %1").arg(random.bounded(3));
        for (int block = 1 + random.bounded(5); block > 0 && i < records; --block, ++i)
            bytes +=
                CliWorld::record(set, map, layers[random.bounded(layers.size())], random.bounded(2) ? "True" : "False");
    }
    return bytes;
}

TEST(Reference, ListShowAndCheckAgreeWithAReaderOfTheFormat)
{
    const QByteArray cut = generated(7, 40) + "\"Cut\",\"Map 0\",\"Ro";
    const QByteArray badFlag = generated(8, 20) + CliWorld::record("Odd", "Map", "Layer", "Maybe") + generated(9, 5);
    for (const QByteArray &bytes :
         {generated(1, 300), generated(2, 1), generated(3, 2000), QByteArray(), cut, badFlag}) {
        CliWorld world;
        world.write("config", bytes);
        const Reference ref = readReference(bytes);
        const bool cutShort = bytes.endsWith("Ro");
        SCOPED_TRACE(bytes.left(200).toStdString());

        const CliWorld::Run check = world.run({"--json", "check"});
        EXPECT_EQ(check.exitCode, ref.damaged.empty() ? 0 : 1);
        const QJsonObject report = QJsonDocument::fromJson(check.out).object();
        EXPECT_EQ(report["records"].toInteger(), qsizetype(ref.records.size()));
        EXPECT_EQ(report["bytes"].toInteger(), bytes.size());
        EXPECT_EQ(report["sets"].toInteger(), referenceNames(ref).size());
        std::vector<qsizetype> lines;
        for (const QJsonValue &damage : report["damaged"].toArray())
            lines.push_back(damage["line"].toInteger());
        EXPECT_EQ(lines, ref.damaged);

        const CliWorld::Run list = world.run({"list"});
        if (cutShort) {
            EXPECT_EQ(list.exitCode, 1);
            EXPECT_EQ(list.out, "");
            continue;
        }
        const QStringList names = referenceNames(ref);
        EXPECT_EQ(list.exitCode, 0);
        EXPECT_EQ(QString::fromUtf8(list.out), names.isEmpty() ? QString() : names.join('\n') + '\n');
        EXPECT_EQ(QJsonDocument::fromJson(world.run({"--json", "list"}).out).array().toVariantList(),
                  QJsonArray::fromStringList(names).toVariantList());
        for (const QString &name : names) {
            QJsonArray expected;
            for (const QStringList &record : ref.records)
                if (record[0] == name)
                    expected.append(
                        QJsonObject{{"map", record[1]}, {"layer", record[2]}, {"visible", record[3] == "True"}});
            const CliWorld::Run show = world.run({"--json", "show", "--", name});
            EXPECT_EQ(show.exitCode, 0) << show.err.toStdString();
            EXPECT_EQ(QJsonDocument::fromJson(show.out).array(), expected) << name.toStdString();
        }
    }
}

} // namespace
