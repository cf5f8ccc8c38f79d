#include "QuarnelGIS_Public.h"

#include "frmMain.h"

#include "IApplication.h"
#include "IDocument.h"

QuarnelGIS_Public &QuarnelGIS_Public::instance()
{
    static QuarnelGIS_Public state;
    return state;
}

void QuarnelGIS_Public::reset() { instance() = QuarnelGIS_Public{}; }
