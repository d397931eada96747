// Owners for what the platform hands out. Each releases its resource exactly once, on
// every path out of the scope that holds it.
#pragma once

#include "platform/owner.h"
#include "platform/platform.h"

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

using ProfileOwner = Owner<ProfileHandle, ProfileTraits>;
using DcOwner = Owner<DcHandle, DcTraits>;
using HeapBlock = Owner<void*, HeapTraits>;
using LocalText = Owner<char*, LocalTraits>;
