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

private:
    // The picture, when the window had to load it itself; it outlives the window,
    // which only borrows it.
    fw::Bitmap m_picture;
};
