// Win32 only. The window of one monitor: its profiles in a list, the view to choose,
// and the selection that makes a profile the monitor's default and downloads its
// calibration.
#pragma once

#include "cms/desktop_snapshot.h"
#include "cms/keeper_set.h"
#include "fw/dialog.h"
#include "platform/platform.h"
#include "ui/calibration_commands.h"
#include "ui/profile_list_box.h"
#include "ui/settings.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// What a monitor window asks of the program it belongs to, which keeps every monitor's
// calibration and holds the settings: the window shows and commands.
class MonitorWindowHost {
public:
    virtual ~MonitorWindowHost() = default;
    virtual const Settings& CurrentSettings() const = 0;
    // The window loaded a calibration into its monitor's ramp (a selection, Reload), or
    // the load failed, or it put the linear ramp back.
    virtual void CalibrationLoaded(MonitorHandle monitor, const std::string& path, const LoadedRamp& ramp) = 0;
    virtual void CalibrationFailed(MonitorHandle monitor) = 0;
    virtual void RampReset(MonitorHandle monitor, const LoadedRamp& ramp) = 0;
    // How the program keeps the monitor's calibration, and whether HDR is on there.
    virtual KeepState KeepStateOf(MonitorHandle monitor) const = 0;
    virtual bool IsAdvancedColor(MonitorHandle monitor) const = 0;
    // Turns over one of the settings the window menu shows.
    virtual void ToggleSetting(CalibrationAction action) = 0;
    // A notice of the system's that a window heard (a display change, a resume, a
    // session change): answered at once, acted on after the sender has returned.
    virtual void SystemNotice(UINT message, WPARAM wParam) = 0;
};

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
    // closes; then, and only then, the result is false (a window closed because its
    // monitor went meanwhile ends nothing).
    bool OwnSelf();

    // The monitor windows alive, in the order they were made.
    static const std::vector<MonitorProfileDialog*>& Windows() { return s_windows; }
    // The window of a monitor, not one that is closing because its monitor went; null
    // when there is none. Looked up each time: a report's modal loop may close any.
    static MonitorProfileDialog* Find(const MonitorIdentity& identity);
    // The monitor this window shows, as it was made for it.
    const MonitorIdentity& Identity() const { return m_identity; }
    MonitorHandle Monitor() const { return m_hMonitor; }
    // The desktop changed and the monitor is still there, maybe under a new handle:
    // caption and position are checked again.
    void MonitorMoved(MonitorHandle monitor);
    // The monitor is gone: the window closes, ending the program only when it was the
    // last window.
    void MonitorGone();
    // A setting changed: the menu's marks and the rows' tooltips follow.
    void SettingsChanged();
    // The message box this window owns, with the caption the program's windows use.
    // It never takes the focus from another program.
    void ShowMessage(const std::string& text, UINT type) const;
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

private:
    // Below this size the controls would run into each other and the list vanish.
    void OnGetMinMaxInfo(MINMAXINFO& info) const;
    // The description of the monitor, as the caption and the messages show it.
    std::string MonitorDescription() const;
    // Adds the calibration commands to the window menu, and sets their marks.
    void AddCalibrationCommands();
    void UpdateCalibrationCommands();
    // What the rows' tooltips depend on besides the profile.
    void UpdateVerdictContext();
    // Loads the selected profile's calibration, telling the program what came of it;
    // selecting also makes it the monitor's default.
    void ApplySelected(bool select);

    static std::vector<MonitorProfileDialog*> s_windows;
    int m_nView = 1;   // 0: all monitor profiles; otherwise: those associated with the monitor
    HICON m_hIcon = nullptr;
    int m_nLastSel = -1;
    MonitorHandle m_hMonitor;
    RECT m_rcClient{};
    RECT m_rcGrip{};
    ProfileListBox m_ProfileList;
    POINT m_ptMinTrack{};   // the smallest window size: none until the window is laid out
    MonitorIdentity m_identity;
    MonitorWindowHost* m_pHost = nullptr;   // the program; none in a bare test window
    Settings m_noSettings;                  // what a window without a program goes by
    bool m_bMonitorGone = false;   // closed because its monitor went: not an end
};

// Places a top-level window on a monitor's full rectangle: mode 1 centres it, mode 4
// makes it fill the monitor; other modes do nothing.
void CenterOnMonitor(HWND window, MonitorHandle monitor, int mode);
