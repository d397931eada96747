// The video-card calibration table of a profile (its 'vcgt' tag) and the gamma ramp
// built from it. Plain data processing: no platform calls.
#pragma once

#include "platform/platform.h"

#include <cstddef>
#include <cstdint>

constexpr uint32_t kTagVcgt = 0x76636774;    // 'vcgt'
constexpr uint32_t kTagTCPt = 0x54435074;    // 'TCPt'

// The only form of the tag we download: a table of 3 channels x 256 one-byte entries.
constexpr uint32_t kVcgtTableSize = 786;
constexpr size_t kRampEntries = 256;

// The program's ramp record: 256 entries of reserved, red, green, blue.
struct GammaRamp {
    struct Entry {
        uint16_t reserved;
        uint16_t red;
        uint16_t green;
        uint16_t blue;
    };
    uint16_t count;
    Entry entries[kRampEntries];
};

// Big-endian reads; each widens its bytes before shifting.
uint16_t ReadBigEndian16(const uint8_t* p);
uint32_t ReadBigEndian32(const uint8_t* p);

// Whether a tag of `size` bytes is the accepted table form: size 786, signature
// 'vcgt', gamma type 0 (table), 3 channels, 256 entries, 1 byte per entry.
bool IsVcgtTableHeader(const uint8_t* tag, size_t size);

// Fills ramp from an accepted tag: entry i takes byte i of channels 0, 1 and 2.
void BuildGammaRamp(const uint8_t* tag, GammaRamp& ramp);

// A table whose green channel averages under 64 of 255 would leave the screen nearly
// black; such a table is taken for damaged and never downloaded.
bool IsGammaRampPlausible(const GammaRamp& ramp);

// The ramp as the display adapter takes it: each 8-bit value shifted into the high
// byte, so 255 becomes 0xFF00.
void MakeHardwareRamp(const GammaRamp& ramp, HardwareRamp& hardware);

// The record of a 16-bit ramp: each value's high byte, the part an adapter that keeps
// 8 bits per entry holds. MakeHardwareRamp's inverse, to the high byte.
GammaRamp MakeGammaRecord(const HardwareRamp& hardware);

// How far a monitor's ramp is from the one a table gives, entry by entry to 8 bits
// (the high bytes: what the X server keeps).
struct RampDifference {
    int32_t entries = 0;   // of the 768 red, green and blue entries, how many differ
    int32_t largest = 0;   // by how much at most, in 8-bit steps
};
RampDifference CompareRamp(const HardwareRamp& actual, const HardwareRamp& expected);
// Whether two ramps are the same to the last bit: what keeping compares a monitor's ramp
// with, since it keeps what the ramp read back after its own write.
bool SameRamp(const HardwareRamp& a, const HardwareRamp& b);

// The linear ramp: entry i is i in every channel.
GammaRamp IdentityRamp();
