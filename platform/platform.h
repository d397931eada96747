// The operating-system calls Kestrava makes, behind one interface.
//
// Every operation here has the name, arguments, result and last-error behaviour of
// the Windows call it stands for. The records mirror the Windows structures field for
// field, so the Win32 implementation passes them straight through; the simulated
// implementation used by the host tests keeps the same contract.
//
// This header is portable: it never includes <windows.h>.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// A Windows BOOL: non-zero for true.
using Bool32 = int32_t;

// Opaque handles. Only the platform that handed one out knows what it stands for.
struct OpaqueMonitor;
struct OpaqueDc;
struct OpaqueProfile;
using MonitorHandle = OpaqueMonitor*;
using DcHandle = OpaqueDc*;
using ProfileHandle = OpaqueProfile*;

struct Rect32 {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

// MONITORINFOEXA: 72 bytes, cbSize must be set before the call.
struct MonitorInfoEx {
    uint32_t cbSize;
    Rect32 rcMonitor;
    Rect32 rcWork;
    uint32_t dwFlags;
    char szDevice[32];
};

// DISPLAY_DEVICEA: 424 bytes, cb must be set before the call.
struct DisplayDevice {
    uint32_t cb;
    char DeviceName[32];
    char DeviceString[128];
    uint32_t StateFlags;
    char DeviceID[128];
    char DeviceKey[128];
};

constexpr uint32_t kDisplayDeviceAttached = 0x1;    // adapter: on the desktop; monitor: active
constexpr uint32_t kDisplayDeviceMirroring = 0x8;   // mirroring driver

// LUID: a locally unique identifier; here it names a display adapter for the
// display-configuration calls.
struct Luid {
    uint32_t LowPart;
    int32_t HighPart;
};

// DISPLAYCONFIG_RATIONAL.
struct DisplayConfigRational {
    uint32_t Numerator;
    uint32_t Denominator;
};

// DISPLAYCONFIG_PATH_SOURCE_INFO: 20 bytes. id numbers the source (a GDI view) on its
// adapter; modeInfoIdx also serves as two 16-bit halves (clone group, source mode).
struct DisplayConfigPathSourceInfo {
    Luid adapterId;
    uint32_t id;
    uint32_t modeInfoIdx;
    uint32_t statusFlags;
};

// DISPLAYCONFIG_PATH_TARGET_INFO: 48 bytes. id numbers the target (a monitor output)
// on its adapter. The enumerations are 32-bit.
struct DisplayConfigPathTargetInfo {
    Luid adapterId;
    uint32_t id;
    uint32_t modeInfoIdx;
    uint32_t outputTechnology;
    uint32_t rotation;
    uint32_t scaling;
    DisplayConfigRational refreshRate;
    uint32_t scanLineOrdering;
    Bool32 targetAvailable;
    uint32_t statusFlags;
};

// DISPLAYCONFIG_PATH_INFO: 72 bytes, one source shown on one target.
struct DisplayConfigPathInfo {
    DisplayConfigPathSourceInfo sourceInfo;
    DisplayConfigPathTargetInfo targetInfo;
    uint32_t flags;
};

// DISPLAYCONFIG_MODE_INFO: 64 bytes. The program never reads a mode, so its union
// (a target, source or desktop-image mode) is kept as bytes of the same size and
// alignment (the target mode starts with a 64-bit pixel rate).
struct DisplayConfigModeInfo {
    uint32_t infoType;
    uint32_t id;
    Luid adapterId;
    alignas(8) uint8_t mode[48];
};

// DISPLAYCONFIG_DEVICE_INFO_HEADER: 20 bytes, the start of every DisplayConfigGetDeviceInfo
// request. type says what is asked, size is the whole request's size, adapterId and id
// name the source or target asked about.
struct DisplayConfigDeviceInfoHeader {
    uint32_t type;
    uint32_t size;
    Luid adapterId;
    uint32_t id;
};

// DISPLAYCONFIG_SOURCE_DEVICE_NAME: 84 bytes. The source's GDI name (\\.\DISPLAYn).
struct DisplayConfigSourceDeviceName {
    DisplayConfigDeviceInfoHeader header;
    char16_t viewGdiDeviceName[32];
};

// DISPLAYCONFIG_GET_ADVANCED_COLOR_INFO: 32 bytes, asked of a target. value is a bit
// field: kAdvancedColorSupported, kAdvancedColorEnabled, kAdvancedColorWideColorEnforced
// (automatic colour management of an SDR monitor), then advanced colour force-disabled.
struct DisplayConfigAdvancedColorInfo {
    DisplayConfigDeviceInfoHeader header;
    uint32_t value;
    uint32_t colorEncoding;
    uint32_t bitsPerColorChannel;
};

// DISPLAYCONFIG_GET_ADVANCED_COLOR_INFO_2: 36 bytes, asked of a target; systems before
// Windows 11 24H2 refuse the type. activeColorMode is SDR, WCG (automatic colour
// management of an SDR monitor) or HDR. The bits of value are not read.
struct DisplayConfigAdvancedColorInfo2 {
    DisplayConfigDeviceInfoHeader header;
    uint32_t value;
    uint32_t colorEncoding;
    uint32_t bitsPerColorChannel;
    uint32_t activeColorMode;
};

constexpr uint32_t kQdcOnlyActivePaths = 2;                 // QDC_ONLY_ACTIVE_PATHS
constexpr uint32_t kDisplayConfigGetSourceName = 1;         // DISPLAYCONFIG_DEVICE_INFO_GET_SOURCE_NAME
constexpr uint32_t kDisplayConfigGetAdvancedColorInfo = 9;    // ..._GET_ADVANCED_COLOR_INFO
constexpr uint32_t kDisplayConfigGetAdvancedColorInfo2 = 15;  // ..._GET_ADVANCED_COLOR_INFO_2
constexpr uint32_t kAdvancedColorSupported = 0x1;
constexpr uint32_t kAdvancedColorEnabled = 0x2;
constexpr uint32_t kAdvancedColorWideColorEnforced = 0x4;
constexpr uint32_t kAdvancedColorModeSdr = 0;  // DISPLAYCONFIG_ADVANCED_COLOR_MODE_SDR
constexpr uint32_t kAdvancedColorModeWcg = 1;  // ..._WCG
constexpr uint32_t kAdvancedColorModeHdr = 2;  // ..._HDR

// PROFILE: where a colour profile comes from.
struct ProfileRecord {
    uint32_t dwType;          // 1 = file name
    const void* pProfileData;
    uint32_t cbDataSize;
};

constexpr uint32_t kProfileFilename = 1;
constexpr uint32_t kProfileRead = 1;           // desired access
constexpr uint32_t kFileShareRead = 1;         // share mode
constexpr uint32_t kOpenExisting = 3;          // creation mode

// ENUMTYPEA / ENUMTYPEW. dwSize must be sizeof the record (96 bytes on x64, 88 on x86).
template <class Char>
struct EnumTypeT {
    uint32_t dwSize;
    uint32_t dwVersion;
    uint32_t dwFields;
    const Char* pDeviceName;
    uint32_t dwMediaType;
    uint32_t dwDitheringMode;
    uint32_t dwResolution[2];
    uint32_t dwCMMType;
    uint32_t dwClass;
    uint32_t dwDataColorSpace;
    uint32_t dwConnectionSpace;
    uint32_t dwSignature;
    uint32_t dwPlatform;
    uint32_t dwProfileFlags;
    uint32_t dwManufacturer;
    uint32_t dwModel;
    uint32_t dwAttributes[2];
    uint32_t dwRenderingIntent;
    uint32_t dwCreator;
    uint32_t dwDeviceClass;
};
using EnumTypeA = EnumTypeT<char>;
using EnumTypeW = EnumTypeT<char16_t>;

constexpr uint32_t kEnumTypeVersion = 0x300;
constexpr uint32_t kEtDeviceName = 0x1;
constexpr uint32_t kEtClass = 0x20;
constexpr uint32_t kClassMonitor = 0x6D6E7472;   // 'mntr'

// The hardware gamma ramp: 256 red, then 256 green, then 256 blue 16-bit values.
struct HardwareRamp {
    uint16_t red[256];
    uint16_t green[256];
    uint16_t blue[256];
};

// Last-error codes the program produces or tests for itself.
constexpr uint32_t kErrorNotEnoughMemory = 8;
constexpr uint32_t kErrorInvalidParameter = 87;
constexpr uint32_t kErrorInsufficientBuffer = 122;
constexpr uint32_t kErrorFilenameExcedRange = 206;

constexpr uint32_t kCodePageThreadAcp = 3;   // CP_THREAD_ACP
constexpr uint32_t kCodePageUtf8 = 65001;    // CP_UTF8
// WideCharToMultiByte: fail with ERROR_NO_UNICODE_TRANSLATION on a lone surrogate
// instead of writing U+FFFD. Taken by UTF-8 and GB18030 (54936) only.
constexpr uint32_t kWcErrInvalidChars = 0x80;

// FormatMessageA flags.
constexpr uint32_t kFormatMessageAllocateBuffer = 0x100;
constexpr uint32_t kFormatMessageIgnoreInserts = 0x200;
constexpr uint32_t kFormatMessageFromSystem = 0x1000;
constexpr uint32_t kLangUserDefault = 0x0400;

using MonitorEnumProc = Bool32 (*)(MonitorHandle monitor, DcHandle dc, Rect32* rect, intptr_t data);
using IcmEnumProcA = int32_t (*)(char* filename, intptr_t data);

class Platform {
public:
    virtual ~Platform() = default;

