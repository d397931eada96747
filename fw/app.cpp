// Win32 only. The application object and its message loop.
#include "fw/app.h"

#include "fw/commands.h"

#include <algorithm>

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
    if (!MainWindow() && !StaysWithoutWindows())
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
        if (HWND main = MainWindow())
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

HINSTANCE App::ResourceModule() const { return m_hResources ? m_hResources : ::GetModuleHandleA(nullptr); }

void App::SetResourceModule(HINSTANCE module) { m_hResources = module; }

HINSTANCE App::ResourceModuleFor(LPCSTR type, LPCSTR name) const
{
    if (m_hResources && ::FindResourceA(m_hResources, name, type))
        return m_hResources;
    return ::GetModuleHandleA(nullptr);
}

HWND App::MainWindow() const { return m_hMainWindow && ::IsWindow(m_hMainWindow) ? m_hMainWindow : nullptr; }

void App::AddModeless(HWND dialog)
{
    if (dialog && !IsModeless(dialog))
        m_modeless.push_back(dialog);
}

void App::RemoveModeless(HWND dialog)
{
    m_modeless.erase(std::remove(m_modeless.begin(), m_modeless.end(), dialog), m_modeless.end());
}

bool App::IsModeless(HWND window) const
{
    return window && std::find(m_modeless.begin(), m_modeless.end(), window) != m_modeless.end();
}

HWND App::DefaultOwner() const
{
    HWND base = m_hHandlingWindow && ::IsWindow(m_hHandlingWindow) ? m_hHandlingWindow : MainWindow();
    return base ? ::GetLastActivePopup(base) : nullptr;
}

HWND App::SetHandlingWindow(HWND window)
{
    HWND previous = m_hHandlingWindow;
    m_hHandlingWindow = window;
    return previous;
}

bool App::PreTranslateMessage(MSG& msg)
{
    for (HWND dialog : m_modeless) {
        if (msg.hwnd == dialog || ::IsChild(dialog, msg.hwnd))
            return ::IsDialogMessageA(dialog, &msg) != FALSE;
    }
    return false;
}

int AppMain()
{
    App* app = App::Current();
    if (!app)
        return 0;
    app->InitInstance();
    return app->ExitInstance(app->Run());
}

}  // namespace fw
