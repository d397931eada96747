// Win32 only. The installer from outside, run silently in the test bed's prefix: the
// program, its shortcut and its entry where they belong, without administrator rights;
// the installed program with a window per monitor and its own folder at logon; an update
// that brings a running copy back as it was, ends the program's other copies or fails
// with nothing replaced; and an uninstall that takes away all that was Kestrava's, only.
#include "resource_reader.h"
#include "support/program_fixture.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <set>
#include <string>
#include <vector>

namespace {

using namespace programtest;
using program::kRunKey;
using program::kRunValue;
using program::kSettingsKey;
using program::ReadValue;
using program::RegistryValue;

// The key the build names to makensis and to the package manager's manifest.
constexpr const char* kProductKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" KESTRAVA_PRODUCT_CODE;
constexpr const char* kWineOverrides = "Software\\Wine\\DllOverrides";
constexpr const char* kMenuBuilder = "winemenubuilder.exe";
using program::kTrayExit;
using program::kTrayLoadAtLogon;

std::string SetupExe() { return wintest::WinePath(KESTRAVA_INSTALLER); }
std::string ShellFolder(int folder)
{
    char path[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, folder, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}
std::string InstallDir() { return ShellFolder(CSIDL_LOCAL_APPDATA) + "\\Programs\\Kestrava"; }
std::string Installed(const std::string& file) { return InstallDir() + "\\" + file; }
std::string Shortcut() { return ShellFolder(CSIDL_PROGRAMS) + "\\Kestrava.lnk"; }
bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
bool SamePath(const std::string& a, const std::string& b) { return lstrcmpiA(a.c_str(), b.c_str()) == 0; }

// Runs a command line to its end, as a deployment tool does: its program with its
// arguments, waiting for that process alone. Its exit code, or -1.
DWORD RunToEnd(std::wstring commandLine)
{
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return DWORD(-1);
    wintest::HandleOwner process(info.hProcess), thread(info.hThread);
    DWORD code = DWORD(-1);
    if (WaitForSingleObject(process.Get(), 120000) == WAIT_OBJECT_0)
        GetExitCodeProcess(process.Get(), &code);
    return code;
}
// The paths the tests name in ASCII.
std::wstring Wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }
DWORD RunToEnd(const std::string& commandLine) { return RunToEnd(Wide(commandLine)); }

// The installer's exit codes for a running copy that did not end, a file it could not
// write or remove, and a newer version installed.
constexpr DWORD kStillRunning = 3;
constexpr DWORD kFileFailed = 4;
constexpr DWORD kNewerInstalled = 5;

FILETIME WriteTime(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data);
    return data.ftLastWriteTime;
}
bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The files in the temporary folder named like the uninstaller or a copy of it, a
// line each.
std::string UninstallerCopies()
{
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    std::string names;
    for (const char* pattern : {"Kestrava-uninstall*", "~nsu*", "Un_*", "uninstall*"}) {
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((std::string(temp) + pattern).c_str(), &found);
        for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileA(search, &found))
            names += std::string("\n  ") + found.cFileName;
        if (search != INVALID_HANDLE_VALUE)
            FindClose(search);
    }
    return names;
}

// The running copies' program windows: one each.
std::vector<HWND> ProgramWindows() { return program::TopWindows(program::kProgramWindowClass); }
// What the one running copy says it is doing (KESTRAVA_STATE_*), or -1.
LRESULT RunningState()
{
    const std::vector<HWND> copies = ProgramWindows();
    return copies.size() == 1 ? program::Ask(copies.front(), KESTRAVA_MSG_STATE, 0, 0, -1) : -1;
}

// A look at the prefix, a line each: the folders and files of drive C: (with sizes), the
// user's registry, the machine's software and its session manager (where files to delete
// at the next start are noted).
using Snapshot = std::set<std::string>;

void AddFiles(const std::string& folder, Snapshot& lines)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileA(search, &found)) {
        const std::string name = found.cFileName, path = folder + "\\" + name;
        if (name == "." || name == "..")
            continue;
        const bool isFolder = found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
        lines.insert(isFolder ? path + "\\" : path + " " + std::to_string(found.nFileSizeLow));
        // Wine links the profile's Desktop, Documents and such to the Unix home.
        if (isFolder && !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
            AddFiles(path, lines);
    }
    if (search != INVALID_HANDLE_VALUE)
        FindClose(search);
}

