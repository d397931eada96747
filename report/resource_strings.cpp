#include "report/resource_strings.h"

#include "platform/platform.h"

#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>

namespace {
char g_resourceString[kResourceStringBufferSize];
}

const char* GetResourceString(uint32_t id)
{
    std::string text;
    if (Sys().LoadResourceString(id, text) && !text.empty() && text.size() < std::size(g_resourceString)) {
        std::memcpy(g_resourceString, text.c_str(), text.size() + 1);
    } else {
        std::snprintf(g_resourceString, std::size(g_resourceString), "String Resource %u", id);
    }
    return g_resourceString;
}
