#include "Envelope.h"

namespace mapdesk {

Envelope::Envelope(const QRectF &rect) : m_rect(rect) {}

Envelope::~Envelope() = default;

} // namespace mapdesk
