#pragma once

#include "Element.h"

#include <QString>

namespace mapdesk {

/// A page-layout element showing a line or block of text in its bounds.
class TextElement : public Element
{
public:
    static constexpr double DefaultPointSize = 14.0;

    explicit TextElement(QString text, const QRectF &boundsMm = {}, double pointSize = DefaultPointSize);
    ~TextElement() override;

    Kind kind() const override { return Kind::Text; }

    QString text() const { return m_text; }
    void setText(const QString &text) { m_text = text; }
    double pointSize() const { return m_pointSize; }
    void setPointSize(double pointSize) { m_pointSize = pointSize; }

private:
    QString m_text;
    double m_pointSize;
};

} // namespace mapdesk
