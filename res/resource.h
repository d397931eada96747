// Resource ids shared by the resource script and the code.
#pragma once

// The monitor window: template, menu, icon and controls.
#define IDD_MONITOR_PROFILE 102
#define IDI_MAIN 128
#define IDR_MAINMENU 129
#define IDC_PROFILE_LIST 1000
#define IDC_VIEW_ALL 1001
#define IDC_VIEW_ASSOCIATED 1002
#define IDC_REFRESH 1003

// Menu commands. The first three are the window layer's standard commands.
#define ID_APP_ABOUT 57664
#define ID_APP_EXIT 57665
#define ID_HELP 57670
#define ID_PREFERENCES 32774

// The About box and its picture.
#define IDD_ABOUT 130
#define IDB_ABOUT 131

// The error report.
#define IDD_ERROR_REPORT 161
#define IDC_ERROR_MESSAGE 1157
#define IDC_ERROR_FILE_LINE 1158
#define IDC_ERROR_SYSTEM_TEXT 1159
#define IDB_ERROR_PICTURE 153

#define IDS_OPEN_FAILED 209
#define IDS_NO_CALIBRATION 210
#define IDS_BAD_LENGTH 211
#define IDS_NO_MEMORY 212
#define IDS_READ_FAILED 213
#define IDS_BAD_HEADER 214
#define IDS_BAD_TABLE 215
#define IDS_DOWNLOAD_FAILED 216
#define IDS_SELECT_ANOTHER 217
#define IDS_ERROR_FILE_LINE 222
#define IDS_DOCS_FOLDER 392
#define IDS_VCGT_LENGTH 500
#define IDS_VCGT_VALUES 501
#define IDS_LUT_BAD 502
#define IDS_NO_VCGT 503
#define IDS_NO_ASSOCIATED_PROFILES 504
#define IDS_NO_MONITOR_PROFILES 505

// Texts added since the table above was settled, from 1000 up. A resource library
// that predates one of them leaves the program's own text in place.
#define IDS_INFO_NO_HTML_ENGINE 1000
#define IDS_INFO_NAME_TOO_LONG 1001
// The window menu's calibration commands, the rows' tooltips, Verify's answers and
// the command line's usage.
#define IDS_CMD_RELOAD 1002
#define IDS_CMD_VERIFY 1003
#define IDS_CMD_RESET 1004
#define IDS_CMD_KEEP_LOADED 1005
#define IDS_CMD_LOAD_AT_LOGON 1006
#define IDS_TIP_LOADS 1007
#define IDS_TIP_NO_TABLE 1008
// 1009 is never used: the row of a table of another form says 1018.
#define IDS_TIP_DAMAGED 1010
#define IDS_TIP_TOO_DARK 1011
#define IDS_TIP_UNREADABLE 1012
#define IDS_VERIFY_LOADED 1013
#define IDS_VERIFY_NOT_LOADED 1014
#define IDS_VERIFY_NOTHING 1015
#define IDS_VERIFY_UNREADABLE 1016
#define IDS_USAGE 1017
// Tables and formulas of other forms than the 786-byte one: the row of such a profile
// while they are not loaded, and the window menu's setting that loads them.
#define IDS_TIP_EXTENDED_OFF 1018
#define IDS_CMD_EXTENDED_TABLES 1019
// Keeping the calibration as the desktop changes: another program that keeps writing the
// ramp, and monitors whose desktop is composed in HDR.
#define IDS_BACKED_OFF 1020
#define IDS_HDR_NOT_LOADED 1021
#define IDS_HDR_NOT_KEPT 1022

// The calibration commands each monitor window adds to its window menu (system
// commands: the low four bits stay clear).
#define IDM_RELOAD_CALIBRATION 0x1010
#define IDM_VERIFY_CALIBRATION 0x1020
#define IDM_RESET_TO_LINEAR 0x1030
#define IDM_KEEP_LOADED 0x1040
#define IDM_LOAD_AT_LOGON 0x1050
#define IDM_EXTENDED_TABLES 0x1060
// After them, the command that opens the monitor's calibration curves window.
#define IDM_SHOW_CURVES 0x1070

// Every running copy's own hidden window, which the icon's menu commands below go to: its
// class, by which a second copy and the installer find a running one.
#define KESTRAVA_PROGRAM_CLASS "KestravaTray"
// Sent to that window (WM_APP + 6), a running copy answers with what it is doing, the
// flags below (0 while it ends): an update brings it back as it was.
#define KESTRAVA_MSG_STATE 0x8006
#define KESTRAVA_STATE_RESIDENT 1
#define KESTRAVA_STATE_QUIET 2
#define KESTRAVA_STATE_WINDOWS 4

// Staying in the notification area: the icon's menu (WM_COMMAND to the program's
// window), its texts and the tooltip's states.
#define IDM_TRAY_OPEN 0x2010
#define IDM_TRAY_RELOAD 0x2020
#define IDM_TRAY_RESET 0x2030
#define IDM_TRAY_KEEP_LOADED 0x2040
#define IDM_TRAY_LOAD_AT_LOGON 0x2050
#define IDM_TRAY_EXIT 0x2060
#define IDS_TRAY_OPEN 1023
#define IDS_TRAY_RESET 1024
#define IDS_TRAY_EXIT 1025
#define IDS_TRAY_LINE 1026
#define IDS_STATE_LOADED 1027
#define IDS_STATE_NOT_LOADED 1028
#define IDS_STATE_PAUSED 1029
#define IDS_STATE_BACKED_OFF 1030
#define IDS_STATE_HDR 1031
#define IDS_STATE_NO_PROFILE 1032
#define IDS_STATE_PAUSED_FOR 1033

// A settings write the registry refused (the window menu's or the icon's settings).
#define IDS_SETTING_NOT_SAVED 1034

// The tooltip's line for a monitor without a profile (or whose profile does not fit),
// the state of a calibration loaded while keeping is off, and Verify's word on it.
#define IDS_TRAY_TIP_SHORT 1035
#define IDS_STATE_NOT_KEPT 1036
#define IDS_VERIFY_NOT_KEPT 1037

// The calibration curves window of a monitor: its template and controls (the plot,
// whose text is the legend in words, and Verify's verdict), the window menu's command,
// the caption, the legend and why nothing is plotted.
#define IDD_CALIBRATION_CURVES 170
#define IDC_CURVES_PLOT 1020
#define IDC_CURVES_VERDICT 1021
#define IDS_CMD_SHOW_CURVES 1038
#define IDS_CURVES_CAPTION 1039
#define IDS_CURVES_RED 1040
#define IDS_CURVES_GREEN 1041
#define IDS_CURVES_BLUE 1042
#define IDS_CURVES_PROFILE 1043
#define IDS_CURVES_CARD 1044
#define IDS_CURVES_LEGEND 1045
#define IDS_CURVES_NO_PROFILE 1046
#define IDS_CURVES_NO_TABLE 1047
#define IDS_CURVES_NOT_LOADABLE 1048
#define IDS_CURVES_HDR 1049

// What a list row's fonts say, for a screen reader (the row's accessible description).
#define IDS_ROW_CALIBRATION 1050
#define IDS_ROW_NO_CALIBRATION 1051
#define IDS_ROW_NOT_FROM_MAKER 1052
