// Text between UTF-16 and the ANSI code page.
#include "report/code_page.h"

#include "platform/last_error.h"
#include "platform/platform.h"
#include "report/text_format.h"

#include <cstddef>
#include <utility>

namespace {

constexpr uint32_t kCodePageGb18030 = 54936;

// The longest path the platform takes, in UTF-16 units; a name longer than that is no
// file name of the store's.
constexpr size_t kMaxWideName = 32767;

// Whether WideCharToMultiByte can say that it used the default character in this code
// page. UTF-8 and the code pages that take no flags (ISO-2022, HZ, GB18030, ISCII,
// UTF-7, Symbol) fail with ERROR_INVALID_PARAMETER when asked to.
bool ReportsUsedDefault(uint32_t codePage)
{
    return !(codePage == 42 || (codePage >= 50220 && codePage <= 50229) || codePage == 52936 ||
             codePage == kCodePageGb18030 || (codePage >= 57002 && codePage <= 57011) || codePage == 65000 ||
             codePage == kCodePageUtf8);
}

}  // namespace

bool NarrowExactly(const std::u16string& wide, uint32_t codePage, std::string& ansi)
{
    if (wide.empty() || wide.size() > kMaxWideName)
        return false;
    const auto units = static_cast<int32_t>(wide.size());
    // No code page takes more than four bytes for one UTF-16 unit.
    std::string narrow(wide.size() * 4, '\0');
    // Where the used-default flag is refused, UTF-8 and GB18030 are told to fail on a lone
    // surrogate rather than write U+FFFD; in the other such code pages only the round
    // trip below tells a lost character.
    const bool reports = ReportsUsedDefault(codePage);
    const uint32_t flags = codePage == kCodePageUtf8 || codePage == kCodePageGb18030 ? kWcErrInvalidChars : 0;
    Bool32 usedDefault = 0;
    ClearLastError();
    const int32_t bytes =
        Sys().WideCharToMultiByte(codePage, flags, wide.data(), units, narrow.data(),
                                  static_cast<int32_t>(narrow.size()), nullptr, reports ? &usedDefault : nullptr);
    if (bytes <= 0 || usedDefault)
        return false;
    narrow.resize(static_cast<size_t>(bytes));

    std::u16string back(narrow.size(), u'\0');
    ClearLastError();
    const int32_t backUnits = Sys().MultiByteToWideChar(codePage, 0, narrow.data(), bytes, back.data(), bytes);
    if (backUnits != units || back.compare(0, wide.size(), wide) != 0)
        return false;
    ansi = std::move(narrow);
    return true;
}

std::string ShowName(const std::u16string& wide, uint32_t codePage)
{
    std::string shown;
    for (size_t at = 0; at < wide.size();) {
        const bool pair = wide[at] >= 0xD800 && wide[at] < 0xDC00 && at + 1 < wide.size() &&
                          wide[at + 1] >= 0xDC00 && wide[at + 1] < 0xE000;
        const size_t units = pair ? 2 : 1;
        std::string character;
        if (NarrowExactly(wide.substr(at, units), codePage, character)) {
            shown += character;
        } else {
            const uint32_t code = pair ? 0x10000 + ((wide[at] - 0xD800u) << 10) + (wide[at + 1] - 0xDC00u)
                                       : uint32_t{wide[at]};
            shown += FormatBounded(16, "<U+%04X>", static_cast<unsigned>(code));
        }
        at += units;
    }
    return shown;
}
