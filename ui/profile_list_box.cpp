// Win32 only: the owner-drawn profile list of a monitor window.
#include "ui/profile_list_box.h"

#include "cms/calibration_check.h"
#include "fw/gdi.h"
#include "fw/dialog.h"
#include "fw/dpi.h"
#include "fw/window.h"
#include "platform/win32/win32_text.h"
#include "report/mbstring.h"
#include "ui/row_description.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <cwchar>
#include <iterator>

namespace {

// A row's text is read into a 256-byte buffer; a longer one, which AddProfile never
// makes, is cut to fit.
constexpr size_t kMaxRowText = 255;

// One line, centred in the row's height, from the row's left edge with no margin,
// clipped to the row. A row shows a file name, not a label: without DT_NOPREFIX,
// DrawText would hide the "&" of "R&D lab" and underline the "D" after it.
constexpr UINT kRowTextFormat = DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX;

// The index of a row style's font.
size_t FontIndex(RowStyle style) { return (style.bold ? 2u : 0u) + (style.italic ? 1u : 0u); }

bool SameFace(const LOGFONTW& a, const LOGFONTW& b)
{
    return std::memcmp(&a, &b, offsetof(LOGFONTW, lfFaceName)) == 0 &&
           std::wcsncmp(a.lfFaceName, b.lfFaceName, LF_FACESIZE) == 0;
}

// The font selected in dc, which the control selected there (its own); false when it
// cannot be read.
bool CurrentFace(HDC dc, LOGFONTW& face)
{
    HGDIOBJ current = ::GetCurrentObject(dc, OBJ_FONT);
    return current && ::GetObjectW(current, sizeof face, &face) != 0;
}

// The list's one tool: its rectangle follows the row under the pointer. The tooltip
// asks the list for the text (TTN_GETDISPINFO) only when it is about to show it. It is
// relayed the mouse messages from the list's own procedure rather than subclassing
// the list itself (TTF_SUBCLASS): under Wine each message through a comctl32
// subclass costs a round trip to the window server.
TTTOOLINFOA ListTool(HWND list)
{
    TTTOOLINFOA tool{};
    tool.cbSize = TTTOOLINFOA_V2_SIZE;   // understood by common controls 5 and 6 alike
    tool.hwnd = list;
    tool.lpszText = LPSTR_TEXTCALLBACKA;
    return tool;
}

}  // namespace

ProfileListBox::ProfileListBox() : m_rows(*this), m_profiles(m_rows) {}

int32_t ProfileListBox::Rows::AddString(const std::string& text) { return m_box.AddString(text.c_str()); }

bool ProfileListBox::Rows::SetItemData(int32_t row, intptr_t data) { return m_box.SetItemData(row, data) != LB_ERR; }

intptr_t ProfileListBox::Rows::GetItemData(int32_t row) const { return m_box.GetItemData(row); }

int32_t ProfileListBox::Rows::GetCount() const { return m_box.GetCount(); }

void ProfileListBox::Rows::ResetContent() { m_box.ResetContent(); }

void ProfileListBox::DrawItem(const DRAWITEMSTRUCT& item)
{
    HDC dc = item.hDC;
    // An empty list that has the focus asks for row -1: background and focus, no text.
    const auto row = static_cast<int>(item.itemID);
    std::string text;
    const bool hasText = row >= 0 && GetText(row, text);
    if (text.size() > kMaxRowText)
        text = MbsTruncate(text, kMaxRowText);

    fw::ColorGuard keepColors(dc);
    RECT rc = item.rcItem;
    if (item.itemState & ODS_SELECTED) {
        ::SetTextColor(dc, ::GetSysColor(COLOR_HIGHLIGHTTEXT));
        ::SetBkColor(dc, ::GetSysColor(COLOR_HIGHLIGHT));
    }
    // An opaque empty text fills with the background colour: the highlight for a
    // selected row, otherwise the colour the control set for its rows.
    ::ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rc, nullptr, 0, nullptr);
    if (item.itemState & ODS_FOCUS)
        ::DrawFocusRect(dc, &rc);
    if (!hasText)
        return;

    // The fonts are made when the list is given its font; a request drawn in another
    // font makes them anew from that one.
    if (LOGFONTW face{}; CurrentFace(dc, face) && !SameFace(face, m_rowFace))
        MakeRowFonts(face);
    // Without its font (it could not be made) the row is drawn in the current one.
    fw::SelectGuard keepFont(dc, m_rowFonts[FontIndex(m_profiles.StyleOf(static_cast<intptr_t>(item.itemData)))].Get());
    // Text last, so it stays readable over the focus rectangle.
    ::DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &rc, kRowTextFormat);
}

