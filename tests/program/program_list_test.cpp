// The monitor window's list and size as a user meets them: the built kestrava.exe runs
// on a colour directory the test fills, its rows are read through window messages and
// their pixels off the screen, and compared with the same text drawn here; its windows
// are shrunk from outside and their controls' places read back.
#include "support/hover.h"
#include "support/program_driver.h"
#include "support/program_fixture.h"
#include "support/row_image.h"
#include "support/test_profiles.h"
#include "support/win_test_util.h"

#include <gtest/gtest.h>
#include <oleacc.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace {

using program::Ask;
using wintest::Image;
using wintest::Look;
using wintest::SameImage;

// A file name with an ampersand, a copy of a generated profile that has a calibration
// table and the maker's tag: its row is bold and upright.
const char* const kAmpersandFile = "R&D lab.icm";
const char* const kAmpersandRow = "R&D lab";
const char* const kAmpersandSource = profiles::kValid;

// A profile listed at start-up and deleted before the pointer comes to its row.
const char* const kGoneFile = "kv-gone.icm";

// The list's font: template 102's 8-point MS Sans Serif, as the dialog manager makes it
// for the screen's resolution. The program's own font handle means nothing in this
// process, so the same font is made again.
HFONT CreateDialogFont()
{
    fw::ClientDC screen(nullptr);
    const int pixels = MulDiv(8, GetDeviceCaps(screen.Get(), LOGPIXELSY), 72);
    return CreateFontW(-pixels, 0, 0, 0, FW_DONTCARE, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FF_DONTCARE, L"MS Sans Serif");
}

// A row's rectangle on the screen.
RECT RowOnScreen(HWND list, int row)
{
    RECT rc{};
    program::Send(list, LB_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&rc));
    MapWindowPoints(list, nullptr, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

// How a row of a profile with both tags is drawn in the state the list shows it in:
// highlighted when selected, framed when the list has the focus on it.
Look BoldUprightRow(HWND list, int row, const std::string& text, UINT extraFormat)
{
    Look look{text, true, false};
    look.selected = Ask(list, LB_GETSEL, static_cast<WPARAM>(row)) > 0;
    look.focus = wintest::FocusedControl(list) == list && Ask(list, LB_GETCARETINDEX) == row;
    look.format |= extraFormat;
    return look;
}

// The program on the prefix's own profiles and, for a test that installs it, the file
// with the ampersand, which goes again on every way out of the test.
class ProgramList : public program::ProgramFixture {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(ProgramFixture::SetUp());
        // Left by an interrupted run.
        store.Remove(kAmpersandFile);
        store.RemoveTestProfiles();
    }

    // The program ends before its files go.
    void TearDown() override
    {
        app.reset();
        store.Remove(kAmpersandFile);
        store.RemoveTestProfiles();
    }
};

TEST_F(ProgramList, AmpersandInAFileNameIsShownAsItIs)
{
    ASSERT_TRUE(store.Install(kAmpersandSource, kAmpersandFile)) << "error " << GetLastError();
    ASSERT_NO_FATAL_FAILURE(Start());
    const HWND window = windows[0];
    const HWND list = List(0);
    wintest::ClickButton(window, program::kViewAllId);
    ASSERT_EQ(Ask(GetDlgItem(window, program::kViewAllId), BM_GETCHECK), BST_CHECKED);

    const int row = program::RowOf(list, kAmpersandRow);
    ASSERT_GE(row, 0) << "no row reads \"" << kAmpersandRow << "\"";
    EXPECT_EQ(program::RowText(list, row), kAmpersandRow);

    // The row as drawn with the "&" kept, and as a label would show it: "RD lab" with
    // the D underlined. The two must differ, or the check below would prove nothing.
    const RECT rc = RowOnScreen(list, row);
    const int width = rc.right - rc.left;
    const int height = rc.bottom - rc.top;
    fw::Font font(CreateDialogFont());
    const Image literal =
        wintest::DrawRow(font.Get(), width, height, BoldUprightRow(list, row, kAmpersandRow, DT_NOPREFIX));
    const Image label = wintest::DrawRow(font.Get(), width, height, BoldUprightRow(list, row, kAmpersandRow, 0));
    ASSERT_FALSE(SameImage(literal, label));

    // The program paints in its own time: wait for the row to settle on the literal text.
    RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    Image shown;
    program::WaitFor([&] { return SameImage(shown = wintest::ScreenImage(rc), literal); }, std::chrono::seconds(5));
    EXPECT_TRUE(SameImage(shown, literal)) << "the row on the screen, against the name drawn as it is";
    EXPECT_FALSE(SameImage(shown, label));
}

