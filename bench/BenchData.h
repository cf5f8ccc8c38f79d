#pragma once

#include <QString>

#include <cstdint>

/// The shape of the benchmark data, shared by the generator and the
/// benchmarks so that a generated visibility-set file and the document built
/// for it agree on every name.
///
/// A file of N records holds 1000 distinct set names in blocks, as years of
/// saves leave them: each block is one save of one map's layers, and names
/// come back many times. One of the names, chosenSetName(), is the set that
/// the restore benchmarks select: 10 blocks, one per map, N / 100 records in
/// all, scattered evenly through the file. It was saved from the document of
/// layersFor(N) feature layers in 10 maps that makeDocument builds.
namespace BenchData {
constexpr int mapCount = 10;
constexpr int distinctNames = 1000;

/// The set that the restore benchmarks select.
QString chosenSetName();
/// The other set names, index 0 .. distinctNames - 2.
QString otherSetName(int index);
/// Map index 0 .. mapCount - 1.
QString mapName(int map);
/// Feature layer 0 .. of a map, numbered in walk order.
QString layerName(int layer);
/// The visibility the chosen set records for a layer.
bool chosenVisible(int layer);

/// Records of the chosen set in a file of `records` records (at least 1).
std::int64_t chosenRecords(std::int64_t records);
/// Whether the chosen set in a file of `records` records holds a record for
/// layer `layer` of map `map`.
bool chosenHolds(std::int64_t records, int map, int layer);
/// Feature layers of the document the chosen set was saved from: one per
/// record of the set, at least one per map.
int layersFor(std::int64_t records);

/// Writes a file of `records` records to `path` (native); false on failure.
bool writeFile(const QString &path, std::int64_t records);
} // namespace BenchData
