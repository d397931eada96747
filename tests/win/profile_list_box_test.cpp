// The profile list box in a real list box: rows, paths and flags through the control,
// and each row's drawing read back from the window and compared, pixel for pixel, with
// the same text drawn independently in the style the row's flags call for.
#include "fw/dialog.h"
#include "fw/gdi.h"
#include "fw/list_box.h"
#include "platform/win32/win32_platform.h"
#include "res/resource.h"
#include "support/hover.h"
#include "support/list_host_window.h"
#include "support/row_image.h"
#include "support/test_profiles.h"
#include "support/win_test_util.h"
#include "ui/profile_list_box.h"

#include <windows.h>

#include <icm.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <iterator>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

using wintest::Canvas;
using wintest::DrawRow;
using wintest::Image;
using wintest::Look;
using wintest::SameImage;

constexpr int kListId = 1000;
// The monitor window's list: sorted, notifying, owner-drawn with a fixed row height,
// keeping its strings, without integral height, with a border and a scroll bar.
constexpr DWORD kListStyle = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | WS_GROUP | WS_TABSTOP |
                             LBS_SORT | LBS_NOTIFY | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS |
                             LBS_NOINTEGRALHEIGHT;
static_assert(kListStyle == 0x50A30153);

// A list that shows how much its model holds.
class ProbeListBox : public ProfileListBox {
public:
    size_t StoredEntries() const
    {
        const ProfileList::Stored stored = Profiles().Contents();
        return stored.paths.size() + stored.vcgtFlags.size() + stored.creatorFlags.size();
    }
};

// Asks the list's parent to draw a row, as the control does.
LRESULT SendDrawItem(HWND parent, HWND list, HDC dc, UINT itemId, UINT state, ULONG_PTR data, const RECT& rc)
{
    DRAWITEMSTRUCT item{};
    item.CtlType = ODT_LISTBOX;
    item.CtlID = kListId;
    item.itemID = itemId;
    item.itemAction = ODA_DRAWENTIRE;
    item.itemState = state;
    item.hwndItem = list;
    item.hDC = dc;
    item.rcItem = rc;
    item.itemData = data;
    return SendMessageA(parent, WM_DRAWITEM, kListId, reinterpret_cast<LPARAM>(&item));
}


// A pop-up window holding one list box like the monitor window's, in a TrueType font,
// with a ProbeListBox bound to it. The window goes first, so every test also ends a
// bound list by destroying its window.
class ListHost {
public:
    ListHost() : m_host(kListStyle, kListId)
    {
        m_bBound = list.SubclassWindow(m_host.List());
        wintest::PumpMessages();
    }

    bool Ready() const { return m_host.Font() && m_host.Window() && m_host.List() && m_bBound; }
    HWND Window() const { return m_host.Window(); }
    HWND List() const { return m_host.List(); }
    HFONT Font() const { return m_host.Font(); }

    int Add(const std::string& path, uint16_t vcgt, uint16_t creator)
    {
        const int row = list.Profiles().AddProfile(path);
        list.Profiles().SetVcgtFlag(row, vcgt);
        list.Profiles().SetCreatorFlag(row, creator);
        return row;
    }

    int RowOf(const std::string& path) const
    {
        for (int row = 0; row < list.GetCount(); ++row) {
            if (list.GetFullPath(row) == path)
                return row;
        }
        return -1;
    }

