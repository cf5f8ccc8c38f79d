#pragma once

#include "QuarnelHostExport.h"

#include <QChar>
#include <QString>

/// Desktop service: the drive table that gives Windows-shaped paths
/// ("C:\Program Files\...") a native folder on this machine.
class QUARNELHOST_EXPORT IDrives
{
public:
    virtual ~IDrives();
    /// Native root folder of the drive with this upper-case letter, or an
    /// empty text when the machine has no such drive.
    virtual QString root(QChar letter) = 0;
};
