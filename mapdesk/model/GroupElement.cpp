#include "GroupElement.h"

namespace mapdesk {

GroupElement::GroupElement() = default;

GroupElement::~GroupElement() = default;

QRectF GroupElement::bounds() const
{
    QRectF united;
    for (const auto &element : m_elements)
        united = united.united(element->bounds());
    return united;
}

void GroupElement::addElement(std::shared_ptr<Element> element)
{
    m_elements.push_back(std::move(element));
}

} // namespace mapdesk
