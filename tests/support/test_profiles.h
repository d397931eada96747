// The profiles tools/make_profiles.py writes, by name: what each holds is in the
// profiles.txt it writes beside them. A host test checks this list against the script's.
#pragma once

#include <array>

namespace profiles {

// Calibrated and accepted by the test bed's X server.
inline constexpr char kValid[] = "kv-valid.icm";             // identity 8-bit table
inline constexpr char kMild[] = "kv-mild.icm";               // gamma 1.08/1.10/1.12
inline constexpr char kMildNoCreator[] = "kv-mild-notcpt.icm";   // as kv-mild, no private tag
inline constexpr char kGreen[] = "kv-green16384.icm";        // green at the darkness limit
inline constexpr char kTooDark[] = "kv-green16383.icm";      // green one below it
// Refused by the X server.
inline constexpr char kAll255[] = "kv-all255.icm";           // flat
inline constexpr char kRedBlue0[] = "kv-redblue0.icm";       // red and blue flat at 0
// The other table forms.
inline constexpr char k16Bit[] = "kv-16bit.icm";
inline constexpr char kFormula[] = "kv-formula.icm";
inline constexpr char k16BitDark[] = "kv-16bit-dark.icm";
inline constexpr char kBadCount[] = "kv-badcount.icm";
inline constexpr char k16BitMono[] = "kv-16bit-mono.icm";
inline constexpr char k1024[] = "kv-1024.icm";
inline constexpr char kFormula22[] = "kv-formula22.icm";
// 786-byte tags with one header field wrong.
inline constexpr char kBadSignature[] = "kv-badsig.icm";
inline constexpr char kBadType[] = "kv-badtype.icm";
inline constexpr char kBadChannels[] = "kv-badchannels.icm";
inline constexpr char kBadEntries[] = "kv-badentries.icm";
inline constexpr char kBadSize[] = "kv-badsize.icm";
// Without a calibration, or not a usable profile at all.
inline constexpr char kNoCalibration[] = "kv-novcgt.icm";
inline constexpr char kBare[] = "kv-bare.icm";               // neither table nor private tag
inline constexpr char kEmpty[] = "kv-empty.icm";
inline constexpr char kTruncated[] = "kv-truncated.icm";
inline constexpr char kGarbage[] = "kv-garbage.icm";
inline constexpr char kTagPastEnd[] = "kv-vcgt-past-end.icm";
inline constexpr char kPrinter[] = "kv-printer.icm";
// Copies of kv-valid under other extensions.
inline constexpr char kValidUpper[] = "kv-valid-upper.ICM";
inline constexpr char kValidIcc[] = "kv-valid.icc";

inline constexpr std::array<const char*, 28> kAll = {
    kValid, kMild, kMildNoCreator, kAll255, kTooDark, kGreen, kRedBlue0, k16Bit, kFormula, k16BitDark,
    kBadCount, k16BitMono, k1024, kFormula22, kBadSignature, kBadType, kBadChannels, kBadEntries, kBadSize,
    kNoCalibration, kBare, kEmpty, kTruncated, kGarbage, kTagPastEnd, kPrinter, kValidUpper, kValidIcc};

}  // namespace profiles