    // ---- Kernel ----

    // GetLastError: the calling thread's last-error code.
    virtual uint32_t GetLastError() = 0;
    // SetLastError: sets it; the program clears it before a call whose failure it judges.
    virtual void SetLastError(uint32_t code) = 0;

    // calloc / free for platform buffers. A failed allocation returns null and leaves
    // the last error as the allocator left it (the C runtime leaves it alone).
    virtual void* Calloc(size_t count, size_t size) = 0;
    virtual void Free(void* block) = 0;

    // MultiByteToWideChar. In: code page, flags, source and its length in bytes (-1: up to
    // and with its NUL), destination capacity in UTF-16 units (0: only measure).
    // Returns the units written (or needed), 0 on failure with the last error set
    // (122 when the destination is too small).
    virtual int32_t MultiByteToWideChar(uint32_t codePage, uint32_t flags, const char* src,
                                        int32_t srcLength, char16_t* dst, int32_t dstCapacity) = 0;
    // WideCharToMultiByte: the reverse; defaultChar and usedDefault may be null, and must
    // be for UTF-8 (and the few other code pages that take no flags): the call then fails
    // with 87.
    virtual int32_t WideCharToMultiByte(uint32_t codePage, uint32_t flags, const char16_t* src,
                                        int32_t srcLength, char* dst, int32_t dstCapacity,
                                        const char* defaultChar, Bool32* usedDefault) = 0;
    // GetACP: the number of the ANSI code page, the one the A calls convert names with
    // (65001 where the system runs on UTF-8). Sets no last error.
    virtual uint32_t GetACP() = 0;
    // IsDBCSLeadByteEx(CP_ACP, byte): whether the byte starts a two-byte character in
    // the ANSI code page. Used by the multibyte-aware string functions.
    virtual bool IsDBCSLeadByte(uint8_t byte) = 0;

