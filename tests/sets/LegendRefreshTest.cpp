// RefreshLegend traps and reports its own failures at the statement reached.

#include "LegendRefresh.h"
#include "SetsWorld.h"

#include "HostError.h"
#include "IView.h"

#include <gtest/gtest.h>

namespace {

TEST(LegendRefresh, FailureIsReportedByItselfAtTheStatementReached)
{
    struct Case
    {
        const char *what;
        std::size_t element; ///< on the standard page: 4 is a legend of "Layers", 0 a map frame
        bool withView;
        bool viewFails;
        const char *module;
        int number;
        int refreshes, fits, partialRefreshes;
    };
    const Case cases[] = {
        {"no view", 4, false, false, "MODULE: RefreshLegend frmMain Line : 20", 91, 1, 0, 0},
        {"view cannot redraw", 4, true, true, "MODULE: RefreshLegend frmMain Line : 30", HostError::E_FAIL_NUMBER, 1, 1,
         1},
        {"not a legend frame", 0, true, false, "MODULE: RefreshLegend frmMain Line : 10", 13, 0, 0, 0},
    };
    for (const Case &c : cases) {
        SetsWorld world;
        fake::PageLayout &page = *world.document->layout;
        if (c.viewFails)
            page.calls.fail("partialRefresh");
        LegendRefresh::RefreshLegend(world.state(), page.elements.at(c.element),
                                     c.withView ? world.document->layout : nullptr);
        ASSERT_EQ(world.reportedModules(), QStringList{QLatin1String(c.module)}) << c.what;
        EXPECT_TRUE(world.host.boxes->boxes[0].text.contains(QStringLiteral("ERROR NUMBER: %1\r\n").arg(c.number)))
            << c.what;
        const fake::Legend &legend = *page.legend(2);
        EXPECT_EQ(legend.calls.count("refresh"), c.refreshes) << c.what;
        EXPECT_EQ(legend.fits.size(), std::size_t(c.fits)) << c.what;
        EXPECT_EQ(page.calls.count("partialRefresh"), c.partialRefreshes) << c.what;
    }
}

} // namespace
