// Win32 only. The window layer's list box: an object bound, by subclassing, to a list-box control
// that a dialog template or CreateWindow made. An owner-drawn list sends its drawing
// requests to its parent; the parent passes them back to the bound object
// (ReflectOwnerDraw, which fw::Dialog calls for its controls), so the class that draws
// the rows is the list's own class.
#pragma once

#include "fw/window.h"

#include <windows.h>

#include <string>
#include <unordered_map>

namespace fw {

class ListBox : public Window {
public:
    ListBox() = default;
    // Unbinds a window that is still there; it goes on as a plain list box.
    virtual ~ListBox();
    ListBox(const ListBox&) = delete;
    ListBox& operator=(const ListBox&) = delete;

    // A borrowed handle would never get the owner-draw requests: bind by subclassing.
    void Attach(HWND window) = delete;
    HWND Detach() = delete;

    // Binds the object to an existing list box until UnsubclassWindow, the object's end
    // or the window's WM_NCDESTROY, whichever comes first. False, and nothing changed,
    // when window is null, the object is bound already or another object holds window.
    bool SubclassWindow(HWND window);
    // The same for the child control id of parent.
    bool SubclassDlgItem(int id, HWND parent);
    // Unbinds the object and returns its window, or null when it was not bound.
    HWND UnsubclassWindow();

    // The object bound to window, or null.
    static ListBox* FromHandle(HWND window);

    // For a parent's window or dialog procedure: hands WM_DRAWITEM, WM_MEASUREITEM,
    // WM_COMPAREITEM and WM_DELETEITEM about a list box to the object bound to it.
    // Returns true when an object answered, with its answer in result (for a dialog
    // procedure, WM_COMPAREITEM's answer is the procedure's return value, and the
    // others' go through DWLP_MSGRESULT). False for any other message, for menus and
    // for controls without an object: the parent then handles the message itself.
    static bool ReflectOwnerDraw(HWND parent, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

    // The list-box messages. An unbound object sends nothing and answers LB_ERR, or 0
    // for the count.
    // LB_ADDSTRING: the new row's position, LB_ERR or LB_ERRSPACE.
    int AddString(const char* text);
    // LB_SETITEMDATA: LB_ERR when there is no such row.
    int SetItemData(int row, LPARAM data);
    // LB_GETITEMDATA: the row's number, or LB_ERR when there is no such row.
    LPARAM GetItemData(int row) const;
    int GetCount() const;
    void ResetContent();
    // LB_GETTEXTLEN: the row's text length in bytes (it may overstate a multibyte
    // text), or LB_ERR.
    int GetTextLen(int row) const;
    // LB_GETTEXT into a buffer sized by LB_GETTEXTLEN first. False, with text
    // unchanged, when there is no such row.
    bool GetText(int row, std::string& text) const;
    int GetCurSel() const;
    // LB_SETCURSEL; -1 clears the selection. LB_ERR for a row that is not there.
    int SetCurSel(int row);
    // LB_SELECTSTRING: selects the first row after startAfter (-1: from the top) whose
    // text begins with text, without regard to case. The row, or LB_ERR when none.
    int SelectString(int startAfter, const char* text);

protected:
    // The owner-draw requests. The base draws nothing, leaves the proposed height,
    // ranks two items as equal and releases nothing per row.
    virtual void DrawItem(const DRAWITEMSTRUCT& item);
    virtual void MeasureItem(MEASUREITEMSTRUCT& item);
    virtual int CompareItem(const COMPAREITEMSTRUCT& item);
    virtual void DeleteItem(const DELETEITEMSTRUCT& item);

    // Called once the object is bound to its window, and just before it lets go of it
    // (UnsubclassWindow, or the window's WM_NCDESTROY). At the object's end the derived
    // part is gone before the base unbinds: a derived class releases what OnBind made
    // in its own destructor too. The base does nothing.
    virtual void OnBind();
    virtual void OnUnbind();

    // Called once the list box has taken a new font (WM_SETFONT; font null for the
    // system font), so that an owner-drawn list can measure its rows again. The base
    // does nothing.
    virtual void OnFontChanged(HFONT font);

    // Sees each message to the bound window before the list box does, WM_NCDESTROY
    // excepted. True when it answered the message itself, with its answer in result: the
    // list box then never sees it. The base answers nothing.
    virtual bool PreviewMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // Sees each message the list box has handled, as long as the object is still bound.
    virtual void AfterMessage(UINT message);

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void Unbind();
    LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam, LRESULT unbound = LB_ERR) const;
};

}  // namespace fw
