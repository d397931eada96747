// Win32 only. Dialogs bound to their objects, and the data exchange of their controls.
#include "fw/dialog.h"

#include "fw/app.h"
#include "fw/dialog_template.h"
#include "fw/gdi.h"
#include "fw/list_box.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <utility>
#include <vector>

namespace fw {

namespace {

HINSTANCE ResourceModuleFor(LPCSTR type, UINT id)
{
    App* app = App::Current();
    return app ? app->ResourceModuleFor(type, MAKEINTRESOURCEA(id)) : ::GetModuleHandleA(nullptr);
}

// A dialog template's bytes and their count; null when there is no such template.
const uint8_t* TemplateBytes(HINSTANCE module, UINT templateId, size_t& size)
{
    HRSRC found = ::FindResourceA(module, MAKEINTRESOURCEA(templateId), RT_DIALOG);
    HGLOBAL loaded = found ? ::LoadResource(module, found) : nullptr;
    size = found ? ::SizeofResource(module, found) : 0;
    return loaded ? static_cast<const uint8_t*>(::LockResource(loaded)) : nullptr;
}

HWND DefaultOwner()
{
    App* app = App::Current();
    return app ? app->DefaultOwner() : nullptr;
}

// WM_GETDPISCALEDSIZE, which the headers declare for Windows 10 only.
constexpr UINT kGetDpiScaledSize = 0x02E4;

}  // namespace

Dialog::Dialog(UINT templateId) : m_nTemplate(templateId), m_hResources(ResourceModuleFor(RT_DIALOG, templateId))
{
}

Dialog::~Dialog()
{
    // A window that outlives its object must not reach it through a stale pointer.
    if (m_hWnd && ::IsWindow(m_hWnd))
        ::SetWindowLongPtrA(m_hWnd, DWLP_USER, 0);
}

INT_PTR Dialog::DoModal() { return DoModal(DefaultOwner()); }

INT_PTR Dialog::DoModal(HWND owner)
{
    m_bModal = true;
    m_bOpened = false;
    const INT_PTR result = ::DialogBoxParamA(m_hResources, MAKEINTRESOURCEA(m_nTemplate), owner, DialogProc,
                                             reinterpret_cast<LPARAM>(this));
    // An owner that is no window gets 0 from DialogBoxParam, and no window was made.
    return m_bOpened ? result : -1;
}

Dialog* Dialog::FromHandle(HWND window)
{
    // A dialog of the dialog manager's class whose procedure is ours: its user data is
    // the object bound to it.
    if (!window || ::GetClassLongPtrA(window, GCW_ATOM) != reinterpret_cast<ULONG_PTR>(WC_DIALOG) ||
        ::GetWindowLongPtrA(window, DWLP_DLGPROC) != reinterpret_cast<LONG_PTR>(&Dialog::DialogProc))
        return nullptr;
    return reinterpret_cast<Dialog*>(::GetWindowLongPtrA(window, DWLP_USER));
}

HFONT Dialog::DialogFont() const
{
    return m_font ? m_font.Get() : reinterpret_cast<HFONT>(::SendMessageA(m_hWnd, WM_GETFONT, 0, 0));
}

SIZE Dialog::TemplateClientSize() const
{
    size_t size = 0;
    const uint8_t* data = TemplateBytes(m_hResources, m_nTemplate, size);
    const TemplateUnits units = TemplateClientUnits(data, size);
    return SIZE{::MulDiv(units.cx, m_baseUnits.cx, 4), ::MulDiv(units.cy, m_baseUnits.cy, 8)};
}

bool Dialog::Create(HWND parent)
{
    HWND window = ::CreateDialogParamA(m_hResources, MAKEINTRESOURCEA(m_nTemplate), parent, DialogProc,
                                       reinterpret_cast<LPARAM>(this));
    return window != nullptr;
}

void Dialog::PostNcDestroy() {}

void Dialog::AttachTemplateMenu(HWND window) const
{
    // The dialog manager loads the template's menu from the template's module and
    // quietly makes the window without one when that module lacks it.
    if (::GetMenu(window) || (::GetWindowLongA(window, GWL_STYLE) & WS_CHILD))
        return;
    size_t size = 0;
    const uint8_t* data = TemplateBytes(m_hResources, m_nTemplate, size);
    const UINT menuId = TemplateMenuId(data, size);
    if (menuId == 0)
        return;
    HMENU menu = ::LoadMenuA(ResourceModuleFor(RT_MENU, menuId), MAKEINTRESOURCEA(menuId));
    if (!menu)
        return;
    RECT before{};
    ::GetClientRect(window, &before);
    // From here on the window destroys the menu with itself.
    if (!::SetMenu(window, menu)) {
        ::DestroyMenu(menu);
        return;
    }
    // The template gave the client area's size; the bar is added to the window.
    RECT after{};
    RECT frame{};
    ::GetClientRect(window, &after);
    ::GetWindowRect(window, &frame);
    const LONG bar = (before.bottom - before.top) - (after.bottom - after.top);
    if (bar > 0)
        ::SetWindowPos(window, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top + bar,
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Dialog::LeaveHandler()
{
    if (--m_nHandlers == 0 && m_bFinalPending) {
        m_bFinalPending = false;
        // Last: a self-owning dialog is gone after this.
        PostNcDestroy();
    }
}

void Dialog::CenterOverOwner()
{
    HWND owner = ::GetWindow(m_hWnd, GW_OWNER);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!::GetMonitorInfoA(::MonitorFromWindow(owner ? owner : m_hWnd, MONITOR_DEFAULTTONEAREST), &monitor))
        return;
    const RECT& work = monitor.rcWork;
    RECT area = work;
    if (owner && ::IsWindowVisible(owner) && !::IsIconic(owner))
        ::GetWindowRect(owner, &area);
    RECT window{};
    ::GetWindowRect(m_hWnd, &window);
    LONG width = window.right - window.left;
    LONG height = window.bottom - window.top;
    // A template sized in dialog units outgrows a small monitor at a high DPI; one the
    // user may resize shrinks to the work area instead of running off it.
    if (::GetWindowLongA(m_hWnd, GWL_STYLE) & WS_THICKFRAME) {
        width = std::min(width, work.right - work.left);
        height = std::min(height, work.bottom - work.top);
    }
    LONG x = area.left + ((area.right - area.left) - width) / 2;
    LONG y = area.top + ((area.bottom - area.top) - height) / 2;
    // Kept on the monitor's work area, its top-left corner first.
    if (x + width > work.right)
        x = work.right - width;
    if (y + height > work.bottom)
        y = work.bottom - height;
    if (x < work.left)
        x = work.left;
    if (y < work.top)
        y = work.top;
    ::SetWindowPos(m_hWnd, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CALLBACK Dialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    Dialog* self = nullptr;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<Dialog*>(lParam);
        self->m_bOpened = true;
        // Before the object is bound: the sizing this causes belongs to the making of the
        // window, not to handlers whose state OnInitDialog has yet to set up.
        self->AttachTemplateMenu(window);
        ::SetWindowLongPtrA(window, DWLP_USER, lParam);
        self->m_hWnd = window;
        // Known as modeless from its first handler on, which may already open a report.
        if (App* app = App::Current(); app && !self->m_bModal)
            app->AddModeless(window);
    } else {
        self = reinterpret_cast<Dialog*>(::GetWindowLongPtrA(window, DWLP_USER));
    }
    // Messages that come before WM_INITDIALOG (WM_SETFONT) or after the unbinding get
    // the dialog manager's defaults.
    if (!self)
        return FALSE;

    // A modeless dialog's handlers open their modal windows over it.
    App* app = App::Current();
    const bool modeless = app && app->IsModeless(window);
    HWND previousHandling = modeless ? app->SetHandlingWindow(window) : nullptr;

    self->EnterHandler();
    // Before any handler of the class: it finds the dialog at the DPI it belongs to.
    if (message == WM_INITDIALOG)
        self->FollowDpiOnOpen();
    INT_PTR result = self->HandleMessage(message, wParam, lParam);
    if (modeless)
        app->SetHandlingWindow(previousHandling);
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrA(window, DWLP_USER, 0);
        self->m_hWnd = nullptr;
        self->m_bDestroyed = true;
        self->m_bFinalPending = true;
        if (app)
            app->RemoveModeless(window);
    }
    self->LeaveHandler();
    return result;
}

INT_PTR Dialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: {
        const BOOL result = OnInitDialog();
        // A modal template placed at its origin without DS_CENTER would open in its
        // owner's corner: centre it over the owner, inside the owner's monitor.
        if (m_bModal && m_hWnd && !(::GetWindowLongA(m_hWnd, GWL_STYLE) & DS_CENTER))
            CenterOverOwner();
        return result;
    }
    case WM_COMMAND: {
        UINT id = LOWORD(wParam);
        UINT code = HIWORD(wParam);
        if (OnCommand(id, code, reinterpret_cast<HWND>(lParam)))
            return TRUE;
        if (code == BN_CLICKED && id == IDOK) {
            OnOK();
            return TRUE;
        }
        if (code == BN_CLICKED && id == IDCANCEL) {
            OnCancel();
            return TRUE;
        }
        // Menu commands no window handled belong to the application.
        if (lParam == 0) {
            if (App* app = App::Current())
                return app->OnCommand(id) ? TRUE : FALSE;
        }
        return FALSE;
    }
    case WM_HELP:
        // F1 means something only where a dialog says what; it is not passed on, so
        // that a modal window cannot open help on top of help.
        return TRUE;
    case kGetDpiScaledSize: {
        // Asked before WM_DPICHANGED (per-monitor awareness v2): the size the window
        // will want at the new DPI, which the suggested rectangle then has. Unanswered,
        // the system scales the window by the DPIs alone, and the font, which grows by
        // less than the DPI does (and not evenly), would not fit the controls laid out
        // for it.
        auto* size = reinterpret_cast<SIZE*>(lParam);
        if (!size || !IsSettableDpi(static_cast<UINT>(wParam)) || !SizeForDpi(static_cast<UINT>(wParam), *size))
            return FALSE;
        ::SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, TRUE);
        return TRUE;
    }
    case WM_DPICHANGED:
        // The new DPI is the message's, not asked of the system: under Wine every
        // monitor has the one DPI, and the system's answer never changes. Any window
        // can send the message: a DPI no monitor can have, or no rectangle, is ignored.
        if (IsSettableDpi(LOWORD(wParam)) && lParam)
            ChangeDpi(LOWORD(wParam), reinterpret_cast<const RECT*>(lParam));
        ::SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, 0);
        return TRUE;
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_COMPAREITEM:
    case WM_DELETEITEM: {
        // Owner-draw requests belong to the control's own object, when it has one.
        LRESULT answer = 0;
        if (!ListBox::ReflectOwnerDraw(m_hWnd, message, wParam, lParam, answer))
            return FALSE;
        // The dialog manager passes WM_COMPAREITEM's return value on as it is; for the
        // others it passes on DWLP_MSGRESULT.
        if (message == WM_COMPAREITEM)
            return answer;
        ::SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, answer);
        return TRUE;
    }
    default:
        return FALSE;
    }
}