void ProfileListBox::TipTraits::Close(HWND tip)
{
    if (::IsWindow(tip))
        ::DestroyWindow(tip);
}

void ProfileListBox::OnBind()
{
    static const bool registered = [] {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES};
        return ::InitCommonControlsEx(&controls) != FALSE;
    }();
    m_nTipRow = -1;
    if (registered)
        MakeTip();
    MakeFonts(reinterpret_cast<HFONT>(::SendMessageA(m_hWnd, WM_GETFONT, 0, 0)));
}

void ProfileListBox::MakeTip()
{
    // Always: every monitor window has a list, and the pointer may rest on one that is
    // not the active window.
    m_tip.Reset(::CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, m_hWnd, nullptr,
                                  reinterpret_cast<HINSTANCE>(::GetWindowLongPtrA(m_hWnd, GWLP_HINSTANCE)),
                                  nullptr));
    TTTOOLINFOA tool = ListTool(m_hWnd);
    if (m_tip && !::SendMessageA(m_tip.Get(), TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool)))
        m_tip.Reset();
}

void ProfileListBox::OnFontChanged(HFONT font) { MakeFonts(font); }

void ProfileListBox::MakeRowFonts(const LOGFONTW& face)
{
    m_rowFace = face;
    for (size_t index = 0; index < std::size(m_rowFonts); ++index) {
        LOGFONTW styled = face;
        styled.lfItalic = (index & 1u) ? TRUE : FALSE;
        if (index & 2u)
            styled.lfWeight = FW_BOLD;
        // Between rows: none of the old fonts is selected anywhere.
        m_rowFonts[index].Reset(::CreateFontIndirectW(&styled));
    }
}

void ProfileListBox::MakeFonts(HFONT listFont)
{
    const HGDIOBJ source = listFont ? static_cast<HGDIOBJ>(listFont) : ::GetStockObject(SYSTEM_FONT);
    LOGFONTW face{};
    if (::GetObjectW(source, sizeof face, &face) == 0)
        return;
    MakeRowFonts(face);
    fw::ClientDC dc(m_hWnd);
    LONG height = 0;
    for (const fw::Font& font : m_rowFonts) {
        fw::SelectGuard measure(dc.Get(), font.Get());
        TEXTMETRICW metrics{};
        if (font && ::GetTextMetricsW(dc.Get(), &metrics))
            height = std::max(height, metrics.tmHeight);
    }
    // An owner-drawn list keeps the row height it was made with whatever font it is
    // given later.
    if (height > 0)
        ::SendMessageA(m_hWnd, LB_SETITEMHEIGHT, 0, MAKELPARAM(height, 0));

    if (!m_tip)
        return;
    // The tooltip is a window of its own, which the system makes for the system DPI.
    fw::Font tipFont = fw::StatusFontForDpi(fw::WindowDpi(m_hWnd));
    if (tipFont) {
        ::SendMessageA(m_tip.Get(), WM_SETFONT, reinterpret_cast<WPARAM>(tipFont.Get()), FALSE);
        m_tipFont = std::move(tipFont);
    }
    // The rows moved under the pointer: the next move finds the row.
    PointTipAt(-1);
}

void ProfileListBox::OnUnbind()
{
    m_accessible.Reset();
    m_tip.Reset();
    m_tipFont.Reset();
    m_nTipRow = -1;
    m_verdicts.clear();
}

