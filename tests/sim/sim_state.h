// What the simulated platform holds, and what its concerns' files share: the failure
// injection, the handle numbering, names compared as Windows compares them, the ANSI
// code page and the colour directory's files. Private to tests/sim: the tests use
// sim/sim_platform.h.
#pragma once

#include "sim/sim_platform.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace simwin {

// Last-error codes more than one concern produces, beyond those platform.h names.
constexpr uint32_t kErrorFileNotFound = 2;
constexpr uint32_t kErrorInvalidHandle = 6;
constexpr uint32_t kErrorNotSupported = 50;
constexpr uint32_t kErrorInvalidProfile = 2011;

constexpr uint32_t kDisplayDevicePrimary = 0x4;

// Handles are plain numbers in distinct ranges, so that one kind passed as another is
// caught, and never reused, so that a stale handle is caught too.
constexpr uintptr_t kMonitorHandleBase = 0x10000000;
constexpr uintptr_t kDcHandleBase = 0x20000000;
constexpr uintptr_t kProfileHandleBase = 0x30000000;

template <class Handle>
Handle MakeHandle(uintptr_t value)
{
    return reinterpret_cast<Handle>(value);
}

inline uintptr_t HandleValue(const void* handle) { return reinterpret_cast<uintptr_t>(handle); }

// ---- Names (sim_kernel.cpp) ----

std::string AsciiLower(std::string text);
// Windows compares names without regard to case, but only single-byte characters
// fold: the second byte of a double-byte character may look like an ASCII letter.
bool EqualsNoCase(const std::string& a, const std::string& b, const std::set<uint8_t>& leads);
bool StartsWithNoCase(const std::string& text, const std::string& prefix);
// Splits a path at backslashes and slashes. In East Asian code pages the second byte
// of a character can be 0x5C, so a byte that follows a lead byte never separates.
std::vector<std::string> SplitPath(const std::string& path, const std::set<uint8_t>& leads);
std::string FileNamePart(const std::string& path, const std::set<uint8_t>& leads);

// ---- Code page (sim_kernel.cpp) ----

// The simulated ANSI code page: Latin-1 with double-byte characters for the lead bytes,
// or UTF-8.
struct AnsiPage {
    const std::set<uint8_t>& leads;
    bool utf8;
};

// The bytes as MultiByteToWideChar reads them without flags.
std::u16string Widen(const char* src, size_t length, const AnsiPage& page);
// The text as WideCharToMultiByte writes it with no flags and the default '?'.
std::string NarrowQuietly(const std::u16string& text, const AnsiPage& page);
// The host file name of a name the code page cannot hold: its UTF-8 form, a lone
// surrogate written as the three bytes of its own code, which no ANSI name of the
// simulation is read as.
std::string Utf8(const std::u16string& text);

// ---- Colour directory and ICC profiles (sim_color_store.cpp, sim_icc.cpp) ----

std::optional<std::vector<uint8_t>> ReadWholeFile(const std::filesystem::path& path);
// The host file behind a path the program names: the colour directory's own name (or a
// bare file name, which OpenColorProfile looks up there) maps into colorDir with file
// names matched without regard to case; a host path is taken as it is.
std::optional<std::filesystem::path> HostPath(const std::string& path, const std::filesystem::path& colorDir,
                                              const std::set<uint8_t>& leads);
// What OpenColorProfile accepts under Wine (LittleCMS's header reader).
bool IsValidProfile(const std::vector<uint8_t>& data);
// The device class of a valid profile.
uint32_t ProfileClass(const std::vector<uint8_t>& data);

// ---- The state ----

struct PendingFailure {
    uint32_t lastError = 0;
    int times = 0;
    int skip = 0;
};

// The simulated machine. Its colour directory is a fresh temporary folder, removed
// with it; heap blocks and system texts still held are freed with it.
struct SimState {
    SimState();
    ~SimState();
    SimState(const SimState&) = delete;
    SimState& operator=(const SimState&) = delete;

    // Failures and counts (sim_state.cpp).
    uint32_t lastError = 0;
    std::map<SimCall, PendingFailure> failures;
    std::map<SimCall, int> calls;

    // Kernel (sim_kernel.cpp).
    std::set<void*> heapBlocks;
    std::set<void*> localBlocks;
    std::map<uint32_t, std::string> strings;
    std::map<uint32_t, std::string> systemTexts;
    std::set<uint8_t> leadBytes;
    bool utf8Ansi = false;

    // Display (sim_display.cpp).
    std::vector<SimMonitor> monitors;   // every monitor ever added: index + 1 is its handle
    std::vector<bool> present;          // per monitor: still on the desktop
    std::vector<SimAdapter> adapters;
    std::map<std::string, uint32_t> sourceIds;   // lower-case adapter name -> source id
    std::map<std::string, uint32_t> colorModes;  // lower-case adapter name -> mode, if not SDR
    bool secondColorQuery = true;

    // GDI (sim_gdi.cpp).
    std::map<uintptr_t, size_t> dcs;   // handle -> adapter index
    uintptr_t nextDc = kDcHandleBase;
    std::map<std::string, HardwareRamp> ramps;       // by adapter name
    std::map<std::string, std::string> dcProfiles;   // adapter name -> full path
    bool sharedRamp = false;
    int rampBits = 16;
    bool refuseImplausible = false;
    int rampWrites = 0;
    std::map<std::string, int> rampWritesBy;

    // Open profiles (sim_icc.cpp).
    std::map<uintptr_t, std::vector<uint8_t>> profiles;
    uintptr_t nextProfile = kProfileHandleBase;
    ProfileRecord lastOpen{};
    std::string lastOpenPath;
    uint32_t lastOpenAccess = 0;
    uint32_t lastOpenShare = 0;
    uint32_t lastOpenCreation = 0;

    // Colour store (sim_color_store.cpp).
    std::filesystem::path colorDir;
    std::map<std::string, std::vector<std::string>> associations;   // device ID -> files
    std::map<std::string, std::u16string> wideNames;   // host file name -> the name only W calls show
    bool listEveryFile = false;
    bool lossyAnsiNames = false;
    EnumTypeA lastEnumA{};
    std::string lastEnumDeviceA;
    EnumTypeW lastEnumW{};
    std::u16string lastEnumDeviceW;

    AnsiPage Page() const { return {leadBytes, utf8Ansi}; }

    // Counts the call and says whether an injected failure takes it; if so the last
    // error is already set and the caller only returns its failure value.
    bool Intercept(SimCall call);
    // Sets the last error; false, for the callers that return it as FALSE.
    bool Fails(uint32_t code);
    // Intercept for the calls that return their error code: the injected code, if a
    // failure takes the call, with the last error left as it was.
    std::optional<int32_t> InterceptCode(SimCall call);
};

}  // namespace simwin
