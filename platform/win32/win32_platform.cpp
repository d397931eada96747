// Win32 only: every platform call, straight to the Windows API.
#include "platform/win32/win32_platform.h"

#include <icm.h>

#include <cstddef>
#include <cstdlib>
#include <type_traits>

// The portable records are handed to Windows as they are, so they must be the Windows
// structures byte for byte.
#define KESTRAVA_SAME_FIELD(ours, theirs, field)                                  \
    static_assert(offsetof(ours, field) == offsetof(theirs, field) &&           \
                      sizeof(ours::field) == sizeof(theirs::field),             \
                  #ours "::" #field " does not line up with " #theirs)

static_assert(sizeof(Rect32) == sizeof(RECT));
KESTRAVA_SAME_FIELD(Rect32, RECT, left);
KESTRAVA_SAME_FIELD(Rect32, RECT, top);
KESTRAVA_SAME_FIELD(Rect32, RECT, right);
KESTRAVA_SAME_FIELD(Rect32, RECT, bottom);

// MONITORINFOEXA derives from MONITORINFO in C++, so its own member sits right after the base.
static_assert(sizeof(MonitorInfoEx) == sizeof(MONITORINFOEXA) && sizeof(MONITORINFOEXA) == 72);
KESTRAVA_SAME_FIELD(MonitorInfoEx, MONITORINFO, cbSize);
KESTRAVA_SAME_FIELD(MonitorInfoEx, MONITORINFO, rcMonitor);
KESTRAVA_SAME_FIELD(MonitorInfoEx, MONITORINFO, rcWork);
KESTRAVA_SAME_FIELD(MonitorInfoEx, MONITORINFO, dwFlags);
static_assert(offsetof(MonitorInfoEx, szDevice) == sizeof(MONITORINFO) &&
              sizeof(MonitorInfoEx::szDevice) == sizeof(MONITORINFOEXA::szDevice));

static_assert(sizeof(DisplayDevice) == sizeof(DISPLAY_DEVICEA) && sizeof(DISPLAY_DEVICEA) == 424);
KESTRAVA_SAME_FIELD(DisplayDevice, DISPLAY_DEVICEA, cb);
KESTRAVA_SAME_FIELD(DisplayDevice, DISPLAY_DEVICEA, DeviceName);
KESTRAVA_SAME_FIELD(DisplayDevice, DISPLAY_DEVICEA, DeviceString);
KESTRAVA_SAME_FIELD(DisplayDevice, DISPLAY_DEVICEA, StateFlags);
KESTRAVA_SAME_FIELD(DisplayDevice, DISPLAY_DEVICEA, DeviceID);
KESTRAVA_SAME_FIELD(DisplayDevice, DISPLAY_DEVICEA, DeviceKey);

static_assert(sizeof(Luid) == sizeof(LUID));
KESTRAVA_SAME_FIELD(Luid, LUID, LowPart);
KESTRAVA_SAME_FIELD(Luid, LUID, HighPart);

static_assert(sizeof(DisplayConfigPathSourceInfo) == sizeof(DISPLAYCONFIG_PATH_SOURCE_INFO) &&
              sizeof(DISPLAYCONFIG_PATH_SOURCE_INFO) == 20);
KESTRAVA_SAME_FIELD(DisplayConfigPathSourceInfo, DISPLAYCONFIG_PATH_SOURCE_INFO, adapterId);
KESTRAVA_SAME_FIELD(DisplayConfigPathSourceInfo, DISPLAYCONFIG_PATH_SOURCE_INFO, id);
KESTRAVA_SAME_FIELD(DisplayConfigPathSourceInfo, DISPLAYCONFIG_PATH_SOURCE_INFO, modeInfoIdx);
KESTRAVA_SAME_FIELD(DisplayConfigPathSourceInfo, DISPLAYCONFIG_PATH_SOURCE_INFO, statusFlags);

static_assert(sizeof(DisplayConfigPathTargetInfo) == sizeof(DISPLAYCONFIG_PATH_TARGET_INFO) &&
              sizeof(DISPLAYCONFIG_PATH_TARGET_INFO) == 48);
KESTRAVA_SAME_FIELD(DisplayConfigPathTargetInfo, DISPLAYCONFIG_PATH_TARGET_INFO, adapterId);
KESTRAVA_SAME_FIELD(DisplayConfigPathTargetInfo, DISPLAYCONFIG_PATH_TARGET_INFO, id);
KESTRAVA_SAME_FIELD(DisplayConfigPathTargetInfo, DISPLAYCONFIG_PATH_TARGET_INFO, modeInfoIdx);
KESTRAVA_SAME_FIELD(DisplayConfigPathTargetInfo, DISPLAYCONFIG_PATH_TARGET_INFO, outputTechnology);
KESTRAVA_SAME_FIELD(DisplayConfigPathTargetInfo, DISPLAYCONFIG_PATH_TARGET_INFO, rotation);
KESTRAVA_SAME_FIELD(DisplayConfigPathTargetInfo, DISPLAYCONFIG_PATH_TARGET_INFO, scaling);
KESTRAVA_SAME_FIELD(DisplayConfigPathTargetInfo, DISPLAYCONFIG_PATH_TARGET_INFO, refreshRate);
KESTRAVA_SAME_FIELD(DisplayConfigPathTargetInfo, DISPLAYCONFIG_PATH_TARGET_INFO, scanLineOrdering);
KESTRAVA_SAME_FIELD(DisplayConfigPathTargetInfo, DISPLAYCONFIG_PATH_TARGET_INFO, targetAvailable);
KESTRAVA_SAME_FIELD(DisplayConfigPathTargetInfo, DISPLAYCONFIG_PATH_TARGET_INFO, statusFlags);

static_assert(sizeof(DisplayConfigPathInfo) == sizeof(DISPLAYCONFIG_PATH_INFO) &&
              sizeof(DISPLAYCONFIG_PATH_INFO) == 72);
KESTRAVA_SAME_FIELD(DisplayConfigPathInfo, DISPLAYCONFIG_PATH_INFO, sourceInfo);
KESTRAVA_SAME_FIELD(DisplayConfigPathInfo, DISPLAYCONFIG_PATH_INFO, targetInfo);
KESTRAVA_SAME_FIELD(DisplayConfigPathInfo, DISPLAYCONFIG_PATH_INFO, flags);

// The mode's union is opaque here: only where it starts, its size and alignment matter.
static_assert(sizeof(DisplayConfigModeInfo) == sizeof(DISPLAYCONFIG_MODE_INFO) &&
              sizeof(DISPLAYCONFIG_MODE_INFO) == 64 &&
              alignof(DisplayConfigModeInfo) == alignof(DISPLAYCONFIG_MODE_INFO));
KESTRAVA_SAME_FIELD(DisplayConfigModeInfo, DISPLAYCONFIG_MODE_INFO, infoType);
KESTRAVA_SAME_FIELD(DisplayConfigModeInfo, DISPLAYCONFIG_MODE_INFO, id);
KESTRAVA_SAME_FIELD(DisplayConfigModeInfo, DISPLAYCONFIG_MODE_INFO, adapterId);
static_assert(offsetof(DisplayConfigModeInfo, mode) == offsetof(DISPLAYCONFIG_MODE_INFO, targetMode) &&
              sizeof(DisplayConfigModeInfo::mode) == sizeof(DISPLAYCONFIG_TARGET_MODE));

static_assert(sizeof(DisplayConfigDeviceInfoHeader) == sizeof(DISPLAYCONFIG_DEVICE_INFO_HEADER) &&
              sizeof(DISPLAYCONFIG_DEVICE_INFO_HEADER) == 20);
KESTRAVA_SAME_FIELD(DisplayConfigDeviceInfoHeader, DISPLAYCONFIG_DEVICE_INFO_HEADER, type);
KESTRAVA_SAME_FIELD(DisplayConfigDeviceInfoHeader, DISPLAYCONFIG_DEVICE_INFO_HEADER, size);
KESTRAVA_SAME_FIELD(DisplayConfigDeviceInfoHeader, DISPLAYCONFIG_DEVICE_INFO_HEADER, adapterId);
KESTRAVA_SAME_FIELD(DisplayConfigDeviceInfoHeader, DISPLAYCONFIG_DEVICE_INFO_HEADER, id);

static_assert(sizeof(DisplayConfigSourceDeviceName) == sizeof(DISPLAYCONFIG_SOURCE_DEVICE_NAME) &&
              sizeof(DISPLAYCONFIG_SOURCE_DEVICE_NAME) == 84);
KESTRAVA_SAME_FIELD(DisplayConfigSourceDeviceName, DISPLAYCONFIG_SOURCE_DEVICE_NAME, header);
KESTRAVA_SAME_FIELD(DisplayConfigSourceDeviceName, DISPLAYCONFIG_SOURCE_DEVICE_NAME, viewGdiDeviceName);

static_assert(sizeof(DisplayConfigAdvancedColorInfo) == sizeof(DISPLAYCONFIG_GET_ADVANCED_COLOR_INFO) &&
              sizeof(DISPLAYCONFIG_GET_ADVANCED_COLOR_INFO) == 32);
KESTRAVA_SAME_FIELD(DisplayConfigAdvancedColorInfo, DISPLAYCONFIG_GET_ADVANCED_COLOR_INFO, header);
KESTRAVA_SAME_FIELD(DisplayConfigAdvancedColorInfo, DISPLAYCONFIG_GET_ADVANCED_COLOR_INFO, value);
KESTRAVA_SAME_FIELD(DisplayConfigAdvancedColorInfo, DISPLAYCONFIG_GET_ADVANCED_COLOR_INFO, colorEncoding);
KESTRAVA_SAME_FIELD(DisplayConfigAdvancedColorInfo, DISPLAYCONFIG_GET_ADVANCED_COLOR_INFO,
                    bitsPerColorChannel);

// The toolchain's headers predate the second colour query: its layout is checked against
// the first's, which it extends by the active colour mode.
static_assert(sizeof(DisplayConfigAdvancedColorInfo2) == 36 &&
              offsetof(DisplayConfigAdvancedColorInfo2, bitsPerColorChannel) ==
                  offsetof(DISPLAYCONFIG_GET_ADVANCED_COLOR_INFO, bitsPerColorChannel) &&
              offsetof(DisplayConfigAdvancedColorInfo2, activeColorMode) == 32);

static_assert(kQdcOnlyActivePaths == QDC_ONLY_ACTIVE_PATHS &&
              kDisplayConfigGetSourceName == DISPLAYCONFIG_DEVICE_INFO_GET_SOURCE_NAME &&
              kDisplayConfigGetAdvancedColorInfo == DISPLAYCONFIG_DEVICE_INFO_GET_ADVANCED_COLOR_INFO);

static_assert(sizeof(ProfileRecord) == sizeof(PROFILE));
KESTRAVA_SAME_FIELD(ProfileRecord, PROFILE, dwType);
KESTRAVA_SAME_FIELD(ProfileRecord, PROFILE, pProfileData);
KESTRAVA_SAME_FIELD(ProfileRecord, PROFILE, cbDataSize);

#define KESTRAVA_SAME_ENUMTYPE(ours, theirs)                         \
    static_assert(sizeof(ours) == sizeof(theirs) && sizeof(theirs) == 96); \
    KESTRAVA_SAME_FIELD(ours, theirs, dwSize);                       \
    KESTRAVA_SAME_FIELD(ours, theirs, dwVersion);                    \
    KESTRAVA_SAME_FIELD(ours, theirs, dwFields);                     \
    KESTRAVA_SAME_FIELD(ours, theirs, pDeviceName);                  \
    KESTRAVA_SAME_FIELD(ours, theirs, dwMediaType);                  \
    KESTRAVA_SAME_FIELD(ours, theirs, dwDitheringMode);              \
    KESTRAVA_SAME_FIELD(ours, theirs, dwResolution);                 \
    KESTRAVA_SAME_FIELD(ours, theirs, dwCMMType);                    \
    KESTRAVA_SAME_FIELD(ours, theirs, dwClass);                      \
    KESTRAVA_SAME_FIELD(ours, theirs, dwDataColorSpace);             \
    KESTRAVA_SAME_FIELD(ours, theirs, dwConnectionSpace);            \
    KESTRAVA_SAME_FIELD(ours, theirs, dwSignature);                  \
    KESTRAVA_SAME_FIELD(ours, theirs, dwPlatform);                   \
    KESTRAVA_SAME_FIELD(ours, theirs, dwProfileFlags);               \
    KESTRAVA_SAME_FIELD(ours, theirs, dwManufacturer);               \
    KESTRAVA_SAME_FIELD(ours, theirs, dwModel);                      \
    KESTRAVA_SAME_FIELD(ours, theirs, dwAttributes);                 \
    KESTRAVA_SAME_FIELD(ours, theirs, dwRenderingIntent);            \
    KESTRAVA_SAME_FIELD(ours, theirs, dwCreator);                    \
    KESTRAVA_SAME_FIELD(ours, theirs, dwDeviceClass)

KESTRAVA_SAME_ENUMTYPE(EnumTypeA, ENUMTYPEA);
KESTRAVA_SAME_ENUMTYPE(EnumTypeW, ENUMTYPEW);

// The layout GetDeviceGammaRamp and SetDeviceGammaRamp expect: WORD[3][256].
static_assert(sizeof(HardwareRamp) == 3 * 256 * sizeof(WORD) && sizeof(HardwareRamp) == 1536);
static_assert(offsetof(HardwareRamp, green) == 256 * sizeof(WORD) &&
              offsetof(HardwareRamp, blue) == 512 * sizeof(WORD));

static_assert(std::is_same_v<BOOL, Bool32>);
static_assert(sizeof(wchar_t) == sizeof(char16_t));
static_assert(sizeof(DWORD) == sizeof(uint32_t));

#undef KESTRAVA_SAME_ENUMTYPE
#undef KESTRAVA_SAME_FIELD

namespace {

// DWORD is unsigned long here and uint32_t unsigned int: the same size but distinct
// types. An in/out count goes through a DWORD copy that is written back when the
// temporary dies, at the end of the call's full expression. A null pointer stays null.
class DwordArg {
public:
    explicit DwordArg(uint32_t* value) : m_pValue(value), m_dwValue(value ? *value : 0) {}
    ~DwordArg()
    {
        if (m_pValue)
            *m_pValue = m_dwValue;
    }
    DwordArg(const DwordArg&) = delete;
    DwordArg& operator=(const DwordArg&) = delete;

    DWORD* Get() { return m_pValue ? &m_dwValue : nullptr; }

private:
    uint32_t* m_pValue;
    DWORD m_dwValue;
};

HDC ToHdc(DcHandle dc) { return reinterpret_cast<HDC>(dc); }
HPROFILE ToProfile(ProfileHandle profile) { return reinterpret_cast<HPROFILE>(profile); }

// The portable callbacks have no calling convention of their own; Windows calls these
// trampolines, which hand the call on with the caller's value.
struct MonitorEnumCall {
    MonitorEnumProc proc;
    intptr_t data;
};

BOOL CALLBACK MonitorEnumTrampoline(HMONITOR monitor, HDC dc, LPRECT rect, LPARAM param)
{
    const auto* call = reinterpret_cast<const MonitorEnumCall*>(param);
    return call->proc(reinterpret_cast<MonitorHandle>(monitor), reinterpret_cast<DcHandle>(dc),
                      reinterpret_cast<Rect32*>(rect), call->data);
}

struct IcmEnumCall {
    IcmEnumProcA proc;
    intptr_t data;
};

int CALLBACK IcmEnumTrampoline(LPSTR filename, LPARAM param)
{
    const auto* call = reinterpret_cast<const IcmEnumCall*>(param);
    return call->proc(filename, call->data);
}

}  // namespace

HINSTANCE Win32Platform::ResourceModule() const
{
    return m_hResources ? m_hResources : ::GetModuleHandleA(nullptr);
}

uint32_t Win32Platform::GetLastError() { return ::GetLastError(); }

void Win32Platform::SetLastError(uint32_t code) { ::SetLastError(code); }


void* Win32Platform::Calloc(size_t count, size_t size) { return std::calloc(count, size); }

void Win32Platform::Free(void* block) { std::free(block); }

int32_t Win32Platform::MultiByteToWideChar(uint32_t codePage, uint32_t flags, const char* src,
                                           int32_t srcLength, char16_t* dst, int32_t dstCapacity)
{
    return ::MultiByteToWideChar(codePage, flags, src, srcLength, reinterpret_cast<LPWSTR>(dst),
                                 dstCapacity);
}

int32_t Win32Platform::WideCharToMultiByte(uint32_t codePage, uint32_t flags, const char16_t* src,
                                           int32_t srcLength, char* dst, int32_t dstCapacity,
                                           const char* defaultChar, Bool32* usedDefault)
{
    return ::WideCharToMultiByte(codePage, flags, reinterpret_cast<LPCWSTR>(src), srcLength, dst,
                                 dstCapacity, defaultChar, usedDefault);
}

uint32_t Win32Platform::GetACP() { return ::GetACP(); }

bool Win32Platform::IsDBCSLeadByte(uint8_t byte) { return ::IsDBCSLeadByteEx(CP_ACP, byte) != FALSE; }

uint32_t Win32Platform::FormatMessageA(uint32_t flags, const void* source, uint32_t messageId,
                                       uint32_t languageId, char** allocated, uint32_t minSize,
                                       void* arguments)
{
    LPSTR text = nullptr;
    DWORD length = ::FormatMessageA(flags | FORMAT_MESSAGE_ALLOCATE_BUFFER, source, messageId, languageId,
                                    reinterpret_cast<LPSTR>(&text), minSize,
                                    static_cast<va_list*>(arguments));
    if (length == 0 && text) {
        // Not expected from the system, but a block without a text must not leak.
        DWORD error = ::GetLastError();
        ::LocalFree(text);
        ::SetLastError(error);
        text = nullptr;
    }
    *allocated = text;
    return length;
}

void* Win32Platform::LocalFree(void* block) { return ::LocalFree(block); }

bool Win32Platform::LoadResourceString(uint32_t id, std::string& out)
{
    out.clear();
    const wchar_t* text = nullptr;
    int length = ::LoadStringW(ResourceModule(), id, reinterpret_cast<LPWSTR>(&text), 0);
    // A resource library may lack an entry (one added after it was translated): the
    // program's own table has every one.
    if ((length <= 0 || !text) && m_hResources) {
        text = nullptr;
        length = ::LoadStringW(::GetModuleHandleA(nullptr), id, reinterpret_cast<LPWSTR>(&text), 0);
    }
    if (length <= 0 || !text)
        return false;
    int needed = ::WideCharToMultiByte(CP_ACP, 0, text, length, nullptr, 0, nullptr, nullptr);
    if (needed <= 0)
        return false;
    out.resize(static_cast<size_t>(needed));
    int written = ::WideCharToMultiByte(CP_ACP, 0, text, length, out.data(), needed, nullptr, nullptr);
    if (written <= 0) {
        out.clear();
        return false;
    }
    out.resize(static_cast<size_t>(written));
    return true;
}

Bool32 Win32Platform::EnumDisplayMonitors(DcHandle dc, const Rect32* clip, MonitorEnumProc proc,
                                          intptr_t data)
{
    MonitorEnumCall call{proc, data};
    return ::EnumDisplayMonitors(ToHdc(dc), reinterpret_cast<const RECT*>(clip),
                                 proc ? MonitorEnumTrampoline : nullptr, reinterpret_cast<LPARAM>(&call));
}

Bool32 Win32Platform::GetMonitorInfoA(MonitorHandle monitor, MonitorInfoEx* info)
{
    return ::GetMonitorInfoA(reinterpret_cast<HMONITOR>(monitor), reinterpret_cast<LPMONITORINFO>(info));
}

Bool32 Win32Platform::EnumDisplayDevicesA(const char* device, uint32_t devNum, DisplayDevice* record,
                                          uint32_t flags)
{
    return ::EnumDisplayDevicesA(device, devNum, reinterpret_cast<PDISPLAY_DEVICEA>(record), flags);
}

int32_t Win32Platform::GetDisplayConfigBufferSizes(uint32_t flags, uint32_t* pathCount, uint32_t* modeCount)
{
    return ::GetDisplayConfigBufferSizes(flags, pathCount, modeCount);
}

int32_t Win32Platform::QueryDisplayConfig(uint32_t flags, uint32_t* pathCount, DisplayConfigPathInfo* paths,
                                          uint32_t* modeCount, DisplayConfigModeInfo* modes, void* topology)
{
    return ::QueryDisplayConfig(flags, pathCount, reinterpret_cast<DISPLAYCONFIG_PATH_INFO*>(paths), modeCount,
                                reinterpret_cast<DISPLAYCONFIG_MODE_INFO*>(modes),
                                static_cast<DISPLAYCONFIG_TOPOLOGY_ID*>(topology));
}

int32_t Win32Platform::DisplayConfigGetDeviceInfo(DisplayConfigDeviceInfoHeader* request)
{
    return ::DisplayConfigGetDeviceInfo(reinterpret_cast<DISPLAYCONFIG_DEVICE_INFO_HEADER*>(request));
}

DcHandle Win32Platform::CreateDCA(const char* driver, const char* device, const char* output,
                                  const void* initData)
{
    return reinterpret_cast<DcHandle>(
        ::CreateDCA(driver, device, output, static_cast<const DEVMODEA*>(initData)));
}

Bool32 Win32Platform::DeleteDC(DcHandle dc) { return ::DeleteDC(ToHdc(dc)); }

Bool32 Win32Platform::SetDeviceGammaRamp(DcHandle dc, const HardwareRamp* ramp)
{
    // The API takes a non-const pointer but only reads the ramp.
    return ::SetDeviceGammaRamp(ToHdc(dc), const_cast<HardwareRamp*>(ramp));
}

Bool32 Win32Platform::GetDeviceGammaRamp(DcHandle dc, HardwareRamp* ramp)
{
    return ::GetDeviceGammaRamp(ToHdc(dc), ramp);
}

Bool32 Win32Platform::GetICMProfileA(DcHandle dc, uint32_t* size, char* filename)
{
    return ::GetICMProfileA(ToHdc(dc), DwordArg(size).Get(), filename);
}

int32_t Win32Platform::EnumICMProfilesA(DcHandle dc, IcmEnumProcA proc, intptr_t data)
{
    IcmEnumCall call{proc, data};
    return ::EnumICMProfilesA(ToHdc(dc), proc ? IcmEnumTrampoline : nullptr, reinterpret_cast<LPARAM>(&call));
}

Bool32 Win32Platform::GetColorDirectoryA(const char* machine, char* buffer, uint32_t* size)
{
    return ::GetColorDirectoryA(machine, buffer, DwordArg(size).Get());
}

Bool32 Win32Platform::EnumColorProfilesA(const char* machine, EnumTypeA* criteria, uint8_t* buffer,
                                         uint32_t* size, uint32_t* count)
{
    return ::EnumColorProfilesA(machine, reinterpret_cast<PENUMTYPEA>(criteria), buffer, DwordArg(size).Get(),
                                DwordArg(count).Get());
}

Bool32 Win32Platform::EnumColorProfilesW(const char16_t* machine, EnumTypeW* criteria, uint8_t* buffer,
                                         uint32_t* size, uint32_t* count)
{
    return ::EnumColorProfilesW(reinterpret_cast<PCWSTR>(machine), reinterpret_cast<PENUMTYPEW>(criteria),
                                buffer, DwordArg(size).Get(), DwordArg(count).Get());
}

ProfileHandle Win32Platform::OpenColorProfileA(const ProfileRecord* profile, uint32_t desiredAccess,
                                               uint32_t shareMode, uint32_t creationMode)
{
    // The API takes a non-const record but only reads it.
    auto* record = reinterpret_cast<PPROFILE>(const_cast<ProfileRecord*>(profile));
    return reinterpret_cast<ProfileHandle>(::OpenColorProfileA(record, desiredAccess, shareMode, creationMode));
}

Bool32 Win32Platform::IsColorProfileTagPresent(ProfileHandle profile, uint32_t tag, Bool32* present)
{
    return ::IsColorProfileTagPresent(ToProfile(profile), tag, present);
}

Bool32 Win32Platform::GetColorProfileElement(ProfileHandle profile, uint32_t tag, uint32_t offset,
                                             uint32_t* size, void* buffer, Bool32* reference)
{
    return ::GetColorProfileElement(ToProfile(profile), tag, offset, DwordArg(size).Get(), buffer, reference);
}

Bool32 Win32Platform::CloseColorProfile(ProfileHandle profile) { return ::CloseColorProfile(ToProfile(profile)); }

Bool32 Win32Platform::AssociateColorProfileWithDeviceA(const char* machine, const char* profile,
                                                       const char* deviceName)
{
    return ::AssociateColorProfileWithDeviceA(machine, profile, deviceName);
}

Bool32 Win32Platform::DisassociateColorProfileFromDeviceA(const char* machine, const char* profile,
                                                          const char* deviceName)
{
    return ::DisassociateColorProfileFromDeviceA(machine, profile, deviceName);
}
