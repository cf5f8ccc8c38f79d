#pragma once

#include "HostObject.h"

#include <QUuid>

/// Desktop service: creates host objects by class identifier (the application
/// reference, the modeless frame). Throws HostError for an unknown class.
class QUARNELHOST_EXPORT IObjectFactory
{
public:
    virtual ~IObjectFactory();
    virtual HostObjectPtr create(const QUuid &classId) = 0;
};
