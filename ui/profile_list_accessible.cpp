// Win32 only: the profile list's accessible object.
#include "ui/profile_list_accessible.h"

#include <new>

namespace {

constexpr int kSelf = -1;
constexpr int kNoChild = -2;

HRESULT GiveText(const std::wstring& text, BSTR* out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (text.empty())
        return S_FALSE;
    *out = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

void GiveNumber(VARIANT* out, LONG number)
{
    ::VariantInit(out);
    out->vt = VT_I4;
    out->lVal = number;
}

LONG ChildOf(int row) { return row + 1; }

}  // namespace

ProfileListAccessible* ProfileListAccessible::Create(HWND list, AccessibleRows& rows)
{
    IAccessible* system = nullptr;
    const HRESULT asked =
        ::CreateStdAccessibleObject(list, OBJID_CLIENT, __uuidof(IAccessible), reinterpret_cast<void**>(&system));
    if (FAILED(asked) || !system)
        return nullptr;
    auto* made = new (std::nothrow) ProfileListAccessible(list, rows, system);
    if (!made)
        system->Release();
    return made;
}

ProfileListAccessible::ProfileListAccessible(HWND list, AccessibleRows& rows, IAccessible* system)
    : m_hList(list), m_rows(&rows), m_system(system)
{
}

ProfileListAccessible::~ProfileListAccessible() { m_system->Release(); }

void ProfileListAccessible::Disconnect() { m_rows = nullptr; }

int ProfileListAccessible::Count() const
{
    const LRESULT count = ::SendMessageW(m_hList, LB_GETCOUNT, 0, 0);
    return count > 0 ? static_cast<int>(count) : 0;
}

HRESULT ProfileListAccessible::Resolve(const VARIANT& child, const void* out, int& row) const
{
    if (!m_rows)
        return RPC_E_DISCONNECTED;
    if (!out)
        return E_POINTER;
    row = RowOf(child);
    return row == kNoChild ? E_INVALIDARG : S_OK;
}

int ProfileListAccessible::RowOf(const VARIANT& child) const
{
    if (child.vt != VT_I4)
        return kNoChild;
    if (child.lVal == CHILDID_SELF)
        return kSelf;
    return child.lVal >= 1 && child.lVal <= Count() ? static_cast<int>(child.lVal - 1) : kNoChild;
}

// ---- IUnknown, IDispatch ----

HRESULT ProfileListAccessible::QueryInterface(REFIID id, void** object)
{
    if (!object)
        return E_POINTER;
    if (id == __uuidof(IUnknown) || id == __uuidof(IDispatch) || id == __uuidof(IAccessible)) {
        *object = static_cast<IAccessible*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG ProfileListAccessible::AddRef() { return static_cast<ULONG>(::InterlockedIncrement(&m_nReferences)); }

ULONG ProfileListAccessible::Release()
{
    const LONG left = ::InterlockedDecrement(&m_nReferences);
    if (left == 0)
        delete this;
    return static_cast<ULONG>(left);
}

HRESULT ProfileListAccessible::GetTypeInfoCount(UINT* count)
{
    if (!count)
        return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT ProfileListAccessible::GetTypeInfo(UINT, LCID, ITypeInfo**) { return E_NOTIMPL; }

HRESULT ProfileListAccessible::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }

HRESULT ProfileListAccessible::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*)
{
    return E_NOTIMPL;
}

HRESULT ProfileListAccessible::TextOf(HRESULT (STDMETHODCALLTYPE IAccessible::*system)(VARIANT, BSTR*),
                                      std::wstring (AccessibleRows::*rowText)(int), VARIANT child, BSTR* text)
{
    int row = kNoChild;
    if (const HRESULT refused = Resolve(child, text, row); FAILED(refused))
        return refused;
    if (row == kSelf)
        return (m_system->*system)(child, text);
    return GiveText(rowText ? (m_rows->*rowText)(row) : std::wstring(), text);
}

// ---- IAccessible ----
// The list itself is the system's client object, but for its name, role and children;
// a row is a simple element of it (no object of its own).

HRESULT ProfileListAccessible::get_accParent(IDispatch** parent)
{
    return m_rows ? m_system->get_accParent(parent) : RPC_E_DISCONNECTED;
}

HRESULT ProfileListAccessible::get_accChildCount(long* count)
{
    if (!m_rows)
        return RPC_E_DISCONNECTED;
    if (!count)
        return E_POINTER;
    *count = Count();
    return S_OK;
}

HRESULT ProfileListAccessible::get_accChild(VARIANT child, IDispatch** object)
{
    if (!m_rows)
        return RPC_E_DISCONNECTED;
    if (!object)
        return E_POINTER;
    *object = nullptr;
    return RowOf(child) >= 0 ? S_FALSE : E_INVALIDARG;
}

HRESULT ProfileListAccessible::get_accName(VARIANT child, BSTR* name)
{
    int row = kNoChild;
    if (const HRESULT refused = Resolve(child, name, row); FAILED(refused))
        return refused;
    return GiveText(row == kSelf ? m_rows->ListName() : m_rows->RowName(row), name);
}

HRESULT ProfileListAccessible::get_accValue(VARIANT child, BSTR* value)
{
    int row = kNoChild;
    if (const HRESULT refused = Resolve(child, value, row); FAILED(refused))
        return refused;
    *value = nullptr;
    return DISP_E_MEMBERNOTFOUND;
}

HRESULT ProfileListAccessible::get_accDescription(VARIANT child, BSTR* description)
{
    return TextOf(&IAccessible::get_accDescription, &AccessibleRows::RowDescription, child, description);
}

HRESULT ProfileListAccessible::get_accRole(VARIANT child, VARIANT* role)
{
    int row = kNoChild;
    if (const HRESULT refused = Resolve(child, role, row); FAILED(refused))
        return refused;
    GiveNumber(role, row == kSelf ? ROLE_SYSTEM_LIST : ROLE_SYSTEM_LISTITEM);
    return S_OK;
}

HRESULT ProfileListAccessible::get_accState(VARIANT child, VARIANT* state)
{
    int row = kNoChild;
    if (const HRESULT refused = Resolve(child, state, row); FAILED(refused))
        return refused;
    if (row == kSelf)
        return m_system->get_accState(child, state);
    LONG flags = STATE_SYSTEM_SELECTABLE | STATE_SYSTEM_FOCUSABLE;
    if (::SendMessageW(m_hList, LB_GETCURSEL, 0, 0) == row)
        flags |= STATE_SYSTEM_SELECTED;
    if (::GetFocus() == m_hList && ::SendMessageW(m_hList, LB_GETCARETINDEX, 0, 0) == row)
        flags |= STATE_SYSTEM_FOCUSED;
    RECT item{}, client{}, visible{};
    ::GetClientRect(m_hList, &client);
    if (::SendMessageW(m_hList, LB_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item)) == LB_ERR ||
        !::IntersectRect(&visible, &item, &client))
        flags |= STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_OFFSCREEN;
    GiveNumber(state, flags);
    return S_OK;
}

HRESULT ProfileListAccessible::get_accHelp(VARIANT child, BSTR* help)
{
    return TextOf(&IAccessible::get_accHelp, nullptr, child, help);
}

HRESULT ProfileListAccessible::get_accHelpTopic(BSTR* file, VARIANT, long* topic)
{
    if (!m_rows)
        return RPC_E_DISCONNECTED;
    if (topic)
        *topic = 0;
    return GiveText({}, file) == E_POINTER ? E_POINTER : S_FALSE;
}

HRESULT ProfileListAccessible::get_accKeyboardShortcut(VARIANT child, BSTR* shortcut)
{
    return TextOf(&IAccessible::get_accKeyboardShortcut, nullptr, child, shortcut);
}

HRESULT ProfileListAccessible::get_accFocus(VARIANT* child)
{
    if (!m_rows)
        return RPC_E_DISCONNECTED;
    if (!child)
        return E_POINTER;
    ::VariantInit(child);
    if (::GetFocus() != m_hList)
        return S_FALSE;
    const LRESULT caret = ::SendMessageW(m_hList, LB_GETCARETINDEX, 0, 0);
    GiveNumber(child, caret >= 0 && caret < Count() ? ChildOf(static_cast<int>(caret)) : CHILDID_SELF);
    return S_OK;
}

HRESULT ProfileListAccessible::get_accSelection(VARIANT* children)
{
    if (!m_rows)
        return RPC_E_DISCONNECTED;
    if (!children)
        return E_POINTER;
    ::VariantInit(children);
    const LRESULT selected = ::SendMessageW(m_hList, LB_GETCURSEL, 0, 0);
    if (selected < 0)
        return S_FALSE;
    GiveNumber(children, ChildOf(static_cast<int>(selected)));
    return S_OK;
}

HRESULT ProfileListAccessible::get_accDefaultAction(VARIANT child, BSTR* action)
{
    return TextOf(&IAccessible::get_accDefaultAction, nullptr, child, action);
}

HRESULT ProfileListAccessible::accSelect(long flags, VARIANT child)
{
    if (!m_rows)
        return RPC_E_DISCONNECTED;
    // Selecting a row makes its profile the monitor's default: a choice the user makes
    // in the list, with the keyboard or the pointer, never one an aid makes for them.
    return RowOf(child) == kSelf ? m_system->accSelect(flags, child) : DISP_E_MEMBERNOTFOUND;
}

HRESULT ProfileListAccessible::accLocation(long* left, long* top, long* width, long* height, VARIANT child)
{
    int row = kNoChild;
    if (const HRESULT refused = Resolve(child, left && top && width && height ? left : nullptr, row); FAILED(refused))
        return refused;
    if (row == kSelf)
        return m_system->accLocation(left, top, width, height, child);
    RECT item{};
    if (::SendMessageW(m_hList, LB_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item)) == LB_ERR)
        return E_FAIL;
    ::MapWindowPoints(m_hList, nullptr, reinterpret_cast<POINT*>(&item), 2);
    *left = item.left;
    *top = item.top;
    *width = item.right - item.left;
    *height = item.bottom - item.top;
    return S_OK;
}

