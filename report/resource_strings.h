// Access to the program's string table.
#pragma once

#include <cstddef>
#include <cstdint>

// Size of the buffer GetResourceString returns.
constexpr size_t kResourceStringBufferSize = 2048;

// String-table entry id, in one shared buffer that the next call overwrites: copy the
// text before asking for another entry. An entry that is missing, empty or 2048 bytes
// or longer reads "String Resource <id>".
const char* GetResourceString(uint32_t id);
