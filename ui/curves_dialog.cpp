// Win32 only: the calibration curves window.
#include "ui/curves_dialog.h"

#include "cms/VideoCardUtils.h"
#include "cms/gamma_ramp.h"
#include "fw/dpi.h"
#include "fw/gdi.h"
#include "platform/win32/win32_platform.h"
#include "report/resource_strings.h"
#include "res/resource.h"
#include "ui/monitor_placement.h"

#include <algorithm>
#include <array>
#include <new>
#include <string>
#include <utility>
#include <vector>

namespace {

// The widest labels of the axes.
constexpr const char* kWidestOutputLabel = "100 %";
constexpr const char* kWidestInputLabel = "255";
// The axes' ticks outside the plot, and the space between a label and its tick, at 96
// DPI.
constexpr int32_t kTickLength = 3;
constexpr int32_t kLabelGap = 4;
// A legend entry at 96 DPI: its line sample, the space before its name and after it.
struct LegendEntry {
    int32_t sample;
    int32_t beforeName;
    int32_t after;
};
constexpr LegendEntry kEntry{24, 5, 14};
// The inset of the reason in the plot, at 96 DPI.
constexpr int32_t kReasonInset = 8;
// The verdict's room in the smallest window, in lines.
constexpr int32_t kMinimumVerdictLines = 3;

bool IsHighContrast()
{
    HIGHCONTRASTA contrast{};
    contrast.cbSize = sizeof contrast;
    return ::SystemParametersInfoA(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) &&
           (contrast.dwFlags & HCF_HIGHCONTRASTON);
}

bool SameSubject(const CurvesDialog::Subject& a, const CurvesDialog::Subject& b)
{
    return a.monitor == b.monitor && a.path == b.path && a.monitorName == b.monitorName &&
           a.extendedTables == b.extendedTables && a.advancedColor == b.advancedColor && a.state == b.state &&
           a.keeping == b.keeping;
}

// A line of points drawn with a pen already selected, in the stroke's runs.
void DrawStroked(HDC dc, const std::vector<Point32>& line, Stroke stroke, int32_t dpi)
{
    std::vector<POINT> points;
    points.reserve(line.size());
    for (const Point32& point : line)
        points.push_back(POINT{point.x, point.y});
    const auto count = static_cast<int32_t>(points.size());
    for (const StrokeRun& run : StrokeRuns(stroke, count, dpi)) {
        const int32_t last = std::min(run.last + 1, count - 1);
        if (last > run.first) {
            ::Polyline(dc, points.data() + run.first, last - run.first + 1);
        } else {
            // The line's last column alone: a dot one pixel long.
            const POINT& point = points[static_cast<size_t>(run.first)];
            ::MoveToEx(dc, point.x, point.y, nullptr);
            ::LineTo(dc, point.x + 1, point.y);
        }
    }
}

// A horizontal sample of a stroke, length pixels from x at y.
void DrawSample(HDC dc, int32_t x, int32_t y, int32_t length, Stroke stroke, int32_t dpi)
{
    std::vector<Point32> line;
    for (int32_t column = 0; column < length; ++column)
        line.push_back(Point32{x + column, y});
    DrawStroked(dc, line, stroke, dpi);
}

const uint16_t* Channel(const HardwareRamp& ramp, size_t channel)
{
    return channel == 0 ? ramp.red : channel == 1 ? ramp.green : ramp.blue;
}

}  // namespace

CurvesDialog::CurvesDialog(SubjectSource subject, std::function<void()> closed)
    : fw::Dialog(IDD_CALIBRATION_CURVES), m_subject(std::move(subject)), m_closed(std::move(closed))
{
}

CurvesDialog* CurvesDialog::Open(HWND owner, SubjectSource subject, std::function<void()> closed)
{
    auto* dialog = new (std::nothrow) CurvesDialog(std::move(subject), std::move(closed));
    if (!dialog)
        return nullptr;
    if (!dialog->Create(owner)) {
        // Never made, the window calls nothing back.
        dialog->m_closed = nullptr;
        delete dialog;
        return nullptr;
    }
    return dialog;
}

void CurvesDialog::PostNcDestroy()
{
    std::function<void()> closed = std::move(m_closed);
    delete this;
    if (closed)
        closed();
}

void CurvesDialog::Orphan()
{
    m_subject = nullptr;
    m_closed = nullptr;
}

BOOL CurvesDialog::OnInitDialog()
{
    fw::Dialog::OnInitDialog();
    Refresh();
    PlaceBesideOwner();
    Layout();
    ::ShowWindow(m_hWnd, SW_SHOWNORMAL);
    return TRUE;
}

