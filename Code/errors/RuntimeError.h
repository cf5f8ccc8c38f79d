#pragma once

#include <QString>

#include <cstdint>

/// The runtime's error numbers that the add-in raises, each with its text:
/// the one table of them. A failure travels as a HostError carrying both.
enum class RuntimeError : std::int32_t {
    Overflow = 6,
    OutOfMemory = 7,
    DivisionByZero = 11,
    TypeMismatch = 13,
    BadFileNameOrNumber = 52,
    FileNotFound = 53,
    BadFileMode = 54,
    FileAlreadyOpen = 55,
    FileAlreadyExists = 58,
    DiskFull = 61,
    InputPastEndOfFile = 62,
    PermissionDenied = 70,
    PathFileAccessError = 75,
    PathNotFound = 76,
    ObjectNotSet = 91,
};

/// The runtime's own text for `error`, as its report shows it.
QString runtimeErrorText(RuntimeError error);

/// Throws `error` as a HostError with the runtime's text.
[[noreturn]] void throwRuntimeError(RuntimeError error);
/// Throws `error` as a HostError with a text that says more than the
/// runtime's own (which file, where in it).
[[noreturn]] void throwRuntimeError(RuntimeError error, const QString &description);
