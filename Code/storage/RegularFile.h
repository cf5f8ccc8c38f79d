#pragma once

#include <QString>

/// The set file as the operating system sees it, for everyone who opens it
/// under its lock (the channel, the whole-file changes).
namespace RegularFile {
/// Opens `native` without ever blocking (a pipe would wait for a peer) and
/// keeps it only when it is a regular file: a device, a pipe or a socket, or
/// a link to one, holds no records and would swallow or withhold them.
/// Returns the descriptor, or -1 with errno set (EINVAL for what is no
/// regular file).
int open(const QString &native, int flags);
/// True when `native` still names the file open on `descriptor`: a Clear All
/// or a rewrite replaces the file, and who locked the old one must not write
/// to a file that nobody reads any more.
bool isNamedBy(int descriptor, const QString &native);
} // namespace RegularFile
