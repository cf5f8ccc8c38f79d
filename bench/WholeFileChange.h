#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>

class BenchWorld;

/// The whole-file changes of one set (rename, delete) on a copy of the
/// generated file of `records` records, next to cp copying the same file.
/// Every iteration starts from a fresh copy on disk, made and written out
/// before the timing resumes; the copy, the new file and the earlier file
/// kept for undo are removed outside the timing too. All of them live in the
/// add-in's settings folder, on the file system cp writes to.
namespace WholeFileChange {
/// SetStore::renameSet of the restored set to a name not in use.
void renameSet(benchmark::State &state, BenchWorld &world, std::int64_t records);
/// SetStore::deleteSets of the restored set.
void deleteSet(benchmark::State &state, BenchWorld &world, std::int64_t records);
/// The walk a change makes over the file's bytes, alone: every record of
/// the generated file (read into memory outside the timing) visited with
/// SetFileRecords, nothing copied.
void walk(benchmark::State &state, BenchWorld &world, std::int64_t records);
/// The writing a change ends with, alone: the generated file's bytes written
/// as a new file through QSaveFile and committed (written out, renamed into
/// place), as the change writes its result.
void write(benchmark::State &state, BenchWorld &world, std::int64_t records);
/// cp of the generated file into the settings folder, as a process of its own.
void copy(benchmark::State &state, BenchWorld &world, std::int64_t records);
/// The same cp followed by "sync -d" of the copy, since a whole-file change
/// writes its new file out to the disk before it replaces the old one.
void copyAndSync(benchmark::State &state, BenchWorld &world, std::int64_t records);
} // namespace WholeFileChange
