// The application object: start-up, the message loop and the commands that belong to
// the application rather than to one window.
#pragma once

#include <windows.h>

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
    // window after start-up there is nothing to wait for, and it returns 0 at once.
    virtual int Run();
    // Runs after the loop; returns the process's exit code.
    virtual int ExitInstance(int code);

    // Commands that no window handled: Quit closes the main window, Help runs OnHelp.
    // Returns true when handled.
    virtual bool OnCommand(UINT id);
    // The Help command (F1). Does nothing unless overridden.
    virtual void OnHelp();

protected:
    // Gives a message to the modeless dialogs' keyboard navigation before dispatch.
    virtual bool PreTranslateMessage(MSG& msg);
};

// The program's entry: InitInstance, Run, ExitInstance. Returns the exit code.
int AppMain();

}  // namespace fw
