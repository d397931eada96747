// The resources of the program's windows, and the resource libraries that may replace
// them all: templates 102 and 130, menu 129, icon 128, bitmap 131 and the manifest as
// the program carries them; each translated Res.dll (German, French, Spanish) carrying
// the same set; and LoadResourceLibrary, which takes Res.dll for its resources without
// running any of its code.
#include "app/resource_library.h"
#include "program_resources.h"
#include "support/expected_strings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <map>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace {

using wintest::DialogItem;
using wintest::DialogTemplate;
using wintest::ExpectItemsEqual;
using wintest::IdsOf;
using wintest::LoadAsDataFile;
using wintest::ModuleOwner;
using wintest::ResourceData;

const LPCSTR kIconGroup = reinterpret_cast<LPCSTR>(RT_GROUP_ICON);
const LPCSTR kIcon = reinterpret_cast<LPCSTR>(RT_ICON);
const LPCSTR kBitmap = reinterpret_cast<LPCSTR>(RT_BITMAP);

std::string ResourceLibraryPath() { return wintest::WinePath(KESTRAVA_RES_DLL); }
std::string PlantedLibraryPath() { return wintest::WinePath(KESTRAVA_PLANTED_DLL); }

std::string FolderOf(const std::string& path) { return path.substr(0, path.find_last_of('\\')); }

// A menu as the system reads it: one entry per item, submenus inline after their
// popup, each as "text|id|flags" with flags P (popup), S (separator), G (greyed).
std::vector<std::string> MenuOutline(HMENU menu)
{
    std::vector<std::string> outline;
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        char text[256] = {};
        MENUITEMINFOA info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STATE | MIIM_STRING | MIIM_SUBMENU;
        info.dwTypeData = text;
        info.cch = static_cast<UINT>(std::size(text));
        if (!GetMenuItemInfoA(menu, static_cast<UINT>(i), TRUE, &info)) {
            outline.push_back("unreadable");
            continue;
        }
        std::string flags;
        if (info.hSubMenu)
            flags += 'P';
        if (info.fType & MFT_SEPARATOR)
            flags += 'S';
        // Separators read as greyed under Wine; their state means nothing.
        if ((info.fState & MFS_GRAYED) && !(info.fType & MFT_SEPARATOR))
            flags += 'G';
        outline.push_back(std::string(text) + "|" + (info.hSubMenu ? "" : std::to_string(info.wID)) + "|" + flags);
        if (info.hSubMenu)
            for (const std::string& inner : MenuOutline(info.hSubMenu))
                outline.push_back("  " + inner);
    }
    return outline;
}

std::vector<std::string> LoadMenuOutline(HMODULE module, int id)
{
    HMENU menu = LoadMenuA(module, MAKEINTRESOURCEA(id));
    if (!menu)
        return {};
    std::vector<std::string> outline = MenuOutline(menu);
    DestroyMenu(menu);
    return outline;
}

// One image of an icon group, as the group lists it.
struct IconEntry {
    int width = 0, height = 0, colours = 0, bits = 0;
    UINT bytes = 0;
    int id = 0;
};

#pragma pack(push, 2)
struct GroupIconEntry {
    BYTE width, height, colourCount, reserved;
    WORD planes, bitCount;
    DWORD bytesInRes;
    WORD id;
};
#pragma pack(pop)
static_assert(sizeof(GroupIconEntry) == 14);

std::vector<IconEntry> IconGroup(HMODULE module, int id)
{
    ResourceData group = wintest::FindResourceData(module, id, kIconGroup);
    std::vector<IconEntry> entries;
    if (!group || group.size < 6)
        return entries;
    WORD header[3];
    std::memcpy(header, group.data, sizeof(header));
    if (header[0] != 0 || header[1] != 1 || group.size < 6 + size_t(header[2]) * sizeof(GroupIconEntry))
        return entries;
    for (WORD i = 0; i < header[2]; ++i) {
        GroupIconEntry raw;
        std::memcpy(&raw, group.data + 6 + i * sizeof(raw), sizeof(raw));
        entries.push_back({raw.width ? raw.width : 256, raw.height ? raw.height : 256, raw.colourCount, raw.bitCount,
                           raw.bytesInRes, raw.id});
    }
    return entries;
}

