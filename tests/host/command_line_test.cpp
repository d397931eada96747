// The command line: its split into arguments and its switches.
#include "app/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

// The tests' lines are ASCII but for the characters written as \u escapes.
std::u16string U16(const char* text) { return text ? std::u16string(text, text + std::char_traits<char>::length(text)) : u""; }
std::vector<std::u16string> U16(const std::vector<std::string>& words)
{
    std::vector<std::u16string> wide;
    for (const std::string& word : words)
        wide.push_back(U16(word.c_str()));
    return wide;
}

TEST(CommandLine, ArgumentsAreSplitAsCommandLineToArgvWSplitsThem)
{
    const std::pair<const char*, std::vector<std::string>> cases[] = {
        {nullptr, {}},
        {"a\tb  c ", {"a", "b", "c"}},
        {"\"a b\"c \"d", {"a bc", "d"}},
        {"\"\" x", {"", "x"}},
        {"a\\\\\\b d\"e f\"g", {"a\\\\\\b", "de fg"}},   // backslashes before no quote
        {"a\\\\\\\"b c", {"a\\\"b", "c"}},               // 2n+1: n and a literal quote
        {"a\\\\\\\\\"b c\" d", {"a\\\\b c", "d"}},       // 2n: n, and the quote opens
        {"\"a\\\\\" b", {"a\\", "b"}},                   // or closes
        // A quote doubled where a quoted part ends is literal, and the part ends.
        {"a\"b\"\" c", {"ab\"", "c"}},
        {"\"\"\"\" z", {"\" z"}},
    };
    for (const auto& [line, arguments] : cases)
        EXPECT_EQ(SplitArguments(line ? U16(line).c_str() : nullptr), U16(arguments)) << (line ? line : "(null)");
    // Only a space and a tab are blanks; an unquoted program name ends at them alone.
    EXPECT_EQ(SplitArguments(u"/load\u3000/quiet\u2002x"), std::vector<std::u16string>{u"/load\u3000/quiet\u2002x"});
    EXPECT_EQ(std::u16string(SkipProgramName(u"kestrava.exe\v/load /tray")), u" /tray");
    EXPECT_EQ(std::u16string(SkipProgramName(u"\"C:\\Kes trava\\kestrava.exe\"/load")), u"/load");
}

TEST(CommandLine, SwitchesInAnyCaseEitherMarkOrQuotedAndAnythingElseShowsTheUsage)
{
    struct Case {
        const char* line;
        StartMode mode;
        bool quiet;
        int32_t exitCode;
    };
    const Case cases[] = {
        {nullptr, StartMode::Windows, false, 0}, {"   ", StartMode::Windows, false, 0},
        {"/load", StartMode::Load, false, 0}, {" -Load  ", StartMode::Load, false, 0},
        {"\"/LOAD\"", StartMode::Load, false, 0}, {"-QUIET \"/load\"", StartMode::Load, true, 0},
        {"-TRAY", StartMode::Tray, false, 0}, {"/Tray /quiet", StartMode::Tray, true, 0},
        {"/?", StartMode::Usage, false, 0},
        // Bad lines: the usage box and 87, silenced only by /quiet beside /load or /tray.
        {"/quiet", StartMode::Usage, false, 87}, {"/quiet /?", StartMode::Usage, false, 87},
        {"/load /quiet /x", StartMode::Usage, true, 87}, {"\"/load /quiet\"", StartMode::Usage, false, 87},
        {"/load \"\"", StartMode::Usage, false, 87}, {"/loadx", StartMode::Usage, false, 87},
        {"load", StartMode::Usage, false, 87}, {"/", StartMode::Usage, false, 87},
        {"/? /bogus", StartMode::Usage, false, 87}, {"/tray /load", StartMode::Usage, false, 87},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line ? c.line : "(null)");
        const CommandLine parsed = ParseCommandLine(c.line ? U16(c.line).c_str() : nullptr);
        EXPECT_EQ(parsed.mode, c.mode);
        EXPECT_EQ(parsed.quiet, c.quiet);
        EXPECT_EQ(parsed.exitCode, c.exitCode);
    }
    // Look-alikes are other letters: a fullwidth /load, a dotless i, U+3000 after a switch.
    for (const char16_t* line : {u"\uFF0F\uFF4C\uFF4F\uFF41\uFF44", u"/load /qu\u0131et", u"/load\u3000"})
        EXPECT_EQ(ParseCommandLine(line).exitCode, 87);
}

}  // namespace
