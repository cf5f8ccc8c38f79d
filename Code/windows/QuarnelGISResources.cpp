#include "QuarnelGISResources.h"

#include <QtGlobal>

// At global scope on purpose: Q_INIT_RESOURCE declares the resource's
// initialiser in the enclosing namespace.
void initQuarnelResources()
{
    static bool registered = false;
    if (registered)
        return;
    Q_INIT_RESOURCE(quarnel);
    registered = true;
}
