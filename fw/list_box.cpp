#include "fw/list_box.h"

#include <commctrl.h>

#include <utility>

namespace fw {

namespace {

// One subclass of ours per window; SetWindowSubclass tells subclasses apart by
// procedure and id, so removing ours leaves any other in the chain alone.
constexpr UINT_PTR kSubclassId = 1;

// Where a window keeps its object. The subclass procedure gets the object from
// SetWindowSubclass itself; the property lets a parent find it from a window handle
// (GetWindowSubclass is exported by ordinal only).
constexpr const char* kObjectProperty = "fw.ListBox";

}  // namespace

ListBox::~ListBox()
{
    if (m_hWnd && ::IsWindow(m_hWnd))
        Unbind();
}

bool ListBox::SubclassWindow(HWND window)
{
    if (!window || m_hWnd || FromHandle(window))
        return false;
    if (!::SetPropA(window, kObjectProperty, this))
        return false;
    if (!::SetWindowSubclass(window, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this))) {
        ::RemovePropA(window, kObjectProperty);
        return false;
    }
    m_hWnd = window;
    return true;
}

bool ListBox::SubclassDlgItem(int id, HWND parent) { return SubclassWindow(::GetDlgItem(parent, id)); }

HWND ListBox::UnsubclassWindow()
{
    HWND window = m_hWnd;
    if (window)
        Unbind();
    return window;
}

void ListBox::Unbind()
{
    ::RemoveWindowSubclass(m_hWnd, SubclassProc, kSubclassId);
    ::RemovePropA(m_hWnd, kObjectProperty);
    m_hWnd = nullptr;
}

ListBox* ListBox::FromHandle(HWND window)
{
    if (!window)
        return nullptr;
    return static_cast<ListBox*>(::GetPropA(window, kObjectProperty));
}

LRESULT CALLBACK ListBox::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                       DWORD_PTR refData)
{
    // The window's last message: a subclass and a property must be gone before the
    // window is, and the object must not keep a handle that can be reused.
    if (message == WM_NCDESTROY)
        reinterpret_cast<ListBox*>(refData)->Unbind();
    return ::DefSubclassProc(window, message, wParam, lParam);
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
