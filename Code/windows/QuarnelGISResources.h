#pragma once

/// Makes the add-in's pictures (":/quarnel/...") available. The pictures are
/// compiled into the add-in's library, so every window that shows one calls
/// this first; calls after the first do nothing.
void initQuarnelResources();