bool ReadInfoHeader(const ResourceData& data, BITMAPINFOHEADER& header)
{
    if (!data || data.size < sizeof(header))
        return false;
    std::memcpy(&header, data.data, sizeof(header));
    return header.biSize >= sizeof(header);
}

// The printf conversions of a text in order, "%%" left out: a translation must take
// the same arguments in the same order, or formatting it reads the wrong ones.
std::vector<std::string> Conversions(const std::string& text)
{
    std::vector<std::string> found;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%')
            continue;
        size_t end = i + 1;
        while (end < text.size() && std::strchr("-+ #0123456789.hlLzjt", text[end]))
            ++end;
        if (end < text.size() && text[end] != '%')
            found.push_back(text.substr(i, end - i + 1));
        i = end;
    }
    return found;
}

// The PE headers of a module loaded as an image resource; its handle carries flags in
// the low bits.
const IMAGE_NT_HEADERS64* NtHeaders(HMODULE module)
{
    const auto* base = reinterpret_cast<const BYTE*>(reinterpret_cast<ULONG_PTR>(module) & ~ULONG_PTR(3));
    if (!base)
        return nullptr;
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    if (dos->e_magic != IMAGE_DOS_SIGNATURE)
        return nullptr;
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS64*>(base + dos->e_lfanew);
    return nt->Signature == IMAGE_NT_SIGNATURE ? nt : nullptr;
}

// ---- The program's own resources ----

class WindowResources : public wintest::ProgramFileTest {};

TEST_F(WindowResources, MonitorTemplateIsAsDesigned)
{
    ASSERT_NE(Program(), nullptr) << wintest::ProgramExe();
    DialogTemplate dialog;
    ASSERT_TRUE(wintest::ReadDialogTemplate(Program(), 102, dialog));

    // Popup, caption, system menu, resizing frame, minimise box, dialog font; not
    // visible, no maximise box. Own taskbar button and client edge.
    EXPECT_TRUE(dialog.extended);
    EXPECT_EQ(dialog.style, 0x80CE0040u) << std::hex << dialog.style;
    EXPECT_EQ(dialog.exStyle, 0x00040200u) << std::hex << dialog.exStyle;
    EXPECT_EQ(dialog.x, 0);
    EXPECT_EQ(dialog.y, 0);
    EXPECT_EQ(dialog.cx, 336);
    EXPECT_EQ(dialog.cy, 286);
    wintest::ExpectProgramWindowLook(dialog, "#129");

    // Template order is tab and stacking order.
    ExpectItemsEqual(dialog.items,
                     {
                         {0x50A30153, 10, 9, 316, 200, 1000, "listbox", ""},
                         {0x50030009, 18, 231, 178, 10, 1001, "button", "all monitor profiles"},
                         {0x50000009, 18, 244, 178, 10, 1002, "button",
                          "only profiles already associated with this monitor"},
                         {0x50020007, 10, 219, 194, 41, -1, "button", "Show"},
                         {0x50020000, 10, 268, 152, 8, -1, "static", "BOLD = contains video card calibration data"},
                         {0x50020000, 174, 268, 152, 8, -1, "static", "ITALIC = not created by Huewright"},
                         {0x50010000, 276, 224, 50, 14, 1003, "button", "Refresh"},
                     });
}

TEST_F(WindowResources, AboutTemplateIsAsDesigned)
{
    ASSERT_NE(Program(), nullptr);
    DialogTemplate dialog;
    ASSERT_TRUE(wintest::ReadDialogTemplate(Program(), 130, dialog));

    // No system menu and no centring style: the window layer centres it over its owner.
    EXPECT_EQ(dialog.style, static_cast<DWORD>(WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_SETFONT))
        << std::hex << dialog.style;
    EXPECT_EQ(dialog.exStyle, 0u);
    EXPECT_EQ(dialog.x, 0);
    EXPECT_EQ(dialog.y, 0);
    EXPECT_EQ(dialog.cx, 353);
    EXPECT_EQ(dialog.cy, 146);
    wintest::ExpectProgramWindowLook(dialog, "");

    const DWORD child = WS_CHILD | WS_VISIBLE;
    ExpectItemsEqual(dialog.items, {
                                       {child | WS_TABSTOP | BS_DEFPUSHBUTTON, 293, 122, 50, 14, IDOK, "button", "OK"},
                                       {child | SS_BITMAP | SS_REALSIZEIMAGE, 10, 10, 333, 92, -1, "static", "#131"},
                                       {child | WS_GROUP | SS_LEFT, 10, 110, 333, 8, -1, "static", ""},
                                   });
    ASSERT_EQ(dialog.items.size(), 3u);
    const std::string& version = dialog.items[2].text;
    EXPECT_NE(version.find("1.0.8.1"), std::string::npos) << version;
    EXPECT_EQ(version.find_first_of("\r\n"), std::string::npos) << version;
}

