#include "settings/settings.h"

namespace {

constexpr uint32_t kRegBinary = 3;   // REG_BINARY

}  // namespace

std::vector<std::u16string> SplitMultiString(const std::vector<uint8_t>& bytes)
{
    std::vector<std::u16string> names;
    std::u16string name;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const auto unit = static_cast<char16_t>(bytes[i] | bytes[i + 1] << 8);
        if (unit != u'\0') {
            name += unit;
            continue;
        }
        if (name.empty())
            return names;
        names.push_back(std::move(name));
        name.clear();
    }
    if (!name.empty())
        names.push_back(std::move(name));
    return names;
}

bool StartupDisabled(uint32_t type, const std::vector<uint8_t>& bytes)
{
    return type == kRegBinary && !bytes.empty() && (bytes[0] & 1) != 0;
}

std::vector<uint8_t> StartupEnabledValue()
{
    std::vector<uint8_t> value(12, 0);
    value[0] = 2;
    return value;
}
