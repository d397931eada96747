// Win32 only. The profile list of a monitor window: the rows live in a sorted,
// owner-drawn list box, and the paths and flags behind them in the ProfileList model
// the box holds. Each row is drawn bold when its profile carries a calibration table
// and italic when it lacks the maker's tag, and a tooltip says, before the click,
// what selecting the row under the pointer will do to the video card. The rows' fonts,
// their height and the tooltip's font are made again whenever the list is given a
// font, as its window is for a new DPI.
#pragma once

#include "cms/profile_list.h"
#include "fw/gdi.h"
#include "fw/list_box.h"
#include "platform/owner.h"
#include "ui/profile_list_accessible.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>

class ProfileListBox : public fw::ListBox, private AccessibleRows {
public:
    ProfileListBox();

    // The model, for the catalogue functions that fill and mark it.
    ProfileList& Profiles() { return m_profiles; }
    const ProfileList& Profiles() const { return m_profiles; }

    // The path behind a row (see ProfileList). Until the object is bound, the list
    // refuses every row and has none.
    std::string GetFullPath(int32_t row) const { return m_profiles.GetFullPath(row); }
    // What the rows' verdicts depend on besides the profile: the extended setting, and
    // whether HDR is on for the monitor (named in the verdict). A change asks them anew.
    void SetVerdictContext(bool extendedTables, bool advancedColor, const std::string& monitorName);
    // Fills the rows by fill, unseen (a visible sorted list repaints on every row) and
    // shown once, then selects the row named exactly current (none when it is not
    // listed). Returns the selected row, or -1.
    int Show(const std::function<void(ProfileList&)>& fill, const std::string& current);

protected:
    // Draws the whole row whatever the request's action: the fill, the focus rectangle,
    // then the file name as it is (an ampersand stays an ampersand) in the control's
    // font, made bold or italic by the row's flags. Leaves the device context's font
    // and colours as they were.
    void DrawItem(const DRAWITEMSTRUCT& item) override;

    // The tooltip lives while the object is bound.
    void OnBind() override;
    void OnUnbind() override;
    void OnFontChanged(HFONT font) override;
    // Relays the pointer to the tooltip, gives it the verdict of the row under the
    // pointer when it asks, and forgets the verdicts when the rows go. Answers a screen
    // reader's request for the list with its accessible object.
    bool PreviewMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    // Tells screen readers where the selection and the focus went (the list box under
    // Wine tells nothing): a change of either after a key, a click or a request.
    void AfterMessage(UINT message) override;

private:
    // The tooltip, with the list as its one tool; none when it cannot be made.
    void MakeTip();
    // Makes the rows' four fonts from the list's font (null: the system font), makes
    // the rows as tall as the tallest of them, and gives the tooltip the system's
    // tooltip font at the list's DPI.
    void MakeFonts(HFONT listFont);
    // The rows' four fonts from a face.
    void MakeRowFonts(const LOGFONTW& face);
    // The row under a point of the client area, or -1 when the point is on no row.
    int RowAt(LPARAM point) const;
    // Makes the tool the rectangle of row (none for -1). A tip on show takes the new
    // row's text at once; a hidden one asks when the pointer has rested.
    void PointTipAt(int row);
    // The verdict of a row's profile, diagnosed the first time it is asked for and kept
    // until the rows go; valid until then.
    const std::string& VerdictOf(int row);

    // ---- AccessibleRows: the window's caption, a row's file name, what it says ----
    std::wstring ListName() override;
    std::wstring RowName(int row) override;
    std::wstring RowDescription(int row) override;
    // The list's accessible object, made when first asked for (a screen reader runs).
    LRESULT AnswerObjectRequest(WPARAM wParam);

    // The dialog destroys the windows it owns, the tooltip among them, before its
    // children: by the list's end the tooltip may be gone already.
    struct TipTraits {
        static void Close(HWND tip);
    };
    // A client may hold the accessible object after the list has gone: it is cut off
    // from the list and let go.
    struct AccessibleTraits {
        static void Close(ProfileListAccessible* object);
    };
    // The model's view of the rows: this list box's own.
    class Rows : public ListControl {
    public:
        explicit Rows(fw::ListBox& box) : m_box(box) {}
        int32_t AddString(const std::string& text) override;
        bool SetItemData(int32_t row, intptr_t data) override;
        intptr_t GetItemData(int32_t row) const override;
        int32_t GetCount() const override;
        void ResetContent() override;

    private:
        fw::ListBox& m_box;
    };

    Rows m_rows;
    ProfileList m_profiles;   // after the rows it keeps its data for
    LOGFONTW m_rowFace{};     // what the rows' fonts were made from
    fw::Font m_rowFonts[4];   // plain, italic, bold, bold italic
    fw::Font m_tipFont;       // before the tooltip, which borrows it
    Owner<HWND, TipTraits> m_tip;
    Owner<ProfileListAccessible*, AccessibleTraits> m_accessible;
    int m_nTipRow = -1;                                   // the row the tool covers
    int m_nToldSelection = -1;                            // as last told to screen readers
    int m_nToldCaret = -1;
    std::unordered_map<intptr_t, std::string> m_verdicts;  // by path index
    bool m_bExtendedTables = false;
    bool m_bAdvancedColor = false;
    std::string m_monitorName;
};