TEST_F(WindowResources, MenuIsAsDesigned)
{
    ASSERT_NE(Program(), nullptr);
    const std::vector<std::string> expected = {
        "Kestrava||P",
        "  About Kestrava|57664|",
        "  |0|S",
        "  Preferences|32774|G",
        "  |0|S",
        "  Quit Kestrava|57665|",
    };
    EXPECT_EQ(LoadMenuOutline(Program(), 129), expected);
}

TEST_F(WindowResources, IconHoldsItsThreeImagesInOrder)
{
    ASSERT_NE(Program(), nullptr);
    const std::vector<IconEntry> group = IconGroup(Program(), 128);
    ASSERT_EQ(group.size(), 3u);
    // 32 x 32 with 16 colours, 16 x 16 with 16 colours, 32 x 32 with 256 colours.
    const int want[3][3] = {{32, 16, 4}, {16, 16, 4}, {32, 0, 8}};
    for (size_t i = 0; i < group.size(); ++i) {
        SCOPED_TRACE("image " + std::to_string(i));
        const IconEntry& entry = group[i];
        EXPECT_EQ(entry.width, want[i][0]);
        EXPECT_EQ(entry.height, want[i][0]);
        EXPECT_EQ(entry.colours, want[i][1]);
        EXPECT_EQ(entry.bits, want[i][2]);

        // Each image is a DIB of twice the height (colour bits, then the AND mask) with
        // a full palette, exactly as long as the group says.
        ResourceData image = wintest::FindResourceData(Program(), entry.id, kIcon);
        BITMAPINFOHEADER header{};
        ASSERT_TRUE(ReadInfoHeader(image, header));
        EXPECT_EQ(header.biWidth, entry.width);
        EXPECT_EQ(header.biHeight, 2 * entry.height);
        EXPECT_EQ(header.biBitCount, entry.bits);
        EXPECT_EQ(header.biCompression, static_cast<DWORD>(BI_RGB));
        const size_t palette = size_t(4) << entry.bits;
        const size_t colourRow = ((size_t(entry.width) * entry.bits + 31) / 32) * 4;
        const size_t maskRow = ((size_t(entry.width) + 31) / 32) * 4;
        EXPECT_EQ(image.size, header.biSize + palette + (colourRow + maskRow) * size_t(entry.height));
        EXPECT_EQ(image.size, entry.bytes);

        HICON icon = CreateIconFromResourceEx(const_cast<BYTE*>(image.data), static_cast<DWORD>(image.size), TRUE,
                                              0x00030000, 0, 0, LR_DEFAULTCOLOR);
        EXPECT_NE(icon, nullptr);
        if (icon)
            DestroyIcon(icon);
    }

    // The system picks the small image for small icons and, on a true-colour screen,
    // the 256-colour image for large ones.
    ResourceData raw = wintest::FindResourceData(Program(), 128, kIconGroup);
    ASSERT_TRUE(raw);
    auto* directory = const_cast<BYTE*>(raw.data);
    EXPECT_EQ(LookupIconIdFromDirectoryEx(directory, TRUE, 16, 16, LR_DEFAULTCOLOR), group[1].id);
    EXPECT_EQ(LookupIconIdFromDirectoryEx(directory, TRUE, 32, 32, LR_DEFAULTCOLOR), group[2].id);
}

TEST_F(WindowResources, AboutBitmapIsTrueColourAtThePictureSize)
{
    ASSERT_NE(Program(), nullptr);
    ResourceData bitmap = wintest::FindResourceData(Program(), 131, kBitmap);
    BITMAPINFOHEADER header{};
    ASSERT_TRUE(ReadInfoHeader(bitmap, header));
    EXPECT_EQ(header.biWidth, 500);
    EXPECT_EQ(header.biHeight, 150);   // bottom-up
    EXPECT_EQ(header.biPlanes, 1);
    EXPECT_EQ(header.biBitCount, 24);
    EXPECT_EQ(header.biCompression, static_cast<DWORD>(BI_RGB));
    EXPECT_EQ(header.biClrUsed, 0u);
    EXPECT_GE(bitmap.size, header.biSize + size_t(500 * 3) * 150);
}

