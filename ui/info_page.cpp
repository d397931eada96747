#include "ui/info_page.h"

#include "platform/platform.h"

#include <cstring>

namespace {

constexpr const char kScheme[] = "file:///";
constexpr const char kExtension[] = ".htm";
constexpr const char kAppPrefix[] = "app:";
constexpr size_t kAppPrefixLength = sizeof kAppPrefix - 1;

char FoldCase(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool IsLeadByte(char c) { return Sys().IsDBCSLeadByte(static_cast<unsigned char>(c)); }

}  // namespace

bool CopyPageId(char (&id)[kPageIdSize], const char* pageId)
{
    id[0] = '\0';
    if (!pageId)
        return false;
    const size_t length = std::strlen(pageId);
    if (length >= kPageIdSize)
        return false;
    std::memcpy(id, pageId, length + 1);
    return true;
}

bool BuildPageAddress(char (&address)[kPageAddressSize], const char* folder, const char* pageId)
{
    address[0] = '\0';
    if (!folder || !pageId)
        return false;
    const char* pieces[] = {kScheme, folder, pageId, kExtension};
    size_t used = 0;
    for (const char* piece : pieces) {
        const size_t length = std::strlen(piece);
        // One byte stays for the NUL; the test is written so it cannot wrap.
        if (length >= kPageAddressSize - used) {
            address[0] = '\0';
            return false;
        }
        std::memcpy(address + used, piece, length);
        used += length;
    }
    address[used] = '\0';
    return true;
}

std::string PageBesideProgram(const std::string& programPath, const char* pageId)
{
    const size_t slash = programPath.find_last_of("\\/");
    if (!pageId || slash == std::string::npos)
        return {};
    return programPath.substr(0, slash + 1) + "Docs\\" + pageId + kExtension;
}

bool MbsNbIEqual(const char* a, const char* b, size_t count)
{
    size_t i = 0;
    while (i < count) {
        const bool pairA = IsLeadByte(a[i]) && a[i + 1] != '\0';
        const bool pairB = IsLeadByte(b[i]) && b[i + 1] != '\0';
        if (pairA || pairB) {
            if (!pairA || !pairB || a[i] != b[i] || a[i + 1] != b[i + 1])
                return false;
            i += 2;
            continue;
        }
        if (FoldCase(a[i]) != FoldCase(b[i]))
            return false;
        // Both ended here, equal so far.
        if (a[i] == '\0')
            return true;
        ++i;
    }
    return true;
}

const char* AppLinkCommand(const char* url)
{
    if (!url || !MbsNbIEqual(url, kAppPrefix, kAppPrefixLength))
        return nullptr;
    return url + kAppPrefixLength;
}
