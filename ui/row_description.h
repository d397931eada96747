// What a row of a monitor's profile list says to whoever cannot see its fonts: a screen
// reader reads it as the row's description. Portable.
#pragma once

#include "cms/profile_list.h"

#include <string>

// What the row's fonts say (bold: a calibration, or none; italic: not the maker's),
// then what its tooltip says selecting it will do (verdict), a sentence each.
std::string DescribeRow(const RowStyle& style, const std::string& verdict);