TEST_F(WindowResources, ManifestAsksForCommonControls6)
{
    ASSERT_NE(Program(), nullptr);
    ResourceData manifest = wintest::FindResourceData(Program(), 1, reinterpret_cast<LPCSTR>(RT_MANIFEST));
    ASSERT_TRUE(manifest);
    const std::string text(reinterpret_cast<const char*>(manifest.data), manifest.size);
    EXPECT_NE(text.find(R"(name="Microsoft.Windows.Common-Controls")"), std::string::npos);
    EXPECT_NE(text.find(R"(version="6.0.0.0")"), std::string::npos);
    EXPECT_NE(text.find(R"(publicKeyToken="6595b64144ccf1df")"), std::string::npos);
    EXPECT_NE(text.find("<dpiAware"), std::string::npos);

    // The test program carries the same manifest. The loader took it if the common
    // controls it gives are the side-by-side version 6 (Wine's report 5.81 from
    // DllGetVersion in either version, so the folder tells).
    ModuleOwner controls(LoadLibraryA("comctl32.dll"));
    ASSERT_TRUE(controls);
    char path[MAX_PATH] = {};
    ASSERT_GT(GetModuleFileNameA(controls.Get(), path, static_cast<DWORD>(std::size(path))), 0u);
    std::string folder = path;
    for (char& c : folder)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_NE(folder.find("microsoft.windows.common-controls_6595b64144ccf1df_6.0."), std::string::npos) << path;
}

// ---- The translated resource libraries ----

struct Translation {
    const char* language;
    const char* library;   // a Unix path of the build
};

void PrintTo(const Translation& translation, std::ostream* out) { *out << translation.language; }

class ResourceLibrary : public WindowResources, public testing::WithParamInterface<Translation> {
protected:
    ResourceLibrary() : m_library(LoadAsDataFile(wintest::WinePath(GetParam().library))) {}
    HMODULE Library() const { return m_library.Get(); }

    ModuleOwner m_library;
};

INSTANTIATE_TEST_SUITE_P(Languages, ResourceLibrary,
                         testing::Values(Translation{"de", KESTRAVA_RES_DLL}, Translation{"fr", KESTRAVA_RES_FR_DLL},
                                         Translation{"es", KESTRAVA_RES_ES_DLL}),
                         [](const testing::TestParamInfo<Translation>& tested) { return tested.param.language; });

TEST_P(ResourceLibrary, CarriesEveryTemplateWithTheProgramsLayout)
{
    ASSERT_NE(Program(), nullptr);
    ASSERT_NE(Library(), nullptr) << GetParam().library;
    for (int id : {102, 130, 161}) {
        SCOPED_TRACE("template " + std::to_string(id));
        DialogTemplate own, translated;
        ASSERT_TRUE(wintest::ReadDialogTemplate(Program(), id, own));
        ASSERT_TRUE(wintest::ReadDialogTemplate(Library(), id, translated));
        EXPECT_EQ(translated.extended, own.extended);
        EXPECT_EQ(translated.style, own.style);
        EXPECT_EQ(translated.exStyle, own.exStyle);
        EXPECT_EQ(translated.x, own.x);
        EXPECT_EQ(translated.y, own.y);
        EXPECT_EQ(translated.cx, own.cx);
        EXPECT_EQ(translated.cy, own.cy);
        EXPECT_EQ(translated.menu, own.menu);
        EXPECT_EQ(translated.pointSize, own.pointSize);
        EXPECT_EQ(translated.font, own.font);
        // Same controls; texts are translated, but references to bitmaps are not.
        std::vector<DialogItem> expected = own.items;
        for (DialogItem& item : expected)
            if (item.text.empty() || item.text[0] != '#')
                item.text.clear();
        ExpectItemsEqual(translated.items, expected);
    }
}