TEST_F(ProgramList, WindowShrinksUntilTheControlsWouldMeetAndKeepsFourRows)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    for (size_t i = 0; i < windows.size(); ++i) {
        SCOPED_TRACE("window " + std::to_string(i));
        const HWND window = windows[i];
        const RECT made = program::WindowRect(window);

        // Asked for a tiny size, the window keeps the smallest it allows.
        SetWindowPos(window, nullptr, 0, 0, 40, 40, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        ASSERT_TRUE(program::WaitFor([&] { return !program::SameRect(program::WindowRect(window), made); }))
            << "the window kept its size";
        ASSERT_TRUE(program::Send(window, WM_NULL, 0, 0));
        const RECT kept = program::WindowRect(window);
        EXPECT_LT(kept.right - kept.left, made.right - made.left) << "no narrower than made";
        EXPECT_LT(kept.bottom - kept.top, made.bottom - made.top);

        // The group box and the legends keep their x and stay whole; Refresh, which
        // follows the right edge, stays off them. The italic legend reaches furthest
        // right, so the window narrows until it touches the edge.
        RECT client{};
        GetClientRect(window, &client);
        const HWND refresh = GetDlgItem(window, program::kRefreshId);
        const RECT refreshRect = program::RectIn(refresh, window);
        LONG rightmost = 0;
        int unnamed = 0;
        for (const program::Control& control : program::Controls(window)) {
            if (control.id != -1)
                continue;
            ++unnamed;
            const std::string name = wintest::WindowText(control.window);
            RECT overlap{};
            EXPECT_FALSE(IntersectRect(&overlap, &control.rect, &refreshRect))
                << "Refresh " << program::Describe(refreshRect) << " runs over \"" << name << "\" "
                << program::Describe(control.rect);
            EXPECT_GE(control.rect.left, 0) << name;
            rightmost = std::max(rightmost, control.rect.right);
        }
        EXPECT_EQ(unnamed, 3) << "the group box and the two legends";
        EXPECT_EQ(rightmost, client.right);

        // Four rows and the rest of a fifth at most: shrunk as far as the list allows.
        const HWND list = List(i);
        RECT rows{};
        GetClientRect(list, &rows);
        const LRESULT rowHeight = Ask(list, LB_GETITEMHEIGHT);
        ASSERT_GT(rowHeight, 0);
        EXPECT_GE(rows.bottom, 4 * rowHeight);
        EXPECT_LT(rows.bottom, 5 * rowHeight);
    }
}

// The tooltip of the first window's list, read as a user reads it: the pointer rests on
// a row, and the program's visible tooltip window tells of that row. What each tip says
// is the list box's to tell; here every row shows one, and rows of profiles that fare
// differently show different ones.
TEST_F(ProgramList, RestingOnARowTellsWhatSelectingItWillDo)
{
    wintest::PointerParking parking;
    const std::vector<std::string> files = {profiles::kMild, profiles::kNoCalibration, profiles::k16Bit,
                                            profiles::kBadSignature, profiles::kTooDark};
    for (const std::string& file : files)
        ASSERT_TRUE(store.Install(file.c_str())) << file << ": error " << GetLastError();
    ASSERT_TRUE(store.Install(profiles::kMild, kGoneFile)) << "error " << GetLastError();
    ASSERT_NO_FATAL_FAILURE(Start());
    const HWND list = List(0);
    wintest::ClickButton(windows[0], program::kViewAllId);
    ASSERT_TRUE(store.Remove(kGoneFile));

    // From the parked pointer, with no tip shown, to the row: the tip that then shows.
    const auto hover = [&](const std::string& file) {
        wintest::ParkPointer();
        if (wintest::WaitForTip(app->Id(), wintest::kNoTip) != wintest::kNoTip)
            return std::string("(a tip stayed with the pointer parked)");
        const int row = program::RowOf(list, file.substr(0, file.find('.')));
        POINT at{};
        if (!wintest::RowCentre(list, row, at))
            return "(no row for " + file + ")";
        if (!wintest::MovePointer(at))
            return std::string("(the pointer did not move)");
        return wintest::WaitForTip(app->Id(), [](const std::string& shown) { return shown != wintest::kNoTip; });
    };
    std::vector<std::string> tips;
    for (const std::string& file : files)
        tips.push_back(hover(file));
    tips.push_back(hover(kGoneFile));
    for (size_t i = 0; i < tips.size(); ++i) {
        EXPECT_NE(tips[i], wintest::kNoTip) << (i < files.size() ? files[i] : kGoneFile);
        EXPECT_FALSE(tips[i].empty());
        for (size_t j = 0; j < i; ++j)
            EXPECT_NE(tips[i], tips[j]) << "rows " << j << " and " << i;
    }
    EXPECT_EQ(app->FindReport(), nullptr) << app->OpenReports();
}

// The list as a screen reader finds it: an accessible object with a child per row.
class Accessible {
public:
    explicit Accessible(HWND window)
    {
        m_com = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
        AccessibleObjectFromWindow(window, OBJID_CLIENT, __uuidof(IAccessible), reinterpret_cast<void**>(&m_object));
    }
    ~Accessible()
    {
        if (m_object)
            m_object->Release();
        if (m_com)
            CoUninitialize();
    }
    Accessible(const Accessible&) = delete;
    Accessible& operator=(const Accessible&) = delete;

