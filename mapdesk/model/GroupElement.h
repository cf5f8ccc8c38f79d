#pragma once

#include "Element.h"

#include <memory>
#include <vector>

namespace mapdesk {

/// A page-layout element that groups other elements (groups may nest). Its
/// bounds are the union of its members'. The page layout's graphics
/// container yields the group, never its members. Owns its members.
class GroupElement : public Element
{
public:
    GroupElement();
    ~GroupElement() override;

    Kind kind() const override { return Kind::Group; }
    QRectF bounds() const override;

    const std::vector<std::shared_ptr<Element>> &elements() const { return m_elements; }
    void addElement(std::shared_ptr<Element> element);

private:
    std::vector<std::shared_ptr<Element>> m_elements;
};

} // namespace mapdesk
