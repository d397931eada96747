// Win32 only. The window of one monitor: its profiles in a list, the view to choose,
// and the selection that makes a profile the monitor's default and downloads its
// calibration.
#pragma once

#include "cms/calibration_keeper.h"
#include "fw/dialog.h"
#include "platform/platform.h"
#include "ui/profile_list_box.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// The calibration commands each monitor window adds to its window menu.
constexpr UINT kCmdReloadCalibration = 0x1010;
constexpr UINT kCmdVerifyCalibration = 0x1020;
constexpr UINT kCmdResetToLinear = 0x1030;
constexpr UINT kCmdKeepLoaded = 0x1040;
constexpr UINT kCmdLoadAtLogon = 0x1050;
constexpr UINT kCmdExtendedTables = 0x1060;

class MonitorProfileDialog : public fw::Dialog {
public:
    // Creates the modeless window for the monitor and runs its whole initialisation:
    // shown, centred on the monitor, captioned, filled. parent is not used: the window
    // is created without one. The creator hands the object over with OwnSelf.
    MonitorProfileDialog(HWND parent, MonitorHandle monitor);
    ~MonitorProfileDialog() override;

    // Hands the object over to itself: from now on it is deleted after its window is
    // destroyed. When the window could not be made, the object is deleted at once and
    // nothing else happens. When it was closed while it was being built (a report of
    // its own open), the object is deleted and the program ends as when any window
    // closes; then, and only then, the result is false.
    bool OwnSelf();

    // The monitor windows alive, in the order they were made.
    static const std::vector<MonitorProfileDialog*>& Windows() { return s_windows; }
    // The adapter this window's monitor is on (\\.\DISPLAYn), as it was last found.
    const std::string& AdapterName() const { return m_adapterName; }
    // The desktop changed and the monitor is still there, maybe under a new handle:
    // caption and position are checked again, and the kept calibration comes back.
    void MonitorMoved(MonitorHandle monitor);
    // The monitor is gone: the window closes, ending the program only when it was the
    // last window.
    void MonitorGone();
protected:
    void DoDataExchange(bool save) override;
    void PostNcDestroy() override;
    BOOL OnInitDialog() override;
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool OnCommand(UINT id, UINT code, HWND control) override;
    // Enter and Esc: the window has no OK or Cancel button; neither key should make a
    // monitor's window vanish while the program keeps running.
    void OnOK() override {}
    void OnCancel() override {}

    virtual void OnPaint();
    virtual HICON OnQueryDragIcon();
    virtual void OnClose();
    virtual void OnSize(UINT type, int cx, int cy);
    virtual void OnSelChangeProfile();
    virtual void OnRefresh();
    virtual void OnViewChanged();
    virtual LRESULT OnNcHitTest(POINT screenPoint);
    virtual void OnAppAbout();
    // F1: the info page, over this window.
    virtual void OnHelp();
    virtual int FillProfileList();
    virtual void GetSizeGripRect(RECT& rc);

    // The window menu's calibration commands; false for a command that is not one.
    virtual bool OnCalibrationCommand(UINT command);
    // Writes the selected profile's calibration again; failures are reported.
    virtual void OnReloadCalibration();
    // Says in a message box whether the selected profile's calibration is in the ramp.
    virtual void OnVerifyCalibration();
    virtual void OnResetToLinear();
    // Writes the kept ramp again when the monitor's ramp no longer holds it.
    virtual void KeepCalibration();

private:
    // Below this size the controls would run into each other and the list vanish.
    void OnGetMinMaxInfo(MINMAXINFO& info) const;
    // The description of the monitor, as the caption and the messages show it.
    std::string MonitorDescription() const;
    // Adds the calibration commands to the window menu, and sets their check marks.
    void AddCalibrationCommands();
    void UpdateCalibrationCommands();
    // The ramp of this window was written: it is kept, and the other windows learn it.
    void RampWritten(const std::string& path);
    void OthersWroteRamp();
    // A message box owned by this window with the caption the program's windows use.
    void ShowMessage(const std::string& text, UINT type) const;

    static std::vector<MonitorProfileDialog*> s_windows;
    int m_nView = 1;   // 0: all monitor profiles; otherwise: those associated with the monitor
    HICON m_hIcon = nullptr;
    int m_nLastSel = -1;
    MonitorHandle m_hMonitor;
    RECT m_rcClient{};
    RECT m_rcGrip{};
    ProfileListBox m_ProfileList;
    POINT m_ptMinTrack{};   // the smallest window size: none until the window is laid out
    CalibrationKeeper m_keeper;
    std::string m_adapterName;
    UINT_PTR m_nKeepTimer = 0;
    bool m_bSessionNotices = false;
    bool m_bMonitorGone = false;   // closed because its monitor went: not an end
};

// Places a top-level window on a monitor's full rectangle: mode 1 centres it, mode 4
// makes it fill the monitor; other modes do nothing.
void CenterOnMonitor(HWND window, MonitorHandle monitor, int mode);