void AddKeys(HKEY root, const std::string& name, Snapshot& lines)
{
    HKEY key = nullptr;
    // Wine keeps the desktop's settings for the session in a volatile key, made when a
    // program first asks for them.
    if (name == "Software\\Wine\\Temporary System Parameters" ||
        RegOpenKeyExA(root, name.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    const std::string prefix = (root == HKEY_CURRENT_USER ? "HKCU\\" : "HKLM\\") + name + "\\";
    lines.insert(prefix);
    static char text[16384];
    static BYTE data[1 << 20];
    std::vector<std::string> children;
    for (DWORD i = 0, length = sizeof text, size = sizeof data, type = 0;
         RegEnumValueA(key, i, text, &length, nullptr, &type, data, &size) == ERROR_SUCCESS;
         ++i, length = sizeof text, size = sizeof data)
        lines.insert(prefix + text + "=" + std::to_string(type) + ":" + std::string(data, data + size));
    for (DWORD i = 0, length = sizeof text; RegEnumKeyExA(key, i, text, &length, nullptr, nullptr, nullptr, nullptr) ==
                                            ERROR_SUCCESS;
         ++i, length = sizeof text)
        children.push_back(name.empty() ? text : name + "\\" + text);
    RegCloseKey(key);
    for (const std::string& child : children)
        AddKeys(root, child, lines);
}

Snapshot LookAtThePrefix()
{
    Snapshot lines;
    AddFiles("C:", lines);
    AddKeys(HKEY_CURRENT_USER, "", lines);
    AddKeys(HKEY_LOCAL_MACHINE, "Software", lines);
    AddKeys(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager", lines);
    return lines;
}

// The lines of one look that the other lacks, for a failure message.
std::string Lacking(const Snapshot& look, const Snapshot& other)
{
    std::string text;
    for (const std::string& line : look)
        if (!other.count(line))
            text += "\n  " + line;
    return text;
}

// Each test starts with Kestrava not installed (an interrupted run's install is removed
// first) and its settings as on a new account, and ends so.
class Installer : public ProgramKeeping {
protected:
    void SetUp() override
    {
        if (!Exists(SetupExe()))
            GTEST_SKIP() << "no " << SetupExe() << " (cmake --build <dir> --target package makes it)";
        ASSERT_NO_FATAL_FAILURE(ProgramKeeping::SetUp());
        // Wine copies every shortcut made in the prefix into the Unix desktop's menus,
        // outside the prefix (winemenubuilder): turned off while the tests run.
        m_menus = ReadValue(kWineOverrides, kMenuBuilder);
        ASSERT_TRUE(program::WriteString(kWineOverrides, kMenuBuilder, ""));
        m_ready = true;
        Uninstall();
        ASSERT_FALSE(Exists(InstallDir()));
    }

    void TearDown() override
    {
        if (!m_ready)
            return;
        Uninstall();
        for (HWND window : ProgramWindows())
            program::Send(window, WM_COMMAND, kTrayExit, 0);
        program::WaitFor([] { return ProgramWindows().empty(); });
        if (m_menus.present)
            program::WriteString(kWineOverrides, kMenuBuilder, m_menus.text);
        else
            program::DeleteValue(kWineOverrides, kMenuBuilder);
        ProgramKeeping::TearDown();
    }

    static void Install() { ASSERT_EQ(RunToEnd("\"" + SetupExe() + "\" /S"), 0u); }

    // As a package manager does it: the entry's quiet uninstall command. When it has
    // returned 0, all is gone but the uninstaller's file and folder, which go within 10 s,
    // leaving no copy of the uninstaller in the temporary folder.
    static void Uninstall()
    {
        const RegistryValue quiet = ReadValue(kProductKey, "QuietUninstallString");
        if (!quiet.present)
            return;
        ASSERT_EQ(RunToEnd(quiet.text), 0u) << quiet.text;
        EXPECT_FALSE(Exists(Installed("kestrava.exe")));
        EXPECT_FALSE(Exists(Shortcut()));
        EXPECT_FALSE(ReadValue(kRunKey, kRunValue).present);
        HKEY key = nullptr;
        for (const char* gone : {kSettingsKey, kProductKey})
            EXPECT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, gone, 0, KEY_READ, &key), ERROR_SUCCESS) << gone;
        EXPECT_TRUE(program::WaitFor([] { return !Exists(InstallDir()); }, std::chrono::seconds(10)));
        EXPECT_TRUE(program::WaitFor([] { return UninstallerCopies().empty(); }, std::chrono::seconds(10)))
            << UninstallerCopies();
    }

    // The installed program, resident, with "Load calibration at logon" ticked in its
    // icon's menu, a setting of its own and the German texts (as if chosen).
    void StartResidentWithSettings()
    {
        Launch(Installed("kestrava.exe"), "/tray");
        ASSERT_TRUE(program::WaitFor([] { return ProgramWindows().size() == 1; }));
        ASSERT_TRUE(program::Send(ProgramWindows().front(), WM_COMMAND, kTrayLoadAtLogon, 0));
        ASSERT_TRUE(ReadValue(kRunKey, kRunValue).present);
        ASSERT_TRUE(program::WriteString(kSettingsKey, "PauseFor", "game.exe"));
        ASSERT_TRUE(CopyFileA(Installed("LICENSE.txt").c_str(), Installed("Res.dll").c_str(), TRUE));
    }

    RegistryValue m_menus;
    bool m_ready = false;
};

TEST_F(Installer, PutsTheProgramItsShortcutAndItsEntryWhereTheyBelongWithoutAdministratorRights)
{
    wintest::ModuleOwner image(wintest::LoadAsDataFile(SetupExe()));
    ASSERT_TRUE(image);
    const wintest::ResourceData manifest = wintest::FindResourceData(image.Get(), 1, MAKEINTRESOURCEA(24));
    ASSERT_TRUE(manifest);
    EXPECT_NE(std::string(reinterpret_cast<const char*>(manifest.data), manifest.size).find(R"(level="asInvoker")"),
              std::string::npos);

    ASSERT_NO_FATAL_FAILURE(Install());
    for (const char* file : {"kestrava.exe", "LICENSE.txt", "Docs\\infoID.htm", "de\\Res.dll", "fr\\Res.dll",
                             "es\\Res.dll", "uninstall.exe"})
        EXPECT_TRUE(Exists(Installed(file))) << file;
    EXPECT_FALSE(Exists(Installed("Res.dll"))) << "the German texts are installed only when chosen";

    // The shortcut, read as the shell reads it.
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    IShellLinkA* link = nullptr;
    IPersistFile* file = nullptr;
    char target[MAX_PATH] = {}, folder[MAX_PATH] = {};
    const std::string shortcut = Shortcut();   // in ASCII, as the test bed's profile is
    ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                           reinterpret_cast<void**>(&link))));
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
        SUCCEEDED(file->Load(std::wstring(shortcut.begin(), shortcut.end()).c_str(), STGM_READ)) &&
        SUCCEEDED(link->GetPath(target, MAX_PATH, nullptr, 0)))
        link->GetWorkingDirectory(folder, MAX_PATH);
    EXPECT_TRUE(SamePath(target, Installed("kestrava.exe"))) << shortcut << " starts " << target;
    EXPECT_TRUE(SamePath(folder, InstallDir())) << shortcut << " starts in " << folder;
    if (file)
        file->Release();
    link->Release();
    CoUninitialize();

    const std::string uninstaller = "\"" + Installed("uninstall.exe") + "\"";
    for (const auto& [name, text] : std::vector<std::pair<const char*, std::string>>{
             {"DisplayName", "Kestrava"},
             {"DisplayVersion", KESTRAVA_VERSION},
             {"Publisher", "The Kestrava developers"},
             {"DisplayIcon", Installed("kestrava.exe") + ",0"},
             {"InstallLocation", InstallDir()},
             {"UninstallString", uninstaller + " _?=" + InstallDir()},
             {"QuietUninstallString", uninstaller + " /S _?=" + InstallDir()},
         })
        EXPECT_TRUE(SamePath(ReadValue(kProductKey, name).text, text)) << name << ": " << ReadValue(kProductKey, name).text;
    for (const char* name : {"NoModify", "NoRepair"})
        EXPECT_EQ(ReadValue(kProductKey, name).number, 1u) << name;
    WIN32_FILE_ATTRIBUTE_DATA program{};
    ASSERT_TRUE(GetFileAttributesExA(Installed("kestrava.exe").c_str(), GetFileExInfoStandard, &program));
    EXPECT_GE(ReadValue(kProductKey, "EstimatedSize").number, program.nFileSizeLow / 1024);
}

