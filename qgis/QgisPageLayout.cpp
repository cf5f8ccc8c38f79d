#include "QgisPageLayout.h"

#include "HostError.h"
#include "IDisplay.h"
#include "IElement.h"
#include "IEnvelope.h"
#include "IGeometry.h"
#include "ILegend.h"
#include "IMapFrame.h"
#include "IMapSurround.h"
#include "IMapSurroundFrame.h"
#include "QgisMap.h"
#include "QgisSession.h"

#include <qgslayoutitemlegend.h>
#include <qgslayoutmanager.h>
#include <qgsprintlayout.h>
#include <qgsproject.h>

namespace quarnelqgis {

namespace {

class PageDisplay : public IDisplay
{
};

/// A legend's place on its layout page; the add-in only hands it back.
class LegendBounds : public IGeometry, public IEnvelope
{
public:
    std::shared_ptr<IEnvelope> envelope() override { return std::make_shared<LegendBounds>(); }
};

/// The map a legend belongs to: always the one map of the layer tree.
class LegendMapFrame : public IMapFrame
{
public:
    explicit LegendMapFrame(std::weak_ptr<QgisMap> map) : m_map(std::move(map)) {}
    std::shared_ptr<IMap> map() override { return m_map.lock(); }

private:
    std::weak_ptr<QgisMap> m_map;
};

/// A print layout's legend. Its refresh makes it list the layers as they
/// are now; fitting it resizes its box to its items when the legend is set
/// to follow its contents.
class QgisLegend : public IMapSurround, public ILegend
{
public:
    explicit QgisLegend(QgsLayoutItemLegend *legend) : m_legend(legend) {}

    void fitToBounds(std::shared_ptr<IDisplay>, std::shared_ptr<IEnvelope>, bool &changed) override
    {
        if (legend().resizeToContents())
            legend().adjustBoxSize();
        changed = true;
    }
    void refresh() override { legend().updateLegend(); }

    QgsLayoutItemLegend &legend() const
    {
        if (!m_legend)
            throw HostError(HostError::E_FAIL_NUMBER, QStringLiteral("The legend is no longer in its layout"));
        return *m_legend;
    }

private:
    QPointer<QgsLayoutItemLegend> m_legend;
};

class LegendElement : public IElement, public IMapSurroundFrame
{
public:
    LegendElement(QgsLayoutItemLegend *legend, std::weak_ptr<QgisMap> map)
        : m_legend(std::make_shared<QgisLegend>(legend)), m_frame(std::make_shared<LegendMapFrame>(std::move(map)))
    {
    }

    std::shared_ptr<IGeometry> geometry() override { return std::make_shared<LegendBounds>(); }
    std::shared_ptr<IMapSurround> mapSurround() override { return m_legend; }
    std::shared_ptr<IMapFrame> mapFrame() override { return m_frame; }
    QgisLegend &legend() const { return *m_legend; }

private:
    std::shared_ptr<QgisLegend> m_legend;
    std::shared_ptr<LegendMapFrame> m_frame;
};

} // namespace

QgisPageLayout::QgisPageLayout(QgisSession *session, std::weak_ptr<QgisMap> map)
    : m_session(session), m_map(std::move(map)), m_display(std::make_shared<PageDisplay>())
{
}

QgisPageLayout::~QgisPageLayout() = default;

std::shared_ptr<IMap> QgisPageLayout::focusMap()
{
    std::shared_ptr<IMap> map = m_map.lock();
    if (!map)
        throw HostError(HostError::E_FAIL_NUMBER, QStringLiteral("The page layout's document is closed"));
    return map;
}

std::shared_ptr<IDisplay> QgisPageLayout::screenDisplay()
{
    return m_display;
}

void QgisPageLayout::refresh()
{
    if (m_session)
        m_session->redraw();
}

void QgisPageLayout::partialRefresh(int /*phase*/, HostObjectPtr data, std::shared_ptr<IEnvelope> /*area*/)
{
    if (const auto element = std::dynamic_pointer_cast<LegendElement>(data))
        element->legend().legend().update();
    else
        refresh();
}

void QgisPageLayout::reset()
{
    m_elements.clear();
    m_cursor = 0;
    if (!m_session || !m_session->project())
        return;
    for (QgsPrintLayout *layout : m_session->project()->layoutManager()->printLayouts()) {
        QList<QgsLayoutItemLegend *> legends;
        layout->layoutItems(legends);
        for (QgsLayoutItemLegend *legend : legends)
            m_elements.push_back(std::make_shared<LegendElement>(legend, m_map));
    }
}

std::shared_ptr<IElement> QgisPageLayout::next()
{
    if (m_cursor >= m_elements.size())
        return nullptr;
    return m_elements[m_cursor++];
}

} // namespace quarnelqgis
