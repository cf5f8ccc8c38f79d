#pragma once

#include "IElement.h"

#include <QJsonObject>
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

    /// The fields of its object in the document file that mapdesk does not
    /// know (written by a later version or by hand), written back on saving.
    const QJsonObject &otherFields() const { return m_otherFields; }
    void setOtherFields(const QJsonObject &fields) { m_otherFields = fields; }

protected:
    explicit Element(const QRectF &boundsMm = {});

private:
    QRectF m_bounds;
    QJsonObject m_otherFields;
};

} // namespace mapdesk
