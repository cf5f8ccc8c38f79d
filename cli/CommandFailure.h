#pragma once

#include <QString>

#include <exception>

/// Why quarnel-sets stops without doing its work: the exit status and the
/// one line it prints on standard error (without the program's name).
class CommandFailure : public std::exception
{
public:
    /// Exit statuses: a set or file missing, damaged or not writable; wrong usage.
    static constexpr int Failed = 1;
    static constexpr int Usage = 2;

    CommandFailure(int exitCode, QString message) : m_exitCode(exitCode), m_message(std::move(message)) {}

    int exitCode() const noexcept { return m_exitCode; }
    const QString &message() const noexcept { return m_message; }
    const char *what() const noexcept override { return "quarnel-sets failure"; }

private:
    int m_exitCode;
    QString m_message;
};