void CurvesDialog::PlaceBesideOwner()
{
    // Beside its monitor window, so that the list stays in view.
    if (HWND owner = ::GetWindow(m_hWnd, GW_OWNER))
        PlaceBeside(m_hWnd, owner, m_ptMinTrack);
}

INT_PTR CurvesDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_ERASEBKGND:
        // WM_PAINT fills the whole client area, off screen first.
        ::SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, 1);
        return TRUE;
    case WM_PAINT:
        OnPaint();
        return TRUE;
    case WM_DRAWITEM:
        if (wParam != IDC_CURVES_PLOT || !lParam)
            return fw::Dialog::HandleMessage(message, wParam, lParam);
        DrawPlot(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        ::SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, TRUE);
        return TRUE;
    case WM_SIZE:
        if (wParam != SIZE_MINIMIZED)
            Layout();
        return TRUE;
    case WM_GETMINMAXINFO:
        if (m_ptMinTrack.x > 0 && m_ptMinTrack.y > 0)
            reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = m_ptMinTrack;
        return TRUE;
    case WM_CLOSE:
        ::DestroyWindow(m_hWnd);
        return TRUE;
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
        // A high-contrast theme turned on or off: every colour is the system's again.
        ::InvalidateRect(m_hWnd, nullptr, FALSE);
        ::InvalidateRect(::GetDlgItem(m_hWnd, IDC_CURVES_PLOT), nullptr, FALSE);
        return FALSE;
    default:
        return fw::Dialog::HandleMessage(message, wParam, lParam);
    }
}

void CurvesDialog::OnDpiChanged(SIZE oldUnits, const RECT* suggested)
{
    // Meanwhile no smallest size: the old one is for the old DPI.
    m_ptMinTrack = POINT{};
    TakeSuggestedRect(oldUnits, suggested);
    Layout();
}

void CurvesDialog::Follow() { Refresh(); }

void CurvesDialog::RampsChecked()
{
    if (!m_subject || !m_hWnd)
        return;
    const Subject now = m_subject();
    if (!SameSubject(now, m_shown)) {
        Refresh();
        return;
    }
    if (!m_content.plotted)
        return;
    HardwareRamp card{};
    const bool read = ReadMonitorRamp(now.monitor, card) == 0;
    if (read != m_content.cardRead || (read && !SameRamp(card, m_content.card)))
        Refresh();
}

void CurvesDialog::BringToFront()
{
    fw::RestoreAndRaise(m_hWnd);
    ::SetForegroundWindow(m_hWnd);
}

void CurvesDialog::Refresh()
{
    if (!m_subject || !m_hWnd)
        return;
    m_shown = m_subject();
    m_content = ReadCurves(m_shown.monitor, m_shown.path, m_shown.monitorName, m_shown.extendedTables,
                           m_shown.advancedColor, m_shown.state, m_shown.keeping);
    ::SetWindowTextA(m_hWnd, CurvesCaption(m_shown.monitorName).c_str());
    // The plot's text is what a screen reader names it: the legend in words, or why
    // nothing is plotted (which the plot also shows).
    HWND plot = ::GetDlgItem(m_hWnd, IDC_CURVES_PLOT);
    const std::string plotText = m_content.plotted ? GetResourceString(IDS_CURVES_LEGEND) : m_content.reason;
    ::SetWindowTextA(plot, plotText.c_str());
    ::SetDlgItemTextA(m_hWnd, IDC_CURVES_VERDICT, m_content.verdict.text.c_str());
    Layout();
    ::InvalidateRect(m_hWnd, nullptr, FALSE);
    ::InvalidateRect(plot, nullptr, FALSE);
}