TEST_P(ResourceLibrary, CarriesTheMenuIconBitmapAndVersion)
{
    ASSERT_NE(Program(), nullptr);
    ASSERT_NE(Library(), nullptr);

    // The same items, ids and states; only the texts differ.
    auto shape = [](std::vector<std::string> outline) {
        for (std::string& line : outline)
            line = line.substr(0, line.find_first_not_of(' ')) + line.substr(line.find('|'));
        return outline;
    };
    const std::vector<std::string> own = LoadMenuOutline(Program(), 129);
    const std::vector<std::string> translated = LoadMenuOutline(Library(), 129);
    ASSERT_FALSE(translated.empty());
    EXPECT_EQ(shape(translated), shape(own));
    EXPECT_NE(translated, own);

    const std::vector<IconEntry> ownIcon = IconGroup(Program(), 128);
    const std::vector<IconEntry> icon = IconGroup(Library(), 128);
    ASSERT_EQ(icon.size(), ownIcon.size());
    for (size_t i = 0; i < icon.size(); ++i) {
        SCOPED_TRACE("image " + std::to_string(i));
        EXPECT_EQ(icon[i].width, ownIcon[i].width);
        EXPECT_EQ(icon[i].height, ownIcon[i].height);
        EXPECT_EQ(icon[i].colours, ownIcon[i].colours);
        EXPECT_EQ(icon[i].bits, ownIcon[i].bits);
        EXPECT_TRUE(wintest::FindResourceData(Library(), icon[i].id, kIcon));
    }

    BITMAPINFOHEADER bitmap{};
    ASSERT_TRUE(ReadInfoHeader(wintest::FindResourceData(Library(), 131, kBitmap), bitmap));
    EXPECT_EQ(bitmap.biWidth, 500);
    EXPECT_EQ(bitmap.biHeight, 150);
    EXPECT_EQ(bitmap.biBitCount, 24);
    EXPECT_EQ(bitmap.biCompression, static_cast<DWORD>(BI_RGB));

    wintest::ExpectFixedVersion1081(
        wintest::FindResourceData(Library(), 1, reinterpret_cast<LPCSTR>(RT_VERSION)));
}

TEST_P(ResourceLibrary, TranslatesEveryStringKeepingItsArguments)
{
    ASSERT_NE(Library(), nullptr);
    std::map<uint32_t, std::string> table = wintest::ReadStringTable(Library());
    // Every entry of the script, which this test program carries compiled as the program does.
    const std::map<uint32_t, std::string> script = wintest::ReadStringTable(GetModuleHandleA(nullptr));
    EXPECT_EQ(IdsOf(table), IdsOf(script));

    for (const auto& [id, english] : script) {
        SCOPED_TRACE(id);
        const std::string& text = table[id];
        EXPECT_EQ(Conversions(text), Conversions(english)) << text;
        // Entry 392 is a folder of the info page's address, the same in every language.
        if (id == 392) {
            EXPECT_EQ(text, english);
        } else {
            EXPECT_NE(text, english);
        }
        // The program reads the table through the ANSI functions.
        EXPECT_LT(text.size(), 2048u);
    }
}

// The layout is the program's, so each translated text of the monitor window must fit
// the control the English one was laid out for, on one line: a static control would
// wrap it out of sight, a button cut it. A radio button's text starts after its circle.
TEST_P(ResourceLibrary, MonitorWindowTextsFitTheirControls)
{
    ASSERT_NE(Library(), nullptr);
    const DLGPROC quiet = [](HWND, UINT message, WPARAM, LPARAM) -> INT_PTR { return message == WM_INITDIALOG; };
    wintest::WindowOwner window(CreateDialogParamA(Library(), MAKEINTRESOURCEA(102), nullptr, quiet, 0));
    ASSERT_TRUE(window);
    int checked = 0;
    for (HWND control = GetWindow(window.Get(), GW_CHILD); control; control = GetWindow(control, GW_HWNDNEXT)) {
        wchar_t buffer[256] = {};
        const std::wstring text(buffer, static_cast<size_t>(std::max(
                                            0, GetWindowTextW(control, buffer, static_cast<int>(std::size(buffer))))));
        if (text.empty())
            continue;
        SCOPED_TRACE(wintest::WindowText(control));
        const LONG_PTR kind = GetWindowLongPtrA(control, GWL_STYLE) & 0x0F;
        const bool radio = wintest::ClassName(control) == "Button" && kind == BS_AUTORADIOBUTTON;
        const bool group = wintest::ClassName(control) == "Button" && kind == BS_GROUPBOX;
        RECT client{};
        GetClientRect(control, &client);
        SIZE extent{};
        HDC dc = GetDC(control);
        ASSERT_NE(dc, nullptr);
        HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0)));
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
        SelectObject(dc, old);
        ReleaseDC(control, dc);
        // A radio button's circle and the gap after it; a group box's caption sits inset
        // by a character on either side.
        const LONG taken = radio ? GetSystemMetrics(SM_CXMENUCHECK) + 4 : group ? 2 * extent.cy : 0;
        EXPECT_LE(extent.cx, client.right - taken) << "the control is " << client.right << " pixels wide";
        ++checked;
    }
    EXPECT_EQ(checked, 6) << "the radio buttons, the group, the two legends and Refresh";
}

