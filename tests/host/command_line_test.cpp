// The command line: its split into arguments and its switches.
#include "app/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

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
        EXPECT_EQ(SplitArguments(line), arguments) << (line ? line : "(null)");
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
        const CommandLine parsed = ParseCommandLine(c.line);
        EXPECT_EQ(parsed.mode, c.mode);
        EXPECT_EQ(parsed.quiet, c.quiet);
        EXPECT_EQ(parsed.exitCode, c.exitCode);
    }
}

}  // namespace
