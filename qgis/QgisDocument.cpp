#include "QgisDocument.h"

#include "HostError.h"
#include "IMaps.h"
#include "QgisMap.h"
#include "QgisPageLayout.h"
#include "QgisSession.h"

namespace quarnelqgis {

namespace {
/// The document's maps: the one map of the layer tree.
class OneMap : public IMaps
{
public:
    explicit OneMap(std::shared_ptr<QgisMap> map) : m_map(std::move(map)) {}

    std::int32_t count() override { return 1; }
    std::shared_ptr<IMap> item(std::int32_t index) override
    {
        if (index != 0)
            throw HostError(HostError::E_FAIL_NUMBER, QStringLiteral("There is no map %1").arg(index));
        return m_map;
    }

private:
    std::shared_ptr<QgisMap> m_map;
};
} // namespace

QgisDocument::QgisDocument(QgisSession *session)
    : m_session(session), m_map(std::make_shared<QgisMap>(session)),
      m_pageLayout(std::make_shared<QgisPageLayout>(session, m_map)), m_maps(std::make_shared<OneMap>(m_map))
{
}

QgisDocument::~QgisDocument() = default;

std::shared_ptr<IPageLayout> QgisDocument::pageLayout()
{
    return m_pageLayout;
}

std::shared_ptr<IView> QgisDocument::activeView()
{
    return m_map;
}

std::shared_ptr<IMap> QgisDocument::focusMap()
{
    return m_map;
}

void QgisDocument::updateContents()
{
    if (m_session)
        m_session->finishBatch();
}

std::shared_ptr<IMaps> QgisDocument::maps()
{
    return m_maps;
}

} // namespace quarnelqgis
