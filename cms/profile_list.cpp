#include "cms/profile_list.h"

#include "report/mbstring.h"

namespace {

// The longest row text the control is given.
constexpr size_t kMaxRowText = 255;

void StoreFlag(std::vector<uint16_t>& flags, intptr_t index, uint16_t flag)
{
    if (index < 0)
        return;
    const auto at = static_cast<size_t>(index);
    if (at >= flags.size())
        flags.resize(at + 1, 0);
    flags[at] = flag;
}

// The flag at index, or nothing when the array does not reach it.
const uint16_t* FlagAt(const std::vector<uint16_t>& flags, intptr_t index)
{
    if (index < 0 || static_cast<size_t>(index) >= flags.size())
        return nullptr;
    return &flags[static_cast<size_t>(index)];
}

}  // namespace

int32_t ProfileList::AddProfile(const std::string& fullPath)
{
    std::string fileName;
    SplitPath(fullPath.c_str(), &fileName, nullptr);
    const int32_t row = m_control.AddString(MbsTruncate(fileName, kMaxRowText));
    // A refused row gets no path: item data set for row -1 would reach every row.
    if (row >= 0)
        SetItemFullPath(row, fullPath);
    return row;
}

void ProfileList::ResetProfiles()
{
    m_CreatorFlags.clear();
    m_CreatorFlags.shrink_to_fit();
    m_VcgtFlags.clear();
    m_VcgtFlags.shrink_to_fit();
    m_PathArray.clear();
    m_PathArray.shrink_to_fit();
    m_control.ResetContent();
}

void ProfileList::SetItemFullPath(int32_t row, const std::string& fullPath)
{
    const auto index = static_cast<intptr_t>(m_PathArray.size());
    m_PathArray.push_back(fullPath);
    m_control.SetItemData(row, index);
}

void ProfileList::SetVcgtFlag(int32_t row, uint16_t flag)
{
    StoreFlag(m_VcgtFlags, m_control.GetItemData(row), flag);
}

void ProfileList::SetCreatorFlag(int32_t row, uint16_t flag)
{
    StoreFlag(m_CreatorFlags, m_control.GetItemData(row), flag);
}

std::string ProfileList::GetFullPath(int32_t row) const
{
    const intptr_t index = m_control.GetItemData(row);
    if (index < 0 || static_cast<size_t>(index) >= m_PathArray.size())
        return {};
    return m_PathArray[static_cast<size_t>(index)];
}

RowStyle ProfileList::StyleOf(intptr_t itemData) const
{
    RowStyle style;
    if (const uint16_t* creator = FlagAt(m_CreatorFlags, itemData))
        style.italic = *creator == 0;
    if (const uint16_t* vcgt = FlagAt(m_VcgtFlags, itemData))
        style.bold = *vcgt != 0;
    return style;
}
