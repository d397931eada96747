// Win32 only. The window of one monitor: its profiles in a list, the view to choose,
// and the selection that makes a profile the monitor's default and downloads its
// calibration.
#pragma once

#include "cms/desktop_snapshot.h"
#include "fw/dialog.h"
#include "fw/dialog_layout.h"
#include "fw/gdi.h"
#include "fw/window_icons.h"
#include "platform/platform.h"
#include "ui/curves_dialog.h"
#include "ui/monitor_calibration.h"
#include "ui/monitor_window_host.h"
#include "ui/profile_list_box.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

class MonitorProfileDialog : public fw::Dialog, public MonitorView {
public:
    // Creates the modeless window for the monitor it is handed and runs its whole
    // initialisation: shown, centred on the monitor, captioned, filled. It belongs to
    // host, with which it registers at once. The creator hands the object over with
    // OwnSelf.
    MonitorProfileDialog(const DesktopMonitor& monitor, MonitorWindowHost& host);
    ~MonitorProfileDialog() override;

    // Hands the object over to itself: from now on it is deleted after its window is
    // destroyed. When the window could not be made, the object is deleted at once and
    // nothing else happens. When it was closed while it was being built (a report of
    // its own open), the object is deleted and the host told as when any window
    // closes; then, and only then, the result is false (a window the program closed
    // meanwhile ends nothing).
    bool OwnSelf();

    MonitorHandle Monitor() const { return m_hMonitor; }

    // ---- MonitorView ----
    const MonitorIdentity& Identity() const override { return m_identity; }
    // Caption and position are checked again.
    void MonitorMoved(const DesktopMonitor& monitor) override;
    void Close() override;
    // The menu's marks, the rows' tooltips and the curves window follow.
    void SettingsChanged() override;
    // The curves window reads the ramp again.
    void RampsChecked() override;
    void ShowMessage(const std::string& text, bool warning) override
    {
        MonitorCalibration::ShowMessage(m_hWnd, text, warning ? MB_ICONWARNING : MB_ICONINFORMATION);
    }
    void BringToFront() override;
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
    // The window moved to a monitor of another DPI: it takes the suggested rectangle, its
    // icons for the new DPI, and lays its controls out again from the layout as made,
    // scaled as its font was; its smallest size follows in the same proportion.
    void OnDpiChanged(SIZE oldUnits, const RECT* suggested) override;

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
    // The window menu's calibration commands (Reload, Verify, Reset and the settings);
    // false for a command that is not one.
    virtual bool OnCalibrationCommand(UINT command);
    // The window menu's "Show calibration curves": the monitor's curves window, opened,
    // or brought to the front when it is open.
    virtual void OnShowCurves();

private:
    // Below this size the controls would run into each other and the list vanish.
    void OnGetMinMaxInfo(MINMAXINFO& info) const;
    // The smallest window size for the controls as laid out now.
    void UpdateMinimum();

    // The window's big and small icons, at the window's DPI.
    void LoadIcons();
    // The description of the monitor, as the caption and the messages show it.
    std::string MonitorDescription() const;
    // What the rows' tooltips depend on besides the profile.
    void UpdateVerdictContext();
    // The selected profile's path; empty when none is selected.
    std::string SelectedPath() const;
    // What the curves window shows, as the window has it now.
    CurvesDialog::Subject CurvesSubject() const;
    // Tells the curves window, when open, that the selection, a setting or the monitor
    // changed.
    void FollowCurves();

    int m_nView = 1;   // 0: all monitor profiles; otherwise: those associated with the monitor
    fw::WindowIcons m_icons;
    int m_nLastSel = -1;
    MonitorHandle m_hMonitor;
    RECT m_rcGrip{};
    ProfileListBox m_ProfileList;
    POINT m_ptMinTrack{};   // the smallest window size: none until the window is laid out
    fw::DialogLayout m_layout;
    MonitorIdentity m_identity;
    std::string m_description;   // the monitor's, as the caption and the messages show it
    MonitorCalibration m_calibration;
    bool m_bClosedByProgram = false;   // the program closed it: not the user's request
    CurvesDialog* m_pCurves = nullptr;   // the curves window while it is open; it owns itself
};