    RECT RowRect(int row) const
    {
        RECT rc{};
        SendMessageA(List(), LB_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&rc));
        return rc;
    }

    // Repaints the whole list as the control does and reads the row off the window.
    Image Capture(int row) const
    {
        wintest::PumpMessages();
        RedrawWindow(List(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        const RECT rc = RowRect(row);
        Canvas canvas(rc.right - rc.left, rc.bottom - rc.top);
        fw::ClientDC screen(List());
        BitBlt(canvas.Dc(), 0, 0, rc.right - rc.left, rc.bottom - rc.top, screen.Get(), rc.left, rc.top,
               SRCCOPY);
        return canvas.Read();
    }

    Image Expected(int row, const Look& look) const
    {
        const RECT rc = RowRect(row);
        return DrawRow(Font(), rc.right - rc.left, rc.bottom - rc.top, look);
    }

    ProbeListBox list;

private:
    wintest::ListHostWindow m_host;   // after the list, so destroyed before it
    bool m_bBound = false;
};

std::string BulkPath(int number)
{
    char path[32];
    std::snprintf(path, std::size(path), "C:\\bulk\\p%05d.icm", number);
    return path;
}

TEST(ProfileListBoxRows, SortedRowsKeepTheirOwnPathsAndFlags)
{
    ListHost host;
    ASSERT_TRUE(host.Ready());
    const std::string paths[] = {"C:\\p\\delta.icm",   "C:\\x\\same.icm", "C:\\p\\Alpha.icc",
                                 "C:\\q\\charlie.icm", "C:\\x\\same.icc", "C:\\p\\Bravo.icm"};
    for (const std::string& path : paths) {
        const int row = host.list.Profiles().AddProfile(path);
        ASSERT_GE(row, 0) << path;
        EXPECT_EQ(host.list.GetFullPath(row), path) << "the row AddProfile named";
    }

    ASSERT_EQ(host.list.GetCount(), 6);
    const char* const sorted[] = {"Alpha", "Bravo", "charlie", "delta", "same", "same"};
    for (int row = 0; row < 6; ++row) {
        std::string text;
        ASSERT_TRUE(host.list.GetText(row, text));
        EXPECT_EQ(text, sorted[row]) << "row " << row;
    }
    EXPECT_EQ(host.list.GetFullPath(0), "C:\\p\\Alpha.icc");
    EXPECT_EQ(host.list.GetFullPath(2), "C:\\q\\charlie.icm");
    EXPECT_EQ(host.list.GetFullPath(3), "C:\\p\\delta.icm");
    EXPECT_EQ((std::set<std::string>{host.list.GetFullPath(4), host.list.GetFullPath(5)}),
              (std::set<std::string>{"C:\\x\\same.icm", "C:\\x\\same.icc"}));

    // Two identical rows, each drawn by its own profile's flags.
    const int icm = host.RowOf("C:\\x\\same.icm");
    const int icc = host.RowOf("C:\\x\\same.icc");
    host.list.Profiles().SetVcgtFlag(icm, 1);
    host.list.Profiles().SetCreatorFlag(icm, 1);
    host.list.Profiles().SetVcgtFlag(icc, 0);
    host.list.Profiles().SetCreatorFlag(icc, 0);
    EXPECT_TRUE(SameImage(host.Capture(icm), host.Expected(icm, {"same", true, false})));
    EXPECT_TRUE(SameImage(host.Capture(icc), host.Expected(icc, {"same", false, true})));
}

TEST(ProfileListBoxRows, ResetEmptiesRowsAndArraysAndStartsAgainAtIndexZero)
{
    ListHost host;
    ASSERT_TRUE(host.Ready());
    host.Add("C:\\p\\old.icm", 1, 0);
    host.Add("C:\\p\\older.icm", 1, 1);

    host.list.Profiles().ResetProfiles();
    EXPECT_EQ(host.list.GetCount(), 0);
    EXPECT_EQ(host.list.StoredEntries(), 0u);

    ASSERT_EQ(host.list.Profiles().AddProfile("C:\\p\\new.icm"), 0);
    EXPECT_EQ(SendMessageA(host.List(), LB_GETITEMDATA, 0, 0), 0);
    EXPECT_EQ(host.list.GetFullPath(0), "C:\\p\\new.icm");
    // Stored index 0 had both flags before the reset; the new profile has none.
    EXPECT_TRUE(SameImage(host.Capture(0), host.Expected(0, {"new"})));
}

TEST(ProfileListBoxRows, FillsFiveThousandRowsWithRedrawOff)
{
    ListHost host;
    ASSERT_TRUE(host.Ready());
    constexpr int kRows = 5000;
    SendMessageA(host.List(), WM_SETREDRAW, FALSE, 0);
    for (int i = 0; i < kRows; ++i) {
        // 7919 is prime to 5000: every number once, out of order.
        ASSERT_GE(host.list.Profiles().AddProfile(BulkPath(i * 7919 % kRows)), 0);
    }
    SendMessageA(host.List(), WM_SETREDRAW, TRUE, 0);
    InvalidateRect(host.List(), nullptr, TRUE);
    UpdateWindow(host.List());

    ASSERT_EQ(host.list.GetCount(), kRows);
    for (int row = 0; row < kRows; row += 499)
        EXPECT_EQ(host.list.GetFullPath(row), BulkPath(row));
    EXPECT_EQ(host.list.GetFullPath(kRows - 1), BulkPath(kRows - 1));

    const int last = kRows - 1;
    host.list.Profiles().SetVcgtFlag(last, 1);
    host.list.Profiles().SetCreatorFlag(last, 1);
    ASSERT_EQ(host.list.SetCurSel(last), last);
    EXPECT_TRUE(SameImage(host.Capture(last), host.Expected(last, {"p04999", true, false, true})));
}

TEST(ProfileListBoxDraw, FlagCombinationsGiveFourStyles)
{
    ListHost host;
    ASSERT_TRUE(host.Ready());
    struct Case {
        std::string path;
        uint16_t vcgt;
        uint16_t creator;
        bool bold;
        bool italic;
    };
    const Case cases[] = {
        {"C:\\a\\Sample.icm", 1, 1, true, false},
        {"C:\\b\\Sample.icm", 1, 0, true, true},
        {"C:\\c\\Sample.icm", 0, 1, false, false},
        {"C:\\d\\Sample.icm", 0, 0, false, true},
    };
    for (const Case& c : cases)
        host.Add(c.path, c.vcgt, c.creator);

    // The four rows read the same, in no promised order: each row's path tells its case.
    std::vector<Image> drawn;
    for (const Case& c : cases) {
        const int row = host.RowOf(c.path);
        ASSERT_GE(row, 0) << c.path;
        drawn.push_back(host.Capture(row));
        EXPECT_TRUE(SameImage(drawn.back(), host.Expected(row, {"Sample", c.bold, c.italic}))) << c.path;
    }
    for (size_t i = 0; i < drawn.size(); ++i) {
        for (size_t j = i + 1; j < drawn.size(); ++j)
            EXPECT_FALSE(SameImage(drawn[i], drawn[j])) << cases[i].path << " and " << cases[j].path;
    }
}

TEST(ProfileListBoxDraw, NeverSetFlagsFollowTheArrayBounds)
{
    ListHost host;
    ASSERT_TRUE(host.Ready());
    host.list.Profiles().AddProfile("C:\\p\\first.icm");  // stored index 0, no flags set
    host.Add("C:\\p\\second.icm", 1, 1);       // index 1: both arrays grow over index 0
    host.list.Profiles().AddProfile("C:\\p\\third.icm");  // index 2, beyond both arrays

    EXPECT_TRUE(SameImage(host.Capture(0), host.Expected(0, {"first", false, true})));
    EXPECT_TRUE(SameImage(host.Capture(1), host.Expected(1, {"second", true, false})));
    EXPECT_TRUE(SameImage(host.Capture(2), host.Expected(2, {"third", false, false})));
}

// Some of the system's colours changed, as a high-contrast theme changes them, and put
// back as they were.
class SystemColors {
public:
    explicit SystemColors(const std::vector<std::pair<int, COLORREF>>& colors)
    {
        for (const auto& [element, color] : colors) {
            m_elements.push_back(element);
            m_before.push_back(GetSysColor(element));
            m_after.push_back(color);
        }
        Set(m_after);
    }
    ~SystemColors() { Set(m_before); }
    SystemColors(const SystemColors&) = delete;
    SystemColors& operator=(const SystemColors&) = delete;

private:
    void Set(const std::vector<COLORREF>& colors)
    {
        if (!m_elements.empty())
            SetSysColors(static_cast<int>(m_elements.size()), m_elements.data(), colors.data());
    }
    std::vector<INT> m_elements;
    std::vector<COLORREF> m_before, m_after;
};

TEST(ProfileListBoxDraw, SelectedRowIsHighlightedAndFocusedRowFramedInTheSystemsColours)
{
    const std::vector<std::pair<int, COLORREF>> highContrast = {{COLOR_WINDOW, RGB(0, 0, 0)},
                                                                 {COLOR_WINDOWTEXT, RGB(255, 255, 255)},
                                                                 {COLOR_HIGHLIGHT, RGB(0, 255, 255)},
                                                                 {COLOR_HIGHLIGHTTEXT, RGB(0, 0, 0)}};
    for (const bool contrast : {false, true}) {
        SCOPED_TRACE(contrast ? "high contrast" : "the colours as they are");
        SystemColors theme(contrast ? highContrast : std::vector<std::pair<int, COLORREF>>{});
        if (contrast) {
            ASSERT_EQ(GetSysColor(COLOR_HIGHLIGHT), RGB(0, 255, 255)) << "the theme did not apply";
        }
        ListHost host;
        ASSERT_TRUE(host.Ready());
        host.Add("C:\\p\\Apple.icm", 1, 1);
        host.Add("C:\\p\\Berry.icm", 0, 1);
        host.Add("C:\\p\\Cherry.icm", 0, 1);
        ASSERT_EQ(host.list.SetCurSel(1), 1);

        SetFocus(host.Window());
        const Image selected = host.Capture(1);
        EXPECT_TRUE(SameImage(selected, host.Expected(1, {"Berry", false, false, true, false})));
        EXPECT_TRUE(SameImage(host.Capture(0), host.Expected(0, {"Apple", true, false})));

        SetFocus(host.List());
        ASSERT_EQ(GetFocus(), host.List());
        const Image focused = host.Capture(1);
        EXPECT_TRUE(SameImage(focused, host.Expected(1, {"Berry", false, false, true, true})));
        EXPECT_FALSE(SameImage(focused, selected));

        // Without a selection the focus stays on the row, framed but not highlighted.
        host.list.SetCurSel(-1);
        EXPECT_TRUE(SameImage(host.Capture(1), host.Expected(1, {"Berry", false, false, false, true})));
    }
}

TEST(ProfileListBoxDraw, AmpersandIsShownAsItIs)
{
    ListHost host;
    ASSERT_TRUE(host.Ready());
    host.Add("C:\\p\\R&D Proof.icm", 0, 1);

    // A file name is no label: the "&" is drawn, and the "D" is not underlined.
    const Image drawn = host.Capture(0);
    Look literal{"R&D Proof"};
    literal.format |= DT_NOPREFIX;
    EXPECT_TRUE(SameImage(drawn, host.Expected(0, literal)));
    EXPECT_FALSE(SameImage(drawn, host.Expected(0, {"R&D Proof"})));
}

// Requests sent by hand into a memory device context: row -1, which Wine's control
// never asks for, and rows drawn into a context whose state can be read afterwards.
TEST(ProfileListBoxDraw, EmptyListWithFocusAndTheDeviceContextAfterwards)
{
    ListHost host;
    ASSERT_TRUE(host.Ready());
    RECT client{};
    GetClientRect(host.List(), &client);
    const auto height = static_cast<int>(SendMessageA(host.List(), LB_GETITEMHEIGHT, 0, 0));
    const RECT rc{0, 0, client.right, height};

    {
        // An empty list that has the focus asks for row -1: Wine's draws the focus
        // rectangle itself without asking.
        Canvas canvas(rc.right, rc.bottom);
        fw::SelectGuard font(canvas.Dc(), host.Font());
        SetTextColor(canvas.Dc(), GetSysColor(COLOR_WINDOWTEXT));
        SetBkColor(canvas.Dc(), GetSysColor(COLOR_WINDOW));
        EXPECT_EQ(
            SendDrawItem(host.Window(), host.List(), canvas.Dc(), static_cast<UINT>(-1), ODS_FOCUS, 0, rc),
            TRUE);
        EXPECT_TRUE(SameImage(canvas.Read(),
                              DrawRow(host.Font(), rc.right, rc.bottom, {"", false, false, false, true})));
    }

    host.Add("C:\\p\\Sample.icm", 1, 0);
    Canvas canvas(rc.right, rc.bottom);
    HDC dc = canvas.Dc();
    fw::SelectGuard font(dc, host.Font());
    const COLORREF text = RGB(1, 2, 3);
    const COLORREF background = RGB(40, 50, 60);
    SetTextColor(dc, text);
    SetBkColor(dc, background);
    const auto data = static_cast<ULONG_PTR>(SendMessageA(host.List(), LB_GETITEMDATA, 0, 0));
    for (UINT state : {0u, static_cast<UINT>(ODS_SELECTED | ODS_FOCUS)}) {
        SendDrawItem(host.Window(), host.List(), dc, 0, state, data, rc);
        EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), host.Font()) << "state " << state;
        EXPECT_EQ(GetTextColor(dc), text) << "state " << state;
        EXPECT_EQ(GetBkColor(dc), background) << "state " << state;
        if (state == 0) {
            // An unselected row is filled with the colour the control set, not a
            // system colour.
            EXPECT_EQ(canvas.Read().pixels.back(), 0x28323Cu);
        }
    }
}

