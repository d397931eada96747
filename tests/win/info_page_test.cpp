// The info page under Wine: the HTML control with a real browser control, the window
// as the error report's Help command opens it and as it is resized, and template 160
// as the program and the resource library carry it.
#include "fw/dialog.h"
#include "fw/html_view.h"
#include "program_resources.h"
#include "report/report.h"
#include "resource_reader.h"
#include "support/program_driver.h"
#include "support/win_test_util.h"
#include "ui/html_ctrl.h"
#include "ui/info_page.h"
#include "ui/info_page_dialog.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

namespace {

using namespace std::chrono_literals;

constexpr int kPage = 1377;
constexpr const char* kAddress = "file:///\\Docs\\infoID.htm";

RECT Moved(RECT r, int dx, int dy, bool stretch)
{
    r.right += dx;
    r.bottom += dy;
    if (!stretch) {
        r.left += dx;
        r.top += dy;
    }
    return r;
}

// Runs this thread's messages until done() or the timeout.
bool PumpUntil(const std::function<bool()>& done)
{
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

// ---- The HTML control --------------------------------------------------------------

// A window with a static frame where the control goes, as a dialog template makes it.
class HtmlHost : public testing::Test {
protected:
    void SetUp() override
    {
        m_parent.Reset(CreateWindowExA(0, "STATIC", "host", WS_POPUP | WS_VISIBLE, 10, 10, 500, 400, nullptr,
                                       nullptr, nullptr, nullptr));
        ASSERT_TRUE(m_parent);
        m_hFrame = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_BLACKFRAME, 12, 14, 300, 200,
                                   m_parent.Get(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(kPage)), nullptr,
                                   nullptr);
        ASSERT_NE(m_hFrame, nullptr);
    }

    wintest::WindowOwner m_parent;
    HWND m_hFrame = nullptr;
};

class RecordingCtrl : public CHtmlCtrl {
public:
    std::vector<std::string> m_urls;
    std::vector<std::string> m_appLinks;
    HWND Window() const { return m_hWnd; }

protected:
    void OnBeforeNavigate2(const char* url, DWORD flags, const char* targetFrame,
                           const std::vector<uint8_t>& postData, const char* headers, bool& cancel) override
    {
        m_urls.push_back(url);
        CHtmlCtrl::OnBeforeNavigate2(url, flags, targetFrame, postData, headers, cancel);
    }
    void OnAppLink(const char* command) override { m_appLinks.push_back(command); }
};

TEST_F(HtmlHost, ControlTakesTheStaticsPlaceAndTheBrowserFollowsItsSize)
{
    const RECT frameRect = program::RectIn(m_hFrame, m_parent.Get());
    RecordingCtrl ctrl;
    ASSERT_TRUE(ctrl.CreateInPlaceOfStatic(kPage, m_parent.Get()));
    EXPECT_FALSE(IsWindow(m_hFrame));
    HWND view = GetDlgItem(m_parent.Get(), kPage);
    ASSERT_EQ(view, ctrl.Window());
    EXPECT_TRUE(program::SameRect(program::RectIn(view, m_parent.Get()), frameRect));
    EXPECT_NE(ctrl.GetBrowser(), nullptr);

    // The browser's own window sits in the view and is resized with it.
    HWND inner = GetWindow(view, GW_CHILD);
    ASSERT_NE(inner, nullptr);
    MoveWindow(view, 20, 30, 340, 250, TRUE);
    RECT client{};
    GetClientRect(view, &client);
    EXPECT_TRUE(program::SameRect(program::RectIn(inner, view), client));

    // Without such a static nothing is made and the parent is left as it is.
    RecordingCtrl other;
    EXPECT_FALSE(other.CreateInPlaceOfStatic(4242, m_parent.Get()));
    EXPECT_EQ(other.Window(), nullptr);
    EXPECT_EQ(GetWindow(view, GW_HWNDNEXT), nullptr);
}

TEST_F(HtmlHost, AppLinksInAnyCaseAreHandedOnAndNotFollowed)
{
    RecordingCtrl ctrl;
    ASSERT_TRUE(ctrl.CreateInPlaceOfStatic(kPage, m_parent.Get()));
    auto location = [&] {
        BSTR url = nullptr;
        ctrl.GetBrowser()->get_LocationURL(&url);
        const bool empty = SysStringLen(url) == 0;
        SysFreeString(url);
        return empty ? std::string("<none>") : std::string("set");
    };
    // The browser fires BeforeNavigate2 from its own queue, so messages must run.
    for (const char* url : {"app:x", "APP:x", "App:x"}) {
        const size_t seen = ctrl.m_urls.size();
        ASSERT_EQ(ctrl.Navigate(url), S_OK);
        ASSERT_TRUE(PumpUntil([&] { return ctrl.m_urls.size() > seen; })) << url;
        EXPECT_EQ(ctrl.m_urls.back(), url);
    }
    EXPECT_EQ(ctrl.m_appLinks, (std::vector<std::string>{"x", "x", "x"}));
    EXPECT_EQ(location(), "<none>") << "a cancelled link was followed";

    // apple.htm is a page: it is navigated to.
    ASSERT_EQ(ctrl.Navigate("apple.htm"), S_OK);
    ASSERT_TRUE(PumpUntil([&] { return location() == "set"; }));
    EXPECT_EQ(ctrl.m_appLinks.size(), 3u);
}

TEST_F(HtmlHost, DestroyingTheWindowClosesTheBrowserAndLetsGoOfIt)
{
    RecordingCtrl ctrl;
    ASSERT_TRUE(ctrl.CreateInPlaceOfStatic(kPage, m_parent.Get()));
    fw::ComPtr<IOleObject> object;
    ASSERT_EQ(ctrl.GetBrowser()->QueryInterface(IID_IOleObject, object.OutVoid()), S_OK);
    m_parent.Reset();
    EXPECT_EQ(ctrl.Window(), nullptr);
    EXPECT_EQ(ctrl.GetBrowser(), nullptr);
    // The browser no longer holds our container.
    fw::ComPtr<IOleClientSite> site;
    object->GetClientSite(site.Out());
    EXPECT_FALSE(site);
}

// A view that owns itself, as the base class expects, counting its end.
class SelfOwnedView : public fw::HtmlView {
public:
    explicit SelfOwnedView(int& deleted) : m_nDeleted(deleted) {}
    ~SelfOwnedView() override { ++m_nDeleted; }

private:
    int& m_nDeleted;
};

TEST_F(HtmlHost, ViewDeletesItselfAfterItsLastMessageButNotWhenCreateFails)
{
    int deleted = 0;
    const RECT rect{0, 0, 100, 100};
    ASSERT_TRUE((new SelfOwnedView(deleted))->Create(nullptr, nullptr, WS_CHILD, rect, m_parent.Get(), 5));
    m_parent.Reset();
    EXPECT_EQ(deleted, 1);

    // A child window without a parent cannot be made; the object stays the caller's.
    auto* orphan = new SelfOwnedView(deleted);
    EXPECT_FALSE(orphan->Create(nullptr, nullptr, WS_CHILD, rect, nullptr, 5));
    EXPECT_EQ(deleted, 1);
    delete orphan;
}

// ---- The info page window ----------------------------------------------------------

// A visible dialog of this process with the page's place in it, other than except.
HWND WaitForInfoPage(HWND except = nullptr)
{
    return wintest::WaitForWindowWithControl(kPage, except, 20s);
}

// Closes a window a failed check left open, so the test never hangs in a modal loop.
void CloseIfOpen(HWND dialog)
{
    if (dialog && IsWindow(dialog)) {
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        wintest::WaitUntilGone(dialog, 5s);
    }
}

// The info page with the choice of a browser made by the test: one even where nothing
// can be rendered (Wine without its HTML engine still makes the control), or none.
class TestPage : public InfoPageDialog {
public:
    TestPage(const char* pageId, bool browser) : InfoPageDialog(pageId, nullptr), m_bBrowser(browser) {}

