#pragma once

#include "QuarnelHostExport.h"

#include <QString>

class QWidget;

/// Desktop service: hands a document or address to the desktop's default program.
class QUARNELHOST_EXPORT IShell
{
public:
    virtual ~IShell();
    /// Returns a value greater than 32 on success, as shells do.
    virtual int execute(QWidget *owner, const QString &operation, const QString &file, const QString &parameters,
                        const QString &directory, int showCommand) = 0;
};