TEST_F(Installer, PointsTheLogonEntryAtTheInstalledProgramWhichOpensAWindowPerMonitorAndNamesItsFolder)
{
    ASSERT_EQ(monitors.size(), 2u) << "the test bed shows two monitors";
    // The logon entry of a copy elsewhere (the zip, unpacked into Downloads).
    ASSERT_TRUE(program::WriteString(kRunKey, kRunValue, "\"C:\\Users\\Downloads\\kestrava\\kestrava.exe\" /load"));
    ASSERT_NO_FATAL_FAILURE(Install());
    const std::string program = "\"" + Installed("kestrava.exe") + "\"";
    EXPECT_TRUE(SamePath(ReadValue(kRunKey, kRunValue).text, program + " /load")) << ReadValue(kRunKey, kRunValue).text;

    ASSERT_NO_FATAL_FAILURE(Start(Installed("kestrava.exe")));
    ASSERT_NO_FATAL_FAILURE(Command(0, kLoadAtLogon));
    ASSERT_TRUE(program::WaitFor([] { return !ReadValue(kRunKey, kRunValue).present; }));
    ASSERT_NO_FATAL_FAILURE(Command(0, kLoadAtLogon));
    EXPECT_TRUE(program::WaitFor([&] { return SamePath(ReadValue(kRunKey, kRunValue).text, program + " /tray"); }))
        << ReadValue(kRunKey, kRunValue).text;
}

