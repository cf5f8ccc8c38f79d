#pragma once

#include <QString>

#include <cstdint>

class HostServices;

/// The one report box for unexpected failures. Handlers trap their own
/// failures and end up here. A small value that the state record hands out;
/// it refers to the host's services, which must outlive it.
class ErrorReporter
{
public:
    ErrorReporter(const HostServices &services, QString productName, QString productVersion);

    /// The full text of the report box, lines joined by CR LF, no final break.
    QString reportText(const QString &location, std::int32_t number, const QString &description) const;

    /// Shows the report box (OK only, no icon, the program's title) and returns.
    void reportUnexpectedError(const QString &location, std::int32_t number, const QString &description) const;

    /// For a catch block: takes the number and description of the failure being
    /// handled and reports it at procedure + module + " " + lineTag(statement).
    /// Never throws.
    void reportCurrentFailure(const QString &procedure, const QString &module, std::int32_t statement) const noexcept;

private:
    const HostServices &m_services;
    QString m_productName;
    QString m_productVersion;
};
