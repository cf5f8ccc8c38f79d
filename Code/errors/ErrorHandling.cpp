#include "ErrorHandling.h"

#include "HostError.h"
#include "RuntimeError.h"

#include <exception>
#include <new>

namespace ErrorHandling {

QString lineTag(std::int32_t statement)
{
    if (statement == 0)
        return QString();
    return QStringLiteral("Line : ") + QString::number(statement);
}

Failure currentFailure()
{
    try {
        throw;
    } catch (const HostError &error) {
        return {error.number(), error.description()};
    } catch (const std::bad_alloc &) {
        return {std::int32_t(RuntimeError::OutOfMemory), runtimeErrorText(RuntimeError::OutOfMemory)};
    } catch (const std::exception &error) {
        return {HostError::E_FAIL_NUMBER, QString::fromLocal8Bit(error.what())};
    } catch (...) {
        return {HostError::E_FAIL_NUMBER, QStringLiteral("Unspecified error")};
    }
}

} // namespace ErrorHandling
