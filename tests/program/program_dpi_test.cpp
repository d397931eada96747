// The monitor windows at the DPIs users set, and told they moved to a monitor of another
// DPI, from outside: every control whole in the client area and clear of the others, the
// rows as tall as the template's font at the DPI, the legends drawn in that font, and
// WM_DPICHANGED followed. Wine gives every monitor the one DPI of the prefix's LogPixels,
// read when a process starts, and answers no WM_GETFONT from another process: the tests
// set LogPixels before they start the program, and judge the font by what is drawn.
#include "fw/gdi.h"
#include "res/resource.h"
#include "support/program_fixture.h"
#include "support/row_image.h"
#include "support/win_handles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using namespace programtest;
using program::Ask;
using program::Control;
using program::Describe;

constexpr const char* kDesktopKey = "Control Panel\\Desktop";

// The monitor window's font at dpi: the template's point size, read here at this
// process's DPI, made for dpi as the dialog manager makes it.
fw::Font TemplateFontAt(int dpi, bool bold = false, bool italic = false)
{
    LOGFONTW face{};
    const wintest::WindowOwner dialog(CreateDialogParamA(
        GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_MONITOR_PROFILE), nullptr,
        [](HWND, UINT message, WPARAM, LPARAM) -> INT_PTR { return message == WM_INITDIALOG; }, 0));
    GetObjectW(reinterpret_cast<HFONT>(SendMessageA(dialog.Get(), WM_GETFONT, 0, 0)), sizeof face, &face);
    fw::ClientDC screen(nullptr);
    face.lfHeight = -MulDiv(MulDiv(-face.lfHeight, 72, GetDeviceCaps(screen.Get(), LOGPIXELSY)), dpi, 72);
    face.lfWeight = bold ? FW_BOLD : face.lfWeight;
    face.lfItalic = italic ? TRUE : FALSE;
    return fw::Font(CreateFontIndirectW(&face));
}

// The rows' height in that font: its tallest style.
LRESULT RowHeightAt(int dpi)
{
    fw::ClientDC screen(nullptr);
    LONG height = 0;
    for (const bool bold : {false, true}) {
        for (const bool italic : {false, true}) {
            const fw::Font font = TemplateFontAt(dpi, bold, italic);
            fw::SelectGuard keep(screen.Get(), font.Get());
            TEXTMETRICW metrics{};
            GetTextMetricsW(screen.Get(), &metrics);
            height = std::max(height, metrics.tmHeight);
        }
    }
    return height;
}

