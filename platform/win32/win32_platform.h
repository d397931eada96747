// Win32 only. The platform the program runs on: every call goes straight to the Windows API.
#pragma once

#include "platform/platform.h"

#include <windows.h>

class Win32Platform : public Platform {
public:
    // The module string-table lookups read. Null (the default) means the program itself;
    // a resource-only library loaded as a data file may take its place.
    void SetResourceModule(HINSTANCE module) { m_hResources = module; }
    HINSTANCE ResourceModule() const;

    uint32_t GetLastError() override;
    void SetLastError(uint32_t code) override;
    void* Calloc(size_t count, size_t size) override;
    void Free(void* block) override;
    int32_t MultiByteToWideChar(uint32_t codePage, uint32_t flags, const char* src, int32_t srcLength,
                                char16_t* dst, int32_t dstCapacity) override;
    int32_t WideCharToMultiByte(uint32_t codePage, uint32_t flags, const char16_t* src, int32_t srcLength,
                                char* dst, int32_t dstCapacity, const char* defaultChar,
                                Bool32* usedDefault) override;
    uint32_t GetACP() override;
    bool IsDBCSLeadByte(uint8_t byte) override;
    // Always asks for an allocated buffer, whatever flags say: the result can only be
    // handed back through *allocated.
    uint32_t FormatMessageA(uint32_t flags, const void* source, uint32_t messageId, uint32_t languageId,
                            char** allocated, uint32_t minSize, void* arguments) override;
    void* LocalFree(void* block) override;
    // Reads the entry in place (LoadStringW with no buffer yields a pointer into the
    // resource and its length), so an entry of any length comes back whole. An entry
    // the resource module lacks, or holds empty, is read from the program itself.
    bool LoadResourceString(uint32_t id, std::string& out) override;

    Bool32 EnumDisplayMonitors(DcHandle dc, const Rect32* clip, MonitorEnumProc proc, intptr_t data) override;
    Bool32 GetMonitorInfoA(MonitorHandle monitor, MonitorInfoEx* info) override;
    Bool32 EnumDisplayDevicesA(const char* device, uint32_t devNum, DisplayDevice* record,
                               uint32_t flags) override;
    // Windows 7 has the three calls but knows no advanced-colour request; Wine may
    // answer one with ERROR_NOT_SUPPORTED.
    int32_t GetDisplayConfigBufferSizes(uint32_t flags, uint32_t* pathCount, uint32_t* modeCount) override;
    int32_t QueryDisplayConfig(uint32_t flags, uint32_t* pathCount, DisplayConfigPathInfo* paths,
                               uint32_t* modeCount, DisplayConfigModeInfo* modes, void* topology) override;
    int32_t DisplayConfigGetDeviceInfo(DisplayConfigDeviceInfoHeader* request) override;

    DcHandle CreateDCA(const char* driver, const char* device, const char* output,
                       const void* initData) override;
    Bool32 DeleteDC(DcHandle dc) override;
    // Wine refuses ramps it finds implausible (flat, inverted, too bright) with FALSE and
    // leaves the last error as it was: clear it before the call to tell the cases apart.
    Bool32 SetDeviceGammaRamp(DcHandle dc, const HardwareRamp* ramp) override;
    Bool32 GetDeviceGammaRamp(DcHandle dc, HardwareRamp* ramp) override;
    Bool32 GetICMProfileA(DcHandle dc, uint32_t* size, char* filename) override;
    int32_t EnumICMProfilesA(DcHandle dc, IcmEnumProcA proc, intptr_t data) override;

    Bool32 GetColorDirectoryA(const char* machine, char* buffer, uint32_t* size) override;
    // criteria->dwSize must be exactly sizeof(EnumTypeA/W) (96 bytes on x64); Wine answers
    // any other size with FALSE and an empty list, leaving the last error untouched. Wine lists only *.icm files and ignores the
    // device-name filter.
    Bool32 EnumColorProfilesA(const char* machine, EnumTypeA* criteria, uint8_t* buffer, uint32_t* size,
                              uint32_t* count) override;
    Bool32 EnumColorProfilesW(const char16_t* machine, EnumTypeW* criteria, uint8_t* buffer,
                              uint32_t* size, uint32_t* count) override;
    ProfileHandle OpenColorProfileA(const ProfileRecord* profile, uint32_t desiredAccess, uint32_t shareMode,
                                    uint32_t creationMode) override;
    Bool32 IsColorProfileTagPresent(ProfileHandle profile, uint32_t tag, Bool32* present) override;
    // With no buffer: stores the tag's size and returns FALSE, last error untouched.
    Bool32 GetColorProfileElement(ProfileHandle profile, uint32_t tag, uint32_t offset, uint32_t* size,
                                  void* buffer, Bool32* reference) override;
    Bool32 CloseColorProfile(ProfileHandle profile) override;
    // Wine keeps associations per profile, not per device.
    Bool32 AssociateColorProfileWithDeviceA(const char* machine, const char* profile,
                                            const char* deviceName) override;
    Bool32 DisassociateColorProfileFromDeviceA(const char* machine, const char* profile,
                                               const char* deviceName) override;

private:
    HINSTANCE m_hResources = nullptr;
};

// The platform's rectangle and the window system's, the same four edges.
inline Rect32 ToRect32(const RECT& r)
{
    return Rect32{static_cast<int32_t>(r.left), static_cast<int32_t>(r.top), static_cast<int32_t>(r.right),
                  static_cast<int32_t>(r.bottom)};
}
inline RECT ToRect(const Rect32& r) { return RECT{r.left, r.top, r.right, r.bottom}; }
