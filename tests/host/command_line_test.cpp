// The command line's switches.
#include "app/command_line.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

TEST(CommandLine, SwitchesInAnyCaseEitherMarkAndAnythingElseShowsTheUsage)
{
    for (const char* line : {static_cast<const char*>(nullptr), "", "   "}) {
        const CommandLine parsed = ParseCommandLine(line);
        EXPECT_EQ(parsed.mode, StartMode::Windows);
    }
    for (const char* line : {"/load", "-load", "/LOAD", " -Load  "}) {
        const CommandLine parsed = ParseCommandLine(line);
        EXPECT_EQ(parsed.mode, StartMode::Load) << line;
        EXPECT_FALSE(parsed.quiet);
    }
    for (const char* line : {"/load /quiet", "-QUIET /load"}) {
        const CommandLine parsed = ParseCommandLine(line);
        EXPECT_EQ(parsed.mode, StartMode::Load) << line;
        EXPECT_TRUE(parsed.quiet) << line;
    }
    for (const auto& [line, quiet] : {std::pair{"/tray", false}, {"-TRAY", false}, {"/Tray /quiet", true}}) {
        const CommandLine parsed = ParseCommandLine(line);
        EXPECT_EQ(parsed.mode, StartMode::Tray) << line;
        EXPECT_EQ(parsed.quiet, quiet) << line;
    }
    const CommandLine help = ParseCommandLine("/?");
    EXPECT_EQ(help.mode, StartMode::Usage);
    EXPECT_EQ(help.exitCode, 0);
    for (const char* line :
         {"/load garbage", "/loadx", "/load /x", "load", "/", "/quiet", "/? /bogus", "/tray /load", "/tray /x"}) {
        const CommandLine parsed = ParseCommandLine(line);
        EXPECT_EQ(parsed.mode, StartMode::Usage) << line;
        EXPECT_EQ(parsed.exitCode, 87) << line;
    }
}

}  // namespace
