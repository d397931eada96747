// The profile list of a monitor window: the rows live in a sorted, owner-drawn list box,
// and the paths and flags behind them in the ProfileList model. Each row is drawn bold
// when its profile carries a calibration table and italic when it lacks the maker's tag.
#pragma once

#include "cms/profile_list.h"
#include "fw/list_box.h"

#include <windows.h>

#include <cstdint>
#include <string>

class ProfileListBox : public fw::ListBox, public ListControl, public ProfileList {
public:
    ProfileListBox();

    // The model's rows, kept by the bound control. Until the object is bound, the list
    // refuses every row and has none.
    int32_t AddString(const std::string& text) override;
    bool SetItemData(int32_t row, intptr_t data) override;
    intptr_t GetItemData(int32_t row) const override;
    int32_t GetCount() const override;
    void ResetContent() override;

protected:
    // Draws the whole row whatever the request's action: the fill, the focus rectangle,
    // then the file name in the control's font, made bold or italic by the row's flags.
    // Leaves the device context's font and colours as they were.
    void DrawItem(const DRAWITEMSTRUCT& item) override;
};
