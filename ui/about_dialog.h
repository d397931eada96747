// The About box: a picture, the version and OK.
#pragma once

#include "fw/dialog.h"

class AboutDialog : public fw::Dialog {
public:
    AboutDialog();
    ~AboutDialog() override;

protected:
    void DoDataExchange(bool save) override;
};