    // FormatMessageA with FORMAT_MESSAGE_ALLOCATE_BUFFER: on success stores a text
    // allocated by the system in *allocated (release it with LocalFree) and returns its
    // length in characters; returns 0 and leaves *allocated null when there is no text.
    virtual uint32_t FormatMessageA(uint32_t flags, const void* source, uint32_t messageId,
                                    uint32_t languageId, char** allocated, uint32_t minSize,
                                    void* arguments) = 0;
    // LocalFree: releases a block FormatMessageA allocated; returns null on success.
    virtual void* LocalFree(void* block) = 0;

    // The string-table entry id of the resource source (the program, or the resource
    // library when one is in use), of any length, in the ANSI code page. Returns false,
    // with out empty, when there is no such entry.
    virtual bool LoadResourceString(uint32_t id, std::string& out) = 0;

    // ---- Window manager ----

    // EnumDisplayMonitors: calls proc once per monitor; returns non-zero on success.
    virtual Bool32 EnumDisplayMonitors(DcHandle dc, const Rect32* clip, MonitorEnumProc proc,
                                       intptr_t data) = 0;
    // GetMonitorInfoA with an extended record (info->cbSize = 72 in, the rest out).
    virtual Bool32 GetMonitorInfoA(MonitorHandle monitor, MonitorInfoEx* info) = 0;
    // EnumDisplayDevicesA. In: device (null for adapters, else the adapter's DeviceName
    // for its monitors), index, record with cb = 424, flags. Out: the record. Returns
    // zero when there is no device at that index.
    virtual Bool32 EnumDisplayDevicesA(const char* device, uint32_t devNum, DisplayDevice* record,
                                       uint32_t flags) = 0;

    // The display configuration. These three return a Win32 error code (0 on success,
    // 87 for a request they refuse) and leave the last error alone.

    // GetDisplayConfigBufferSizes. In: flags (kQdcOnlyActivePaths). Out: the number of
    // path and mode records a QueryDisplayConfig with the same flags needs.
    virtual int32_t GetDisplayConfigBufferSizes(uint32_t flags, uint32_t* pathCount, uint32_t* modeCount) = 0;
    // QueryDisplayConfig. In: flags; *pathCount and *modeCount, the capacities of paths
    // and modes. Out: the records and, in the counts, how many were filled. Returns 122
    // when a buffer is too small (the configuration may have grown since the size query).
    // topology must be null with kQdcOnlyActivePaths.
    virtual int32_t QueryDisplayConfig(uint32_t flags, uint32_t* pathCount, DisplayConfigPathInfo* paths,
                                       uint32_t* modeCount, DisplayConfigModeInfo* modes, void* topology) = 0;
    // DisplayConfigGetDeviceInfo. In: a request that starts with the header, whose type,
    // size (of the whole request), adapterId and id are set. Out: the rest of the request.
    virtual int32_t DisplayConfigGetDeviceInfo(DisplayConfigDeviceInfoHeader* request) = 0;

