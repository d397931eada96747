// What the window layer reads of a dialog template.
#include "fw/dialog_template.h"


namespace fw {

namespace {

// Two little-endian words at offset plainAt of a DLGTEMPLATE or extendedAt of a
// DLGTEMPLATEEX; false when the template is too short.
bool TemplateWords(const uint8_t* data, size_t size, size_t plainAt, size_t extendedAt, uint16_t (&words)[2])
{
    const size_t at = IsExtendedTemplate(data, size) ? extendedAt : plainAt;
    if (!data || size < at + 4)
        return false;
    for (size_t i = 0; i < 2; ++i)
        words[i] = static_cast<uint16_t>(data[at + 2 * i] | (data[at + 2 * i + 1] << 8));
    return true;
}

}  // namespace

bool IsExtendedTemplate(const uint8_t* data, size_t size)
{
    return data && size >= 4 && data[0] == 1 && data[1] == 0 && data[2] == 0xFF && data[3] == 0xFF;
}

uint32_t TemplateMenuId(const uint8_t* data, size_t size)
{
    uint16_t words[2] = {};
    if (!TemplateWords(data, size, 18, 26, words))
        return 0;
    return words[0] == 0xFFFF ? words[1] : 0;
}

TemplateUnits TemplateClientUnits(const uint8_t* data, size_t size)
{
    uint16_t words[2] = {};
    if (!TemplateWords(data, size, 14, 22, words))
        return TemplateUnits{0, 0};
    return TemplateUnits{static_cast<int16_t>(words[0]), static_cast<int16_t>(words[1])};
}

}  // namespace fw
