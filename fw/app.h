// Win32 only. The application object: start-up, the message loop and what the window
// layer keeps for the whole program (the resource module, the main window, the
// modeless dialogs the loop gives keyboard navigation to).
#pragma once

#include <windows.h>

#include <vector>

namespace fw {

class App {
public:
    // The one application object of the program; it registers itself.
    App();
    virtual ~App();
    App(const App&) = delete;
    App& operator=(const App&) = delete;

    static App* Current();

    // Creates the program's windows. The result is not examined.
    virtual BOOL InitInstance();
    // Runs the message loop until the quit message and returns its code. With no main
    // window after start-up there is nothing to wait for, and it returns 0 at once,
    // unless the program stays without windows.
    virtual int Run();
    // Whether the program goes on with no window of its own shown. No, unless overridden.
    virtual bool StaysWithoutWindows() const { return false; }
    // Runs after the loop; returns the process's exit code.
    virtual int ExitInstance(int code);

    // Commands that no window handled: Quit closes the main window, Help runs OnHelp.
    // Returns true when handled.
    virtual bool OnCommand(UINT id);
    // The Help command (F1). Does nothing unless overridden.
    virtual void OnHelp();

    // The resource library set, or the program itself when none is.
    HINSTANCE ResourceModule() const;
    virtual void SetResourceModule(HINSTANCE module);
    // The module a dialog template, menu, icon or bitmap is loaded from: the resource
    // library when it holds that resource, else the program itself. A library may be
    // incomplete (a translation that lacks a window, say), and each resource it lacks
    // still comes from the program. type and name as FindResource takes them (an icon
    // is found by its group, RT_GROUP_ICON).
    HINSTANCE ResourceModuleFor(LPCSTR type, LPCSTR name) const;

    // The main window, the default owner of modal dialogs; null when there is none or
    // it has been destroyed. The window layer never destroys it.
    HWND MainWindow() const;
    void SetMainWindow(HWND window) { m_hMainWindow = window; }

    // The modeless dialogs alive, each given its keyboard navigation by the loop.
    void AddModeless(HWND dialog);
    void RemoveModeless(HWND dialog);
    bool IsModeless(HWND window) const;

    // The owner a modal dialog gets when none is named: the pop-up last active over the
    // window whose handler is running (a modeless dialog's), else over the main window.
    // So a report raised by a window opens over that window, and one opened from
    // inside a report stacks on top of it.
    HWND DefaultOwner() const;
    // While a modeless dialog handles a message it is the window dialogs belong to.
    // Returns the one it replaces, for the caller to put back.
    HWND SetHandlingWindow(HWND window);

protected:
    // Gives a message to the modeless dialogs' keyboard navigation before dispatch.
    virtual bool PreTranslateMessage(MSG& msg);

private:
    HINSTANCE m_hResources = nullptr;
    HWND m_hMainWindow = nullptr;
    HWND m_hHandlingWindow = nullptr;
    std::vector<HWND> m_modeless;
};

// The program's entry: InitInstance, Run, ExitInstance. Returns the exit code.
int AppMain();

}  // namespace fw