TEST_P(ResourceLibrary, HoldsNoCode)
{
    ASSERT_NE(Library(), nullptr);
    const IMAGE_NT_HEADERS64* nt = NtHeaders(Library());
    ASSERT_NE(nt, nullptr);
    EXPECT_TRUE(nt->FileHeader.Characteristics & IMAGE_FILE_DLL);
    EXPECT_EQ(nt->OptionalHeader.AddressOfEntryPoint, 0u);
    EXPECT_EQ(nt->OptionalHeader.SizeOfCode, 0u);
    EXPECT_EQ(nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].Size, 0u);
    EXPECT_EQ(nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_TLS].Size, 0u);
    EXPECT_EQ(nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT].Size, 0u);
    const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
    for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section) {
        const std::string name(reinterpret_cast<const char*>(section->Name),
                               strnlen(reinterpret_cast<const char*>(section->Name), sizeof(section->Name)));
        SCOPED_TRACE(name);
        EXPECT_FALSE(section->Characteristics & (IMAGE_SCN_CNT_CODE | IMAGE_SCN_MEM_EXECUTE));
    }
}

// ---- Loading it ----

// Makes folder the current folder for the life of the object. The current folder is
// part of the ordinary library search on Windows and Wine alike; a folder added with
// SetDllDirectory is not searched by Wine for data-file loads.
class CurrentFolder {
public:
    explicit CurrentFolder(const std::string& folder)
    {
        char old[MAX_PATH] = {};
        DWORD length = GetCurrentDirectoryA(static_cast<DWORD>(std::size(old)), old);
        if (length == 0 || length >= std::size(old))
            return;
        m_old = old;
        m_ok = SetCurrentDirectoryA(folder.c_str()) != FALSE;
    }
    ~CurrentFolder()
    {
        if (m_ok)
            SetCurrentDirectoryA(m_old.c_str());
    }
    CurrentFolder(const CurrentFolder&) = delete;
    CurrentFolder& operator=(const CurrentFolder&) = delete;
    bool Ok() const { return m_ok; }

private:
    std::string m_old;
    bool m_ok = false;
};