TEST_F(Installer, InstallingAgainOverAResidentCopyRestartsItAndKeepsTheSettings)
{
    ASSERT_NO_FATAL_FAILURE(Install());
    ASSERT_NO_FATAL_FAILURE(StartResidentWithSettings());
    const std::string logon = ReadValue(kRunKey, kRunValue).text;

    ASSERT_NO_FATAL_FAILURE(Install());
    DWORD code = 1;
    EXPECT_TRUE(app->WaitForExit(code)) << "the resident copy was not asked to exit";
    EXPECT_EQ(code, 0u);
    ASSERT_TRUE(program::WaitFor([] { return ProgramWindows().size() == 1; })) << "not started again";
    EXPECT_NE(program::ProcessOf(ProgramWindows().front()), app->Id());
    EXPECT_EQ(ReadValue(kRunKey, kRunValue).text, logon);
    EXPECT_EQ(ReadValue(kSettingsKey, "PauseFor").text, "game.exe");
    // The German texts stay chosen, and are brought up to date.
    WIN32_FILE_ATTRIBUTE_DATA german{};
    EXPECT_TRUE(GetFileAttributesExA(Installed("Res.dll").c_str(), GetFileExInfoStandard, &german));
    EXPECT_GT(german.nFileSizeLow, 1200u) << "Res.dll is not the German library";
}

TEST_F(Installer, UninstallTakesAwayWhatTheProgramAndTheInstallerWroteAndNothingElse)
{
    // Windows has the key of its startup switches; the switch for the program's logon
    // entry is written when the user turns it off or on in Task Manager.
    HKEY approved = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, program::kStartupApprovedKey, 0, nullptr, 0, KEY_WRITE, nullptr,
                              &approved, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(approved);
    const Snapshot before = LookAtThePrefix();
    ASSERT_NO_FATAL_FAILURE(Install());
    ASSERT_NO_FATAL_FAILURE(StartResidentWithSettings());
    const BYTE disabled[12] = {3};
    ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, program::kStartupApprovedKey, kRunValue, REG_BINARY, disabled,
                              sizeof disabled),
              ERROR_SUCCESS);
    const Snapshot installed = LookAtThePrefix();

    ASSERT_NO_FATAL_FAILURE(Uninstall());
    DWORD code = 1;
    EXPECT_TRUE(app->WaitForExit(code)) << "the resident copy was not asked to exit";
    const Snapshot after = LookAtThePrefix();
    EXPECT_FALSE(ReadValue(program::kStartupApprovedKey, kRunValue).present);

    // The uninstall only took away, and only what was Kestrava's or made for it: the
    // prefix is as it was before the install.
    EXPECT_EQ(Lacking(after, installed), "") << "appeared";
    for (const std::string& line : installed)
        EXPECT_TRUE(after.count(line) || line.find("Kestrava") != std::string::npos || !before.count(line)) << line;
    EXPECT_EQ(Lacking(before, after), "") << "gone";
    EXPECT_EQ(Lacking(after, before), "") << "left";
}

