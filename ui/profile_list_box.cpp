// Win32 only: the owner-drawn profile list of a monitor window.
#include "ui/profile_list_box.h"

#include "fw/gdi.h"
#include "report/mbstring.h"

namespace {

// A row's text is read into a 256-byte buffer; a longer one, which AddProfile never
// makes, is cut to fit.
constexpr size_t kMaxRowText = 255;

// One line, centred in the row's height, from the row's left edge with no margin,
// clipped to the row. A row shows a file name, not a label: without DT_NOPREFIX,
// DrawText would hide the "&" of "R&D lab" and underline the "D" after it.
constexpr UINT kRowTextFormat = DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX;

// The font currently selected in dc, which the control selected there (its own), with
// the row's style applied. Null when that font cannot be read or the copy cannot be
// made; the row is then drawn in the current font.
fw::Font CreateRowFont(HDC dc, RowStyle style)
{
    LOGFONTW font{};
    HGDIOBJ current = ::GetCurrentObject(dc, OBJ_FONT);
    if (!current || ::GetObjectW(current, sizeof(font), &font) == 0)
        return fw::Font();
    if (style.italic)
        font.lfItalic = TRUE;
    if (style.bold)
        font.lfWeight = FW_BOLD;
    return fw::Font(::CreateFontIndirectW(&font));
}

}  // namespace

ProfileListBox::ProfileListBox() : m_rows(*this), m_profiles(m_rows) {}

int32_t ProfileListBox::Rows::AddString(const std::string& text) { return m_box.AddString(text.c_str()); }

bool ProfileListBox::Rows::SetItemData(int32_t row, intptr_t data) { return m_box.SetItemData(row, data) != LB_ERR; }

intptr_t ProfileListBox::Rows::GetItemData(int32_t row) const { return m_box.GetItemData(row); }

int32_t ProfileListBox::Rows::GetCount() const { return m_box.GetCount(); }

void ProfileListBox::Rows::ResetContent() { m_box.ResetContent(); }

void ProfileListBox::DrawItem(const DRAWITEMSTRUCT& item)
{
    HDC dc = item.hDC;
    // An empty list that has the focus asks for row -1: background and focus, no text.
    const auto row = static_cast<int>(item.itemID);
    std::string text;
    const bool hasText = row >= 0 && GetText(row, text);
    if (text.size() > kMaxRowText)
        text = MbsTruncate(text, kMaxRowText);

    fw::ColorGuard keepColors(dc);
    RECT rc = item.rcItem;
    if (item.itemState & ODS_SELECTED) {
        ::SetTextColor(dc, ::GetSysColor(COLOR_HIGHLIGHTTEXT));
        ::SetBkColor(dc, ::GetSysColor(COLOR_HIGHLIGHT));
    }
    // An opaque empty text fills with the background colour: the highlight for a
    // selected row, otherwise the colour the control set for its rows.
    ::ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rc, nullptr, 0, nullptr);
    if (item.itemState & ODS_FOCUS)
        ::DrawFocusRect(dc, &rc);
    if (!hasText)
        return;

    // The font ends after the guard that selected it, so it is deleted only once it
    // is out of the device context.
    fw::Font rowFont = CreateRowFont(dc, m_profiles.StyleOf(static_cast<intptr_t>(item.itemData)));
    fw::SelectGuard keepFont(dc, rowFont.Get());
    // Text last, so it stays readable over the focus rectangle.
    ::DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &rc, kRowTextFormat);
}
