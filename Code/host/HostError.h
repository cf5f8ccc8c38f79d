#pragma once

#include "QuarnelHostExport.h"

#include <QString>

#include <cstdint>
#include <exception>
#include <string>

/// The one failure type that crosses the add-in: a 32-bit error number and a
/// description, as a failing host operation or runtime call reports them.
class QUARNELHOST_EXPORT HostError : public std::exception
{
public:
    HostError(std::int32_t number, QString description);

    std::int32_t number() const noexcept { return m_number; }
    const QString &description() const noexcept { return m_description; }
    const char *what() const noexcept override;

    /// Unspecified failure, the number hosts use when nothing better fits.
    static constexpr std::int32_t E_FAIL_NUMBER = static_cast<std::int32_t>(0x80004005u);

private:
    std::int32_t m_number;
    QString m_description;
    std::string m_what;
};
