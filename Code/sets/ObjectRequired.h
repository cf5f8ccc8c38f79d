#pragma once

#include "HostError.h"
#include "RuntimeError.h"

#include <memory>

/// The object a reference points at; an empty reference is the runtime's
/// error 91, as when a host hands back nothing where an object was expected.
template <typename T> T &required(const std::shared_ptr<T> &object)
{
    if (!object)
        throwRuntimeError(RuntimeError::ObjectNotSet);
    return *object;
}

/// The object seen through another of its roles; an object without that role
/// is the runtime's error 13, an empty reference error 91.
template <typename To, typename From> std::shared_ptr<To> seenAs(const std::shared_ptr<From> &object)
{
    required(object);
    auto role = std::dynamic_pointer_cast<To>(object);
    if (!role)
        throwRuntimeError(RuntimeError::TypeMismatch);
    return role;
}