bool Holds(const RECT& outer, const RECT& inner)
{
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

bool IsGroupBox(HWND control) { return (GetWindowLongA(control, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX; }

// What is wrong with a monitor window, one line each, or nothing: a control not whole
// in the client area, two that meet (but for the group box and what it holds), a legend
// whose ink does not end where its text ends in the template's font at dpi (another
// font, or a line broken off).
std::string Faults(HWND window, int dpi)
{
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    program::Send(window, WM_NULL, 0, 0);
    RECT client{};
    GetClientRect(window, &client);
    const std::vector<Control> controls = program::Controls(window);
    const fw::Font font = TemplateFontAt(dpi);
    fw::ClientDC screen(nullptr);
    fw::SelectGuard keep(screen.Get(), font.Get());
    std::string faults;
    for (size_t i = 0; i < controls.size(); ++i) {
        const Control& a = controls[i];
        if (!Holds(client, a.rect))
            faults += Describe(a.rect) + " is cut off by " + Describe(client) + "\n";
        for (size_t j = i + 1; j < controls.size(); ++j) {
            const Control& b = controls[j];
            RECT meet{};
            if (IntersectRect(&meet, &a.rect, &b.rect) && !(IsGroupBox(a.window) && Holds(a.rect, b.rect)) &&
                !(IsGroupBox(b.window) && Holds(b.rect, a.rect)))
                faults += Describe(a.rect) + " runs over " + Describe(b.rect) + "\n";
        }
        const std::string text = wintest::WindowText(a.window);
        if (a.id != -1 || wintest::ClassName(a.window) != "Static")
            continue;
        SIZE extent{};
        GetTextExtentPoint32A(screen.Get(), text.c_str(), static_cast<int>(text.size()), &extent);
        RECT shown = a.rect;
        MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&shown), 2);
        wintest::Canvas canvas(shown.right - shown.left, shown.bottom - shown.top);
        BitBlt(canvas.Dc(), 0, 0, shown.right - shown.left, shown.bottom - shown.top, screen.Get(), shown.left,
               shown.top, SRCCOPY);
        const wintest::Image image = canvas.Read();
        int inked = 0;   // after the last column that is not the top-left corner's colour
        for (size_t p = 0; p < image.pixels.size(); ++p)
            if (image.pixels[p] != image.pixels[0])
                inked = std::max(inked, static_cast<int>(p % static_cast<size_t>(image.width)) + 1);
        if (std::abs(inked - extent.cx) > 3)
            faults += "\"" + text + "\" ends at " + std::to_string(inked) + ", not " + std::to_string(extent.cx) + "\n";
    }
    return faults;
}

using wintest::Remote;

class ProgramDpi : public ProgramTest {
protected:
    void SetUp() override
    {
        m_saved = program::ReadValue(kDesktopKey, "LogPixels");
        ASSERT_NO_FATAL_FAILURE(ProgramTest::SetUp());
        ASSERT_EQ(monitors.size(), 2u) << "the test bed shows two monitors";
        ASSERT_NO_FATAL_FAILURE(Install({kMild, kMildNoCreator, kBare, kNoCalibration}));
    }

    void TearDown() override
    {
        ProgramTest::TearDown();
        if (m_saved.type == REG_DWORD)
            SetLogPixels(m_saved.number);
        else
            program::DeleteValue(kDesktopKey, "LogPixels");
    }

    static bool SetLogPixels(DWORD dpi)
    {
        return !RegSetKeyValueA(HKEY_CURRENT_USER, kDesktopKey, "LogPixels", REG_DWORD, &dpi, sizeof dpi);
    }

    void StartAt(int dpi)
    {
        ASSERT_TRUE(SetLogPixels(static_cast<DWORD>(dpi)));
        ASSERT_NO_FATAL_FAILURE(Start());
    }

    // The program's visible dialog that holds control id, once it is there; null when
    // none came.
    HWND WaitForDialogWith(int id) const
    {
        HWND found = nullptr;
        program::WaitFor([&] {
            for (HWND dialog : program::VisibleDialogsOf(app->Id()))
                found = GetDlgItem(dialog, id) ? dialog : found;
            return found != nullptr;
        });
        return found;
    }

    program::RegistryValue m_saved;
};

class ProgramAtDpi : public ProgramDpi, public testing::WithParamInterface<int> {};

TEST_P(ProgramAtDpi, BothWindowsAreWholeWithRowsAsTallAsTheirFont)
{
    ASSERT_NO_FATAL_FAILURE(StartAt(GetParam()));
    for (size_t i = 0; i < windows.size(); ++i) {
        SCOPED_TRACE("window " + std::to_string(i));
        EXPECT_TRUE(Holds(monitors[i].rect, program::WindowRect(windows[i])));
        EXPECT_EQ(Faults(windows[i], GetParam()), "");
        EXPECT_EQ(Ask(List(i), LB_GETITEMHEIGHT), RowHeightAt(GetParam()));
    }
    // The info page, the largest window, over the smaller monitor: whole on it.
    ASSERT_TRUE(PostMessageW(windows[1], WM_COMMAND, 0xE146 /* Help */, 0));
    const HWND page = WaitForDialogWith(1377 /* the page's place */);
    ASSERT_NE(page, nullptr);
    EXPECT_TRUE(Holds(monitors[1].rect, program::WindowRect(page))) << Describe(program::WindowRect(page));
    EXPECT_EQ(Faults(page, GetParam()), "");
    wintest::ClickButton(page, IDOK);
}

INSTANTIATE_TEST_SUITE_P(UserDpis, ProgramAtDpi, testing::Values(96, 120, 144, 192),
                         [](const testing::TestParamInfo<int>& dpi) { return std::to_string(dpi.param); });

class ProgramDpiChange : public ProgramDpi, public testing::WithParamInterface<std::pair<int, int>> {};

// Told as the system tells a window moved to a monitor of another DPI: asked its size
// there (WM_GETDPISCALEDSIZE, starting from its size scaled by the DPIs), then given the
// DPI and the rectangle of that size at the monitor's corner.
TEST_P(ProgramDpiChange, WindowTakesTheSuggestedRectangleAndLaysItselfOutAgain)
{
    const auto [from, to] = GetParam();
    ASSERT_NO_FATAL_FAILURE(StartAt(from));
    // The About box's client height, opened over the first window.
    const auto aboutHeight = [&] {
        PostMessageW(windows[0], WM_COMMAND, program::kAboutCommand, 0);
        const HWND about = app->WaitForAboutBox();
        RECT client{};
        GetClientRect(about, &client);
        wintest::ClickButton(about, IDOK);
        wintest::WaitUntilGone(about);
        return client.bottom;
    };
    const LONG aboutBefore = aboutHeight();
    const RECT before = program::WindowRect(windows[0]);
    const Remote<SIZE> size(app->Process(), SIZE{MulDiv(before.right - before.left, to, from),
                                                 MulDiv(before.bottom - before.top, to, from)});
    ASSERT_EQ(Ask(windows[0], 0x02E4 /* WM_GETDPISCALEDSIZE */, static_cast<WPARAM>(to), size.Get()), TRUE);
    const POINT corner{monitors[0].rect.left, monitors[0].rect.top};
    const RECT suggested{corner.x, corner.y, corner.x + size.Read().cx, corner.y + size.Read().cy};
    const Remote<RECT> rect(app->Process(), suggested);
    ASSERT_TRUE(program::Send(windows[0], WM_DPICHANGED, MAKEWPARAM(to, to), rect.Get()));

    EXPECT_TRUE(program::SameRect(program::WindowRect(windows[0]), suggested))
        << Describe(program::WindowRect(windows[0])) << ", suggested " << Describe(suggested);
    EXPECT_EQ(Ask(List(0), LB_GETITEMHEIGHT), RowHeightAt(to));
    EXPECT_EQ(Faults(windows[0], to), "");
    // Made for the system's DPI, the About box opens at its window's: in proportion to
    // the font's height.
    EXPECT_NEAR(aboutHeight(), MulDiv(aboutBefore, int(RowHeightAt(to)), int(RowHeightAt(from))), 2);
}

INSTANTIATE_TEST_SUITE_P(Moves, ProgramDpiChange, testing::Values(std::pair{144, 96}, std::pair{96, 192}),
                         [](const testing::TestParamInfo<std::pair<int, int>>& move) {
                             return std::to_string(move.param.first) + "To" + std::to_string(move.param.second);
                         });

// Any process can send WM_DPICHANGED. A DPI no monitor can have (beyond 500 %, 0xFFFF,
// below 100 %) changes nothing and ends nothing; a real change and its way back leave
// the window laid out as it was, its font made again from its point size.
TEST_F(ProgramDpi, ADpiNoMonitorCanHaveIsIgnoredAndAWayThereAndBackEndsWhereItStarted)
{
    ASSERT_NO_FATAL_FAILURE(StartAt(96));
    const RECT window = program::WindowRect(windows[0]);
    const std::vector<Control> before = program::Controls(windows[0]);
    const LRESULT rows = Ask(List(0), LB_GETITEMHEIGHT);
    const auto tell = [&](int dpi, const RECT& suggested) {
        const Remote<RECT> rect(app->Process(), suggested);
        return program::Send(windows[0], WM_DPICHANGED, MAKEWPARAM(dpi, dpi), rect.Get());
    };
    const RECT huge{0, 0, 30000, 30000};
    for (const int dpi : {6000, 65535, 1}) {
        SCOPED_TRACE(dpi);
        ASSERT_TRUE(tell(dpi, huge)) << "the program stopped answering";
        EXPECT_TRUE(program::SameRect(program::WindowRect(windows[0]), window));
        EXPECT_EQ(Ask(List(0), LB_GETITEMHEIGHT), rows);
    }
    const RECT larger{window.left, window.top, window.left + MulDiv(window.right - window.left, 3, 2),
                      window.top + MulDiv(window.bottom - window.top, 3, 2)};
    ASSERT_TRUE(tell(144, larger));
    EXPECT_EQ(Ask(List(0), LB_GETITEMHEIGHT), RowHeightAt(144));
    ASSERT_TRUE(tell(96, window));
    EXPECT_EQ(Ask(List(0), LB_GETITEMHEIGHT), rows);
    const std::vector<Control> after = program::Controls(windows[0]);
    ASSERT_EQ(after.size(), before.size());
    for (size_t i = 0; i < before.size(); ++i)
        EXPECT_TRUE(program::SameRect(after[i].rect, before[i].rect))
            << Describe(after[i].rect) << " was " << Describe(before[i].rect);
    EXPECT_EQ(Faults(windows[0], 96), "");
    EXPECT_EQ(app->FindReport(), nullptr) << app->OpenReports();
}

// At 288 DPI the template is larger than a 1920 x 1080 monitor: each window fits its
// monitor's work area, its list still showing rows.
TEST_F(ProgramDpi, AtTheHighestDpiEachWindowLiesInsideItsMonitorsWorkArea)
{
    ASSERT_NO_FATAL_FAILURE(StartAt(288));
    for (size_t i = 0; i < windows.size(); ++i) {
        SCOPED_TRACE("window " + std::to_string(i));
        MONITORINFO info{};
        info.cbSize = sizeof info;
        ASSERT_TRUE(GetMonitorInfoA(MonitorFromWindow(windows[i], MONITOR_DEFAULTTONEAREST), &info));
        EXPECT_TRUE(Holds(info.rcWork, program::WindowRect(windows[i])))
            << Describe(program::WindowRect(windows[i])) << " on " << Describe(info.rcWork);
        RECT list{};
        GetClientRect(List(i), &list);
        EXPECT_GE(list.bottom, 4 * Ask(List(i), LB_GETITEMHEIGHT));
    }
}

}  // namespace
