#include "ui/monitor_window_host.h"

namespace {

constexpr uint32_t kDisplayChange = 0x007E;    // WM_DISPLAYCHANGE
constexpr uint32_t kPowerBroadcast = 0x0218;   // WM_POWERBROADCAST
constexpr uint32_t kSessionChange = 0x02B1;    // WM_WTSSESSION_CHANGE
constexpr uintptr_t kResumeAutomatic = 0x12;   // PBT_APMRESUMEAUTOMATIC
constexpr uintptr_t kResumeSuspend = 0x07;     // PBT_APMRESUMESUSPEND
constexpr uintptr_t kConsoleConnect = 0x1;     // WTS_CONSOLE_CONNECT
constexpr uintptr_t kRemoteConnect = 0x3;      // WTS_REMOTE_CONNECT
constexpr uintptr_t kSessionUnlock = 0x8;      // WTS_SESSION_UNLOCK

}  // namespace

std::optional<SystemNotice> NoticeOf(uint32_t message, uintptr_t wParam)
{
    switch (message) {
    case kDisplayChange:
        return SystemNotice::Display;
    case kPowerBroadcast:
        if (wParam == kResumeAutomatic || wParam == kResumeSuspend)
            return SystemNotice::Resume;
        return std::nullopt;
    case kSessionChange:
        // Each may come with a ramp the system put back.
        if (wParam == kConsoleConnect || wParam == kRemoteConnect || wParam == kSessionUnlock)
            return SystemNotice::Resume;
        return std::nullopt;
    default:
        return std::nullopt;
    }
}
