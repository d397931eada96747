// Win32 only. The HTML view as an ordinary child control of a dialog: it takes the place of a
// static control that the dialog template reserves for it, lives and dies with the
// dialog object, and does not follow links whose address starts with "app:".
#pragma once

#include "fw/html_view.h"

#include <windows.h>

#include <cstdint>
#include <vector>

class CHtmlCtrl : public fw::HtmlView {
public:
    CHtmlCtrl();
    ~CHtmlCtrl() override;

    // Puts the view in the place of the parent's child control id: same rectangle,
    // same id, same place in the tab order; the control itself is destroyed. Returns
    // non-zero on success. Returns 0 when parent has no such child, or when the view
    // or its browser could not be made; the parent is then unchanged.
    BOOL CreateInPlaceOfStatic(int id, HWND parent);

protected:
    // Nothing: the control is a member of its dialog and is not deleted with its window.
    void PostNcDestroy() override;
    // Links whose address starts with "app:", in any case, go to OnAppLink and are
    // cancelled; every other navigation goes ahead.
    void OnBeforeNavigate2(const char* url, DWORD flags, const char* targetFrame,
                           const std::vector<uint8_t>& postData, const char* headers, bool& cancel) override;
    // command: the address after "app:". The base does nothing.
    virtual void OnAppLink(const char* command);

    // WM_DESTROY releases the browser; WM_MOUSEACTIVATE gets the window's default
    // answer, since a control in a dialog leaves the keyboard to the dialog manager.
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
};