BOOL Dialog::OnInitDialog()
{
    DoDataExchange(false);
    return TRUE;
}

bool Dialog::OnCommand(UINT, UINT, HWND) { return false; }

void Dialog::DoDataExchange(bool) {}

void Dialog::OnOK()
{
    DoDataExchange(true);
    EndDialog(IDOK);
}

void Dialog::OnCancel() { EndDialog(IDCANCEL); }

void Dialog::EndDialog(INT_PTR result) { ::EndDialog(m_hWnd, result); }

void Dialog::DDX_Text(bool save, int id, std::string& value, size_t maxLength)
{
    HWND control = ::GetDlgItem(m_hWnd, id);
    if (!control)
        return;
    if (!save) {
        ::SetWindowTextA(control, value.c_str());
        // EM_LIMITTEXT means nothing to other controls, which leave it unanswered.
        if (maxLength > 0)
            ::SendMessageA(control, EM_LIMITTEXT, maxLength, 0);
        return;
    }
    // The length may overstate a multibyte text; the copy says how much there was.
    int length = ::GetWindowTextLengthA(control);
    if (length <= 0) {
        value.clear();
        return;
    }
    std::string text(static_cast<size_t>(length) + 1, '\0');
    int copied = ::GetWindowTextA(control, text.data(), length + 1);
    text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    value = std::move(text);
}

void Dialog::DDX_Control(int id, Window& control) { control.Attach(::GetDlgItem(m_hWnd, id)); }

void Dialog::DDX_Radio(bool save, int firstId, int& value)
{
    HWND button = ::GetDlgItem(m_hWnd, firstId);
    if (!button)
        return;
    if (save)
        value = -1;
    int index = 0;
    do {
        if (save) {
            if (::SendMessageA(button, BM_GETCHECK, 0, 0) == BST_CHECKED)
                value = index;
        } else {
            ::SendMessageA(button, BM_SETCHECK, index == value ? BST_CHECKED : BST_UNCHECKED, 0);
        }
        ++index;
        button = ::GetWindow(button, GW_HWNDNEXT);
    } while (button && !(::GetWindowLongA(button, GWL_STYLE) & WS_GROUP));
}

}  // namespace fw
