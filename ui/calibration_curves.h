// What the calibration curves window of a monitor shows for the profile selected in the
// monitor's window: the profile's table and the video card's ramp to plot, or why
// nothing is plotted, and Verify's verdict below. Read through the platform, drawn by the
// window (ui/curves_dialog).
#pragma once

#include "cms/keeper_set.h"
#include "platform/platform.h"
#include "ui/calibration_commands.h"

#include <string>

struct CurvesContent {
    bool plotted = false;      // the profile's table is plotted
    HardwareRamp table{};      // the profile's table, as it would be loaded
    bool cardRead = false;     // the video card's ramp was read, and is plotted with it
    HardwareRamp card{};
    std::string reason;        // why nothing is plotted; empty when the table is
    VerifyAnswer verdict;      // Verify's answer while the table is plotted; empty otherwise
};

// The content for the profile at path (empty: none selected) on a monitor, with the
// settings and the monitor's state as Verify takes them. Only a table that loads is
// plotted: no profile, no table, a table that cannot be loaded (with the row's verdict on
// it) and HDR each say so instead.
CurvesContent ReadCurves(MonitorHandle monitor, const std::string& path, const std::string& monitorName,
                         bool extendedTables, bool advancedColor, KeepState state, bool keeping);

// The window's caption: IDS_CURVES_CAPTION with the monitor's name.
std::string CurvesCaption(const std::string& monitorName);
