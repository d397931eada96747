// Win32 only. The release's test program: the real platform, as the program has it,
// under the tests of the unpacked zip.
#include "fw/app.h"
#include "platform/win32/win32_platform.h"

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    static fw::App app;
    static Win32Platform platform;
    SetPlatform(&platform);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