    // ---- GDI ----

    // CreateDCA: a device context, or null with the last error set (or left alone).
    virtual DcHandle CreateDCA(const char* driver, const char* device, const char* output,
                               const void* initData) = 0;
    virtual Bool32 DeleteDC(DcHandle dc) = 0;
    // SetDeviceGammaRamp / GetDeviceGammaRamp: ramp points to a HardwareRamp. Either
    // returns FALSE on failure; a driver (Wine's X11 driver among them) that refuses an
    // implausible ramp may leave the last error as it was, so the caller clears it first
    // and reads the ramp back to tell a refusal from a driver without a ramp.
    virtual Bool32 SetDeviceGammaRamp(DcHandle dc, const HardwareRamp* ramp) = 0;
    virtual Bool32 GetDeviceGammaRamp(DcHandle dc, HardwareRamp* ramp) = 0;
    // GetICMProfileA. In/out: *size, the buffer's capacity in bytes, set to the size
    // needed when it is too small. Out: the profile's full path.
    virtual Bool32 GetICMProfileA(DcHandle dc, uint32_t* size, char* filename) = 0;
    // EnumICMProfilesA: calls proc with each profile of the context; returns the last
    // value proc returned, or -1 when there was none to enumerate.
    virtual int32_t EnumICMProfilesA(DcHandle dc, IcmEnumProcA proc, intptr_t data) = 0;

    // ---- Colour management (mscms) ----

    // GetColorDirectoryA. In/out: *size, the buffer's capacity, set to the size needed.
    virtual Bool32 GetColorDirectoryA(const char* machine, char* buffer, uint32_t* size) = 0;
    // EnumColorProfilesA/W. In: criteria. In/out: *size, buffer capacity in bytes, set to
    // the size needed. Out: *count, the number of matching profiles; the buffer gets
    // their file names, each NUL-terminated, ended by an empty name. buffer may be null.
    virtual Bool32 EnumColorProfilesA(const char* machine, EnumTypeA* criteria, uint8_t* buffer,
                                      uint32_t* size, uint32_t* count) = 0;
    virtual Bool32 EnumColorProfilesW(const char16_t* machine, EnumTypeW* criteria,
                                      uint8_t* buffer, uint32_t* size, uint32_t* count) = 0;
    // OpenColorProfileA: a handle, or null with the last error set (2 for a file that is
    // not there, 2011 for one that is no profile).
    virtual ProfileHandle OpenColorProfileA(const ProfileRecord* profile, uint32_t desiredAccess,
                                            uint32_t shareMode, uint32_t creationMode) = 0;
    // IsColorProfileTagPresent. Out: *present.
    virtual Bool32 IsColorProfileTagPresent(ProfileHandle profile, uint32_t tag,
                                            Bool32* present) = 0;
    // GetColorProfileElement. In/out: *size, the buffer's capacity, set to the bytes
    // copied or, with no buffer, to the tag's size (then the result is FALSE and the
    // last error is not necessarily set). Out: *reference.
    virtual Bool32 GetColorProfileElement(ProfileHandle profile, uint32_t tag, uint32_t offset,
                                          uint32_t* size, void* buffer, Bool32* reference) = 0;
    // CloseColorProfile: FALSE with the last error set (6) for a handle that is not open.
    virtual Bool32 CloseColorProfile(ProfileHandle profile) = 0;
    // AssociateColorProfileWithDeviceA / DisassociateColorProfileFromDeviceA: in, the
    // profile's file name or path and the monitor's device ID. FALSE on failure with the
    // last error set, or left as it was where the store refuses without one; the
    // program judges an association by the result alone, and ignores a failed
    // disassociation (the profile may not have been associated).
    virtual Bool32 AssociateColorProfileWithDeviceA(const char* machine, const char* profile,
                                                    const char* deviceName) = 0;
    virtual Bool32 DisassociateColorProfileFromDeviceA(const char* machine, const char* profile,
                                                       const char* deviceName) = 0;
};

// The platform every service uses. The program installs the Win32 one at start-up;
// the host tests install a simulated one.
Platform& Sys();
// Installs a platform and returns the one it replaces (null at first).
Platform* SetPlatform(Platform* platform);