    // Shows the window, runs watch on a worker thread with it, and closes it if watch
    // did not. Returns what the modal run returned; -2 when no window appeared.
    INT_PTR Run(const std::function<void(HWND)>& watch)
    {
        std::atomic<bool> found{false};
        std::thread worker([&] {
            HWND page = WaitForInfoPage();
            found = page != nullptr;
            if (page)
                watch(page);
            CloseIfOpen(page);
        });
        const INT_PTR result = DoModal();
        worker.join();
        return found ? result : -2;
    }

    // Where the template puts OK and the frame, in this window's pixels, measured on
    // the window's own thread (Wine's MapDialogRect from another thread uses the
    // system's base units, not the dialog's).
    RECT m_rcOk{};
    RECT m_rcFrame{};

protected:
    bool CanShowHtml() override { return m_bBrowser; }
    BOOL OnInitDialog() override
    {
        // The dialog manager converts corner and size each on its own.
        RECT ok{365, 355, 50, 15}, frame{10, 10, 405, 337};
        MapDialogRect(m_hWnd, &ok);
        MapDialogRect(m_hWnd, &frame);
        m_rcOk = RECT{ok.left, ok.top, ok.left + ok.right, ok.top + ok.bottom};
        m_rcFrame = RECT{frame.left, frame.top, frame.left + frame.right, frame.top + frame.bottom};
        return InfoPageDialog::OnInitDialog();
    }

private:
    bool m_bBrowser;
};

struct Layout {
    RECT client{}, ok{}, page{};
};

Layout LayoutOf(HWND dialog)
{
    Layout layout;
    GetClientRect(dialog, &layout.client);
    layout.ok = program::RectIn(GetDlgItem(dialog, IDOK), dialog);
    layout.page = program::RectIn(GetDlgItem(dialog, kPage), dialog);
    return layout;
}

// Changes the window's outer size by dx, dy, as dragging its frame does.
void ResizeBy(HWND window, int dx, int dy)
{
    RECT r{};
    GetWindowRect(window, &r);
    SetWindowPos(window, nullptr, 0, 0, r.right - r.left + dx, r.bottom - r.top + dy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

TEST(InfoPageDialog, OkKeepsToTheLowerRightThePageFillsTheRestAndMinimisingMovesNothing)
{
    for (bool browser : {true, false}) {
        SCOPED_TRACE(browser ? "with a browser" : "without one");
        TestPage dialog("infoID", browser);
        Layout start, grown, minimised, restored, shrunk;
        std::string pageClass;
        const INT_PTR result = dialog.Run([&](HWND page) {
            pageClass = wintest::ClassName(GetDlgItem(page, kPage));
            start = LayoutOf(page);
            ResizeBy(page, 40, 30);
            grown = LayoutOf(page);
            ShowWindow(page, SW_MINIMIZE);
            minimised = LayoutOf(page);
            ShowWindow(page, SW_RESTORE);
            restored = LayoutOf(page);
            ResizeBy(page, -140, -100);
            shrunk = LayoutOf(page);
            DWORD_PTR ignored = 0;
            SendMessageTimeoutA(page, WM_SYSCOMMAND, SC_CLOSE, 0, SMTO_NORMAL, 10000, &ignored);
        });
        EXPECT_EQ(result, IDCANCEL) << "the close box ends the window";
        EXPECT_EQ(pageClass, browser ? "fwHtmlView" : "Static");
        EXPECT_TRUE(program::SameRect(start.ok, dialog.m_rcOk));
        EXPECT_TRUE(program::SameRect(start.page, dialog.m_rcFrame));
        EXPECT_EQ(grown.client.right - start.client.right, 40);
        EXPECT_EQ(grown.client.bottom - start.client.bottom, 30);
        EXPECT_TRUE(program::SameRect(grown.ok, Moved(start.ok, 40, 30, false)));
        EXPECT_TRUE(program::SameRect(grown.page, Moved(start.page, 40, 30, true)));
        EXPECT_TRUE(program::SameRect(minimised.ok, grown.ok));
        EXPECT_TRUE(program::SameRect(minimised.page, grown.page));
        EXPECT_TRUE(program::SameRect(restored.ok, grown.ok));
        EXPECT_TRUE(program::SameRect(restored.page, grown.page));
        // Below the template's size OK moves up and left and the page shrinks alike.
        EXPECT_TRUE(program::SameRect(shrunk.ok, Moved(grown.ok, -140, -100, false)));
        EXPECT_TRUE(program::SameRect(shrunk.page, Moved(grown.page, -140, -100, true)));
    }
}

TEST(InfoPageDialog, WithoutABrowserOrAnAddressThePagesPlaceSaysWhy)
{
    // No browser is made for a page without an address, even where one could be.
    const std::string tooLong(kPageIdSize, 'p');
    for (const auto& [id, browser, shown] : {std::tuple{"infoID", false, kAddress},
                                             std::tuple{tooLong.c_str(), true, "too long"}}) {
        TestPage dialog(id, browser);
        std::string pageClass, text;
        EXPECT_EQ(dialog.Run([&](HWND page) {
            pageClass = wintest::ClassName(GetDlgItem(page, kPage));
            text = wintest::ControlText(page, kPage);
            wintest::ClickButton(page, IDOK);
        }),
                  IDOK);
        EXPECT_EQ(pageClass, "Static");
        EXPECT_NE(text.find(shown), std::string::npos) << text;
    }
}

TEST(InfoPageDialog, WhatThePagesPlaceSaysComesFromTheStringTableEntryByEntry)
{
    // A resource library with its own text for a page that cannot be shown here, and
    // none for a page that cannot be opened, which then reads as the program has it.
    wintest::ModuleOwner library(wintest::LoadAsDataFile(wintest::WinePath(KESTRAVA_PARTIAL_DLL)));
    ASSERT_TRUE(library);
    wintest::ResourceModuleScope scope(library.Get());
    const std::string tooLong(kPageIdSize, 'p');
    const std::string noEngine = std::string("library: no HTML engine\r\n\r\n") + kAddress;
    for (const auto& [id, browser, shown] :
         {std::tuple{"infoID", false, noEngine.c_str()},
          std::tuple{tooLong.c_str(), true, "This page cannot be opened: its name is too long."}}) {
        TestPage dialog(id, browser);
        std::string text;
        dialog.Run([&](HWND page) { text = wintest::ControlText(page, kPage); });
        EXPECT_EQ(text, shown);
    }
}

TEST(InfoPageFromReport, EscapeOpensThePageOverTheReportWhichStaysOpenBehindIt)
{
    wintest::WindowOwner main(CreateWindowExA(0, "STATIC", "main", WS_POPUP | WS_VISIBLE, 0, 0, 200, 100, nullptr,
                                              nullptr, nullptr, nullptr));
    ASSERT_TRUE(main);
    wintest::MainWindowScope scope(main.Get());

    HWND report = nullptr, page = nullptr, pageOwner = nullptr;
    std::string caption, pageText;
    bool reportBehind = false, reportDisabled = false, okAtLowerRight = false;
    bool pageClosed = false, reportAfter = false, reportClosed = false;
    std::atomic<bool> returned{false};
    std::thread worker([&] {
        report = wintest::WaitForDialog("Kestrava");
        if (!report)
            return;
        wintest::PressEscape(report);
        page = WaitForInfoPage(report);
        if (page) {
            caption = wintest::WindowText(page);
            pageOwner = GetWindow(page, GW_OWNER);
            pageText = wintest::ControlText(page, kPage);
            reportBehind = IsWindowVisible(report) && !returned;
            reportDisabled = !IsWindowEnabled(report);
            // The template leaves OK as far from the lower-right corner as the page is
            // from the upper-left one.
            const Layout layout = LayoutOf(page);
            okAtLowerRight = std::abs(layout.client.right - layout.ok.right - layout.page.left) <= 1 &&
                             std::abs(layout.client.bottom - layout.ok.bottom - layout.page.top) <= 1;
            wintest::ClickButton(page, IDOK);
            pageClosed = wintest::WaitUntilGone(page);
            reportAfter = IsWindowVisible(report) && IsWindowEnabled(report) && !returned;
        }
        CloseIfOpen(page);
        wintest::ClickButton(report, IDOK);
        reportClosed = wintest::WaitUntilGone(report);
        CloseIfOpen(report);
    });
    ReportError("with a page behind Escape", 0, nullptr, 0, 0, 0);
    returned = true;
    worker.join();

    ASSERT_NE(page, nullptr) << "Escape opened no info page";
    EXPECT_EQ(caption, "Kestrava");
    EXPECT_EQ(pageOwner, report);
    EXPECT_TRUE(reportBehind);
    EXPECT_TRUE(reportDisabled) << "the report must wait while the page is open";
    EXPECT_TRUE(okAtLowerRight);
    // This machine's own choice: a browser where pages render, else the address.
    if (!fw::HtmlView::CanRenderHtml()) {
        EXPECT_NE(pageText.find(kAddress), std::string::npos) << pageText;
    }
    EXPECT_TRUE(pageClosed);
    EXPECT_TRUE(reportAfter) << "the report must be usable again after the page";
    EXPECT_TRUE(reportClosed);
}

// ---- Template 160 ------------------------------------------------------------------

TEST(InfoPageResources, ProgramAndResourceLibrariesCarryTemplate160AsTabled)
{
    auto box = [](const auto& item) { return std::vector<int>({item.x, item.y, item.cx, item.cy}); };
    for (const std::string& path : {wintest::ProgramExe(), wintest::WinePath(KESTRAVA_RES_DLL),
                                    wintest::WinePath(KESTRAVA_RES_FR_DLL), wintest::WinePath(KESTRAVA_RES_ES_DLL)}) {
        SCOPED_TRACE(path);
        wintest::ModuleOwner module(wintest::LoadAsDataFile(path));
        ASSERT_TRUE(module);
        wintest::DialogTemplate dialog;
        ASSERT_TRUE(wintest::ReadDialogTemplate(module.Get(), 160, dialog)) << "no template 160";
        // Sizing border and close box; no modal frame, no centring style.
        EXPECT_EQ(dialog.style, static_cast<DWORD>(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | DS_SETFONT));
        EXPECT_EQ(box(dialog), std::vector<int>({0, 0, 425, 380}));
        EXPECT_EQ(dialog.caption + "|" + std::to_string(dialog.pointSize) + "|" + dialog.font, "Kestrava|8|MS Sans Serif");
        ASSERT_EQ(dialog.items.size(), 2u);
        const wintest::DialogItem& ok = dialog.items[0];
        const wintest::DialogItem& frame = dialog.items[1];
        EXPECT_EQ(ok.id, IDOK);
        EXPECT_EQ(ok.className + "|" + ok.text, "button|OK");
        EXPECT_EQ(ok.style, static_cast<DWORD>(WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON));
        EXPECT_EQ(box(ok), std::vector<int>({365, 355, 50, 15}));
        EXPECT_EQ(frame.id, kPage);
        EXPECT_EQ(frame.className + "|" + frame.text, "static|");
        EXPECT_EQ(frame.style, static_cast<DWORD>(WS_CHILD | WS_VISIBLE | SS_BLACKFRAME | SS_SUNKEN));
        EXPECT_EQ(box(frame), std::vector<int>({10, 10, 405, 337}));
        EXPECT_EQ(dialog.exStyle | ok.exStyle | frame.exStyle, 0u);
    }
}

}  // namespace
