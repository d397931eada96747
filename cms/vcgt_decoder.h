// Every form of a profile's calibration tag ('vcgt'), decoded into the 16-bit ramp the
// display adapter takes. Plain data processing: no platform calls.
//
// The forms:
//  - the 786-byte table (3 channels x 256 one-byte entries): built into the program's
//    ramp record and shifted into the high byte, so 255 becomes 0xFF00, exactly as the
//    table alone is downloaded;
//  - any other table: 1 channel (which then serves all three) or 3, 2 to 65,535
//    entries of 1 or 2 bytes. A one-byte entry v becomes v * 257, so that 255 is full
//    scale, as the field's reference library reads it. A table of other than 256
//    entries is resampled to 256 by linear interpolation, rounded to the nearest;
//  - the formula: per channel gamma, minimum and maximum (s15Fixed16Number), entry i
//    being min + (max - min) * (i / 255)^gamma at full 16-bit precision.
#pragma once

#include "platform/platform.h"

#include <cstddef>
#include <cstdint>

// The largest tag any table form can have: the header and 3 channels of 65,535
// two-byte entries. Nothing larger is worth reading.
constexpr size_t kMaxVcgtTag = 18 + 3 * size_t{65535} * 2;

enum class VcgtForm {
    Unknown,     // the signature or the type is not one of a calibration tag
    ByteTable,   // the 786-byte table
    Table,       // a table of any other shape
    Formula,
};

// Why a tag was refused; None when it decoded.
enum class VcgtFault {
    None,
    Short,          // too short for its header (or, for a formula, its 48 bytes)
    Signature,      // not 'vcgt'
    GammaType,      // neither table (0) nor formula (1)
    Channels,       // neither 1 nor 3
    Count,          // fewer than 2 entries
    EntrySize,      // neither 1 nor 2 bytes
    Size,           // not the size its header announces
    FormulaValue,   // a gamma, minimum or maximum out of range (see DecodeVcgt)
};

struct VcgtDecoding {
    VcgtForm form = VcgtForm::Unknown;   // as far as the header told it, even when refused
    VcgtFault fault = VcgtFault::None;
    bool Ok() const { return fault == VcgtFault::None; }
};

// Decodes the `size` bytes of a tag into ramp, reading nothing outside them. The ramp is
// touched only when the tag decodes. A table's size must be exactly what its header
// announces (18 + channels x count x entry size). A formula needs 48 bytes; more are
// not read. Its gamma must lie in [1/16, 16] and its minimum and maximum in [0, 1] with
// the minimum not above the maximum: anything else says the tag is damaged, not a curve.
VcgtDecoding DecodeVcgt(const uint8_t* tag, size_t size, HardwareRamp& ramp);
