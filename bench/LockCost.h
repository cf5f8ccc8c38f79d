#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>

class BenchWorld;

/// What the set file's lock adds to the work around it, measured alone: one
/// take and release of the lock on a file already open, exactly as the file
/// channel takes it, so that report.py can set it against the listing or the
/// save that pays it once per opening.
namespace LockCost {
/// The readers' lock: the shared lock taken and given back on the generated
/// file of `records` records, open for reading as listing opens it.
void shared(benchmark::State &state, BenchWorld &world, std::int64_t records);
/// The append's lock: the exclusive lock taken on the add-in's file (linked
/// to the generated file of `records` records) open for appending, the check
/// that its path still names the file held, and the lock given back.
void forAppend(benchmark::State &state, BenchWorld &world, std::int64_t records);
} // namespace LockCost
