// The window layer's standard command ids: what the application and its dialogs
// answer without the program naming them.
#pragma once

namespace fw {

constexpr unsigned kIdAppAbout = 0xE140;   // 57664
constexpr unsigned kIdAppExit = 0xE141;    // 57665
constexpr unsigned kIdHelp = 0xE146;       // 57670

}  // namespace fw
