#pragma once

// Symbols of the shared host-interface library stay visible even where the
// add-in module hides everything else, so that host, module and tests agree.
#define QUARNELHOST_EXPORT __attribute__((visibility("default")))
