// Win32 only. The small window layer's dialog: modal or modeless, with data exchange.
// It knows nothing of the program that uses it.
#pragma once

#include "fw/commands.h"
#include "fw/dpi.h"
#include "fw/window.h"

#include <windows.h>

#include <cstddef>
#include <string>

namespace fw {

// A dialog from a template, modal or modeless. The object is bound to its window from
// WM_INITDIALOG to WM_NCDESTROY; messages are forwarded to the virtual handlers below.
class Dialog : public Window {
public:
    explicit Dialog(UINT templateId);
    virtual ~Dialog();
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    // Runs the dialog and returns what EndDialog was given, or -1 when the window could
    // not be created (no such template, an owner that is no window). The owner is
    // disabled meanwhile. Without an owner argument the owner is the main window's last
    // active pop-up. The template, and each menu it names, come from the module the
    // application names for them (App::ResourceModuleFor).
    INT_PTR DoModal();
    INT_PTR DoModal(HWND owner);

    // Creates the dialog as a modeless window; OnInitDialog runs inside. The
    // application's message loop gives it keyboard navigation. Returns false when the
    // window could not be created.
    bool Create(HWND parent);

    // The object bound to a dialog window of this thread, or null.
    static Dialog* FromHandle(HWND window);

    // The DPI the dialog is laid out for; 0 before WM_INITDIALOG. A dialog opens at the
    // DPI of its owner when the owner is a Dialog too (else at its monitor's), and
    // follows WM_DPICHANGED.
    UINT Dpi() const { return m_nDpi; }
    // The font of the dialog's controls at Dpi().
    HFONT DialogFont() const;

protected:
    // The whole message switch. An override handles its own messages and passes the
    // rest here. Returns the dialog procedure's result. Owner-draw requests about a
    // control bound to a ListBox are answered by that object.
    virtual INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    // Loads the controls from the members. Returns TRUE to let the dialog manager set
    // the focus.
    virtual BOOL OnInitDialog();
    // WM_COMMAND. Returns true when handled; unhandled clicks on IDOK and IDCANCEL go to
    // OnOK and OnCancel.
    virtual bool OnCommand(UINT id, UINT code, HWND control);
    // Moves data between members and controls: into the controls when save is false,
    // back into the members when it is true.
    virtual void DoDataExchange(bool save);
    // Saves the controls into the members, then ends the dialog with IDOK.
    virtual void OnOK();
    virtual void OnCancel();

    void EndDialog(INT_PTR result);

    // Called after the window's last message, with the object already unbound, once no
    // handler of the object is on the stack any more: a window may be destroyed under
    // its own handler (closed while a report it raised is open), and the handler goes
    // on with the object intact. A modeless dialog that owns itself deletes itself here.
    virtual void PostNcDestroy();

    // Counts a stretch of work on the object that is not a message (its construction,
    // say) as a handler on the stack: PostNcDestroy waits for the matching LeaveHandler,
    // which may therefore delete the object.
    void EnterHandler() { ++m_nHandlers; }
    void LeaveHandler();
    // Whether the window existed and has been destroyed.
    bool IsDestroyed() const { return m_bDestroyed; }

    // The dialog is to be laid out for another DPI: it moved to a monitor of another
    // DPI (WM_DPICHANGED, with the window rectangle the system suggests), or it opens
    // over an owner laid out for another DPI than the dialog manager made it for
    // (before OnInitDialog; suggested is null). Dpi(), DialogFont() and BaseUnits() are
    // the new ones already, and every control that had the old font has the new one;
    // oldUnits are the old font's dialog base units. The base places every control and
    // the client area in proportion to the base units, as the dialog manager places
    // them from the template, with the window's top-left corner at the suggested one
    // (or where it is): a dialog sized by its template never cuts a control off,
    // whatever size the system suggests.
    virtual void OnDpiChanged(SIZE oldUnits, const RECT* suggested);
    // For a dialog that lays its controls out itself: takes the rectangle the system
    // suggests for the new DPI, or without one (opening over an owner of another DPI)
    // is placed in proportion by the base's OnDpiChanged.
    void TakeSuggestedRect(SIZE oldUnits, const RECT* suggested);
    // The dialog base units of DialogFont(): its average character width and its
    // height, the units of the template's coordinates.
    SIZE BaseUnits() const { return m_baseUnits; }
    // Gives the window a client area of width x height with its top-left corner at
    // corner.
    void PlaceClientArea(POINT corner, LONG width, LONG height);
    // The client size the template asks for, at the dialog's base units. The system
    // makes no window much larger than the screen, while the dialog manager places the
    // controls for the template's size all the same: a dialog that lays its controls
    // out from where they were made starts from this size. Zero when the template
    // cannot be read.
    SIZE TemplateClientSize() const;
    // The window's size at dpi, as OnDpiChanged lays it out there: its client area in
    // proportion to the base units of the font for dpi, with the frame at dpi. False
    // when that font cannot be made.
    bool SizeForDpi(UINT dpi, SIZE& size) const;

    // Runs the data exchange: from the members to the controls, or back when save.
    void UpdateData(bool save) { DoDataExchange(save); }

    // Exchanges a control's text. On load the whole value is shown and, for an edit
    // control, typing is limited to maxLength (0: no limit). On save the whole text is
    // kept, however long: a text over the limit never keeps the dialog from closing.
    void DDX_Text(bool save, int id, std::string& value, size_t maxLength = 0);
    // Attaches control to the dialog item id.
    void DDX_Control(int id, Window& control);
    // Exchanges the checked button of the radio group that starts at firstId (the
    // button with WS_GROUP) as its index in the group, -1 for none. The group runs up
    // to the next control with WS_GROUP.
    void DDX_Radio(bool save, int firstId, int& value);

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void CenterOverOwner();
    // Takes the DPI the dialog manager made the window for, and the owner's when that
    // differs.
    void FollowDpiOnOpen();
    // Makes the font for dpi, hands it to the controls, then OnDpiChanged.
    void ChangeDpi(UINT dpi, const RECT* suggested);
    // Gives a window whose template names a menu, but which came without one, that menu
    // from wherever it is, and keeps the client area the template's size.
    void AttachTemplateMenu(HWND window) const;

    UINT m_nTemplate;
    HINSTANCE m_hResources;
    bool m_bModal = false;
    bool m_bOpened = false;       // WM_INITDIALOG came: the window was made
    int m_nHandlers = 0;          // handlers of this object on the stack
    bool m_bDestroyed = false;    // the window has had its last message
    bool m_bFinalPending = false; // PostNcDestroy waits for the outermost handler
    UINT m_nDpi = 0;
    SIZE m_baseUnits{};
    PointFont m_pointFont;        // the dialog's font as the template gives it
    fw::Font m_font;              // once the DPI changed; the dialog manager's until then
};

// The DPI a window is laid out for: its top-level dialog's (a Dialog follows
// WM_DPICHANGED itself), else the system's answer for the window.
UINT WindowDpi(HWND window);

}  // namespace fw
