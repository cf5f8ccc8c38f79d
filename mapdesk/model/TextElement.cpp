#include "TextElement.h"

namespace mapdesk {

TextElement::TextElement(QString text, const QRectF &boundsMm, double pointSize)
    : Element(boundsMm), m_text(std::move(text)), m_pointSize(pointSize)
{
}

TextElement::~TextElement() = default;

} // namespace mapdesk
