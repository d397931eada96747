// Owners for what the platform hands out. Each releases its resource exactly once, on
// every path out of the scope that holds it.
#pragma once

#include "platform/platform.h"

#include <utility>

template <class Handle, class Traits>
class PlatformOwner {
public:
    PlatformOwner() = default;
    explicit PlatformOwner(Handle handle) : m_handle(handle) {}
    ~PlatformOwner() { Reset(); }
    PlatformOwner(const PlatformOwner&) = delete;
    PlatformOwner& operator=(const PlatformOwner&) = delete;
    PlatformOwner(PlatformOwner&& other) noexcept : m_handle(std::exchange(other.m_handle, Handle{})) {}
    PlatformOwner& operator=(PlatformOwner&& other) noexcept
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

private:
    Handle m_handle{};
};

struct ProfileTraits {
    static void Close(ProfileHandle profile) { Sys().CloseColorProfile(profile); }
};
struct DcTraits {
    static void Close(DcHandle dc) { Sys().DeleteDC(dc); }
};
struct HeapTraits {
    static void Close(void* block) { Sys().Free(block); }
};
struct LocalTraits {
    static void Close(char* block) { Sys().LocalFree(block); }
};

using ProfileOwner = PlatformOwner<ProfileHandle, ProfileTraits>;
using DcOwner = PlatformOwner<DcHandle, DcTraits>;
using HeapBlock = PlatformOwner<void*, HeapTraits>;
using LocalText = PlatformOwner<char*, LocalTraits>;
