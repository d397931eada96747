// What the window layer reads of a dialog template: plain bytes, so it is tested
// without a window system. A template is a DLGTEMPLATE (an 18-byte fixed header) or a
// DLGTEMPLATEEX (version 1, signature 0xFFFF; a 26-byte fixed header); the menu is
// named right after the fixed header.
#pragma once

#include <cstddef>
#include <cstdint>

namespace fw {

// Whether the template is a DLGTEMPLATEEX.
bool IsExtendedTemplate(const uint8_t* data, size_t size);

// The number of the menu a template names, 0 for none: none, 0xFFFF and a number, or
// a string (which the window layer's callers never use, and is taken as none). 0 too
// for a template too short to say.
uint32_t TemplateMenuId(const uint8_t* data, size_t size);

// The size a template gives its client area, in dialog units: the last two words of
// the fixed header. Zero for a template too short to say.
struct TemplateUnits {
    int32_t cx;
    int32_t cy;
};
TemplateUnits TemplateClientUnits(const uint8_t* data, size_t size);

}  // namespace fw
