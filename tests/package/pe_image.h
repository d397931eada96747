// Win32 only. A 64-bit PE file read from its bytes, as far as the release's checks
// need it: the libraries it imports (directly and delay-loaded), its entry point, its
// symbol table and its section names. Every offset is checked against the file's
// size, so a damaged file reads as invalid, never out of bounds.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace pe {

class Image {
public:
    explicit Image(std::vector<char> bytes) : m_bytes(std::move(bytes))
    {
        IMAGE_DOS_HEADER dos{};
        if (!Read(0, dos) || dos.e_magic != IMAGE_DOS_SIGNATURE || dos.e_lfanew < 0)
            return;
        const size_t ntOffset = static_cast<size_t>(dos.e_lfanew);
        if (!Read(ntOffset, m_nt) || m_nt.Signature != IMAGE_NT_SIGNATURE ||
            m_nt.OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR64_MAGIC)
            return;
        const size_t sections = ntOffset + offsetof(IMAGE_NT_HEADERS64, OptionalHeader) +
                                m_nt.FileHeader.SizeOfOptionalHeader;
        for (WORD i = 0; i < m_nt.FileHeader.NumberOfSections; ++i) {
            IMAGE_SECTION_HEADER section{};
            if (!Read(sections + i * sizeof section, section))
                return;
            m_sections.push_back(section);
        }
        m_valid = true;
    }

    bool Valid() const { return m_valid; }
    bool IsDll() const { return (m_nt.FileHeader.Characteristics & IMAGE_FILE_DLL) != 0; }
    DWORD EntryPoint() const { return m_nt.OptionalHeader.AddressOfEntryPoint; }
    bool HasSymbolTable() const
    {
        return m_nt.FileHeader.PointerToSymbolTable != 0 || m_nt.FileHeader.NumberOfSymbols != 0;
    }

    std::vector<std::string> SectionNames() const
    {
        std::vector<std::string> names;
        for (const IMAGE_SECTION_HEADER& section : m_sections)
            names.emplace_back(reinterpret_cast<const char*>(section.Name),
                               strnlen(reinterpret_cast<const char*>(section.Name), IMAGE_SIZEOF_SHORT_NAME));
        return names;
    }

    // The names of the libraries of the import table; false when it cannot be read.
    bool ImportedLibraries(std::vector<std::string>& names) const
    {
        return Walk<IMAGE_IMPORT_DESCRIPTOR>(IMAGE_DIRECTORY_ENTRY_IMPORT, names,
                                             [](const IMAGE_IMPORT_DESCRIPTOR& d) { return d.Name; });
    }

    // The same for the delay-load table.
    bool DelayImportedLibraries(std::vector<std::string>& names) const
    {
        return Walk<IMAGE_DELAYLOAD_DESCRIPTOR>(IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT, names,
                                                [](const IMAGE_DELAYLOAD_DESCRIPTOR& d) { return d.DllNameRVA; });
    }

private:
    template <typename T>
    bool Read(size_t offset, T& value) const
    {
        if (offset > m_bytes.size() || m_bytes.size() - offset < sizeof value)
            return false;
        std::memcpy(&value, m_bytes.data() + offset, sizeof value);
        return true;
    }

    // The file offset of a relative virtual address, if a section holds it.
    bool Offset(DWORD rva, size_t& offset) const
    {
        for (const IMAGE_SECTION_HEADER& section : m_sections) {
            const DWORD size = std::max(section.Misc.VirtualSize, section.SizeOfRawData);
            if (rva >= section.VirtualAddress && rva - section.VirtualAddress < size) {
                offset = size_t(section.PointerToRawData) + (rva - section.VirtualAddress);
                return offset < m_bytes.size();
            }
        }
        return false;
    }

    bool String(DWORD rva, std::string& text) const
    {
        size_t offset = 0;
        if (!Offset(rva, offset))
            return false;
        const void* end = std::memchr(m_bytes.data() + offset, '\0', m_bytes.size() - offset);
        if (!end)
            return false;
        text.assign(m_bytes.data() + offset, static_cast<const char*>(end));
        return true;
    }

    // Reads the descriptors of a directory up to the all-zero one that ends it.
    template <typename Descriptor, typename NameOf>
    bool Walk(int directory, std::vector<std::string>& names, NameOf nameOf) const
    {
        names.clear();
        if (!m_valid || m_nt.OptionalHeader.NumberOfRvaAndSizes <= DWORD(directory))
            return false;
        const IMAGE_DATA_DIRECTORY& entry = m_nt.OptionalHeader.DataDirectory[directory];
        if (entry.VirtualAddress == 0)
            return true;
        size_t offset = 0;
        if (!Offset(entry.VirtualAddress, offset))
            return false;
        static const Descriptor kEnd{};
        for (;; offset += sizeof(Descriptor)) {
            Descriptor descriptor{};
            if (!Read(offset, descriptor))
                return false;
            if (std::memcmp(&descriptor, &kEnd, sizeof descriptor) == 0)
                return true;
            std::string name;
            if (!String(nameOf(descriptor), name))
                return false;
            names.push_back(name);
        }
    }

    std::vector<char> m_bytes;
    IMAGE_NT_HEADERS64 m_nt{};
    std::vector<IMAGE_SECTION_HEADER> m_sections;
    bool m_valid = false;
};

}  // namespace pe
