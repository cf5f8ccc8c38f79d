#include "Geometry.h"

#include "Envelope.h"

namespace mapdesk {

Geometry::Geometry(const QRectF &rect) : m_rect(rect) {}

Geometry::~Geometry() = default;

std::shared_ptr<IEnvelope> Geometry::envelope()
{
    return std::make_shared<Envelope>(m_rect);
}

} // namespace mapdesk
