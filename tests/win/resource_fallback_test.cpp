// A resource library that lacks most of the program's resources: whatever it lacks
// (the menu its window names, the report, a picture, a string) still comes from the
// program, resource by resource, in the test program and in the built program with
// the library beside it.
#include "fw/dialog.h"
#include "program_resources.h"
#include "support/program_fixture.h"
#include "ui/about_dialog.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

std::string OwnString(uint32_t id)
{
    Win32Platform own;
    std::string text;
    own.LoadResourceString(id, text);
    return text;
}

HMODULE LoadPartialLibrary() { return wintest::LoadAsDataFile(wintest::WinePath(KESTRAVA_PARTIAL_DLL)); }

TEST(PartialLibrary, EachStringItLacksComesFromTheProgram)
{
    wintest::ModuleOwner library(LoadPartialLibrary());
    ASSERT_TRUE(library);
    wintest::ExpectPlatformReads(library.Get(), std::vector<std::pair<uint32_t, std::string>>{
                                                    {217, "library: select another"},
                                                    {1000, "library: no HTML engine"},
                                                    {209, OwnString(209)},   // the block of 217
                                                    {505, OwnString(505)},   // a block it lacks
                                                    {1001, OwnString(1001)},
                                                });
}

// The About box, read inside its initialisation, which then ends it unseen.
class ReadAboutBox : public AboutDialog {
public:
    SIZE m_picture{};
    std::string m_version;

protected:
    BOOL OnInitDialog() override
    {
        AboutDialog::OnInitDialog();
        HWND picture = GetWindow(GetDlgItem(m_hWnd, IDOK), GW_HWNDNEXT);
        BITMAP bitmap{};
        auto image = reinterpret_cast<HBITMAP>(SendMessageA(picture, STM_GETIMAGE, IMAGE_BITMAP, 0));
        if (image && GetObjectA(image, sizeof bitmap, &bitmap))
            m_picture = {bitmap.bmWidth, bitmap.bmHeight};
        m_version = wintest::WindowText(GetWindow(picture, GW_HWNDNEXT));
        EndDialog(IDOK);
        return TRUE;
    }
};

TEST(PartialLibrary, AboutBoxWithoutItsPictureShowsTheProgramsPicture)
{
    wintest::ModuleOwner library(LoadPartialLibrary());
    ASSERT_TRUE(library);
    wintest::ResourceModuleScope scope(library.Get());
    ReadAboutBox about;
    EXPECT_EQ(about.DoModal(nullptr), IDOK);
    EXPECT_EQ(about.m_version, "library: version 1.0.8.1");
    EXPECT_EQ(about.m_picture.cx, 500);
    EXPECT_EQ(about.m_picture.cy, 150);
}

// Where a window's client area lies: its size, and how far below the window's top it
// starts (caption and menu bar). Another process's menu cannot be read under Wine;
// this can.
struct ClientPlace {
    LONG width = 0, height = 0, top = 0;
};

ClientPlace ClientPlaceOf(HWND window)
{
    RECT client{}, frame{};
    POINT origin{0, 0};
    GetClientRect(window, &client);
    GetWindowRect(window, &frame);
    ClientToScreen(window, &origin);
    return ClientPlace{client.right, client.bottom, origin.y - frame.top};
}

class ProgramBesidePartialLibrary : public programtest::ProgramBesideLibrary {};

TEST_F(ProgramBesidePartialLibrary, ItsWindowsKeepTheProgramsMenuReportsAndTexts)
{
    // The program's own monitor window, made here from the same template.
    fw::Dialog ownWindow(102);
    ASSERT_TRUE(ownWindow.Create(nullptr));
    const ClientPlace own = ClientPlaceOf(ownWindow.Handle());
    DestroyWindow(ownWindow.Handle());

    ASSERT_NO_FATAL_FAILURE(Install({programtest::kMild, programtest::kNoCalibration}));
    ASSERT_NO_FATAL_FAILURE(Start(CopyWith(KESTRAVA_PARTIAL_DLL)));
    for (HWND window : windows) {
        EXPECT_EQ(wintest::ControlText(window, program::kViewAllId), "library: all") << "not the library's window";
        EXPECT_NE(GetMenu(window), nullptr) << "no menu";
        // A menu bar above a client area of the template's size, as in the program's own.
        const ClientPlace place = ClientPlaceOf(window);
        EXPECT_EQ(place.top, own.top);
        EXPECT_EQ(place.width, own.width);
        EXPECT_EQ(place.height, own.height);
    }

    // A report still opens, in the program's window, each text from where it is.
    const HWND list = List(0);
    ASSERT_TRUE(program::ClickRow(list, program::RowOf(list, "kv-novcgt")));
    const HWND report = app->WaitForReport();
    ASSERT_NE(report, nullptr) << "no report";
    EXPECT_EQ(wintest::ControlText(report, program::kReportMessageId),
              "Sorry, no calibration data was found in the profile \"kv-novcgt\" for monitor \"" +
                  monitors[0].deviceString + "\". library: select another (1168)");
    wintest::ClickButton(report, IDOK);
    EXPECT_TRUE(wintest::WaitUntilGone(report));
}

}  // namespace
