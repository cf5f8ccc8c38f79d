#include "RefreshAfterVisibilityChange.h"

#include "IDocument.h"
#include "IElement.h"
#include "IMap.h"
#include "IPageLayout.h"
#include "IView.h"
#include "LegendRefresh.h"
#include "ObjectRequired.h"
#include "QuarnelGIS_Public.h"

void RefreshAfterVisibilityChange(QuarnelGIS_Public &state)
{
    IDocument &document = required(state.document);
    document.updateContents();
    const std::shared_ptr<IView> active = document.activeView();
    std::shared_ptr<IView> toRedraw;
    if (std::dynamic_pointer_cast<IPageLayout>(active)) {
        if (const std::shared_ptr<IElement> legend = LegendRefresh::GetLegendElement(state, document.focusMap()))
            LegendRefresh::RefreshLegend(state, legend, seenAs<IView>(document.pageLayout()));
        toRedraw = seenAs<IView>(required(active).focusMap());
    } else {
        toRedraw = active;
    }
    required(toRedraw).refresh();
    required(document.activeView()).refresh();
}
