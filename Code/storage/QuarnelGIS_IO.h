#pragma once

#include <QString>

struct QuarnelGIS_Public;

/// The four file-system helpers. Each guards itself: a failure inside is
/// reported in the state's error box (module "QuarnelGIS_IO") and turned into a plain
/// result, so callers never see an error from them. Paths are Windows-shaped.
namespace QuarnelGIS_IO {
/// True exactly when a file (not a folder) exists at the path.
bool fDoesFileExist(const QuarnelGIS_Public &state, const QString &path);
/// True exactly when a folder (not a file) exists at the path; a trailing
/// "\" names the folder itself.
bool fDoesDirectoryExist(const QuarnelGIS_Public &state, const QString &path);
/// Deletes the file when it exists; a read-only file is not removed and its
/// failure is reported. A missing file is not an error.
void fDeleteFile(const QuarnelGIS_Public &state, const QString &path);
/// Creates exactly the last level of the path; a missing parent or an
/// existing folder is a reported failure.
void fCreateDirectory(const QuarnelGIS_Public &state, const QString &path);
} // namespace QuarnelGIS_IO