// The tooltips of this thread owned by a window, shown or not.
size_t TipsOwnedBy(HWND owner)
{
    struct Search {
        HWND owner;
        size_t count;
    } search{owner, 0};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            if (wintest::ClassName(window) == "tooltips_class32" && GetWindow(window, GW_OWNER) == s->owner)
                ++s->count;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.count;
}

TEST(ProfileListBoxBinding, OneObjectPerWindowUntilEitherGoes)
{
    ListHost host;
    ASSERT_TRUE(host.Ready());
    EXPECT_EQ(fw::ListBox::FromHandle(host.List()), &host.list);
    EXPECT_FALSE(host.list.SubclassWindow(host.Window())) << "bound already";
    EXPECT_EQ(TipsOwnedBy(host.Window()), 1u) << "the bound list's tooltip";

    ProfileListBox other;
    EXPECT_FALSE(other.SubclassWindow(host.List())) << "the window has its object";
    EXPECT_FALSE(other.SubclassWindow(nullptr));
    // Unbound, the model has no rows to give: a null window answers 0, which would
    // read as row 0.
    EXPECT_LT(other.Profiles().AddProfile("C:\\p\\lost.icm"), 0);
    EXPECT_EQ(other.GetCount(), 0);
    EXPECT_EQ(other.GetFullPath(0), "");

    // Unbound, the control stays a list box and its parent draws nothing.
    host.Add("C:\\p\\kept.icm", 1, 1);
    EXPECT_EQ(host.list.UnsubclassWindow(), host.List());
    EXPECT_EQ(host.list.Handle(), nullptr);
    EXPECT_EQ(TipsOwnedBy(host.Window()), 0u);
    EXPECT_EQ(fw::ListBox::FromHandle(host.List()), nullptr);
    EXPECT_EQ(SendMessageA(host.List(), LB_GETCOUNT, 0, 0), 1);
    Canvas canvas(8, 8);
    EXPECT_EQ(SendDrawItem(host.Window(), host.List(), canvas.Dc(), 0, 0, 0, RECT{0, 0, 8, 8}), 0);
    EXPECT_EQ(canvas.Read().pixels, std::vector<uint32_t>(64, 0));

    // Another object may take it; the window's end lets go of it.
    ASSERT_TRUE(other.SubclassWindow(host.List()));
    EXPECT_EQ(other.GetCount(), 1);
    EXPECT_EQ(TipsOwnedBy(host.Window()), 1u);
    DestroyWindow(host.List());
    EXPECT_EQ(other.Handle(), nullptr);
    EXPECT_EQ(TipsOwnedBy(host.Window()), 0u);
    EXPECT_LT(other.Profiles().AddProfile("C:\\p\\late.icm"), 0);
}

