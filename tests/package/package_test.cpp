// Win32 only. The release as a Windows user gets it: the folder the zip was unpacked
// into (KESTRAVA_PACKAGE_DIR, a Windows path in a fresh prefix), its program's import
// table, symbols and manifest, and the program run from there, in English and, with
// the German library copied beside it, in German. The zip's listing is checked from
// outside (check_zip.sh).
#include "pe_image.h"
#include "resource_reader.h"
#include "support/program_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using programtest::kValid;

std::string PackageDir()
{
    const char* folder = std::getenv("KESTRAVA_PACKAGE_DIR");
    return folder ? folder : "";
}

std::string InPackage(const std::string& file) { return PackageDir() + "\\" + file; }

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::vector<char> ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The libraries every Windows from 7 to 11 carries in its system folder that the
// program may need. Anything else (a compiler's runtime above all) would have to ship
// with it, and the zip holds no such file.
const char* const kSystemLibraries[] = {
    "advapi32.dll", "comctl32.dll", "comdlg32.dll", "gdi32.dll",   "kernel32.dll", "mscms.dll",
    "msvcrt.dll",   "ole32.dll",    "oleaut32.dll", "shell32.dll", "shlwapi.dll",  "user32.dll",
    "uxtheme.dll",  "version.dll",  "wtsapi32.dll",
};

bool IsSystemLibrary(const std::string& name)
{
    return std::any_of(std::begin(kSystemLibraries), std::end(kSystemLibraries),
                       [&](const char* library) { return lstrcmpiA(name.c_str(), library) == 0; });
}

class PackagedProgram : public programtest::ProgramTest {
protected:
    void SetUp() override
    {
        if (PackageDir().empty())
            GTEST_SKIP() << "KESTRAVA_PACKAGE_DIR names no unpacked release (tools/test.sh sets it)";
        ASSERT_TRUE(Exists(InPackage("kestrava.exe"))) << InPackage("kestrava.exe");
        ASSERT_NO_FATAL_FAILURE(ProgramTest::SetUp());
    }

    void TearDown() override
    {
        ProgramTest::TearDown();
        if (!PackageDir().empty())
            DeleteFileA(InPackage("Res.dll").c_str());
    }

    static std::string Program() { return InPackage("kestrava.exe"); }

    // The image of a file of the package, read whole.
    static pe::Image Image(const std::string& file) { return pe::Image(ReadAll(InPackage(file))); }
};

// ---- The files as they came out of the zip ---------------------------------------------

TEST_F(PackagedProgram, ProgramImportsOnlyLibrariesWindowsShipsAndCarriesNoSymbols)
{
    const pe::Image image = Image("kestrava.exe");
    ASSERT_TRUE(image.Valid()) << "kestrava.exe is no 64-bit PE image";
    EXPECT_FALSE(image.IsDll());

    std::vector<std::string> imports;
    ASSERT_TRUE(image.ImportedLibraries(imports)) << "the import table cannot be read";
    std::vector<std::string> delayed;
    ASSERT_TRUE(image.DelayImportedLibraries(delayed)) << "the delay-load table cannot be read";
    imports.insert(imports.end(), delayed.begin(), delayed.end());
    // The program draws with the colour-management API and the system's controls.
    EXPECT_NE(std::find_if(imports.begin(), imports.end(),
                           [](const std::string& name) { return lstrcmpiA(name.c_str(), "mscms.dll") == 0; }),
              imports.end());

    char system[MAX_PATH] = {};
    ASSERT_GT(GetSystemDirectoryA(system, static_cast<UINT>(std::size(system))), 0u);
    for (const std::string& library : imports) {
        EXPECT_TRUE(IsSystemLibrary(library)) << library << " is not a library Windows ships";
        EXPECT_TRUE(Exists(std::string(system) + "\\" + library)) << library << " is not in " << system;
    }

    // Stripped: no symbol table and no debugging sections.
    EXPECT_FALSE(image.HasSymbolTable());
    for (const std::string& section : image.SectionNames())
        EXPECT_NE(section.rfind(".debug", 0), 0u) << "section " << section;
}

