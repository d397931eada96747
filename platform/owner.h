// Sole ownership of one handle: released exactly once, on every path out of the scope
// that holds it. Traits::Close(handle) does the releasing; a value-initialised handle
// means none.
#pragma once

#include <utility>

template <class Handle, class Traits>
class Owner {
public:
    Owner() = default;
    explicit Owner(Handle handle) : m_handle(handle) {}
    ~Owner() { Reset(); }
    Owner(const Owner&) = delete;
    Owner& operator=(const Owner&) = delete;
    Owner(Owner&& other) noexcept : m_handle(std::exchange(other.m_handle, Handle{})) {}
    Owner& operator=(Owner&& other) noexcept
    {
        if (this != &other)
            Reset(std::exchange(other.m_handle, Handle{}));
        return *this;
    }

    Handle Get() const { return m_handle; }
    explicit operator bool() const { return m_handle != Handle{}; }
    Handle Release() { return std::exchange(m_handle, Handle{}); }
    void Reset(Handle handle = Handle{})
    {
        Handle old = std::exchange(m_handle, handle);
        if (old != Handle{})
            Traits::Close(old);
    }
    // For calls that return the handle through a pointer: releases what is held first.
    Handle* Out()
    {
        Reset();
        return &m_handle;
    }

private:
    Handle m_handle{};
};
