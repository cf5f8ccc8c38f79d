#pragma once

#include "IGeometry.h"

#include <QRectF>

namespace mapdesk {

/// The shape of a page-layout element: a rectangle in page units
/// (millimetres, y down). A snapshot taken when the element is asked for it.
class Geometry : public virtual IGeometry
{
public:
    explicit Geometry(const QRectF &rect = {});
    ~Geometry() override;

    /// A new envelope holding rect().
    std::shared_ptr<IEnvelope> envelope() override;
    QRectF rect() const { return m_rect; }

private:
    QRectF m_rect;
};

} // namespace mapdesk
