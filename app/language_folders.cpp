// The language folders a resource library is looked for in.
#include "app/language_folders.h"

#include <algorithm>

namespace {

// BCP 47 caps a tag at 8-letter subtags and a few extensions; Windows' own limit for a
// locale name (LOCALE_NAME_MAX_LENGTH) is 85 units with its end.
constexpr size_t kMaxTagUnits = 84;

char16_t Lower(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c; }

bool IsAlphaNumeric(char16_t c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
}

// The tag in lower case with "-" between its subtags; empty when it cannot name a folder.
std::u16string FolderTag(const std::u16string& tag)
{
    if (tag.empty() || tag.size() > kMaxTagUnits)
        return {};
    std::u16string folder;
    bool subtagStarts = true;
    for (char16_t c : tag) {
        if (c == u'-' || c == u'_') {
            if (subtagStarts)
                return {};
            folder += u'-';
            subtagStarts = true;
        } else if (IsAlphaNumeric(c)) {
            folder += Lower(c);
            subtagStarts = false;
        } else {
            return {};
        }
    }
    return subtagStarts ? std::u16string() : folder;
}

}  // namespace

std::vector<std::u16string> LanguageFolders(const std::vector<std::u16string>& uiLanguages)
{
    std::vector<std::u16string> folders;
    for (const std::u16string& language : uiLanguages) {
        std::u16string folder = FolderTag(language);
        if (folder.empty())
            continue;
        if (folder.substr(0, folder.find(u'-')) == kOwnLanguage)
            break;
        for (;;) {
            if (std::find(folders.begin(), folders.end(), folder) == folders.end())
                folders.push_back(folder);
            const size_t last = folder.rfind(u'-');
            if (last == std::u16string::npos)
                break;
            folder.resize(last);
        }
    }
    return folders;
}