CurvesMetrics CurvesDialog::Measure(HDC dc, int32_t verdictWidth) const
{
    CurvesMetrics metrics;
    metrics.dpi = static_cast<int32_t>(Dpi() ? Dpi() : fw::SystemDpi());
    fw::SelectGuard font(dc, DialogFont());
    TEXTMETRICA text{};
    if (::GetTextMetricsA(dc, &text))
        metrics.lineHeight = text.tmHeight;
    SIZE size{};
    if (::GetTextExtentPoint32A(dc, kWidestOutputLabel, lstrlenA(kWidestOutputLabel), &size))
        metrics.yLabelWidth = size.cx;
    if (::GetTextExtentPoint32A(dc, kWidestInputLabel, lstrlenA(kWidestInputLabel), &size))
        metrics.xLabelWidth = size.cx;
    const std::string& verdict = m_content.verdict.text;
    if (!verdict.empty() && verdictWidth > 0) {
        RECT rect{0, 0, verdictWidth, 0};
        ::DrawTextA(dc, verdict.c_str(), -1, &rect, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
        metrics.verdictHeight = rect.bottom;
    }
    return metrics;
}

void CurvesDialog::Layout()
{
    if (!m_hWnd)
        return;
    RECT client{};
    ::GetClientRect(m_hWnd, &client);
    fw::ClientDC dc(m_hWnd);
    // The verdict wraps at the width it gets, which does not depend on its height.
    const CurvesMetrics unwrapped = Measure(dc.Get(), 0);
    const int32_t verdictWidth = Width(LayOutCurves(client.right, client.bottom, unwrapped).verdict);
    CurvesMetrics metrics = Measure(dc.Get(), verdictWidth);
    m_layout = LayOutCurves(client.right, client.bottom, metrics);

    const auto place = [&](int id, const Rect32& rect) {
        HWND control = ::GetDlgItem(m_hWnd, id);
        const RECT now = fw::ChildRect(m_hWnd, control);
        const RECT wanted = ToRect(rect);
        if (!control || ::EqualRect(&now, &wanted))
            return;
        ::MoveWindow(control, rect.left, rect.top, Width(rect), Height(rect), TRUE);
        // Its drawing depends on its size, and a static repaints only what a move
        // uncovered: the whole of it is drawn again.
        ::InvalidateRect(control, nullptr, FALSE);
    };
    place(IDC_CURVES_PLOT, m_layout.plot);
    place(IDC_CURVES_VERDICT, m_layout.verdict);
    ::InvalidateRect(m_hWnd, nullptr, FALSE);

    metrics.verdictHeight = std::max(metrics.verdictHeight, kMinimumVerdictLines * metrics.lineHeight);
    const Point32 minimum = CurvesMinimumClient(metrics);
    RECT window{};
    ::GetWindowRect(m_hWnd, &window);
    const POINT track{minimum.x + (window.right - window.left) - client.right,
                      minimum.y + (window.bottom - window.top) - client.bottom};
    m_ptMinTrack = MinimumOnMonitor(MonitorOf(m_hWnd), track);
}

COLORREF CurvesDialog::ChannelColour(size_t channel) const
{
    if (IsHighContrast())
        return ::GetSysColor(COLOR_WINDOWTEXT);
    const uint32_t colour = kChannelColours[channel];
    return RGB((colour >> 16) & 0xFF, (colour >> 8) & 0xFF, colour & 0xFF);
}

void CurvesDialog::OnPaint()
{
    fw::PaintDc paint(m_hWnd);
    RECT client{};
    ::GetClientRect(m_hWnd, &client);
    fw::BufferedDc buffer(paint.Get(), client);
    HDC dc = buffer.Get();
    ::FillRect(dc, &client, ::GetSysColorBrush(COLOR_3DFACE));
    if (!m_content.plotted)
        return;

    const auto dpi = static_cast<int32_t>(Dpi());
    const Rect32& plot = m_layout.plot;
    fw::SelectGuard font(dc, DialogFont());
    fw::ColorGuard colours(dc);
    ::SetTextColor(dc, ::GetSysColor(COLOR_BTNTEXT));
    ::SetBkColor(dc, ::GetSysColor(COLOR_3DFACE));
    const fw::Pen tickPen(::CreatePen(PS_SOLID, 1, ::GetSysColor(COLOR_BTNTEXT)));
    fw::SelectGuard keepPen(dc, tickPen.Get());
    const int32_t tick = ForDpi(kTickLength, dpi);
    const int32_t gap = ForDpi(kLabelGap, dpi);
    const int32_t labelHalf = ForDpi(40, dpi);

    for (int32_t input : kInputTicks) {
        const int32_t x = PlotX(input, plot);
        ::MoveToEx(dc, x, plot.bottom, nullptr);
        ::LineTo(dc, x, plot.bottom + tick);
        const std::string label = std::to_string(input);
        RECT rect{x - labelHalf, plot.bottom, x + labelHalf, m_layout.legend.top};
        ::DrawTextA(dc, label.c_str(), -1, &rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
    for (int32_t percent : kOutputTickPercents) {
        const int32_t y = PercentY(percent, plot);
        ::MoveToEx(dc, plot.left - tick, y, nullptr);
        ::LineTo(dc, plot.left, y);
        const std::string label = std::to_string(percent) + " %";
        RECT rect{0, y - labelHalf, plot.left - gap, y + labelHalf};
        ::DrawTextA(dc, label.c_str(), -1, &rect, DT_RIGHT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
    DrawLegend(dc, m_layout.legend);
}

void CurvesDialog::DrawLegend(HDC dc, const Rect32& legend) const
{
    const auto dpi = static_cast<int32_t>(Dpi());
    const int32_t middle = (legend.top + legend.bottom) / 2;
    const int32_t sample = ForDpi(kEntry.sample, dpi);
    int32_t x = legend.left;
    // An entry: its line sample, then its name; none that would run past the legend.
    const auto entry = [&](COLORREF colour, int32_t width, Stroke stroke, uint32_t nameId) {
        const std::string name = GetResourceString(nameId);
        RECT measured{0, 0, 0, 0};
        ::DrawTextA(dc, name.c_str(), -1, &measured, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
        const int32_t end = x + sample + ForDpi(kEntry.beforeName, dpi) + measured.right;
        if (end > legend.right)
            return;
        {
            const fw::Pen pen(::CreatePen(PS_SOLID, width, colour));
            fw::SelectGuard keep(dc, pen.Get());
            DrawSample(dc, x, middle, sample, stroke, dpi);
        }
        RECT rect{x + sample + ForDpi(kEntry.beforeName, dpi), legend.top, end, legend.bottom};
        ::DrawTextA(dc, name.c_str(), -1, &rect, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        x = end + ForDpi(kEntry.after, dpi);
    };
    const std::array<uint32_t, 3> names = {IDS_CURVES_RED, IDS_CURVES_GREEN, IDS_CURVES_BLUE};
    for (size_t channel = 0; channel < names.size(); ++channel)
        entry(ChannelColour(channel), ProfileLineWidth(dpi), kChannelStrokes[channel], names[channel]);
    const COLORREF text = ::GetSysColor(COLOR_BTNTEXT);
    entry(text, ProfileLineWidth(dpi), Stroke::Solid, IDS_CURVES_PROFILE);
    if (m_content.cardRead)
        entry(text, CardLineWidth(dpi), Stroke::Solid, IDS_CURVES_CARD);
}

void CurvesDialog::DrawPlot(const DRAWITEMSTRUCT& item)
{
    const RECT& area = item.rcItem;
    fw::BufferedDc buffer(item.hDC, area);
    HDC dc = buffer.Get();
    ::FillRect(dc, &area, ::GetSysColorBrush(COLOR_WINDOW));
    ::FrameRect(dc, &area, ::GetSysColorBrush(COLOR_WINDOWTEXT));
    if (m_content.plotted) {
        DrawCurves(dc, area);
        return;
    }
    const auto inset = ForDpi(kReasonInset, static_cast<int32_t>(Dpi()));
    RECT rect{area.left + inset, area.top + inset, area.right - inset, area.bottom - inset};
    fw::SelectGuard font(dc, DialogFont());
    fw::ColorGuard colours(dc);
    ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
    ::SetBkColor(dc, ::GetSysColor(COLOR_WINDOW));
    ::DrawTextA(dc, m_content.reason.c_str(), -1, &rect, DT_CENTER | DT_WORDBREAK | DT_NOPREFIX);
}

void CurvesDialog::DrawCurves(HDC dc, const RECT& area) const
{
    const auto dpi = static_cast<int32_t>(Dpi());
    const Rect32 plot{area.left, area.top, area.right, area.bottom};
    {
        // The grid at the ticks, inside the frame.
        const fw::Pen gridPen(::CreatePen(PS_SOLID, 1, ::GetSysColor(COLOR_GRAYTEXT)));
        fw::SelectGuard keep(dc, gridPen.Get());
        for (size_t i = 1; i + 1 < kInputTicks.size(); ++i) {
            const int32_t x = PlotX(kInputTicks[i], plot);
            ::MoveToEx(dc, x, plot.top + 1, nullptr);
            ::LineTo(dc, x, plot.bottom - 1);
        }
        for (size_t i = 1; i + 1 < kOutputTickPercents.size(); ++i) {
            const int32_t y = PercentY(kOutputTickPercents[i], plot);
            ::MoveToEx(dc, plot.left + 1, y, nullptr);
            ::LineTo(dc, plot.right - 1, y);
        }
    }
    // The profile's table thick, the video card's ramp thin over it: where they agree,
    // the thin line runs inside the thick one.
    const auto draw = [&](const HardwareRamp& ramp, int32_t width) {
        for (size_t channel = 0; channel < kChannelStrokes.size(); ++channel) {
            const fw::Pen pen(::CreatePen(PS_SOLID, width, ChannelColour(channel)));
            fw::SelectGuard keep(dc, pen.Get());
            DrawStroked(dc, CurvePoints(Channel(ramp, channel), kRampEntries, plot), kChannelStrokes[channel], dpi);
        }
    };
    draw(m_content.table, ProfileLineWidth(dpi));
    if (m_content.cardRead)
        draw(m_content.card, CardLineWidth(dpi));
}
