#pragma once

#include "IElement.h"

#include <QRectF>

namespace mapdesk {

/// Base of the page layout's graphic elements: a kind and a rectangle on the
/// page in millimetres (origin at the page's top-left corner, y down).
class Element : public virtual IElement
{
public:
    enum class Kind { MapFrame, MapSurroundFrame, Group, Text };

    ~Element() override;

    virtual Kind kind() const = 0;

    /// A new Geometry holding bounds().
    std::shared_ptr<IGeometry> geometry() override;
    virtual QRectF bounds() const { return m_bounds; }
    void setBounds(const QRectF &boundsMm) { m_bounds = boundsMm; }

protected:
    explicit Element(const QRectF &boundsMm = {});

private:
    QRectF m_bounds;
};

} // namespace mapdesk
