#pragma once

#include "Com.h"

#include <utility>

namespace mapdesk {

/// Holds one reference to a component object and releases it when it goes.
/// Adopting a pointer takes over the reference the caller was given.
template <typename T> class ComPtr
{
public:
    ComPtr() = default;
    ~ComPtr() { reset(); }
    ComPtr(const ComPtr &) = delete;
    ComPtr &operator=(const ComPtr &) = delete;
    ComPtr(ComPtr &&other) noexcept : m_object(std::exchange(other.m_object, nullptr)) {}
    ComPtr &operator=(ComPtr &&other) noexcept
    {
        if (this != &other) {
            reset();
            m_object = std::exchange(other.m_object, nullptr);
        }
        return *this;
    }

    /// Takes over the reference held by `object`.
    static ComPtr adopt(T *object)
    {
        ComPtr result;
        result.m_object = object;
        return result;
    }

    /// Releases the reference held, if any.
    void reset()
    {
        if (T *object = std::exchange(m_object, nullptr))
            object->Release();
    }

    /// Where an entry point or QueryInterface stores a new reference; the
    /// reference held before is released first.
    void **receive()
    {
        reset();
        return reinterpret_cast<void **>(&m_object);
    }

    T *get() const { return m_object; }
    T *operator->() const { return m_object; }
    explicit operator bool() const { return m_object != nullptr; }

private:
    T *m_object = nullptr;
};

} // namespace mapdesk
