#include "RuntimeError.h"

#include "HostError.h"

QString runtimeErrorText(RuntimeError error)
{
    switch (error) {
    case RuntimeError::Overflow:
        return QStringLiteral("Overflow");
    case RuntimeError::OutOfMemory:
        return QStringLiteral("Out of memory");
    case RuntimeError::DivisionByZero:
        return QStringLiteral("Division by zero");
    case RuntimeError::TypeMismatch:
        return QStringLiteral("Type mismatch");
    case RuntimeError::BadFileNameOrNumber:
        return QStringLiteral("Bad file name or number");
    case RuntimeError::FileNotFound:
        return QStringLiteral("File not found");
    case RuntimeError::BadFileMode:
        return QStringLiteral("Bad file mode");
    case RuntimeError::FileAlreadyOpen:
        return QStringLiteral("File already open");
    case RuntimeError::FileAlreadyExists:
        return QStringLiteral("File already exists");
    case RuntimeError::DiskFull:
        return QStringLiteral("Disk full");
    case RuntimeError::InputPastEndOfFile:
        return QStringLiteral("Input past end of file");
    case RuntimeError::PermissionDenied:
        return QStringLiteral("Permission denied");
    case RuntimeError::PathFileAccessError:
        return QStringLiteral("Path/File access error");
    case RuntimeError::PathNotFound:
        return QStringLiteral("Path not found");
    case RuntimeError::ObjectNotSet:
        return QStringLiteral("Object variable or With block variable not set");
    }
    return QStringLiteral("Application-defined or object-defined error");
}

void throwRuntimeError(RuntimeError error)
{
    throwRuntimeError(error, runtimeErrorText(error));
}

void throwRuntimeError(RuntimeError error, const QString &description)
{
    throw HostError(static_cast<std::int32_t>(error), description);
}
