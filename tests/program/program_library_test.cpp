// The resource library beside the program, from outside: a translated Res.dll gives the
// windows their texts, and a planted one with code runs nothing; and the library of the
// display language in its language folder, which gives way to a Res.dll beside the
// program and, damaged or partial, to the program's own resources.
#include "support/program_fixture.h"
#include "support/test_profiles.h"
#include "support/win_test_util.h"
#include "win/resource_reader.h"

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

// ---- The library of the display language -------------------------------------------

// Display languages, as Unix locales (RunningProgram::Start says why).
constexpr const char* kFrench = "fr_FR.UTF-8";
constexpr const char* kCanadianFrench = "fr_CA.UTF-8";

// A control's text in UTF-8, as the template reader gives texts.
std::string Utf8Text(HWND dialog, int id)
{
    wchar_t text[256] = {};
    const int length = GetWindowTextW(GetDlgItem(dialog, id), text, static_cast<int>(std::size(text)));
    return wintest::Narrow(text, length);
}

// A monitor window control's text as a module's template 102 has it: a library's (a Unix
// path), or the program's own (null).
std::string TemplateText(const char* library, int id)
{
    wintest::ModuleOwner module(
        wintest::LoadAsDataFile(library ? wintest::WinePath(library) : wintest::ProgramExe()));
    wintest::DialogTemplate dialog;
    if (!module || !wintest::ReadDialogTemplate(module.Get(), 102, dialog))
        return "(no template 102)";
    for (const wintest::DialogItem& item : dialog.items)
        if (item.id == id)
            return item.text;
    return "(no control " + std::to_string(id) + ")";
}

// Which library the windows took their texts from, as each window shows them, with
// the menu (in every library here, or the program's).
void ExpectTextsOf(const std::vector<HWND>& windows, const char* library)
{
    for (HWND window : windows) {
        EXPECT_EQ(Utf8Text(window, program::kViewAllId), TemplateText(library, program::kViewAllId));
        EXPECT_EQ(Utf8Text(window, program::kRefreshId), TemplateText(library, program::kRefreshId));
        EXPECT_NE(GetMenu(window), nullptr) << "no menu";
    }
}

class ProgramInLanguage : public ProgramBesideLibrary {
protected:
    // The zip's language folders, all three.
    static std::vector<Planted> LanguageFolders()
    {
        return {{"de", KESTRAVA_RES_DLL}, {"fr", KESTRAVA_RES_FR_DLL}, {"es", KESTRAVA_RES_ES_DLL}};
    }
};

TEST_F(ProgramInLanguage, FrenchDisplayTakesTheFrenchFolderAndResBesideTheProgramStillWins)
{
    Install({profiles::kValid});
    ASSERT_NE(TemplateText(KESTRAVA_RES_FR_DLL, program::kViewAllId), TemplateText(nullptr, program::kViewAllId));
    ASSERT_NO_FATAL_FAILURE(Start(CopyWith(LanguageFolders()), kFrench));
    ExpectTextsOf(windows, KESTRAVA_RES_FR_DLL);
    RemoveCopy();

    std::vector<Planted> beside = LanguageFolders();
    beside.push_back({"", KESTRAVA_RES_DLL});
    ASSERT_NO_FATAL_FAILURE(Start(CopyWith(beside), kFrench));
    ExpectTextsOf(windows, KESTRAVA_RES_DLL);
}

// A library in the language folder is taken as one beside the program is: whatever it
// lacks comes from the program, resource by resource, and code in it never runs; a
// file that is no module is passed over for the next folder, or the program's own.
TEST_F(ProgramInLanguage, DamagedOrPartialLibraryInTheFolderGivesWayResourceByResource)
{
    char temp[MAX_PATH] = {};
    GetTempPathA(static_cast<DWORD>(std::size(temp)), temp);
    const std::string marker = std::string(temp) + "kestrava-planted-" + std::to_string(GetCurrentProcessId());
    struct Case {
        const char* name;
        const char* language;
        std::vector<Planted> planted;
        const char* textsFrom;   // null: the program's own
    };
    const Case cases[] = {
        {"partial", kFrench, {{"fr", KESTRAVA_PARTIAL_DLL}}, KESTRAVA_PARTIAL_DLL},
        {"cut short", kFrench, {{"fr", KESTRAVA_RES_FR_DLL, 1024}}, nullptr},
        {"with code", kFrench, {{"fr", KESTRAVA_PLANTED_DLL}}, nullptr},
        {"cut short, then the parent's", kCanadianFrench,
         {{"fr-CA", KESTRAVA_RES_ES_DLL, 1024}, {"fr", KESTRAVA_RES_FR_DLL}}, KESTRAVA_RES_FR_DLL},
    };
    Install({profiles::kValid});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DeleteFileA(marker.c_str());
        SetEnvironmentVariableA("KESTRAVA_PLANTED_MARKER", marker.c_str());
        ASSERT_NO_FATAL_FAILURE(Start(CopyWith(c.planted), c.language));
        SetEnvironmentVariableA("KESTRAVA_PLANTED_MARKER", nullptr);
        ExpectTextsOf(windows, c.textsFrom);
        EXPECT_EQ(GetFileAttributesA(marker.c_str()), INVALID_FILE_ATTRIBUTES) << "the library's code ran";
        RemoveCopy();
    }
    DeleteFileA(marker.c_str());
}

}  // namespace
