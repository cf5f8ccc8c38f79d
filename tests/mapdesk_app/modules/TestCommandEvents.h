#pragma once

#include "HostObject.h"

/// What the host did with the test command module, as the module records it.
struct TestCommandEvents
{
    int created = 0; ///< command objects created
    int alive = 0;   ///< command objects not yet released
    int onCreate = 0;
    int onClick = 0;
    const HostObject *hook = nullptr; ///< the hook of the last OnCreate
    int factoriesAlive = 0;           ///< references to the class factory held by the host
};

/// The class the test module serves.
#define TEST_COMMAND_CLASS_ID "{5C1D7F40-2B6E-4E0A-9C35-7A0F4B8E2D11}"
