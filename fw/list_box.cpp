// Win32 only: the window layer's list box.
#include "fw/list_box.h"

#include <utility>

namespace fw {

namespace {

// Our hook on one window: the object bound to it (null once it has let go) and the
// procedure that was there before.
struct Hook {
    ListBox* object;
    WNDPROC previous;
};

// The hooked windows of this process. Replacing the window procedure directly, with
// the object found here, keeps every message to the list a plain call: a comctl32
// subclass or a window property costs a round trip to the window server per message
// under Wine, some 30 times the list box's own work for each row it adds or marks.
// Windows belong to the thread that made them, and this layer runs on one thread.
std::unordered_map<HWND, Hook>& Hooks()
{
    static std::unordered_map<HWND, Hook> hooks;
    return hooks;
}

}  // namespace

ListBox::~ListBox()
{
    if (m_hWnd && ::IsWindow(m_hWnd))
        Unbind();
}

bool ListBox::SubclassWindow(HWND window)
{
    if (!window || m_hWnd || Hooks().count(window) != 0 || !::IsWindow(window))
        return false;
    auto previous = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ListBox::WindowProc)));
    if (!previous)
        return false;
    Hooks()[window] = Hook{this, previous};
    m_hWnd = window;
    OnBind();
    return true;
}

bool ListBox::SubclassDlgItem(int id, HWND parent) { return SubclassWindow(::GetDlgItem(parent, id)); }

HWND ListBox::UnsubclassWindow()
{
    HWND window = m_hWnd;
    if (window) {
        OnUnbind();
        Unbind();
    }
    return window;
}

void ListBox::Unbind()
{
    auto it = Hooks().find(m_hWnd);
    if (it != Hooks().end()) {
        // Put the old procedure back only if no one hooked the window after us; else
        // our procedure stays in the chain and just passes messages on.
        const auto current = reinterpret_cast<WNDPROC>(::GetWindowLongPtrA(m_hWnd, GWLP_WNDPROC));
        if (current == &ListBox::WindowProc) {
            ::SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(it->second.previous));
            Hooks().erase(it);
        } else {
            it->second.object = nullptr;
        }
    }
    m_hWnd = nullptr;
}

ListBox* ListBox::FromHandle(HWND window)
{
    auto it = Hooks().find(window);
    return it == Hooks().end() ? nullptr : it->second.object;
}

LRESULT CALLBACK ListBox::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto it = Hooks().find(window);
    if (it == Hooks().end())
        return ::DefWindowProcA(window, message, wParam, lParam);
    // Copied out: the object's preview may send messages that hook other windows, and
    // the map may rehash under the iterator.
    const WNDPROC previous = it->second.previous;
    ListBox* self = it->second.object;
    // The window's last message: the object must not keep a handle that can be reused,
    // and the hook must not outlive the window.
    if (message == WM_NCDESTROY) {
        if (self) {
            self->OnUnbind();
            self->m_hWnd = nullptr;
        }
        ::SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
        Hooks().erase(window);
    } else if (self) {
        LRESULT result = 0;
        if (self->PreviewMessage(message, wParam, lParam, result))
            return result;
        result = ::CallWindowProcA(previous, window, message, wParam, lParam);
        // Found again: the object may have let go of the window meanwhile.
        if (ListBox* bound = FromHandle(window)) {
            if (message == WM_SETFONT)
                bound->OnFontChanged(reinterpret_cast<HFONT>(wParam));
            bound->AfterMessage(message);
        }
        return result;
    }
    return ::CallWindowProcA(previous, window, message, wParam, lParam);
}

