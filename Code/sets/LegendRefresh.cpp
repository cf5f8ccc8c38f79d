#include "LegendRefresh.h"

#include "HostClassIds.h"
#include "IApplication.h"
#include "IDocument.h"
#include "IElement.h"
#include "IGeometry.h"
#include "IGraphicsContainer.h"
#include "ILegend.h"
#include "IMap.h"
#include "IMapFrame.h"
#include "IMapSurround.h"
#include "IMapSurroundFrame.h"
#include "IObjectFactory.h"
#include "IPageLayout.h"
#include "IView.h"
#include "ObjectRequired.h"
#include "QuarnelGIS_Public.h"

namespace {
const QString kModule = QStringLiteral("frmMain");
}

namespace LegendRefresh {

std::shared_ptr<IElement> GetLegendElement(QuarnelGIS_Public &state, std::shared_ptr<IMap> map)
{
    std::shared_ptr<IElement> result;
    std::int32_t line = 0;
    try {
        line = 10;
        auto application =
            seenAs<IApplication>(state.services.objectFactory().create(HostClassIds::ApplicationReference));
        line = 20;
        auto container = seenAs<IGraphicsContainer>(required(application->document()).pageLayout());
        line = 30;
        container->reset();
        line = 40;
        while (std::shared_ptr<IElement> element = container->next()) {
            line = 50;
            auto surroundFrame = std::dynamic_pointer_cast<IMapSurroundFrame>(element);
            if (!surroundFrame)
                continue;
            line = 60;
            // The very same map object, not merely one of the same name.
            if (required(surroundFrame->mapFrame()).map() != map)
                continue;
            line = 70;
            if (std::dynamic_pointer_cast<ILegend>(surroundFrame->mapSurround()))
                result = element;
            line = 40;
        }
    } catch (...) {
        state.reporter().reportCurrentFailure(QStringLiteral("GetLegendElement "), kModule, line);
    }
    return result;
}

void RefreshLegend(QuarnelGIS_Public &state, std::shared_ptr<IElement> element, std::shared_ptr<IView> view)
{
    std::int32_t line = 0;
    try {
        line = 10;
        auto surround = seenAs<IMapSurroundFrame>(element)->mapSurround();
        seenAs<ILegend>(surround);
        surround->refresh();
        line = 20;
        bool changed = true;
        surround->fitToBounds(required(view).screenDisplay(), required(required(element).geometry()).envelope(),
                              changed);
        line = 30;
        view->partialRefresh(IView::Graphics, element, nullptr);
    } catch (...) {
        state.reporter().reportCurrentFailure(QStringLiteral("RefreshLegend "), kModule, line);
    }
}

} // namespace LegendRefresh
