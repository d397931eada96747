// The string tables of a resource script, read as the resource compiler reads them, so
// that the host tests serve the program's own texts without building its resources.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>

// The STRINGTABLE entries of a resource script, with the escapes a resource compiler
// applies ("" for ", \\ for \, \n, \t, \r, \" and octal/hex escapes).
std::map<uint32_t, std::string> ReadRcStringTable(const std::filesystem::path& rcFile);