bool ProfileListBox::PreviewMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    // Only the client area is the list's own; the window's frame and other objects
    // are the system's.
    if (message == WM_GETOBJECT && static_cast<LONG>(lParam) == OBJID_CLIENT) {
        result = AnswerObjectRequest(wParam);
        return result != 0;
    }
    if (!m_tip)
        return false;
    switch (message) {
    case WM_MOUSEMOVE:
        PointTipAt(RowAt(lParam));
        [[fallthrough]];
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP: {
        MSG msg{m_hWnd, message, wParam, lParam, static_cast<DWORD>(::GetMessageTime()), {}};
        const DWORD at = ::GetMessagePos();
        msg.pt = POINT{GET_X_LPARAM(at), GET_Y_LPARAM(at)};
        ::SendMessageA(m_tip.Get(), TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&msg));
        return false;
    }
    case WM_MOUSEWHEEL:
    case WM_VSCROLL:
    case WM_KEYDOWN:
        // Other rows may come under the pointer; the next move finds which.
        PointTipAt(-1);
        return false;
    case LB_RESETCONTENT:
        // Path indices start again at 0 with the next fill.
        PointTipAt(-1);
        m_verdicts.clear();
        return false;
    case WM_NOTIFYFORMAT:
        // The text goes back in the list's own code page.
        if (reinterpret_cast<HWND>(wParam) != m_tip.Get())
            return false;
        result = NFR_ANSI;
        return true;
    case WM_NOTIFY: {
        const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
        if (header.hwndFrom != m_tip.Get())
            return false;
        if (header.code == TTN_SHOW) {
            // The tooltip answers WM_GETTEXT with its text itself, but GetWindowText from
            // another process reads the window server's copy, which only WM_SETTEXT fills.
            // Here, not with the text: the diagnosis stays the only work of the request.
            ::SetWindowTextA(m_tip.Get(), VerdictOf(m_nTipRow).c_str());
            return false;
        }
        if (header.code != TTN_GETDISPINFOA)
            return false;
        // The tooltip copies the text before the entry could go.
        auto& info = *reinterpret_cast<NMTTDISPINFOA*>(lParam);
        info.lpszText = const_cast<char*>(VerdictOf(m_nTipRow).c_str());
        info.hinst = nullptr;
        result = 0;
        return true;
    }
    default:
        return false;
    }
}

int ProfileListBox::RowAt(LPARAM point) const
{
    const auto hit = static_cast<DWORD>(::SendMessageA(m_hWnd, LB_ITEMFROMPOINT, 0, point));
    // The high word says the point lies outside the client area; the row given is then
    // only the nearest.
    const int row = LOWORD(hit);
    RECT rc{};
    if (HIWORD(hit) || row >= GetCount() ||
        ::SendMessageA(m_hWnd, LB_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&rc)) == LB_ERR ||
        !::PtInRect(&rc, POINT{GET_X_LPARAM(point), GET_Y_LPARAM(point)}))
        return -1;
    return row;
}

void ProfileListBox::PointTipAt(int row)
{
    if (row == m_nTipRow)
        return;
    m_nTipRow = row;
    TTTOOLINFOA tool = ListTool(m_hWnd);
    if (row >= 0)
        ::SendMessageA(m_hWnd, LB_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&tool.rect));
    ::SendMessageA(m_tip.Get(), TTM_NEWTOOLRECTA, 0, reinterpret_cast<LPARAM>(&tool));
    if (row < 0) {
        ::SendMessageA(m_tip.Get(), TTM_POP, 0, 0);
        return;
    }
    ::SendMessageA(m_tip.Get(), TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
    ::SendMessageA(m_tip.Get(), TTM_UPDATE, 0, 0);
}

const std::string& ProfileListBox::VerdictOf(int row)
{
    static const std::string none;
    if (row < 0)
        return none;
    const intptr_t index = GetItemData(row);
    auto found = m_verdicts.find(index);
    if (found == m_verdicts.end())
        found = m_verdicts
                    .emplace(index, DescribeVerdictFor(DiagnoseProfile(GetFullPath(row).c_str(), m_bExtendedTables),
                                                       m_bAdvancedColor, m_monitorName))
                    .first;
    return found->second;
}

// ---- What a screen reader is told ----

