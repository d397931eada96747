// The data behind a profile list: each row shows a profile's file name, and behind it
// the list keeps the profile's full path and two flags. The control sorts its rows
// itself, so a row's position says nothing about when it was added; every row's item
// data is the index of its path in the list's own arrays, and both flags are kept at
// that same index.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The list control the rows live in: a sorted list of text rows, each carrying one
// number. The Windows list box is the real one.
class ListControl {
public:
    virtual ~ListControl() = default;

    // Adds a row at its sorted place and returns that place, or a negative value when
    // the control refuses the row.
    virtual int32_t AddString(const std::string& text) = 0;
    // Sets the number a row carries; false when there is no such row.
    virtual bool SetItemData(int32_t row, intptr_t data) = 0;
    // The number a row carries, or -1 when there is no such row.
    virtual intptr_t GetItemData(int32_t row) const = 0;
    virtual int32_t GetCount() const = 0;
    // Removes every row.
    virtual void ResetContent() = 0;
};

// How a row is drawn.
struct RowStyle {
    bool bold = false;     // the profile carries a calibration table
    bool italic = false;   // the profile lacks the maker's tag
};

class ProfileList {
public:
    explicit ProfileList(ListControl& control) : m_control(control) {}
    virtual ~ProfileList() = default;
    ProfileList(const ProfileList&) = delete;
    ProfileList& operator=(const ProfileList&) = delete;

    // Adds a row showing the path's file name (without folder and extension) and
    // keeps the path behind it. Returns the row's position, or the control's negative
    // value when it refused the row; the path is then not kept.
    int32_t AddProfile(const std::string& fullPath);
    // Empties the flags, the paths and the control.
    void ResetProfiles();
    // Appends the path to the stored paths and makes its index the row's item data.
    void SetItemFullPath(int32_t row, const std::string& fullPath);
    // Store a flag for a row's profile. A row that names no row is ignored.
    void SetVcgtFlag(int32_t row, uint16_t flag);
    void SetCreatorFlag(int32_t row, uint16_t flag);
    // The path kept behind a row; empty for a row that names no row.
    std::string GetFullPath(int32_t row) const;
    int32_t GetCount() const { return m_control.GetCount(); }

    // The style of the row whose item data is itemData. A flag array grows only as far
    // as the highest index set so far, so a flag that was never set reads 0 when a
    // later profile's flag was set, and counts as absent otherwise: an absent creator
    // flag leaves the row upright, a zero one makes it italic.
    RowStyle StyleOf(intptr_t itemData) const;

    // What the list keeps behind its rows, indexed by item data, for those who count
    // or inspect it; valid while the list lives and changed by its next call.
    struct Stored {
        const std::vector<std::string>& paths;
        const std::vector<uint16_t>& vcgtFlags;
        const std::vector<uint16_t>& creatorFlags;
    };
    Stored Contents() const { return Stored{m_PathArray, m_VcgtFlags, m_CreatorFlags}; }

private:
    std::vector<std::string> m_PathArray;
    std::vector<uint16_t> m_VcgtFlags;
    std::vector<uint16_t> m_CreatorFlags;
    ListControl& m_control;
};
