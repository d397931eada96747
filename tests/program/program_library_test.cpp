// The resource library beside the program, from outside: a translated Res.dll gives the
// windows their texts, and a planted one with code runs nothing.
#include "support/program_fixture.h"
#include "support/test_profiles.h"
#include "support/win_test_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using namespace programtest;

// ---- The resource library ----------------------------------------------------------

TEST_F(ProgramBesideLibrary, TranslatedLibraryGivesTheWindowsTheirTexts)
{
    Install({profiles::kValid});
    ASSERT_NO_FATAL_FAILURE(Start(CopyWith(KESTRAVA_RES_DLL)));
    EXPECT_EQ(wintest::ControlText(windows[0], 1001), "alle Monitorprofile");
    EXPECT_EQ(wintest::ControlText(windows[0], 1003), "Aktualisieren");
}

TEST_F(ProgramBesideLibrary, PlantedLibraryRunsNothingAndTheProgramKeepsItsOwnTexts)
{
    char temp[MAX_PATH] = {};
    GetTempPathA(static_cast<DWORD>(std::size(temp)), temp);
    const std::string marker = std::string(temp) + "kestrava-planted-" + std::to_string(GetCurrentProcessId());
    DeleteFileA(marker.c_str());
    SetEnvironmentVariableA("KESTRAVA_PLANTED_MARKER", marker.c_str());

    Install({profiles::kValid});
    Start(CopyWith(KESTRAVA_PLANTED_DLL));
    SetEnvironmentVariableA("KESTRAVA_PLANTED_MARKER", nullptr);
    EXPECT_EQ(GetFileAttributesA(marker.c_str()), INVALID_FILE_ATTRIBUTES) << "the planted library's code ran";
    // It carries none of the program's resources, so the program keeps its own.
    ASSERT_FALSE(windows.empty());
    EXPECT_EQ(wintest::ControlText(windows[0], 1001), "all monitor profiles");
    DeleteFileA(marker.c_str());
}

}  // namespace
