// A simulated Windows for the host tests: a desktop of monitors that can come and go,
// display adapters with their monitor devices and display configuration, a colour
// directory of real profile files on disk, a per-device association store, a gamma ramp
// per adapter and a string table. Any call can be made to fail with any last-error
// code, 0 included. It counts what it hands out, so a test can check that every
// profile, device context, heap block and system text came back.
#pragma once

#include "platform/platform.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

// The calls that can be made to fail.
enum class SimCall {
    Calloc,
    MultiByteToWideChar,
    WideCharToMultiByte,
    FormatMessageA,
    EnumDisplayMonitors,
    GetMonitorInfoA,
    EnumDisplayDevicesA,
    CreateDCA,
    SetDeviceGammaRamp,
    GetDeviceGammaRamp,
    GetICMProfileA,
    EnumICMProfilesA,
    GetColorDirectoryA,
    EnumColorProfilesA,
    EnumColorProfilesW,
    OpenColorProfileA,
    IsColorProfileTagPresent,
    GetColorProfileElement,
    AssociateColorProfileWithDeviceA,
    DisassociateColorProfileFromDeviceA,
    // These return an error code instead of setting the last error: a failure returns
    // the injected code and leaves the last error alone.
    GetDisplayConfigBufferSizes,
    QueryDisplayConfig,
    DisplayConfigGetDeviceInfo,
};

struct SimDevice {
    std::string name;      // DeviceName
    std::string string;    // DeviceString
    uint32_t flags = kDisplayDeviceAttached;
    std::string id;        // DeviceID
    std::string key;       // DeviceKey
};

struct SimAdapter {
    SimDevice device;
    std::vector<SimDevice> monitors;   // children, in enumeration order
};

struct SimMonitor {
    Rect32 rect{};
    Rect32 work{};
    std::string adapterName;   // szDevice of its monitor information
    bool primary = false;
};

namespace simwin {
struct SimState;
}

class SimPlatform : public Platform {
public:
    // The colour directory is a fresh temporary folder, removed by the destructor.
    // GetColorDirectoryA names it as kColorDirectory; paths under that name map to it.
    SimPlatform();
    ~SimPlatform() override;
    SimPlatform(const SimPlatform&) = delete;
    SimPlatform& operator=(const SimPlatform&) = delete;

    static constexpr const char* kColorDirectory = "C:\\WINDOWS\\system32\\spool\\drivers\\color";
    // The file GetICMProfileA names, in kColorDirectory, when nothing is associated.
    static constexpr const char* kDefaultProfile = "sRGB Color Space Profile.icm";

    // ---- Building the simulated machine ----

    // Adds a monitor to the desktop and returns its handle. Handles are never reused: a
    // monitor that returns (added again with its adapter's name) gets a new one.
    MonitorHandle AddMonitor(const SimMonitor& monitor);
    // The monitor leaves the desktop: EnumDisplayMonitors no longer lists it, and
    // GetMonitorInfoA on its handle fails with 1461 as on any stale handle. Its adapter
    // and the adapter's monitor devices stay.
    void RemoveMonitor(MonitorHandle monitor);
    // Adds a top-level display adapter with its monitor devices.
    void AddAdapter(const SimAdapter& adapter);
    // The adapter of that name (without regard to case), for a test to change its
    // monitor devices; null when there is none. Valid until the next AddAdapter.
    SimAdapter* FindAdapter(const std::string& adapterName);
    // Convenience: adapter "\\.\DISPLAYn" (attached) with one active monitor device
    // "\\.\DISPLAYn\Monitor0", device ID "MONITOR\SIMn\{...}\0000" and device string
    // "Simulated Monitor n", plus a monitor of 1920 x 1080 placed right of the last one
    // present (primary, at the origin, when none is).
    MonitorHandle AddStandardMonitor();

    // The real folder behind kColorDirectory.
    const std::filesystem::path& ColorDirectory() const;
    // Copies a file into the colour directory, under its own name or the given one.
    void InstallProfile(const std::filesystem::path& source, const std::string& name = {});
    // Copies a file into the colour directory under a UTF-16 name. A name the simulated
    // ANSI code page holds exactly is stored as its ANSI bytes, as above; any other name
    // (a best-fit look-alike included) is reached through the W calls only:
    // EnumColorProfilesA then fails as Wine's does, or lists it with the characters
    // lost as Windows' does (SetLossyAnsiNames).
    void InstallProfile(const std::filesystem::path& source, const std::u16string& name);
    // Writes bytes as a file in the colour directory.
    void WriteProfile(const std::string& name, const std::vector<uint8_t>& bytes);

