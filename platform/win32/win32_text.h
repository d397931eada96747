// Win32 only. Text and paths the Win32 side shares: ANSI text as UTF-16, and the
// running program's folder.
#pragma once

#include <string>

// The text in the ANSI code page as UTF-16; empty when it does not convert.
std::wstring WidenAnsi(const std::string& text);

// The folder of the running program with its closing backslash, of any length; empty
// when it cannot be read.
std::wstring ProgramFolder();
