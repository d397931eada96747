// The monitor window's size from outside: resizing moves each control with the edges it
// keeps to, the grip answers as the bottom-right corner, and minimising and restoring
// moves nothing.
#include "support/program_fixture.h"
#include "support/test_profiles.h"
#include "support/win_test_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using namespace programtest;
using program::Ask;
using program::Control;

// The answer of a window to a hit test at a screen point.
LRESULT HitTest(HWND window, POINT screen) { return Ask(window, WM_NCHITTEST, 0, MAKELPARAM(screen.x, screen.y)); }

// The size grip: the scroll-arrow-sized square in the client area's bottom-right corner,
// in screen coordinates.
RECT GripOnScreen(HWND window)
{
    RECT client{};
    GetClientRect(window, &client);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    return RECT{client.right - GetSystemMetrics(SM_CXHSCROLL), client.bottom - GetSystemMetrics(SM_CYVSCROLL),
                client.right, client.bottom};
}

SIZE ClientSize(HWND window)
{
    RECT client{};
    GetClientRect(window, &client);
    return SIZE{client.right - client.left, client.bottom - client.top};
}

RECT Offset(RECT rect, LONG dx, LONG dy)
{
    OffsetRect(&rect, dx, dy);
    return rect;
}

// ---- Size, grip and minimising -----------------------------------------------------

class ProgramLayout : public ProgramTest {
protected:
    // Resizes a window by (dx, dy) from outside, as a drag of its frame would, and waits
    // until it has laid itself out.
    static bool Resize(HWND window, LONG dx, LONG dy)
    {
        const RECT rect = program::WindowRect(window);
        const LONG width = rect.right - rect.left + dx;
        const LONG height = rect.bottom - rect.top + dy;
        SetWindowPos(window, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        const bool resized = program::WaitFor([&] {
            const RECT now = program::WindowRect(window);
            return now.right - now.left == width && now.bottom - now.top == height;
        });
        return resized && program::Send(window, WM_NULL, 0, 0);
    }

    static std::string Name(const Control& control) { return "control " + std::to_string(control.id); }
};

TEST_F(ProgramLayout, ResizingMovesEachControlWithTheEdgesItKeepsTo)
{
    ASSERT_NO_FATAL_FAILURE(Install({kMild}));
    ASSERT_NO_FATAL_FAILURE(Start());
    const HWND window = windows[0];
    const std::vector<Control> before = program::Controls(window);
    const SIZE clientBefore = ClientSize(window);
    const RECT gripBefore = GripOnScreen(window);

    ASSERT_TRUE(Resize(window, 40, 30));
    const SIZE clientAfter = ClientSize(window);
    ASSERT_EQ(clientAfter.cx - clientBefore.cx, 40);
    ASSERT_EQ(clientAfter.cy - clientBefore.cy, 30);

    int unnamed = 0;
    for (const Control& old : before) {
        SCOPED_TRACE(Name(old));
        const RECT now = program::RectIn(old.window, window);
        RECT expected = old.rect;
        switch (old.id) {
        case program::kListId:
            expected.right += 40;
            expected.bottom += 30;
            break;
        case program::kRefreshId:
            expected = Offset(old.rect, 40, 30);
            break;
        case program::kViewAllId:
        case program::kViewAssociatedId:
        case -1:
            unnamed += old.id == -1;
            expected = Offset(old.rect, 0, 30);
            break;
        default:
            break;
        }
        EXPECT_TRUE(program::SameRect(now, expected))
            << "now " << program::Describe(now) << ", expected " << program::Describe(expected);
    }
    EXPECT_EQ(unnamed, 3) << "the group box and the two legends";

    // The grip follows the corner; where it was is plain client area now.
    const RECT grip = GripOnScreen(window);
    EXPECT_EQ(HitTest(window, POINT{grip.left, grip.top}), HTBOTTOMRIGHT);
    EXPECT_EQ(HitTest(window, POINT{grip.right - 1, grip.bottom - 1}), HTBOTTOMRIGHT);
    EXPECT_EQ(HitTest(window, POINT{gripBefore.left, gripBefore.top}), HTCLIENT);

    // Shrinking back puts everything where it was.
    ASSERT_TRUE(Resize(window, -40, -30));
    for (const Control& old : before) {
        SCOPED_TRACE(Name(old));
        const RECT now = program::RectIn(old.window, window);
        EXPECT_TRUE(program::SameRect(now, old.rect))
            << "now " << program::Describe(now) << ", was " << program::Describe(old.rect);
    }
}

TEST_F(ProgramLayout, GripSquareAnswersAsTheBottomRightCorner)
{
    ASSERT_NO_FATAL_FAILURE(Install({kMild}));
    ASSERT_NO_FATAL_FAILURE(Start());
    for (size_t i = 0; i < windows.size(); ++i) {
        SCOPED_TRACE("window " + std::to_string(i));
        const HWND window = windows[i];
        const RECT grip = GripOnScreen(window);
        // Left and top edges belong to the square, right and bottom do not.
        EXPECT_EQ(HitTest(window, POINT{grip.left, grip.top}), HTBOTTOMRIGHT);
        EXPECT_EQ(HitTest(window, POINT{grip.right - 1, grip.top}), HTBOTTOMRIGHT);
        EXPECT_EQ(HitTest(window, POINT{grip.left, grip.bottom - 1}), HTBOTTOMRIGHT);
        EXPECT_EQ(HitTest(window, POINT{(grip.left + grip.right) / 2, (grip.top + grip.bottom) / 2}),
                  HTBOTTOMRIGHT);
        EXPECT_EQ(HitTest(window, POINT{grip.left - 1, grip.top}), HTCLIENT);
        EXPECT_EQ(HitTest(window, POINT{grip.left, grip.top - 1}), HTCLIENT);
        EXPECT_EQ(HitTest(window, POINT{grip.left - 1, grip.bottom - 1}), HTCLIENT);
        // Outside the client area the frame answers as usual.
        const LRESULT beyond = HitTest(window, POINT{grip.right, grip.bottom});
        EXPECT_NE(beyond, HTCLIENT);
    }
}

TEST_F(ProgramLayout, MinimisingAndRestoringMovesNothing)
{
    ASSERT_NO_FATAL_FAILURE(Install({kMild}));
    ASSERT_NO_FATAL_FAILURE(Start());
    const HWND window = windows[0];
    const std::vector<Control> before = program::Controls(window);
    const RECT windowBefore = program::WindowRect(window);

    ShowWindow(window, SW_MINIMIZE);
    ASSERT_TRUE(program::WaitFor([&] { return IsIconic(window) != FALSE; })) << "did not minimise";
    ShowWindow(window, SW_RESTORE);
    ASSERT_TRUE(program::WaitFor([&] { return !IsIconic(window); })) << "did not restore";
    ASSERT_TRUE(program::Send(window, WM_NULL, 0, 0));

    EXPECT_TRUE(program::SameRect(program::WindowRect(window), windowBefore));
    for (const Control& old : before) {
        SCOPED_TRACE(Name(old));
        const RECT now = program::RectIn(old.window, window);
        EXPECT_TRUE(program::SameRect(now, old.rect))
            << "now " << program::Describe(now) << ", was " << program::Describe(old.rect);
    }
    // The layout still knows its size: the next resize moves by the change alone.
    ASSERT_TRUE(Resize(window, 40, 30));
    for (const Control& old : before) {
        if (old.id == program::kRefreshId) {
            const RECT now = program::RectIn(old.window, window);
            EXPECT_TRUE(program::SameRect(now, Offset(old.rect, 40, 30))) << program::Describe(now);
        }
    }
}

}  // namespace