// A new empty folder under the temporary folder; it must be empty again at the end.
class TempFolder {
public:
    TempFolder()
    {
        char base[MAX_PATH] = {};
        DWORD length = GetTempPathA(static_cast<DWORD>(std::size(base)), base);
        if (length == 0 || length >= std::size(base))
            return;
        std::string path = std::string(base) + "kestrava-res-" + std::to_string(GetCurrentProcessId()) + "-" +
                           std::to_string(GetTickCount64());
        if (CreateDirectoryA(path.c_str(), nullptr))
            m_path = path;
    }
    ~TempFolder()
    {
        if (!m_path.empty())
            RemoveDirectoryA(m_path.c_str());
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

TEST(LoadResourceLibrary, RefusesNoName)
{
    SetLastError(0xfaceabee);
    EXPECT_EQ(LoadResourceLibrary(nullptr), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    SetLastError(0xfaceabee);
    EXPECT_EQ(LoadResourceLibrary(""), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(LoadResourceLibrary, AbsentLibraryGivesNull)
{
    ASSERT_FALSE(FileExists(FolderOf(wintest::OwnExe()) + "\\Res.dll"));
    TempFolder empty;
    ASSERT_FALSE(empty.Path().empty());
    CurrentFolder search(empty.Path());
    ASSERT_TRUE(search.Ok());

    // The loader's own code stays: ERROR_MOD_NOT_FOUND on Windows, ERROR_FILE_NOT_FOUND
    // under Wine.
    SetLastError(0xfaceabee);
    EXPECT_EQ(LoadResourceLibrary("Res.dll"), nullptr);
    EXPECT_NE(GetLastError(), 0u);
    EXPECT_NE(GetLastError(), 0xfaceabeeu);
}

// What the About box shows, read inside its WM_INITDIALOG, which ends it unseen.
struct AboutView {
    bool opened = false;
    SIZE picture{};
    std::wstring caption;
    int captionWidth = 0;   // pixels the caption text needs on one line
    int controlWidth = 0;
};

INT_PTR CALLBACK ReadAbout(HWND dialog, UINT message, WPARAM, LPARAM lParam)
{
    if (message != WM_INITDIALOG)
        return FALSE;
    auto* view = reinterpret_cast<AboutView*>(lParam);
    view->opened = true;
    HWND ok = GetWindow(dialog, GW_CHILD);
    HWND picture = ok ? GetWindow(ok, GW_HWNDNEXT) : nullptr;
    HWND version = picture ? GetWindow(picture, GW_HWNDNEXT) : nullptr;
    if (picture) {
        auto bitmap = reinterpret_cast<HBITMAP>(SendMessageA(picture, STM_GETIMAGE, IMAGE_BITMAP, 0));
        BITMAP info{};
        if (bitmap && GetObjectA(bitmap, sizeof(info), &info))
            view->picture = {info.bmWidth, info.bmHeight};
    }
    if (version) {
        wchar_t text[256] = {};
        int length = GetWindowTextW(version, text, static_cast<int>(std::size(text)));
        view->caption.assign(text, length > 0 ? static_cast<size_t>(length) : 0);
        RECT client{};
        GetClientRect(version, &client);
        view->controlWidth = client.right;
        if (HDC dc = GetDC(version)) {
            HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(version, WM_GETFONT, 0, 0)));
            SIZE extent{};
            if (GetTextExtentPoint32W(dc, view->caption.c_str(), static_cast<int>(view->caption.size()), &extent))
                view->captionWidth = extent.cx;
            SelectObject(dc, old);
            ReleaseDC(version, dc);
        }
    }
    EndDialog(dialog, IDOK);
    return TRUE;
}

INT_PTR CALLBACK Quiet(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

// Everything the windows take from a resource module, taken the way they take it.
void ExpectServesEveryResourceType(HMODULE module)
{
    char text[256] = {};
    EXPECT_GT(LoadStringA(module, 217, text, static_cast<int>(std::size(text))), 0);
    const wchar_t* wide = nullptr;
    EXPECT_GT(LoadStringW(module, 505, reinterpret_cast<LPWSTR>(&wide), 0), 0);

    HMENU menu = LoadMenuA(module, MAKEINTRESOURCEA(129));
    EXPECT_NE(menu, nullptr);
    if (menu)
        DestroyMenu(menu);

    // Icons: shared, so not destroyed.
    EXPECT_NE(LoadIconA(module, MAKEINTRESOURCEA(128)), nullptr);
    for (int size : {16, 32}) {
        SCOPED_TRACE(size);
        auto icon = static_cast<HICON>(LoadImageA(module, MAKEINTRESOURCEA(128), IMAGE_ICON, size, size, 0));
        ASSERT_NE(icon, nullptr);
        ICONINFO info{};
        ASSERT_TRUE(GetIconInfo(icon, &info));
        BITMAP colour{};
        GetObjectA(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof(colour), &colour);
        EXPECT_EQ(colour.bmWidth, size);
        if (info.hbmColor)
            DeleteObject(info.hbmColor);
        if (info.hbmMask)
            DeleteObject(info.hbmMask);
        DestroyIcon(icon);
    }

    HBITMAP bitmap = LoadBitmapA(module, MAKEINTRESOURCEA(131));
    EXPECT_NE(bitmap, nullptr);
    if (bitmap)
        DeleteObject(bitmap);
    auto section = static_cast<HBITMAP>(LoadImageA(module, MAKEINTRESOURCEA(131), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    ASSERT_NE(section, nullptr);
    DIBSECTION dib{};
    EXPECT_EQ(GetObjectA(section, sizeof(dib), &dib), static_cast<int>(sizeof(dib)));
    EXPECT_EQ(dib.dsBm.bmWidth, 500);
    EXPECT_EQ(dib.dsBm.bmHeight, 150);
    EXPECT_EQ(dib.dsBm.bmBitsPixel, 24);
    DeleteObject(section);

    // The monitor window: the dialog manager loads the template's menu from the same
    // module.
    wintest::WindowOwner monitor(CreateDialogParamA(module, MAKEINTRESOURCEA(102), nullptr, Quiet, 0));
    ASSERT_TRUE(monitor);
    EXPECT_FALSE(IsWindowVisible(monitor.Get()));
    EXPECT_EQ(wintest::ClassName(GetDlgItem(monitor.Get(), 1000)), "ListBox");
    HMENU attached = GetMenu(monitor.Get());
    ASSERT_NE(attached, nullptr);
    EXPECT_EQ(MenuOutline(attached), LoadMenuOutline(module, 129));

    // The About box, modal, with its picture from the module at the bitmap's size and
    // its version on one line.
    AboutView about;
    EXPECT_EQ(DialogBoxParamA(module, MAKEINTRESOURCEA(130), nullptr, ReadAbout, reinterpret_cast<LPARAM>(&about)),
              IDOK);
    ASSERT_TRUE(about.opened);
    EXPECT_EQ(about.picture.cx, 500);
    EXPECT_EQ(about.picture.cy, 150);
    EXPECT_NE(about.caption.find(L"1.0.8.1"), std::wstring::npos);
    EXPECT_GT(about.captionWidth, 0);
    EXPECT_LE(about.captionWidth, about.controlWidth);
}

TEST(LoadResourceLibrary, ProgramServesEveryResourceType)
{
    ModuleOwner program(LoadAsDataFile(wintest::ProgramExe()));
    ASSERT_TRUE(program);
    ExpectServesEveryResourceType(program.Get());
}

TEST(LoadResourceLibrary, FindsTheLibraryByBareNameAndServesEveryResourceType)
{
    ASSERT_FALSE(FileExists(FolderOf(wintest::OwnExe()) + "\\Res.dll"));
    CurrentFolder search(FolderOf(ResourceLibraryPath()));
    ASSERT_TRUE(search.Ok());

    ModuleOwner library(LoadResourceLibrary("Res.dll"));
    ASSERT_TRUE(library) << GetLastError();
    // A data file is not among the process's loaded modules.
    EXPECT_EQ(GetModuleHandleA("Res.dll"), nullptr);

    ExpectServesEveryResourceType(library.Get());
    char text[256] = {};
    ASSERT_GT(LoadStringA(library.Get(), 217, text, static_cast<int>(std::size(text))), 0);
    EXPECT_STRNE(text, "Please select another profile.");
}

// The file the planted library's entry point creates, named to it through the
// environment; gone again, with the name, at the end.
class PlantedMarker {
public:
    explicit PlantedMarker(std::string path) : m_path(std::move(path))
    {
        SetEnvironmentVariableA("KESTRAVA_PLANTED_MARKER", m_path.c_str());
    }
    ~PlantedMarker()
    {
        SetEnvironmentVariableA("KESTRAVA_PLANTED_MARKER", nullptr);
        DeleteFileA(m_path.c_str());
    }
    PlantedMarker(const PlantedMarker&) = delete;
    PlantedMarker& operator=(const PlantedMarker&) = delete;
    bool Exists() const { return FileExists(m_path); }

private:
    std::string m_path;
};

TEST(LoadResourceLibrary, PlantedLibraryWithCodeRunsNothing)
{
    TempFolder scratch;
    ASSERT_FALSE(scratch.Path().empty());
    PlantedMarker marker(scratch.Path() + "\\entry-point-ran");
    ASSERT_FALSE(FileExists(FolderOf(wintest::OwnExe()) + "\\Res.dll"));

    {
        CurrentFolder search(FolderOf(PlantedLibraryPath()));
        ASSERT_TRUE(search.Ok());
        ModuleOwner library(LoadResourceLibrary("Res.dll"));
        ASSERT_TRUE(library) << GetLastError();
        // It is the planted one: a module with an entry point.
        const IMAGE_NT_HEADERS64* nt = NtHeaders(library.Get());
        ASSERT_NE(nt, nullptr);
        EXPECT_NE(nt->OptionalHeader.AddressOfEntryPoint, 0u);
        EXPECT_EQ(GetModuleHandleA("Res.dll"), nullptr);
        EXPECT_FALSE(marker.Exists());
    }
    EXPECT_FALSE(marker.Exists());

    // The marker does work: loaded as code, the same file runs its entry point.
    {
        ModuleOwner code(LoadLibraryA(PlantedLibraryPath().c_str()));
        ASSERT_TRUE(code);
        EXPECT_TRUE(marker.Exists());
    }
}

}  // namespace
