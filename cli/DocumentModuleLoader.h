#pragma once

struct DocumentModule;

/// Loads quarnel-sets' document module (DocumentModule.h) from beside the
/// program (a build folder) or from mapdesk's private library folder (an
/// installed program); the module stays loaded until the program ends.
/// Throws CommandFailure when it cannot be found or loaded.
const DocumentModule &loadDocumentModule();
