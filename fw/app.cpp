#include "fw/app.h"

#include "fw/dialog.h"

namespace fw {

namespace {
App* g_app = nullptr;
}

App::App() { g_app = this; }

App::~App()
{
    if (g_app == this)
        g_app = nullptr;
}

App* App::Current() { return g_app; }

BOOL App::InitInstance() { return TRUE; }

int App::Run()
{
    if (!MainWindow() || !::IsWindow(MainWindow()))
        return 0;
    MSG msg{};
    for (;;) {
        BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0)
            return static_cast<int>(msg.wParam);
        if (got == -1)
            return 0;
        if (PreTranslateMessage(msg))
            continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
}

int App::ExitInstance(int code) { return code; }

bool App::OnCommand(UINT id)
{
    switch (id) {
    case kIdAppExit:
        // Closing the main window ends the program the way its close box does.
        if (HWND main = MainWindow(); main && ::IsWindow(main))
            ::SendMessageA(main, WM_CLOSE, 0, 0);
        return true;
    case kIdHelp:
        OnHelp();
        return true;
    default:
        return false;
    }
}

void App::OnHelp() {}

bool App::PreTranslateMessage(MSG& msg) { return Dialog::PreTranslateModeless(msg); }

int AppMain()
{
    App* app = App::Current();
    if (!app)
        return 0;
    app->InitInstance();
    return app->ExitInstance(app->Run());
}

}  // namespace fw
