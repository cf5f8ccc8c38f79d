#include "Element.h"

#include "Geometry.h"

namespace mapdesk {

Element::Element(const QRectF &boundsMm) : m_bounds(boundsMm) {}

Element::~Element() = default;

std::shared_ptr<IGeometry> Element::geometry()
{
    return std::make_shared<Geometry>(bounds());
}

} // namespace mapdesk
