// The program's command line: no switch opens the windows; /load downloads every
// monitor's current calibration without a window (for logon); /tray does the same and
// then keeps it from the notification area; /quiet with either shows nothing; /? shows
// how to use it. Switches start with '/' or '-', in any case. The arguments are split as
// Windows splits them for a program (CommandLineToArgvW), so a quoted "/load" is /load.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class StartMode {
    Windows,   // the monitor windows
    Load,      // the calibration of every monitor's current profile, no window
    Tray,      // the same, then kept from the notification area, no window
    Usage,     // the usage message, then the exit code
};

struct CommandLine {
    StartMode mode = StartMode::Windows;
    bool quiet = false;       // /quiet with /load or /tray: no message of any kind
    int32_t exitCode = 0;     // for Usage: 0 when asked for, 87 for a bad command line
};

// Reads the arguments after the program's name, of the wide command line (the ANSI one
// loses what the code page cannot hold and, under a double-byte code page, reads a
// trail byte as a backslash); null or empty means none.
CommandLine ParseCommandLine(const char16_t* arguments);

// The arguments as CommandLineToArgvW splits them: blanks (spaces and tabs) end an
// argument outside quotes; a quote toggles quoting, and a second quote right after the
// one that ends a quoted part is a literal quote; 2n backslashes before a quote give n
// and the quote does its work, 2n+1 give n and a literal quote; other backslashes are
// literal. "" is an argument of its own, an empty one.
std::vector<std::u16string> SplitArguments(const char16_t* arguments);

// The arguments of a whole command line (as GetCommandLineW gives it): what follows the
// program's name, which is quoted or ends at the first space or tab.
const char16_t* SkipProgramName(const char16_t* commandLine);
