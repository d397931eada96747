// Reading resources in place, as the tests need them: dialog templates item by item
// and raw resource data. The modules are usually loaded as data files.
#pragma once

#include <windows.h>

#include <cctype>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace wintest {

// Loads a module for its resources alone: mapped as an image, none of its code run.
inline HMODULE LoadAsDataFile(const std::string& path)
{
    return LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_IMAGE_RESOURCE | LOAD_LIBRARY_AS_DATAFILE);
}

inline std::string Narrow(const wchar_t* text, int length)
{
    if (length <= 0)
        return {};
    int needed = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(needed > 0 ? needed : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, length, out.data(), needed, nullptr, nullptr);
    return out;
}

// Every non-empty entry of every string block of module, read in place.
inline std::map<uint32_t, std::string> ReadStringTable(HMODULE module)
{
    std::vector<uint32_t> blocks;
    EnumResourceNamesA(
        module, reinterpret_cast<LPCSTR>(RT_STRING),
        [](HMODULE, LPCSTR, LPSTR name, LONG_PTR param) -> BOOL {
            if (IS_INTRESOURCE(name))
                reinterpret_cast<std::vector<uint32_t>*>(param)->push_back(
                    static_cast<uint32_t>(reinterpret_cast<ULONG_PTR>(name)));
            return TRUE;
        },
        reinterpret_cast<LONG_PTR>(&blocks));
    std::map<uint32_t, std::string> table;
    for (uint32_t block : blocks) {
        // Block n holds ids (n - 1) * 16 to (n - 1) * 16 + 15.
        for (uint32_t id = (block - 1) * 16; id < block * 16; ++id) {
            const wchar_t* text = nullptr;
            int length = LoadStringW(module, id, reinterpret_cast<LPWSTR>(&text), 0);
            if (length > 0)
                table[id] = Narrow(text, length);
        }
    }
    return table;
}

// A resource's bytes where they lie in the module; empty when it is absent.
struct ResourceData {
    const BYTE* data = nullptr;
    size_t size = 0;
    explicit operator bool() const { return data != nullptr; }
};

inline ResourceData FindResourceData(HMODULE module, LPCSTR name, LPCSTR type)
{
    HRSRC found = FindResourceA(module, name, type);
    if (!found)
        return {};
    const auto* data = static_cast<const BYTE*>(LockResource(LoadResource(module, found)));
    if (!data)
        return {};
    return {data, SizeofResource(module, found)};
}

inline ResourceData FindResourceData(HMODULE module, int id, LPCSTR type)
{
    return FindResourceData(module, MAKEINTRESOURCEA(id), type);
}

struct DialogItem {
    DWORD style = 0;
    int x = 0, y = 0, cx = 0, cy = 0;
    int id = 0;
    std::string className;   // predefined classes by their names: "button", "static"
    std::string text;        // an ordinal reads "#n"
    DWORD exStyle = 0;
};

struct DialogTemplate {
    bool extended = false;
    DWORD style = 0;
    int x = 0, y = 0, cx = 0, cy = 0;
    std::string menu;
    std::string className;
    std::string caption;
    int pointSize = 0;
    std::string font;
    std::vector<DialogItem> items;
    DWORD exStyle = 0;
};

// Reads a DLGTEMPLATE or DLGTEMPLATEEX with its items; false on truncated data.
class TemplateReader {
public:
    TemplateReader(const BYTE* data, size_t size) : m_pBase(data), m_pos(0), m_size(size) {}

    bool Read(DialogTemplate& dialog)
    {
        dialog.extended = Peek(0) == 1 && Peek(2) == 0xFFFF;
        if (dialog.extended) {
            Skip(2 + 2 + 4);   // version, signature, help id
            dialog.exStyle = Dword();
            dialog.style = Dword();
        } else {
            dialog.style = Dword();
            dialog.exStyle = Dword();
        }
        const int count = Word();
        dialog.x = Short();
        dialog.y = Short();
        dialog.cx = Short();
        dialog.cy = Short();
        dialog.menu = SzOrOrd();
        dialog.className = SzOrOrd();
        dialog.caption = Sz();
        if (dialog.style & (DS_SETFONT | DS_SHELLFONT)) {
            dialog.pointSize = Word();
            if (dialog.extended)
                Skip(2 + 1 + 1);   // weight, italic, charset
            dialog.font = Sz();
        }
        for (int i = 0; i < count && m_ok; ++i) {
            Align();
            DialogItem item;
            if (dialog.extended) {
                Dword();   // help id
                item.exStyle = Dword();
                item.style = Dword();
            } else {
                item.style = Dword();
                item.exStyle = Dword();
            }
            item.x = Short();
            item.y = Short();
            item.cx = Short();
            item.cy = Short();
            item.id = dialog.extended ? static_cast<int>(static_cast<LONG>(Dword())) : Short();
            item.className = ClassName();
            item.text = SzOrOrd();
            Skip(Word());   // creation data
            dialog.items.push_back(item);
        }
        return m_ok;
    }

private:
    WORD Peek(size_t offset) const
    {
        if (m_pos + offset + 2 > m_size)
            return 0;
        WORD value;
        std::memcpy(&value, m_pBase + m_pos + offset, 2);
        return value;
    }
    void Skip(size_t bytes)
    {
        if (m_pos + bytes > m_size) {
            m_ok = false;
            m_pos = m_size;
            return;
        }
        m_pos += bytes;
    }
    WORD Word()
    {
        WORD value = Peek(0);
        Skip(2);
        return value;
    }
    int Short() { return static_cast<SHORT>(Word()); }
    DWORD Dword()
    {
        DWORD low = Word();
        DWORD high = Word();
        return low | high << 16;
    }
    void Align() { Skip((4 - m_pos % 4) % 4); }
    std::string Sz()
    {
        std::wstring text;
        while (m_ok) {
            WORD c = Word();
            if (c == 0)
                break;
            text.push_back(static_cast<wchar_t>(c));
        }
        return Narrow(text.c_str(), static_cast<int>(text.size()));
    }
    std::string SzOrOrd()
    {
        if (Peek(0) == 0xFFFF) {
            Skip(2);
            return "#" + std::to_string(Word());
        }
        return Sz();
    }
    std::string ClassName()
    {
        std::string name = SzOrOrd();
        static const std::map<std::string, std::string> predefined = {
            {"#128", "button"}, {"#129", "edit"}, {"#130", "static"},
            {"#131", "listbox"}, {"#132", "scrollbar"}, {"#133", "combobox"}};
        auto known = predefined.find(name);
        if (known != predefined.end())
            return known->second;
        for (char& c : name)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return name;
    }

    const BYTE* m_pBase;
    size_t m_pos;
    size_t m_size;
    bool m_ok = true;
};

// Dialog template id of module; false when it is absent or truncated.
inline bool ReadDialogTemplate(HMODULE module, int id, DialogTemplate& dialog)
{
    ResourceData found = FindResourceData(module, id, reinterpret_cast<LPCSTR>(RT_DIALOG));
    return found && TemplateReader(found.data, found.size).Read(dialog);
}

}  // namespace wintest
