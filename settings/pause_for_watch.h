// Win32 only. Pausing: the list of programs, kept in the registry, while whose window is
// in front the program rewrites no ramp, and the watch that tells when it changed.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace settings {

// The programs while whose window is in front nothing is rewritten (games and video
// players that set their own ramp): REG_MULTI_SZ PauseFor, file names such as game.exe.
class PauseForWatch {
public:
    PauseForWatch();
    ~PauseForWatch();
    PauseForWatch(const PauseForWatch&) = delete;
    PauseForWatch& operator=(const PauseForWatch&) = delete;

    // The names, in lower case; none when the value is absent, of another type or
    // larger than 64 KiB.
    std::vector<std::u16string> Read();
    // Whether the settings' key changed since the last call (or came since it was
    // missing): then Read again.
    bool Changed();

private:
    bool Arm();

    HKEY m_hKey = nullptr;
    HANDLE m_hEvent = nullptr;
};

}  // namespace settings
