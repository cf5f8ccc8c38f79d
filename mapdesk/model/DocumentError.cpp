#include "DocumentError.h"

namespace mapdesk {

DocumentError::DocumentError(QString file, QString fault)
    : m_file(std::move(file)), m_fault(std::move(fault)), m_message(m_file + QStringLiteral(": ") + m_fault),
      m_what(m_message.toStdString())
{
}

const char *DocumentError::what() const noexcept
{
    return m_what.c_str();
}

} // namespace mapdesk
