#pragma once

#include <QString>

#include <cstdint>

/// The one report box for unexpected failures, and the helpers that build its
/// location text. Handlers trap their own failures and end up here.
namespace ErrorHandling {

/// "Line : n" for statement number n, or an empty text for 0.
QString lineTag(std::int32_t statement);

/// The full text of the report box, lines joined by CR LF, no final break.
QString reportText(const QString &location, std::int32_t number, const QString &description);

/// Shows the report box (OK only, no icon, the program's title) and returns.
void reportUnexpectedError(const QString &location, std::int32_t number, const QString &description);

/// For a catch block: takes the number and description of the failure being
/// handled and reports it at procedure + module + " " + lineTag(statement).
/// Never throws.
void reportCurrentFailure(const QString &procedure, const QString &module, std::int32_t statement);

/// The number and description of the failure being handled, in the
/// runtime's terms (a HostError keeps its own, memory exhaustion is 7).
struct Failure
{
    std::int32_t number;
    QString description;
};
Failure currentFailure();

} // namespace ErrorHandling