TEST_F(Installer, AnUpdateThatCannotReplaceAFileFailsAndReplacesNone)
{
    ASSERT_NO_FATAL_FAILURE(Install());
    const FILETIME before = WriteTime(Installed("kestrava.exe"));
    {
        // Held open for reading by another program, which lets no one write or delete it.
        wintest::HandleOwner held(CreateFileA(Installed("kestrava.exe").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                              nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_NE(held.Get(), INVALID_HANDLE_VALUE);
        EXPECT_EQ(RunToEnd("\"" + SetupExe() + "\" /S"), kFileFailed);
    }
    // Read-only, and written after the program: the program stays as it was too.
    const std::string help = Installed("Docs\\infoID.htm");
    ASSERT_TRUE(SetFileAttributesA(help.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(RunToEnd("\"" + SetupExe() + "\" /S"), kFileFailed);
    SetFileAttributesA(help.c_str(), FILE_ATTRIBUTE_NORMAL);
    const FILETIME after = WriteTime(Installed("kestrava.exe"));
    EXPECT_EQ(CompareFileTime(&before, &after), 0) << "kestrava.exe was written";
}

TEST_F(Installer, AnUninstallThatCannotRemoveAFileFailsAndLeavesTheInstallAsItWas)
{
    ASSERT_NO_FATAL_FAILURE(Install());
    ASSERT_TRUE(program::WriteString(kSettingsKey, "PauseFor", "game.exe"));
    {
        // Removed after the program, which stays as well.
        wintest::HandleOwner held(CreateFileA(Installed("Docs\\infoID.htm").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                              nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_NE(held.Get(), INVALID_HANDLE_VALUE);
        EXPECT_EQ(RunToEnd(ReadValue(kProductKey, "QuietUninstallString").text), kFileFailed);
    }
    for (const char* file : {"kestrava.exe", "LICENSE.txt", "Docs\\infoID.htm", "uninstall.exe"})
        EXPECT_TRUE(Exists(Installed(file))) << file;
    EXPECT_TRUE(Exists(Shortcut()));
    EXPECT_TRUE(ReadValue(kProductKey, "QuietUninstallString").present);
    EXPECT_EQ(ReadValue(kSettingsKey, "PauseFor").text, "game.exe");
}

TEST_F(Installer, UninstallerRunInItsFolderWithoutTheFolderArgumentLeavesNothingInTheTemporaryFolder)
{
    ASSERT_NO_FATAL_FAILURE(Install());
    // Double-clicked: NSIS runs a copy of it from the temporary folder and returns at once.
    ASSERT_EQ(RunToEnd("\"" + Installed("uninstall.exe") + "\" /S"), 0u);
    EXPECT_TRUE(program::WaitFor([] { return !ReadValue(kProductKey, "DisplayName").present && !Exists(InstallDir()); },
                                 std::chrono::seconds(30)));
    EXPECT_TRUE(program::WaitFor([] { return UninstallerCopies().empty(); }, std::chrono::seconds(10)))
        << UninstallerCopies();
}

TEST_F(Installer, AnUpdateBringsTheRunningCopyBackAsItWasAndStartsNoneWhenNoneRan)
{
    ASSERT_NO_FATAL_FAILURE(Install());
    ASSERT_NO_FATAL_FAILURE(Install());
    EXPECT_TRUE(ProgramWindows().empty()) << "started, though none ran";

    struct Run {
        const char* arguments;
        bool open;   // its windows opened from the icon's menu
        LRESULT state;
    };
    for (const Run& run : {Run{"", false, KESTRAVA_STATE_WINDOWS}, Run{"/tray", false, KESTRAVA_STATE_RESIDENT},
                           Run{"/tray /quiet", false, KESTRAVA_STATE_RESIDENT | KESTRAVA_STATE_QUIET},
                           Run{"/tray", true, KESTRAVA_STATE_RESIDENT | KESTRAVA_STATE_WINDOWS}}) {
        SCOPED_TRACE(std::string(run.arguments) + (run.open ? ", windows opened" : ""));
        Launch(Installed("kestrava.exe"), run.arguments);
        ASSERT_TRUE(program::WaitFor([] { return ProgramWindows().size() == 1; }));
        if (run.open) {
            ASSERT_TRUE(PostMessageW(ProgramWindows().front(), WM_COMMAND, program::kTrayOpen, 0));
            ASSERT_EQ(app->WaitForMonitorWindows(monitors.size()).size(), monitors.size());
        }
        ASSERT_TRUE(program::WaitFor([&] { return RunningState() == run.state; })) << RunningState();

        ASSERT_NO_FATAL_FAILURE(Install());
        DWORD code = 1;
        EXPECT_TRUE(app->WaitForExit(code)) << "the running copy was not asked to exit";
        EXPECT_TRUE(program::WaitFor([&] { return RunningState() == run.state; })) << RunningState();
        for (HWND window : ProgramWindows()) {
            EXPECT_NE(program::ProcessOf(window), app->Id());
            program::Send(window, WM_COMMAND, kTrayExit, 0);
        }
        ASSERT_TRUE(program::WaitFor([] { return ProgramWindows().empty(); }));
    }
}

TEST_F(Installer, AnUpdateEndsTheInstalledProgramRunningWithoutItsWindowOrFailsKeepingTheOldFile)
{
    ASSERT_NO_FATAL_FAILURE(Install());
    ASSERT_NO_FATAL_FAILURE(ProgramFixture::Install({profiles::kTooDark}));
    ASSERT_NO_FATAL_FAILURE(MakeCurrent(profiles::kTooDark));
    // Waiting on a report for each monitor in turn; the usage box.
    for (const char* arguments : {"/load", "/x"}) {
        SCOPED_TRACE(arguments);
        Launch(Installed("kestrava.exe"), arguments);
        ASSERT_TRUE(program::WaitFor([&] { return !program::VisibleDialogsOf(app->Id()).empty(); }));
        const FILETIME before = WriteTime(Installed("kestrava.exe"));
        EXPECT_EQ(RunToEnd("\"" + SetupExe() + "\" /S"), 0u);
        DWORD code = 0;
        EXPECT_TRUE(app->WaitForExit(code, std::chrono::seconds(1))) << "still running";
        const FILETIME after = WriteTime(Installed("kestrava.exe"));
        EXPECT_NE(CompareFileTime(&before, &after), 0) << "kestrava.exe was not replaced";
    }

    // One that never ends: stopped (here, never started).
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    std::string line = "\"" + Installed("kestrava.exe") + "\"";
    ASSERT_TRUE(CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr,
                               &startup, &info));
    wintest::HandleOwner process(info.hProcess), thread(info.hThread);
    const FILETIME before = WriteTime(Installed("kestrava.exe"));
    EXPECT_EQ(RunToEnd("\"" + SetupExe() + "\" /S"), kStillRunning);
    TerminateProcess(process.Get(), 1);
    const FILETIME after = WriteTime(Installed("kestrava.exe"));
    EXPECT_EQ(CompareFileTime(&before, &after), 0) << "kestrava.exe was written";

    // A newer version installed: nothing is changed.
    ASSERT_TRUE(program::WriteString(kProductKey, "DisplayVersion", "99.0"));
    EXPECT_EQ(RunToEnd("\"" + SetupExe() + "\" /S"), kNewerInstalled);
    const FILETIME kept = WriteTime(Installed("kestrava.exe"));
    EXPECT_EQ(CompareFileTime(&before, &kept), 0) << "kestrava.exe was written";
    EXPECT_EQ(ReadValue(kProductKey, "DisplayVersion").text, "99.0");
}

TEST_F(Installer, InstallsIntoAndUninstallsFromAFolderNamedWithSpacesAndLettersBeyondAscii)
{
    for (const std::wstring folder : {L"C:\\Kestrava Test\\Pr\u00fcfung \u00e4", L"C:\\Kestrava Test\\Kestrava\\"}) {
        SCOPED_TRACE(std::string(folder.begin(), folder.end()));
        ASSERT_EQ(RunToEnd(L"\"" + Wide(SetupExe()) + L"\" /S /D=" + folder), 0u);
        const std::wstring made = folder.back() == L'\\' ? folder.substr(0, folder.size() - 1) : folder;
        for (const wchar_t* file : {L"kestrava.exe", L"LICENSE.txt", L"Docs\\infoID.htm", L"uninstall.exe"})
            EXPECT_TRUE(Exists(made + L"\\" + file)) << std::string(file, file + wcslen(file));
        wchar_t quiet[1024] = {};
        DWORD size = sizeof quiet;
        ASSERT_EQ(RegGetValueW(HKEY_CURRENT_USER, Wide(kProductKey).c_str(), L"QuietUninstallString",
                               RRF_RT_REG_SZ, nullptr, quiet, &size),
                  ERROR_SUCCESS);
        EXPECT_EQ(RunToEnd(quiet), 0u);
        EXPECT_FALSE(ReadValue(kProductKey, "DisplayName").present);
        EXPECT_TRUE(program::WaitFor([] { return !Exists(std::wstring(L"C:\\Kestrava Test")); },
                                     std::chrono::seconds(10)))
            << "the folders the installer made are left";
    }
}

}  // namespace
