#pragma once

#include "IEnvelope.h"

#include <QRectF>

namespace mapdesk {

/// A bounding rectangle in page units (millimetres from the page's top-left
/// corner, y down). A value object: each request for an envelope makes a new one.
class Envelope : public virtual IEnvelope
{
public:
    explicit Envelope(const QRectF &rect = {});
    ~Envelope() override;

    QRectF rect() const { return m_rect; }

private:
    QRectF m_rect;
};

} // namespace mapdesk