// A list that answers one of the list's messages before the list box sees it.
class AnsweringListBox : public fw::ListBox {
protected:
    bool PreviewMessage(UINT message, WPARAM, LPARAM, LRESULT& result) override
    {
        result = 42;
        return message == LB_GETCOUNT;
    }
};

TEST(ProfileListBoxBinding, DerivedListMayAnswerTheListsMessagesFirst)
{
    wintest::ListHostWindow host(kListStyle, kListId);
    AnsweringListBox list;
    ASSERT_TRUE(list.SubclassWindow(host.List()));
    EXPECT_EQ(list.AddString("row"), 0);
    EXPECT_EQ(list.GetTextLen(0), 3) << "passed on";
    EXPECT_EQ(list.GetCount(), 42) << "answered";
}

// A modal dialog that runs a body in its WM_INITDIALOG and ends at once.
class BodyDialog : public fw::Dialog {
public:
    explicit BodyDialog(std::function<void(HWND)> body)
        : fw::Dialog(IDD_ERROR_REPORT), m_body(std::move(body))
    {
    }

protected:
    BOOL OnInitDialog() override
    {
        m_body(m_hWnd);
        EndDialog(IDOK);
        return TRUE;
    }

private:
    std::function<void(HWND)> m_body;
};

TEST(ProfileListBoxBinding, DialogPassesDrawRequestsToTheBoundList)
{
    ProbeListBox list;
    fw::Font listFont(wintest::CreateListFont());
    const RECT rc{0, 0, 160, 18};
    LRESULT answered = FALSE;
    LRESULT unanswered = TRUE;
    Image drawn;
    BodyDialog dialog([&](HWND window) {
        HWND control = CreateWindowExA(0, "LISTBOX", "", kListStyle, 0, 0, 200, 100, window,
                                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(kListId)),
                                       GetModuleHandleA(nullptr), nullptr);
        ASSERT_TRUE(list.SubclassWindow(control));
        ASSERT_EQ(list.Profiles().AddProfile("C:\\p\\Bold.icm"), 0);
        list.Profiles().SetVcgtFlag(0, 1);
        list.Profiles().SetCreatorFlag(0, 1);

        Canvas canvas(rc.right, rc.bottom);
        fw::SelectGuard font(canvas.Dc(), listFont.Get());
        SetTextColor(canvas.Dc(), GetSysColor(COLOR_WINDOWTEXT));
        SetBkColor(canvas.Dc(), GetSysColor(COLOR_WINDOW));
        answered = SendDrawItem(window, control, canvas.Dc(), 0, 0, 0, rc);
        drawn = canvas.Read();
        // A control without an object leaves the request to the dialog.
        unanswered = SendDrawItem(window, GetDlgItem(window, IDOK), canvas.Dc(), 0, 0, 0, rc);
    });
    ASSERT_EQ(dialog.DoModal(nullptr), IDOK);

    EXPECT_EQ(answered, TRUE);
    EXPECT_EQ(unanswered, FALSE);
    EXPECT_TRUE(SameImage(drawn, DrawRow(listFont.Get(), rc.right, rc.bottom, {"Bold", true, false})));
    EXPECT_EQ(list.Handle(), nullptr) << "the dialog's end destroyed the list, which let go of it";
}