namespace {

// COM, for handing the object to another process, on the window's thread from the
// first request on, until the program ends.
bool ComReady()
{
    struct Apartment {
        bool ready = SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
        ~Apartment()
        {
            if (ready)
                ::CoUninitialize();
        }
    };
    static const Apartment apartment;
    return apartment.ready;
}

}  // namespace

void ProfileListBox::AccessibleTraits::Close(ProfileListAccessible* object)
{
    object->Disconnect();
    ::CoDisconnectObject(object, 0);
    object->Release();
}

LRESULT ProfileListBox::AnswerObjectRequest(WPARAM wParam)
{
    if (!m_hWnd || !ComReady())
        return 0;
    if (!m_accessible)
        m_accessible.Reset(ProfileListAccessible::Create(m_hWnd, *this));
    if (!m_accessible)
        return 0;
    const LRESULT answer = ::LresultFromObject(__uuidof(IAccessible), wParam, m_accessible.Get());
    return answer > 0 ? answer : 0;
}

void ProfileListBox::AfterMessage(UINT message)
{
    switch (message) {
    case WM_KEYDOWN:
    case WM_CHAR:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_MOUSEMOVE:
    case WM_SETFOCUS:
    case LB_SETCURSEL:
    case LB_SETCARETINDEX:
    case LB_SELECTSTRING:
    case LB_RESETCONTENT:
        break;
    default:
        return;
    }
    const int selected = GetCurSel();
    if (selected != m_nToldSelection) {
        m_nToldSelection = selected;
        if (selected >= 0)
            ::NotifyWinEvent(EVENT_OBJECT_SELECTION, m_hWnd, OBJID_CLIENT, selected + 1);
    }
    const auto caret = static_cast<int>(::SendMessageA(m_hWnd, LB_GETCARETINDEX, 0, 0));
    if (::GetFocus() != m_hWnd || caret < 0 || caret >= GetCount()) {
        m_nToldCaret = -1;
        return;
    }
    if (caret != m_nToldCaret || message == WM_SETFOCUS) {
        m_nToldCaret = caret;
        ::NotifyWinEvent(EVENT_OBJECT_FOCUS, m_hWnd, OBJID_CLIENT, caret + 1);
    }
}

std::wstring ProfileListBox::ListName()
{
    const HWND window = ::GetParent(m_hWnd);
    const int length = window ? ::GetWindowTextLengthW(window) : 0;
    if (length <= 0)
        return {};
    std::wstring caption(static_cast<size_t>(length) + 1, L'\0');
    caption.resize(static_cast<size_t>(::GetWindowTextW(window, caption.data(), length + 1)));
    return caption;
}

std::wstring ProfileListBox::RowName(int row)
{
    std::string text;
    return GetText(row, text) ? WidenAnsi(text) : std::wstring();
}

std::wstring ProfileListBox::RowDescription(int row)
{
    return WidenAnsi(DescribeRow(m_profiles.StyleOf(static_cast<intptr_t>(GetItemData(row))), VerdictOf(row)));
}

void ProfileListBox::SetVerdictContext(bool extendedTables, bool advancedColor, const std::string& monitorName)
{
    if (extendedTables == m_bExtendedTables && advancedColor == m_bAdvancedColor && monitorName == m_monitorName)
        return;
    m_bExtendedTables = extendedTables;
    m_bAdvancedColor = advancedColor;
    m_monitorName = monitorName;
    m_verdicts.clear();
}

int ProfileListBox::Show(const std::function<void(ProfileList&)>& fill, const std::string& current)
{
    ::SendMessageA(m_hWnd, WM_SETREDRAW, FALSE, 0);
    fill(m_profiles);
    ::SendMessageA(m_hWnd, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(m_hWnd, nullptr, TRUE);
    // The whole name, not its first letters: "sRGB" must not select "sRGB-2" when the
    // current profile itself is not listed.
    const LRESULT row =
        ::SendMessageA(m_hWnd, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(current.c_str()));
    ::SendMessageA(m_hWnd, LB_SETCURSEL, row == LB_ERR ? static_cast<WPARAM>(-1) : static_cast<WPARAM>(row), 0);
    return GetCurSel();
}
