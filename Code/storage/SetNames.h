#pragma once

#include <QString>

/// Which set names the visibility-set file can hold: those that read back
/// from it as they were written, whatever records stand around them. The
/// file cannot hold, for example, a quote followed by a comma and a quote
/// (`a","b`), which reads as the end of the name, or a line break followed
/// by a quote. Every way a set name comes into the file (a save, a rename,
/// an import, the command line) asks here.
namespace SetNames {
/// True when the file reads `name` back as written.
bool fileHolds(const QString &name);
/// Why `name` is refused, in a person's words.
QString notHeldText(const QString &name);
/// Throws error 52 with notHeldText() when the file cannot hold `name`.
void requireHeld(const QString &name);
} // namespace SetNames