// ---- The tooltip: what selecting a row will do ----------------------------------------

// What a row says of a table that loads only with the extended-tables setting on.
constexpr const char* kExtendedOffTip =
    R"(Its calibration is a 16-bit or formula table: turn on "Also load 16-bit and formula tables" in the window menu to load it.)";

// The generated profiles of each kind, and the line a row's tooltip gives for each.
struct TipCase {
    const char* file;
    const char* text;
};
const TipCase kTipCases[] = {
    {profiles::kMild, "Loads its video card calibration when selected."},
    {profiles::kNoCalibration, "No video card calibration: selecting it only makes it the default profile."},
    {profiles::k16Bit, kExtendedOffTip},
    {profiles::kFormula, kExtendedOffTip},
    {profiles::kBadSignature, "Its calibration data is damaged and will not be loaded."},
    {profiles::kTooDark, "Its calibration would make the screen too dark and will not be loaded."},
};

// The line for a profile that cannot be opened: with the code its open leaves here.
std::string UnreadableTip(const std::string& path)
{
    PROFILE record{PROFILE_FILENAME, const_cast<char*>(path.c_str()), static_cast<DWORD>(path.size() + 1)};
    SetLastError(0);
    if (HPROFILE profile = OpenColorProfileA(&record, PROFILE_READ, FILE_SHARE_READ, OPEN_EXISTING)) {
        CloseColorProfile(profile);
        return "(" + path + " opens)";
    }
    return "The profile cannot be read (" + std::to_string(GetLastError()) + ").";
}

