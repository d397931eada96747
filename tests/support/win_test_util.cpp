#include "support/win_test_util.h"

#include <cstdlib>

namespace wintest {

std::string ProfileDir() { return WinePath(KESTRAVA_PROFILE_DIR); }

std::string ProgramExe()
{
    const char* other = std::getenv("KESTRAVA_PROGRAM");
    return other && *other ? std::string(other) : WinePath(KESTRAVA_EXE);
}

}  // namespace wintest
