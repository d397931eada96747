// Win32 only. The About box: a picture, the version and OK.
#pragma once

#include "fw/dialog.h"
#include "fw/gdi.h"

class AboutDialog : public fw::Dialog {
public:
    AboutDialog();
    ~AboutDialog() override;

protected:
    void DoDataExchange(bool save) override;
    BOOL OnInitDialog() override;
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    // The picture follows the window to its new DPI.
    void OnDpiChanged(SIZE oldUnits, const RECT* suggested) override;

private:
    // The picture control loads its bitmap from the module the window's template came
    // from, at its own size, which is meant for 96 DPI; a resource library with this
    // window but not the picture leaves it empty. The window gives the control a
    // picture of its own when the control has none, and at any other DPI, at the size
    // for the window's DPI.
    void ShowPicture();

    HWND m_hPictureControl = nullptr;
    // The picture the window gave the control; it outlives the window, which only
    // borrows it.
    fw::Bitmap m_picture;
    // The control's own picture, while the control shows ours: it gets it back before
    // it goes, so that whatever the control does with its own is done with its own.
    HBITMAP m_hControlPicture = nullptr;
    bool m_bReplaced = false;
};
