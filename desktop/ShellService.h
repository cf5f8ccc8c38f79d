#pragma once

#include "IShell.h"

namespace mapdesk {

/// Opens web addresses, mail links and documents with the desktop's default
/// program. Only the "open" operation (or none) is known; the result follows
/// the shell convention: greater than 32 on success.
class ShellService : public IShell
{
public:
    /// Result of a successful call.
    static constexpr int Success = 42;
    /// The target is empty or the desktop has no program for it.
    static constexpr int NoAssociation = 31;
    /// The operation is not one the desktop knows.
    static constexpr int BadOperation = 2;

    int execute(QWidget *owner, const QString &operation, const QString &file, const QString &parameters,
                const QString &directory, int showCommand) override;
};

} // namespace mapdesk
