#include "platform/platform.h"

#include <cstdlib>

namespace {
Platform* g_platform = nullptr;
}

Platform& Sys()
{
    // Using a service before a platform is installed is a programming error, not a
    // runtime condition: stop at once rather than dereference null.
    if (!g_platform)
        std::abort();
    return *g_platform;
}

Platform* SetPlatform(Platform* platform)
{
    Platform* previous = g_platform;
    g_platform = platform;
    return previous;
}