HRESULT ProfileListAccessible::accNavigate(long direction, VARIANT start, VARIANT* end)
{
    int row = kNoChild;
    if (const HRESULT refused = Resolve(start, end, row); FAILED(refused))
        return refused;
    const int count = Count();
    int to = kNoChild;
    if (row == kSelf) {
        if (direction != NAVDIR_FIRSTCHILD && direction != NAVDIR_LASTCHILD)
            return m_system->accNavigate(direction, start, end);
        to = count == 0 ? kNoChild : direction == NAVDIR_FIRSTCHILD ? 0 : count - 1;
    } else if (direction == NAVDIR_NEXT || direction == NAVDIR_DOWN) {
        to = row + 1 < count ? row + 1 : kNoChild;
    } else if (direction == NAVDIR_PREVIOUS || direction == NAVDIR_UP) {
        to = row > 0 ? row - 1 : kNoChild;
    }
    ::VariantInit(end);
    if (to == kNoChild)
        return S_FALSE;
    GiveNumber(end, ChildOf(to));
    return S_OK;
}

HRESULT ProfileListAccessible::accHitTest(long x, long y, VARIANT* child)
{
    if (!m_rows)
        return RPC_E_DISCONNECTED;
    if (!child)
        return E_POINTER;
    POINT at{x, y};
    ::ScreenToClient(m_hList, &at);
    RECT client{};
    ::GetClientRect(m_hList, &client);
    if (!::PtInRect(&client, at))
        return m_system->accHitTest(x, y, child);
    const auto hit = static_cast<DWORD>(::SendMessageW(m_hList, LB_ITEMFROMPOINT, 0, MAKELPARAM(at.x, at.y)));
    const int row = LOWORD(hit);
    RECT item{};
    const bool onRow = !HIWORD(hit) && row < Count() &&
                       ::SendMessageW(m_hList, LB_GETITEMRECT, static_cast<WPARAM>(row),
                                      reinterpret_cast<LPARAM>(&item)) != LB_ERR &&
                       ::PtInRect(&item, at);
    GiveNumber(child, onRow ? ChildOf(row) : CHILDID_SELF);
    return S_OK;
}

HRESULT ProfileListAccessible::accDoDefaultAction(VARIANT child)
{
    if (!m_rows)
        return RPC_E_DISCONNECTED;
    return RowOf(child) == kSelf ? m_system->accDoDefaultAction(child) : DISP_E_MEMBERNOTFOUND;
}

HRESULT ProfileListAccessible::put_accName(VARIANT, BSTR) { return E_NOTIMPL; }

HRESULT ProfileListAccessible::put_accValue(VARIANT, BSTR) { return E_NOTIMPL; }
