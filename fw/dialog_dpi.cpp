// Win32 only. How a dialog follows DPI: it opens at its owner's, and lays itself out
// again when it is told it moved to a monitor of another DPI.
#include "fw/dialog.h"

#include "fw/dpi.h"

#include <utility>

namespace fw {

UINT WindowDpi(HWND window)
{
    if (const Dialog* dialog = Dialog::FromHandle(window ? ::GetAncestor(window, GA_ROOT) : nullptr))
        if (dialog->Dpi())
            return dialog->Dpi();
    return OwnDpi(window);
}

void Dialog::FollowDpiOnOpen()
{
    // Under per-monitor awareness v2 (Windows 10 1703 on), the dialog manager answers
    // WM_GETDPISCALEDSIZE and WM_DPICHANGED itself: it sizes the dialog from its
    // template, hands every control a new font and places the controls anew. It is
    // turned off here, and every dialog follows WM_DPICHANGED itself (ChangeDpi): the
    // same way on every system, Wine included, whose dialog manager does none of it;
    // and a dialog that lays its controls out itself is not laid out twice.
    TurnOffDialogScaling(m_hWnd);
    m_nDpi = MadeDpi(m_hWnd);
    m_pointFont = PointFontOf(DialogFont(), m_nDpi);
    m_baseUnits = BaseUnitsOf(DialogFont());
    // A report or the About box belongs with the window it opens over; a window that
    // followed its monitor, or one the system made for the system DPI (per-monitor
    // awareness v1), is at another DPI than the dialog manager assumed.
    HWND owner = ::GetWindow(m_hWnd, GW_OWNER);
    const UINT wanted = owner ? WindowDpi(owner) : OwnDpi(m_hWnd);
    if (wanted != m_nDpi)
        ChangeDpi(wanted, nullptr);
}

void Dialog::ChangeDpi(UINT dpi, const RECT* suggested)
{
    if (dpi == 0 || dpi == m_nDpi) {
        if (suggested)
            ::SetWindowPos(m_hWnd, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                           suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
        return;
    }
    const HFONT oldFont = DialogFont();
    fw::Font font = FontAtDpi(m_pointFont, dpi);
    const SIZE oldUnits = m_baseUnits;
    m_nDpi = dpi;
    if (font) {
        for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
            if (reinterpret_cast<HFONT>(::SendMessageA(child, WM_GETFONT, 0, 0)) == oldFont)
                ::SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), FALSE);
        // The old font goes, when it was ours, once no control holds it; the dialog
        // manager's lives as long as the window.
        m_font = std::move(font);
        m_baseUnits = BaseUnitsOf(m_font.Get());
    }
    OnDpiChanged(oldUnits, suggested);
    ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
}

void Dialog::OnDpiChanged(SIZE oldUnits, const RECT* suggested)
{
    const SIZE units = m_baseUnits;
    if (oldUnits.cx <= 0 || oldUnits.cy <= 0 || units.cx <= 0 || units.cy <= 0)
        return;
    const auto x = [&](LONG value) { return ::MulDiv(value, units.cx, oldUnits.cx); };
    const auto y = [&](LONG value) { return ::MulDiv(value, units.cy, oldUnits.cy); };
    for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        const RECT rect = ChildRect(m_hWnd, child);
        ::MoveWindow(child, x(rect.left), y(rect.top), x(rect.right) - x(rect.left), y(rect.bottom) - y(rect.top),
                     FALSE);
    }
    RECT client{};
    RECT window{};
    ::GetClientRect(m_hWnd, &client);
    ::GetWindowRect(m_hWnd, &window);
    const POINT corner = suggested ? POINT{suggested->left, suggested->top} : POINT{window.left, window.top};
    PlaceClientArea(corner, x(client.right), y(client.bottom));
}

void Dialog::TakeSuggestedRect(SIZE oldUnits, const RECT* suggested)
{
    if (suggested)
        ::SetWindowPos(m_hWnd, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                       suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    else
        Dialog::OnDpiChanged(oldUnits, suggested);
}

bool Dialog::SizeForDpi(UINT dpi, SIZE& size) const
{
    const fw::Font font = FontAtDpi(m_pointFont, dpi);
    const SIZE units = BaseUnitsOf(font.Get());
    if (!font || units.cx <= 0 || units.cy <= 0 || m_baseUnits.cx <= 0 || m_baseUnits.cy <= 0)
        return false;
    RECT client{};
    ::GetClientRect(m_hWnd, &client);
    size = WindowSizeForDpi(m_hWnd,
                            SIZE{::MulDiv(client.right, units.cx, m_baseUnits.cx),
                                 ::MulDiv(client.bottom, units.cy, m_baseUnits.cy)},
                            dpi);
    return true;
}

void Dialog::PlaceClientArea(POINT corner, LONG width, LONG height)
{
    // The frame may change with the size (a menu bar that wraps): a second pass
    // measures it again.
    for (int pass = 0; pass < 2; ++pass) {
        RECT window{};
        RECT client{};
        ::GetWindowRect(m_hWnd, &window);
        ::GetClientRect(m_hWnd, &client);
        ::SetWindowPos(m_hWnd, nullptr, corner.x, corner.y, width + (window.right - window.left) - client.right,
                       height + (window.bottom - window.top) - client.bottom, SWP_NOZORDER | SWP_NOACTIVATE);
        ::GetClientRect(m_hWnd, &client);
        if (client.right == width && client.bottom == height)
            return;
    }
}

}  // namespace fw
