#include "BenchData.h"

#include <QByteArray>
#include <QFile>

#include <algorithm>

namespace BenchData {

namespace {

constexpr std::int64_t chosenBlocks = mapCount;
constexpr std::int64_t flushSize = 4 << 20;

QString numbered(const char *prefix, std::int64_t number, int digits)
{
    return QLatin1String(prefix) + QString::number(number).rightJustified(digits, QLatin1Char('0'));
}

void appendRecord(QByteArray &out, const QString &set, const QString &map, const QString &layer, bool visible)
{
    out += '"';
    out += set.toUtf8();
    out += "\",\"";
    out += map.toUtf8();
    out += "\",\"";
    out += layer.toUtf8();
    out += visible ? "\",\"True\"\r\n" : "\",\"False\"\r\n";
}

} // namespace

QString chosenSetName()
{
    return QStringLiteral("Field survey");
}

QString otherSetName(int index)
{
    // Some names carry letters outside ASCII, as names typed by users do.
    if (index % 10 == 3)
        return numbered("Sichtbarkeit ", index + 1, 4) + QStringLiteral(" \u2013 \u00dcbersicht");
    return numbered("Visibility set ", index + 1, 4);
}

QString mapName(int map)
{
    return numbered("Data frame ", map + 1, 2);
}

QString layerName(int layer)
{
    return numbered("Feature layer ", layer + 1, 5);
}

bool chosenVisible(int layer)
{
    return layer % 3 != 0;
}

std::int64_t chosenRecords(std::int64_t records)
{
    // At the smallest size every record carries its own name.
    return records >= 10000 ? records / 100 : 1;
}

bool chosenHolds(std::int64_t records, int map, int layer)
{
    const std::int64_t chosen = chosenRecords(records);
    const std::int64_t blocks = std::min(chosenBlocks, chosen);
    return map < blocks && layer < chosen / blocks;
}

int layersFor(std::int64_t records)
{
    return int(std::max<std::int64_t>(mapCount, chosenRecords(records)));
}

bool writeFile(const QString &path, std::int64_t records)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;

    const std::int64_t chosen = chosenRecords(records);
    const std::int64_t blocks = std::min(chosenBlocks, chosen);
    const int perMap = layersFor(records) / mapCount;
    const std::int64_t others = records - chosen;
    const int otherNames = distinctNames - 1;
    // Other sets come in blocks of up to 100 records, each name about ten
    // times over at the large sizes; names first appear in no sorted order.
    const std::int64_t blockSize = std::clamp<std::int64_t>(others / (otherNames * 10), 1, 100);
    const std::int64_t otherBlocks = (others + blockSize - 1) / blockSize;

    QByteArray out;
    out.reserve(flushSize + 4096);
    const QString chosenName = chosenSetName();
    std::int64_t nextChosen = 0;
    std::int64_t written = 0;
    auto flush = [&](bool always) {
        if (out.size() < flushSize && !always)
            return true;
        const bool ok = file.write(out) == out.size();
        out.clear();
        return ok;
    };
    auto writeChosenUpTo = [&](std::int64_t otherBlock) {
        // Chosen block k stands before other block (2k + 1) * otherBlocks / (2 * blocks).
        while (nextChosen < blocks && (2 * nextChosen + 1) * otherBlocks / (2 * blocks) <= otherBlock) {
            const std::int64_t first = nextChosen * chosen / blocks;
            const std::int64_t last = (nextChosen + 1) * chosen / blocks;
            const int map = int(nextChosen);
            for (std::int64_t r = first; r < last; ++r) {
                const int layer = int((r - first) % perMap);
                appendRecord(out, chosenName, mapName(map), layerName(layer), chosenVisible(layer));
            }
            written += last - first;
            ++nextChosen;
        }
    };
    for (std::int64_t block = 0; block < otherBlocks; ++block) {
        writeChosenUpTo(block);
        const QString set = otherSetName(int(block * 7919 % otherNames));
        const QString map = mapName(int(block % mapCount));
        const std::int64_t size = std::min(blockSize, others - block * blockSize);
        for (std::int64_t r = 0; r < size; ++r)
            appendRecord(out, set, map, layerName(int(r % perMap)), (block + r) % 3 != 0);
        written += size;
        if (!flush(false))
            return false;
    }
    writeChosenUpTo(otherBlocks);
    if (!flush(true))
        return false;
    return written == records && file.flush();
}

} // namespace BenchData
