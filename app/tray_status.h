// What the notification-area icon's tooltip says: each monitor with its profile and
// what the program does with its calibration, one line each, cut to the tooltip's size.
#pragma once

#include "cms/keeper_set.h"

#include <cstddef>
#include <string>
#include <vector>

// The tooltip holds 127 characters and its end.
constexpr size_t kTrayTipBytes = 127;

// One line per monitor the keepers follow: "<monitor>: <profile file>, <state>". The
// state is loaded, paused, stopped restoring (another program), HDR, or not loaded with
// the reason a row's tooltip gives; a monitor without a current profile says so. While
// a program that sets its own ramp is in front (pausedFor, its file name), a kept
// calibration is paused for it.
std::vector<std::string> TrayStatusLines(const KeeperSet& keepers, bool extendedTables,
                                         const std::string& pausedFor = {});

// The lines joined, cut to maxBytes without splitting a character; a cut line ends the
// text.
std::string TrayTipText(const std::vector<std::string>& lines, size_t maxBytes = kTrayTipBytes);
