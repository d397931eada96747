// What the window layer reads of a dialog template's bytes: its form, the menu it
// names and its client size, for both forms and for templates too short to say.
#include "fw/dialog_template.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

void PutWord(std::vector<uint8_t>& bytes, size_t at, uint16_t word)
{
    if (bytes.size() < at + 2)
        bytes.resize(at + 2);
    bytes[at] = static_cast<uint8_t>(word & 0xFF);
    bytes[at + 1] = static_cast<uint8_t>(word >> 8);
}

// A template's fixed header with cx, cy and the menu words after it.
std::vector<uint8_t> Template(bool extended, int16_t cx, int16_t cy, uint16_t menu0, uint16_t menu1)
{
    std::vector<uint8_t> bytes;
    const size_t size = extended ? 22 : 14;
    if (extended) {
        PutWord(bytes, 0, 1);
        PutWord(bytes, 2, 0xFFFF);
    }
    PutWord(bytes, size, static_cast<uint16_t>(cx));
    PutWord(bytes, size + 2, static_cast<uint16_t>(cy));
    PutWord(bytes, size + 4, menu0);
    PutWord(bytes, size + 6, menu1);
    return bytes;
}

TEST(DialogTemplateTest, BothFormsTellTheirMenuAndClientSize)
{
    struct Case {
        const char* name;
        bool extended;
        uint16_t menu0;
        uint16_t menu1;
        uint32_t menu;
    };
    for (const Case& c : {Case{"plain, menu 128", false, 0xFFFF, 128, 128}, Case{"extended, menu 128", true, 0xFFFF, 128, 128},
                          Case{"no menu", true, 0, 0, 0}, Case{"a menu named by a string", false, 'M', 'N', 0}}) {
        SCOPED_TRACE(c.name);
        const std::vector<uint8_t> bytes = Template(c.extended, 336, 286, c.menu0, c.menu1);
        EXPECT_EQ(fw::IsExtendedTemplate(bytes.data(), bytes.size()), c.extended);
        EXPECT_EQ(fw::TemplateMenuId(bytes.data(), bytes.size()), c.menu);
        const fw::TemplateUnits units = fw::TemplateClientUnits(bytes.data(), bytes.size());
        EXPECT_EQ(units.cx, 336);
        EXPECT_EQ(units.cy, 286);
    }
    // The sizes are signed words.
    const std::vector<uint8_t> negative = Template(false, -4, -8, 0, 0);
    EXPECT_EQ(fw::TemplateClientUnits(negative.data(), negative.size()).cx, -4);
}

TEST(DialogTemplateTest, ATemplateTooShortToSaySaysNothing)
{
    const std::vector<uint8_t> whole = Template(true, 336, 286, 0xFFFF, 128);
    // Cut inside the menu words, inside the size, inside the signature, and none.
    for (size_t size : {size_t{29}, size_t{25}, size_t{3}, size_t{0}}) {
        SCOPED_TRACE(size);
        EXPECT_EQ(fw::TemplateMenuId(whole.data(), size), 0u);
        if (size < 26) {
            EXPECT_EQ(fw::TemplateClientUnits(whole.data(), size).cx, 0);
            EXPECT_EQ(fw::TemplateClientUnits(whole.data(), size).cy, 0);
        }
    }
    EXPECT_FALSE(fw::IsExtendedTemplate(nullptr, 0));
    EXPECT_EQ(fw::TemplateMenuId(nullptr, 40), 0u);
}

}  // namespace