std::string Generated(const std::string& file) { return wintest::ProfileDir() + "\\" + file; }

// Moves the pointer onto a row, a few pixels right of its centre, and waits until the
// list's tooltip reads expected; returns what it read.
std::string Hover(HWND list, int row, const std::string& expected, int nudge = 0)
{
    POINT at{};
    if (!wintest::RowCentre(list, row, at))
        return "(no row " + std::to_string(row) + ")";
    at.x += nudge;
    if (!wintest::MovePointer(at))
        return "(the pointer did not move)";
    return wintest::WaitForTip(GetCurrentProcessId(), expected);
}

// The real platform, counting the profiles it opens: each diagnosis opens one.
class CountingPlatform : public Win32Platform {
public:
    ProfileHandle OpenColorProfileA(const ProfileRecord* profile, uint32_t access, uint32_t share,
                                    uint32_t creation) override
    {
        ++opens;
        return Win32Platform::OpenColorProfileA(profile, access, share, creation);
    }

    int opens = 0;
};

// Installs a platform for the length of a scope.
class PlatformScope {
public:
    explicit PlatformScope(Platform& platform) : m_previous(SetPlatform(&platform)) {}
    ~PlatformScope() { SetPlatform(m_previous); }
    PlatformScope(const PlatformScope&) = delete;
    PlatformScope& operator=(const PlatformScope&) = delete;

private:
    Platform* m_previous;
};

