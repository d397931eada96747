// What the notification-area icon's tooltip says: each monitor with what the program
// does with its calibration, and its profile, one line each. The tooltip holds little,
// so each monitor gets a short state there, and the program's window carries the whole
// text, reasons and all, uncut.
#pragma once

#include "cms/keeper_set.h"

#include <cstddef>
#include <string>
#include <vector>

// The tooltip holds 127 UTF-16 units and its end.
constexpr size_t kTrayTipUnits = 127;

// One monitor the keepers follow. Texts in UTF-16, so that the name of a listed program
// outside the code page is shown as it is.
struct TrayStatus {
    std::u16string monitor;   // the monitor device's description
    std::u16string state;     // loaded, loaded but not kept (keeping off), paused, paused
                              // for a program in front, stopped restoring, HDR, not
                              // loaded, no profile
    std::u16string reason;    // why it is not loaded, as a row's tooltip says; else empty
    std::u16string profile;   // the profile's file name; empty for none
};

// Each monitor's state. While a listed program is in front (pausedFor, its file name),
// a kept calibration is paused for it; with keeping off, a loaded one is not kept.
std::vector<TrayStatus> TrayStatuses(const KeeperSet& keepers, bool extendedTables, bool keeping,
                                     const std::u16string& pausedFor = {});

// The tooltip: a line per monitor, the state first ("<monitor>: <state>, <profile>").
// Where that is too long, the profiles are left out, and then the monitors' names
// shortened alike, so that every monitor is named with its state.
std::u16string TrayTipText(const std::vector<TrayStatus>& states, size_t maxUnits = kTrayTipUnits);

// Every line whole, with its reason: the program window's text.
std::u16string TrayWholeText(const std::vector<TrayStatus>& states);
