// Win32 only. The logon load written straight against the Win32 API: the yardstick that
// tools/bench.sh times `kestrava.exe /load` against, spawn to exit, in the same run.
// For each monitor, in enumeration order, the calls the program makes and nothing
// else: the adapter and its monitor device's ID, the first profile the colour store
// lists for that device (its current one), the profile's 786-byte calibration table,
// and the ramp written through a device context on the adapter. Like the program it
// links the C runtime statically, starts the common controls (which its reports need)
// and looks for a resource library beside it. Exits 0 when every monitor got its table, otherwise the number of the monitor
// (from 1) whose load failed first.
#include "bare_programs.h"

#include <windows.h>
#include <icm.h>

#include <cstring>
#include <vector>

namespace {

constexpr DWORD kTagVcgt = 0x76636774;   // 'vcgt'
constexpr DWORD kMonitorClass = 0x6D6E7472;   // 'mntr'
constexpr DWORD kTableSize = 786;
constexpr DWORD kTableHeader = 18;

// The monitor device's ID under the adapter, found by the same walk: the adapter among
// the display devices, then its first monitor.
bool DeviceId(const char* adapterName, char (&deviceId)[128])
{
    DISPLAY_DEVICEA adapter{};
    adapter.cb = sizeof adapter;
    for (DWORD a = 0; EnumDisplayDevicesA(nullptr, a, &adapter, 0); ++a) {
        if (std::strcmp(adapter.DeviceName, adapterName) != 0)
            continue;
        DISPLAY_DEVICEA monitor{};
        monitor.cb = sizeof monitor;
        if (!EnumDisplayDevicesA(adapter.DeviceName, 0, &monitor, 0))
            return false;
        std::memcpy(deviceId, monitor.DeviceID, sizeof deviceId);
        deviceId[sizeof deviceId - 1] = '\0';
        return true;
    }
    return false;
}

// The full path of the first profile the store lists for the device.
bool CurrentProfile(const char* deviceId, char (&path)[MAX_PATH])
{
    WCHAR wideId[128] = {};
    if (!MultiByteToWideChar(CP_THREAD_ACP, 0, deviceId, -1, wideId, 128))
        return false;
    ENUMTYPEW criteria{};
    criteria.dwSize = sizeof criteria;
    criteria.dwVersion = ENUM_TYPE_VERSION;
    criteria.dwFields = ET_DEVICENAME | ET_CLASS;
    criteria.pDeviceName = wideId;
    criteria.dwClass = kMonitorClass;
    DWORD size = 0;
    DWORD count = 0;
    EnumColorProfilesW(nullptr, &criteria, nullptr, &size, &count);
    if (count == 0 || size < sizeof(WCHAR))
        return false;
    std::vector<BYTE> names(size, 0);
    if (!EnumColorProfilesW(nullptr, &criteria, names.data(), &size, &count))
        return false;
    char name[MAX_PATH] = {};
    if (!WideCharToMultiByte(CP_THREAD_ACP, 0, reinterpret_cast<const WCHAR*>(names.data()), -1, name,
                             sizeof name, nullptr, nullptr))
        return false;
    DWORD directorySize = MAX_PATH;
    if (!GetColorDirectoryA(nullptr, path, &directorySize))
        return false;
    const size_t used = std::strlen(path);
    if (used + 1 + std::strlen(name) >= sizeof path)
        return false;
    path[used] = '\\';
    std::memcpy(path + used + 1, name, std::strlen(name) + 1);
    return true;
}

bool ReadTable(char (&path)[MAX_PATH], BYTE (&tag)[kTableSize])
{
    PROFILE record{PROFILE_FILENAME, path, static_cast<DWORD>(sizeof path)};
    HPROFILE profile = OpenColorProfileA(&record, PROFILE_READ, FILE_SHARE_READ, OPEN_EXISTING);
    if (!profile)
        return false;
    BOOL present = FALSE;
    BOOL reference = FALSE;
    DWORD size = 0;
    bool read = IsColorProfileTagPresent(profile, kTagVcgt, &present) && present;
    if (read) {
        GetColorProfileElement(profile, kTagVcgt, 0, &size, nullptr, &reference);
        read = size == kTableSize && GetColorProfileElement(profile, kTagVcgt, 0, &size, tag, &reference);
    }
    CloseColorProfile(profile);
    return read;
}

bool WriteRamp(const char* adapterName, const BYTE (&tag)[kTableSize])
{
    WORD ramp[3][256];
    for (int channel = 0; channel < 3; ++channel)
        for (int i = 0; i < 256; ++i)
            ramp[channel][i] = static_cast<WORD>(tag[kTableHeader + channel * 256 + i] << 8);
    HDC dc = CreateDCA(adapterName, adapterName, nullptr, nullptr);
    if (!dc)
        return false;
    const bool written = SetDeviceGammaRamp(dc, ramp) != FALSE;
    DeleteDC(dc);
    return written;
}

bool LoadMonitor(HMONITOR handle)
{
    MONITORINFOEXA info{};
    info.cbSize = sizeof info;
    char deviceId[128] = {};
    char path[MAX_PATH] = {};
    BYTE tag[kTableSize] = {};
    return GetMonitorInfoA(handle, &info) && DeviceId(info.szDevice, deviceId) && CurrentProfile(deviceId, path) &&
           ReadTable(path, tag) && WriteRamp(info.szDevice, tag);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    bare::StartLikeTheProgram();
    GetCommandLineA();
    const std::vector<HMONITOR> monitors = bare::DesktopMonitors();
    for (size_t i = 0; i < monitors.size(); ++i)
        if (!LoadMonitor(monitors[i]))
            return static_cast<int>(i + 1);
    return 0;
}