TEST(ProfileListBoxTip, EachRowSaysWhatSelectingItWillDo)
{
    wintest::PointerParking parking;
    ListHost host;
    ASSERT_TRUE(host.Ready());
    for (const TipCase& c : kTipCases)
        ASSERT_GE(host.list.Profiles().AddProfile(Generated(c.file)), 0) << c.file;
    const std::string missing = Generated("kv-not-there.icm");
    ASSERT_GE(host.list.Profiles().AddProfile(missing), 0);
    const std::string unreadable = UnreadableTip(missing);
    ASSERT_NE(unreadable, "The profile cannot be read (0).");

    // From row to row without leaving the list: the tip shown follows the pointer. The
    // rows are sorted by name, so this goes up and down the list.
    for (const TipCase& c : kTipCases)
        EXPECT_EQ(Hover(host.List(), host.RowOf(Generated(c.file)), c.text), c.text) << c.file;
    EXPECT_EQ(Hover(host.List(), host.RowOf(missing), unreadable), unreadable);
    EXPECT_EQ(Hover(host.List(), host.RowOf(Generated(profiles::kMild)), kTipCases[0].text), kTipCases[0].text);

    // Below the last row, and off the list, there is no profile to tell of.
    const RECT last = host.RowRect(host.list.GetCount() - 1);
    const int flat = host.RowOf(Generated(kTipCases[2].file));
    for (POINT away : {POINT{(last.left + last.right) / 2, last.bottom + 20}, POINT{last.left - 5, last.top}}) {
        EXPECT_EQ(Hover(host.List(), flat, kTipCases[2].text), kTipCases[2].text);
        ClientToScreen(host.List(), &away);
        ASSERT_TRUE(wintest::MovePointer(away));
        EXPECT_EQ(wintest::WaitForTip(GetCurrentProcessId(), wintest::kNoTip), wintest::kNoTip)
            << "at " << away.x << ", " << away.y;
    }
}

TEST(ProfileListBoxTip, DiagnosesARowOnceWhenThePointerRestsAndNeverWhileFilling)
{
    wintest::PointerParking parking;
    CountingPlatform platform;
    PlatformScope scope(platform);
    ListHost host;
    ASSERT_TRUE(host.Ready());

    // Row 0 the given profile, then 999 missing files, which sort after it.
    const auto fill = [&](const char* first) {
        host.list.Profiles().ResetProfiles();
        SendMessageA(host.List(), WM_SETREDRAW, FALSE, 0);
        host.list.Profiles().AddProfile(Generated(first));
        for (int i = 0; i < 999; ++i) {
            const int row = host.list.Profiles().AddProfile(Generated("zz-" + std::to_string(1000 + i) + ".icm"));
            host.list.Profiles().SetVcgtFlag(row, 0);
            host.list.Profiles().SetCreatorFlag(row, 1);
        }
        SendMessageA(host.List(), WM_SETREDRAW, TRUE, 0);
        RedrawWindow(host.List(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        wintest::PumpMessages();
    };
    fill(profiles::kMild);
    ASSERT_EQ(host.list.GetCount(), 1000);
    EXPECT_EQ(platform.opens, 0) << "a fill diagnoses nothing";

    const std::string loads = kTipCases[0].text;
    EXPECT_EQ(Hover(host.List(), 0, loads), loads);
    EXPECT_EQ(platform.opens, 1);
    const std::string unreadable = UnreadableTip(Generated("zz-1000.icm"));
    platform.opens = 0;
    EXPECT_EQ(Hover(host.List(), 1, unreadable), unreadable);
    EXPECT_EQ(Hover(host.List(), 0, loads), loads);
    EXPECT_EQ(platform.opens, 1) << "row 0 was told from what was kept";

    // A new fill under the resting pointer: the tip goes, and row 0, whose path index
    // is 0 again, is diagnosed anew when the pointer moves on it.
    fill(profiles::kNoCalibration);
    EXPECT_EQ(wintest::WaitForTip(GetCurrentProcessId(), wintest::kNoTip), wintest::kNoTip);
    EXPECT_EQ(platform.opens, 1);
    const std::string noTable = kTipCases[1].text;
    EXPECT_EQ(Hover(host.List(), 0, noTable, 3), noTable);
    EXPECT_EQ(platform.opens, 2);
}

}  // namespace