// The libraries the first windows do not need (the shell's, COM's, OLE Automation's and
// the terminal services') are delay imports, loaded at their first call: none is in
// the import table that the system loads before the program starts.
TEST_F(PackagedProgram, ProgramLoadsWhatItsWindowsDoNotNeedOnlyWhenCalled)
{
    const pe::Image image = Image("kestrava.exe");
    ASSERT_TRUE(image.Valid());
    std::vector<std::string> imports;
    ASSERT_TRUE(image.ImportedLibraries(imports));
    for (const char* later : {"shell32.dll", "ole32.dll", "oleaut32.dll", "wtsapi32.dll"})
        EXPECT_EQ(std::find_if(imports.begin(), imports.end(),
                               [&](const std::string& name) { return lstrcmpiA(name.c_str(), later) == 0; }),
                  imports.end())
            << later << " is loaded with the program";
}

TEST_F(PackagedProgram, LanguageLibrariesAreResourcesOnly)
{
    for (const char* library : {"de\\Res.dll", "fr\\Res.dll", "es\\Res.dll"}) {
        SCOPED_TRACE(library);
        const pe::Image image = Image(library);
        ASSERT_TRUE(image.Valid()) << library << " is no 64-bit PE image";
        EXPECT_TRUE(image.IsDll());
        EXPECT_EQ(image.EntryPoint(), 0u) << "a resource library runs no code";
        std::vector<std::string> imports;
        ASSERT_TRUE(image.ImportedLibraries(imports));
        EXPECT_TRUE(imports.empty());
    }
}

TEST_F(PackagedProgram, ManifestIsTheProgramsOwnAndNamesWindows7To11)
{
    wintest::ModuleOwner module(wintest::LoadAsDataFile(Program()));
    ASSERT_TRUE(module);
    const wintest::ResourceData manifest =
        wintest::FindResourceData(module.Get(), 1, reinterpret_cast<LPCSTR>(RT_MANIFEST));
    ASSERT_TRUE(manifest);
    const std::string text(reinterpret_cast<const char*>(manifest.data), manifest.size);

    const std::vector<char> source = ReadAll(wintest::WinePath(KESTRAVA_MANIFEST));
    ASSERT_FALSE(source.empty());
    EXPECT_EQ(text, std::string(source.begin(), source.end())) << "the zip's program carries another manifest";

    // The source may break an element over lines: runs of blanks count as one.
    std::string squeezed;
    for (char c : text) {
        const bool blank = c == ' ' || c == '\n' || c == '\r' || c == '\t';
        if (!blank || squeezed.empty() || squeezed.back() != ' ')
            squeezed += blank ? ' ' : c;
    }
    for (const char* declared : {
             R"(name="Microsoft.Windows.Common-Controls" version="6.0.0.0")",
             R"(level="asInvoker" uiAccess="false")",
             ">true/pm</dpiAware>",
             ">PerMonitorV2, PerMonitor</dpiAwareness>",
             R"(<compatibility xmlns="urn:schemas-microsoft-com:compatibility.v1">)",
             "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",   // Windows 7
             "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",   // Windows 8
             "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",   // Windows 8.1
             "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",   // Windows 10 and 11
         })
        EXPECT_NE(squeezed.find(declared), std::string::npos) << declared;
}

// ---- The program run from there ---------------------------------------------------------

TEST_F(PackagedProgram, RunsFromItsFolderWithAWindowPerMonitorInEnglish)
{
    ASSERT_EQ(monitors.size(), 2u) << "the test bed shows two monitors";
    Install({kValid});
    ASSERT_NO_FATAL_FAILURE(Start(Program()));
    for (size_t i = 0; i < windows.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_TRUE(IsWindowVisible(windows[i]));
        EXPECT_EQ(wintest::WindowText(windows[i]), monitors[i].deviceString);
        RECT inside{};
        const RECT window = program::WindowRect(windows[i]);
        EXPECT_TRUE(IntersectRect(&inside, &window, &monitors[i].rect))
            << program::Describe(window) << " is not on " << program::Describe(monitors[i].rect);
        EXPECT_EQ(wintest::ControlText(windows[i], 1001), "all monitor profiles");
        EXPECT_EQ(wintest::ControlText(windows[i], program::kRefreshId), "Refresh");
    }
}

TEST_F(PackagedProgram, GermanLibraryCopiedBesideTheProgramGivesGermanTexts)
{
    ASSERT_TRUE(CopyFileA(InPackage("de\\Res.dll").c_str(), InPackage("Res.dll").c_str(), TRUE));
    Install({kValid});
    ASSERT_NO_FATAL_FAILURE(Start(Program()));
    for (size_t i = 0; i < windows.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(wintest::ControlText(windows[i], 1001), "alle Monitorprofile");
        EXPECT_EQ(wintest::ControlText(windows[i], program::kRefreshId), "Aktualisieren");
    }
}

}  // namespace