    // The association store: profile file names per device ID, current (default) first.
    std::vector<std::string>& Associations(const std::string& deviceId);
    // The profile GetICMProfileA names for a DC of this adapter (full path), if set.
    void SetDcProfile(const std::string& adapterName, const std::string& fullPath);

    // The string table LoadResourceString serves.
    std::map<uint32_t, std::string>& Strings();
    // System texts FormatMessageA serves, by code. 2, 5, 87 and 2011 are preset.
    std::map<uint32_t, std::string>& SystemTexts();
    // Bytes that are lead bytes of the simulated ANSI code page (none by default).
    std::set<uint8_t>& LeadBytes();
    // The ANSI code page: Latin-1 with the lead bytes above (GetACP says 1252), or, with
    // utf8, UTF-8 (65001), as on a system set to use UTF-8 for its ANSI calls. Either way
    // the conversion calls take CP_ACP, CP_THREAD_ACP, the number GetACP gives and
    // CP_UTF8, and follow Windows' rules for UTF-8: no default character and no
    // used-default flag (87), no flags but WC_ERR_INVALID_CHARS (1004), which no other
    // code page takes, and with it a lone surrogate fails (1113) instead of becoming
    // U+FFFD. Set it before installing profiles by UTF-16 name.
    void SetUtf8AnsiCodePage(bool utf8);

    // Every adapter reads and writes one ramp when set, as under an X server whose ramp
    // is screen-wide; Ramp() then returns that one whatever the adapter.
    void SetSharedRamp(bool shared);
    // Bits the hardware keeps per ramp entry: 16 (the default) or 8. With 8 an entry is
    // stored as its high byte repeated ((v & 0xFF00) | (v >> 8)): 0xFF00 reads back as
    // 0xFFFF. GetDeviceGammaRamp returns what is stored.
    void SetRampBits(int bits);

    // The display configuration: one active path per monitor present, in enumeration
    // order, all on one adapter LUID; a source id per adapter name, a target id per
    // monitor. The source's GDI name is the monitor's adapter name. Every adapter shows
    // SDR until its colour mode is set, for every target of the adapter: the second
    // colour query answers the mode itself; the first sets the supported and enabled
    // bits for wide colour and HDR, and the enforced bit for wide colour too. Requests
    // of a wrong size, type, adapter or id answer 87; a query into buffers too small
    // answers 122. Without the second query (a system before it) its type answers 87.
    void SetColorMode(const std::string& adapterName, uint32_t mode);
    void SetHdr(const std::string& adapterName, bool on)
    {
        SetColorMode(adapterName, on ? kAdvancedColorModeHdr : kAdvancedColorModeSdr);
    }
    void SetSecondColorQuery(bool known);

    // When set, SetDeviceGammaRamp refuses (FALSE, last error untouched) ramps that are
    // not increasing or whose channels end below 0x4000, as a real display driver may.
    void SetRefuseImplausibleRamps(bool refuse);

    // The store lists only .icm and .icc files by default, as Wine's does; a Windows
    // store lists every registered profile, whatever its extension. As in Wine 8, a
    // file whose name the ANSI code page cannot hold makes EnumColorProfilesA leave it
    // out and set last error 87, which fails the size query; EnumColorProfilesW lists it.
    void SetListEveryFile(bool every);
    // When set, EnumColorProfilesA behaves as Windows' does instead: it lists such a
    // file too, under its name converted as WideCharToMultiByte converts with no flags
    // ('?' for each character the code page lacks, a look-alike where there is one,
    // U+FFFD for a lone surrogate under UTF-8).
    void SetLossyAnsiNames(bool lossy);

    // ---- Failing calls ----

    // The next `times` calls of `call` after `skip` successful ones fail: they set the
    // last error to `lastError` (0 allowed) and return their failure value (FALSE, null,
    // 0 or -1, as the real call does).
    void Fail(SimCall call, uint32_t lastError, int times = 1, int skip = 0);
    // Stops all pending failures.
    void ClearFailures();

    // ---- What happened ----

    // Number of calls made of each kind (successful or not).
    int CallCount(SimCall call) const;
    // Arguments of the most recent calls, for the checks that need them.
    ProfileRecord LastOpenRecord() const;
    std::string LastOpenPath() const;
    uint32_t LastOpenAccess() const;
    uint32_t LastOpenShare() const;
    uint32_t LastOpenCreation() const;
    EnumTypeA LastEnumCriteriaA() const;
    std::string LastEnumDeviceA() const;
    EnumTypeW LastEnumCriteriaW() const;
    std::u16string LastEnumDeviceW() const;

