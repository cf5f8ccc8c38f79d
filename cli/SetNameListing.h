#pragma once

#include <QString>

#include <functional>

struct QuarnelGIS_Public;

/// Where the file at `native`, of `size` bytes, is split: a line near its
/// middle holding a plain record whose line before does too; 0 when none is
/// found there.
qint64 halvingPoint(const QString &native, qint64 size);

/// The distinct set names of the state's set file for `list` and the
/// commands that read names as it does: the names VisibilitySetFile's
/// listing gives, in the same order (each once, where its first record
/// stands). A file of `leastToHalve` bytes or more is read in two halves at
/// once where the machine has more than one processor, split at
/// halvingPoint(): every record ends before a line that holds a plain
/// record, so that each half reads as it would in the whole file. Failures
/// throw as the listing does, the first half's first. Channel 1 holds the
/// shared lock meanwhile and is closed at the end.
void listSetNamesInHalves(QuarnelGIS_Public &state, const std::function<void(const QString &)> &onNewName,
                          qint64 leastToHalve = qint64(16) << 20);
