// Win32 only. What a screen reader finds in a monitor window's profile list: the list
// (its name the window's caption), and a child per row, named by the row's file name and
// described by what its fonts and its tooltip say. The rows are owner-drawn, so the
// system's own proxy knows no more of them than their number.
#pragma once

#include <windows.h>

#include <oleacc.h>

#include <string>

// What the list tells of itself and its rows (0-based), as UTF-16.
class AccessibleRows {
public:
    virtual std::wstring ListName() = 0;
    virtual std::wstring RowName(int row) = 0;
    virtual std::wstring RowDescription(int row) = 0;

protected:
    ~AccessibleRows() = default;
};

// The list's accessible object. It asks rows for the texts and the list box for the
// rest (count, selection, caret, rectangles), and leaves what a window has to the
// system's object for the list's client area. A client may hold it after the list has
// gone: once Disconnect()ed it answers every call with RPC_E_DISCONNECTED.
class ProfileListAccessible final : public IAccessible {
public:
    // A new object with one reference, or null when the system's object for the list
    // cannot be made.
    static ProfileListAccessible* Create(HWND list, AccessibleRows& rows);
    void Disconnect();

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    // IDispatch: none; clients of IAccessible call it directly.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override;
    // IAccessible
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override;
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override;
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override;
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override;
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override;
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override;
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override;
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override;
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override;
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override;
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override;
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* child) override;
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* children) override;
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override;
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override;
    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height, VARIANT child) override;
    HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override;
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* child) override;
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override;
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override;
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override;

private:
    ProfileListAccessible(HWND list, AccessibleRows& rows, IAccessible* system);
    ~ProfileListAccessible();
    ProfileListAccessible(const ProfileListAccessible&) = delete;
    ProfileListAccessible& operator=(const ProfileListAccessible&) = delete;

    // The row a child id names (0-based), -1 for the list itself, -2 for none.
    int RowOf(const VARIANT& child) const;
    // S_OK with the row child names (as RowOf), or why a call with the result out
    // cannot be answered: disconnected, no place for the result, no such child.
    HRESULT Resolve(const VARIANT& child, const void* out, int& row) const;
    int Count() const;
    // A text: the list's from the system's object, a row's from rowText (none when null).
    HRESULT TextOf(HRESULT (STDMETHODCALLTYPE IAccessible::*system)(VARIANT, BSTR*),
                   std::wstring (AccessibleRows::*rowText)(int), VARIANT child, BSTR* text);

    LONG m_nReferences = 1;
    HWND m_hList;
    AccessibleRows* m_rows;       // null once disconnected
    IAccessible* m_system;        // the system's object for the client area; owned
};
