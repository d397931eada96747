// Win32 only. The calibration curves window of a monitor window: the selected profile's
// table and the video card's ramp, per channel, on axes 0 to 255 in and 0 to 100 % out,
// with a legend and Verify's verdict below; or why there is nothing to plot. Modeless,
// owned by its monitor window (so it closes with it), resizable, at its monitor's DPI.
// Its geometry is ui/curve_plot's, its content ui/calibration_curves'.
#pragma once

#include "cms/keeper_set.h"
#include "fw/dialog.h"
#include "platform/platform.h"
#include "ui/calibration_curves.h"
#include "ui/curve_plot.h"

#include <windows.h>

#include <functional>
#include <string>

class CurvesDialog : public fw::Dialog {
public:
    // What the window shows, as its monitor window has it now.
    struct Subject {
        MonitorHandle monitor = nullptr;
        std::string path;          // the selected profile; empty for none
        std::string monitorName;   // as the monitor window's messages name it
        bool extendedTables = false;
        bool advancedColor = false;
        KeepState state = KeepState::Idle;
        bool keeping = true;
    };
    using SubjectSource = std::function<Subject()>;

    // Opens the window over owner and shows it. The object deletes itself after its
    // window is gone, and calls closed then. Null when the window could not be made.
    static CurvesDialog* Open(HWND owner, SubjectSource subject, std::function<void()> closed);

    // The selection, a setting or the monitor changed: everything is read again.
    void Follow();
    // The ramps were looked at: the video card's ramp is read again, and the window
    // repainted when it, or how the program keeps it, changed.
    void RampsChecked();
    // Restored when minimised, and put above the other windows.
    void BringToFront();
    // The monitor window is going: the window asks it nothing more.
    void Orphan();

protected:
    BOOL OnInitDialog() override;
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void PostNcDestroy() override;
    // Enter and Esc close nothing but the window itself.
    void OnOK() override {}
    void OnCancel() override { ::DestroyWindow(m_hWnd); }
    // Takes the suggested rectangle and lays the window out again at the new DPI.
    void OnDpiChanged(SIZE oldUnits, const RECT* suggested) override;

private:
    CurvesDialog(SubjectSource subject, std::function<void()> closed);

    // Reads the content, sets the texts and lays the window out.
    void Refresh();
    // The metrics of the window's font and texts at its DPI; the verdict measured for
    // width pixels.
    CurvesMetrics Measure(HDC dc, int32_t verdictWidth) const;
    // Places the plot and the verdict for the client area now, and the smallest size.
    void Layout();
    // Beside the owner, inside its monitor's work area.
    void PlaceBesideOwner();

    void OnPaint();
    void DrawPlot(const DRAWITEMSTRUCT& item);
    void DrawCurves(HDC dc, const RECT& area) const;
    void DrawLegend(HDC dc, const Rect32& legend) const;
    // The colour of a channel's lines: its own, or the system's text colour in high
    // contrast.
    COLORREF ChannelColour(size_t channel) const;

    SubjectSource m_subject;
    std::function<void()> m_closed;
    Subject m_shown;             // what the content was read for
    CurvesContent m_content;
    CurvesLayout m_layout{};
    POINT m_ptMinTrack{};        // the smallest window size; none until laid out
};
