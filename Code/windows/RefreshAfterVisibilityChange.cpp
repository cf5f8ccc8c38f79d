#include "RefreshAfterVisibilityChange.h"

#include "IDocument.h"
#include "IElement.h"
#include "IMap.h"
#include "IPageLayout.h"
#include "IView.h"
#include "ObjectRequired.h"
#include "QuarnelGIS_Public.h"
#include "frmMain.h"

void RefreshAfterVisibilityChange()
{
    QuarnelGIS_Public &state = QuarnelGIS_Public::instance();
    IDocument &document = required(state.document);
    document.updateContents();
    const std::shared_ptr<IView> active = document.activeView();
    std::shared_ptr<IView> toRedraw;
    if (std::dynamic_pointer_cast<IPageLayout>(active)) {
        frmMain &window = required(state.mainWindow);
        if (const std::shared_ptr<IElement> legend = window.GetLegendElement(document.focusMap()))
            window.RefreshLegend(legend, seenAs<IView>(document.pageLayout()));
        toRedraw = seenAs<IView>(required(active).focusMap());
    } else {
        toRedraw = active;
    }
    required(toRedraw).refresh();
    required(document.activeView()).refresh();
}