    explicit operator bool() const { return m_object != nullptr; }
    long Children() const
    {
        long count = -1;
        m_object->get_accChildCount(&count);
        return count;
    }
    std::wstring Name(long child) const { return Text(&IAccessible::get_accName, child); }
    std::wstring Description(long child) const { return Text(&IAccessible::get_accDescription, child); }
    long Number(HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, VARIANT*), long child) const
    {
        VARIANT out;
        VariantInit(&out);
        const bool got = SUCCEEDED((m_object->*get)(Child(child), &out)) && out.vt == VT_I4;
        return got ? out.lVal : -1;
    }

private:
    static VARIANT Child(long child)
    {
        VARIANT id;
        VariantInit(&id);
        id.vt = VT_I4;
        id.lVal = child;
        return id;
    }
    std::wstring Text(HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, BSTR*), long child) const
    {
        BSTR text = nullptr;
        if (FAILED((m_object->*get)(Child(child), &text)) || !text)
            return {};
        std::wstring result(text, SysStringLen(text));
        SysFreeString(text);
        return result;
    }

    bool m_com = false;
    IAccessible* m_object = nullptr;
};

HWND s_list = nullptr;   // the list whose events the hook keeps
std::vector<std::pair<DWORD, LONG>> s_events;   // event, child

std::wstring Wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

TEST_F(ProgramList, AScreenReaderHearsEachRowByItsFileNameAndWhatItsFontsSay)
{
    // Bold and upright, bold and italic, plain.
    const std::vector<std::string> files = {profiles::kMild, profiles::kMildNoCreator, profiles::kNoCalibration};
    for (const std::string& file : files)
        ASSERT_TRUE(store.Install(file.c_str())) << file << ": error " << GetLastError();
    ASSERT_NO_FATAL_FAILURE(Start());
    const HWND list = List(0);
    wintest::ClickButton(windows[0], program::kViewAllId);

    Accessible reader(list);
    ASSERT_TRUE(reader) << "no accessible object for the list";
    ASSERT_EQ(reader.Children(), Ask(list, LB_GETCOUNT));
    EXPECT_EQ(reader.Number(&IAccessible::get_accRole, CHILDID_SELF), ROLE_SYSTEM_LIST);
    EXPECT_EQ(reader.Name(CHILDID_SELF), Wide(wintest::WindowText(windows[0])));
    std::vector<std::wstring> descriptions;
    for (const std::string& file : files) {
        const std::string stem = file.substr(0, file.find('.'));
        const int row = program::RowOf(list, stem);
        ASSERT_GE(row, 0) << stem;
        EXPECT_EQ(reader.Name(row + 1), Wide(stem));
        EXPECT_EQ(reader.Number(&IAccessible::get_accRole, row + 1), ROLE_SYSTEM_LISTITEM);
        descriptions.push_back(reader.Description(row + 1));
        EXPECT_FALSE(descriptions.back().empty()) << stem;
    }
    for (size_t i = 0; i < descriptions.size(); ++i)
        for (size_t j = 0; j < i; ++j)
            EXPECT_NE(descriptions[i], descriptions[j]) << files[j] << " and " << files[i];

    // Moving through the list with the keyboard: the focus and the selection follow
    // the rows, and the selected row says so.
    s_events.clear();
    s_list = list;
    const HWINEVENTHOOK hook = SetWinEventHook(
        EVENT_OBJECT_FOCUS, EVENT_OBJECT_SELECTION, nullptr,
        [](HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child, DWORD, DWORD) {
            if (object == OBJID_CLIENT && window == s_list)
                s_events.emplace_back(event, child);
        },
        app->Id(), 0, WINEVENT_OUTOFCONTEXT);
    ASSERT_NE(hook, nullptr);
    ASSERT_TRUE(program::ClickRow(list, 0));
    ASSERT_TRUE(PostMessageW(list, WM_KEYDOWN, VK_DOWN, 0));
    const auto told = [](DWORD event) {
        return std::find(s_events.begin(), s_events.end(), std::pair<DWORD, LONG>(event, 2)) != s_events.end();
    };
    program::WaitFor([&] { return told(EVENT_OBJECT_FOCUS) && told(EVENT_OBJECT_SELECTION); });
    UnhookWinEvent(hook);
    EXPECT_TRUE(told(EVENT_OBJECT_FOCUS)) << s_events.size() << " events";
    EXPECT_TRUE(told(EVENT_OBJECT_SELECTION)) << s_events.size() << " events";
    EXPECT_EQ(Ask(list, LB_GETCURSEL), 1);
    EXPECT_NE(reader.Number(&IAccessible::get_accState, 2) & STATE_SYSTEM_SELECTED, 0);
}

}  // namespace