    // The ramp of an adapter as last written (identity 0..0xFF00 at start, as stored), and
    // how many times it was written successfully.
    HardwareRamp Ramp(const std::string& adapterName) const;
    int RampWrites() const;
    // The successful writes through a device context of that adapter.
    int RampWrites(const std::string& adapterName) const;

    // What is still held: open profiles, device contexts, heap blocks, system texts.
    int OpenProfiles() const;
    int OpenDcs() const;
    int HeapBlocks() const;
    int LocalBlocks() const;

    // ---- Platform ----
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
    uint32_t FormatMessageA(uint32_t flags, const void* source, uint32_t messageId, uint32_t languageId,
                            char** allocated, uint32_t minSize, void* arguments) override;
    void* LocalFree(void* block) override;
    bool LoadResourceString(uint32_t id, std::string& out) override;
    Bool32 EnumDisplayMonitors(DcHandle dc, const Rect32* clip, MonitorEnumProc proc, intptr_t data) override;
    Bool32 GetMonitorInfoA(MonitorHandle monitor, MonitorInfoEx* info) override;
    Bool32 EnumDisplayDevicesA(const char* device, uint32_t devNum, DisplayDevice* record,
                               uint32_t flags) override;
    int32_t GetDisplayConfigBufferSizes(uint32_t flags, uint32_t* pathCount, uint32_t* modeCount) override;
    int32_t QueryDisplayConfig(uint32_t flags, uint32_t* pathCount, DisplayConfigPathInfo* paths,
                               uint32_t* modeCount, DisplayConfigModeInfo* modes, void* topology) override;
    int32_t DisplayConfigGetDeviceInfo(DisplayConfigDeviceInfoHeader* request) override;
    DcHandle CreateDCA(const char* driver, const char* device, const char* output,
                       const void* initData) override;
    Bool32 DeleteDC(DcHandle dc) override;
    Bool32 SetDeviceGammaRamp(DcHandle dc, const HardwareRamp* ramp) override;
    Bool32 GetDeviceGammaRamp(DcHandle dc, HardwareRamp* ramp) override;
    Bool32 GetICMProfileA(DcHandle dc, uint32_t* size, char* filename) override;
    int32_t EnumICMProfilesA(DcHandle dc, IcmEnumProcA proc, intptr_t data) override;
    Bool32 GetColorDirectoryA(const char* machine, char* buffer, uint32_t* size) override;
    Bool32 EnumColorProfilesA(const char* machine, EnumTypeA* criteria, uint8_t* buffer, uint32_t* size,
                              uint32_t* count) override;
    Bool32 EnumColorProfilesW(const char16_t* machine, EnumTypeW* criteria, uint8_t* buffer,
                              uint32_t* size, uint32_t* count) override;
    ProfileHandle OpenColorProfileA(const ProfileRecord* profile, uint32_t desiredAccess, uint32_t shareMode,
                                    uint32_t creationMode) override;
    Bool32 IsColorProfileTagPresent(ProfileHandle profile, uint32_t tag, Bool32* present) override;
    Bool32 GetColorProfileElement(ProfileHandle profile, uint32_t tag, uint32_t offset, uint32_t* size,
                                  void* buffer, Bool32* reference) override;
    Bool32 CloseColorProfile(ProfileHandle profile) override;
    Bool32 AssociateColorProfileWithDeviceA(const char* machine, const char* profile,
                                            const char* deviceName) override;
    Bool32 DisassociateColorProfileFromDeviceA(const char* machine, const char* profile,
                                               const char* deviceName) override;

private:
    // Everything the simulated machine holds, in one place (sim/sim_state.h); the
    // concerns' files (kernel, display, GDI, ICC profiles, colour store) work on it.
    std::unique_ptr<simwin::SimState> m_state;
};

// Installs a SimPlatform for the lifetime of a test and checks, at its end, that
// nothing was left open. Use as a fixture base or a member.
class SimScope {
public:
    SimScope();
    ~SimScope();
    SimScope(const SimScope&) = delete;
    SimScope& operator=(const SimScope&) = delete;
    SimPlatform& sim() { return m_sim; }

private:
    SimPlatform m_sim;
    Platform* m_previous;
};
