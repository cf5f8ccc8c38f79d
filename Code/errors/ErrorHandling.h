#pragma once

#include <QString>

#include <cstdint>

/// The pieces every failure report is built from: the statement tag and the
/// failure being handled, in the runtime's terms. ErrorReporter shows them.
namespace ErrorHandling {

/// "Line : n" for statement number n, or an empty text for 0.
QString lineTag(std::int32_t statement);

/// The number and description of the failure being handled, in the
/// runtime's terms (a HostError keeps its own, memory exhaustion is 7).
struct Failure
{
    std::int32_t number;
    QString description;
};
/// For a catch block only: the failure being handled.
Failure currentFailure();

} // namespace ErrorHandling