bool ListBox::ReflectOwnerDraw(HWND parent, UINT message, WPARAM, LPARAM lParam, LRESULT& result)
{
    switch (message) {
    case WM_DRAWITEM: {
        const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        // A menu's request carries a menu handle where a control's carries its window.
        ListBox* self = item.CtlType == ODT_MENU ? nullptr : FromHandle(item.hwndItem);
        if (!self)
            return false;
        self->DrawItem(item);
        result = TRUE;
        return true;
    }
    case WM_MEASUREITEM: {
        // The only request without the control's window: find it by its id.
        auto& item = *reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        ListBox* self = item.CtlType == ODT_MENU
                            ? nullptr
                            : FromHandle(::GetDlgItem(parent, static_cast<int>(item.CtlID)));
        if (!self)
            return false;
        self->MeasureItem(item);
        result = TRUE;
        return true;
    }
    case WM_COMPAREITEM: {
        const auto& item = *reinterpret_cast<const COMPAREITEMSTRUCT*>(lParam);
        ListBox* self = FromHandle(item.hwndItem);
        if (!self)
            return false;
        result = self->CompareItem(item);
        return true;
    }
    case WM_DELETEITEM: {
        const auto& item = *reinterpret_cast<const DELETEITEMSTRUCT*>(lParam);
        ListBox* self = FromHandle(item.hwndItem);
        if (!self)
            return false;
        self->DeleteItem(item);
        result = TRUE;
        return true;
    }
    default:
        return false;
    }
}

void ListBox::DrawItem(const DRAWITEMSTRUCT&) {}

void ListBox::MeasureItem(MEASUREITEMSTRUCT&) {}

int ListBox::CompareItem(const COMPAREITEMSTRUCT&) { return 0; }

void ListBox::DeleteItem(const DELETEITEMSTRUCT&) {}

void ListBox::OnBind() {}

void ListBox::OnUnbind() {}

void ListBox::OnFontChanged(HFONT) {}

bool ListBox::PreviewMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

void ListBox::AfterMessage(UINT) {}

LRESULT ListBox::Send(UINT message, WPARAM wParam, LPARAM lParam, LRESULT unbound) const
{
    // A null window would answer 0, which reads as row 0 to LB_ADDSTRING's caller.
    if (!m_hWnd)
        return unbound;
    return ::SendMessageA(m_hWnd, message, wParam, lParam);
}

int ListBox::AddString(const char* text)
{
    return static_cast<int>(Send(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)));
}

int ListBox::SetItemData(int row, LPARAM data)
{
    return static_cast<int>(Send(LB_SETITEMDATA, static_cast<WPARAM>(row), data));
}

LPARAM ListBox::GetItemData(int row) const { return Send(LB_GETITEMDATA, static_cast<WPARAM>(row), 0); }

int ListBox::GetCount() const { return static_cast<int>(Send(LB_GETCOUNT, 0, 0, 0)); }

void ListBox::ResetContent() { Send(LB_RESETCONTENT, 0, 0); }

int ListBox::GetTextLen(int row) const
{
    return static_cast<int>(Send(LB_GETTEXTLEN, static_cast<WPARAM>(row), 0));
}

bool ListBox::GetText(int row, std::string& text) const
{
    const int length = GetTextLen(row);
    if (length < 0)
        return false;
    std::string buffer(static_cast<size_t>(length) + 1, '\0');
    const auto copied =
        static_cast<int>(Send(LB_GETTEXT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(buffer.data())));
    // The length may overstate a multibyte text; the copy says how much there was.
    if (copied < 0)
        return false;
    buffer.resize(static_cast<size_t>(copied));
    text = std::move(buffer);
    return true;
}

int ListBox::GetCurSel() const { return static_cast<int>(Send(LB_GETCURSEL, 0, 0)); }

int ListBox::SetCurSel(int row) { return static_cast<int>(Send(LB_SETCURSEL, static_cast<WPARAM>(row), 0)); }

int ListBox::SelectString(int startAfter, const char* text)
{
    return static_cast<int>(
        Send(LB_SELECTSTRING, static_cast<WPARAM>(startAfter), reinterpret_cast<LPARAM>(text)));
}

}  // namespace fw
