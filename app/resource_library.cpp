// Win32 only: the resource library loader.
#include "app/resource_library.h"

#include "platform/win32/win32_text.h"

#include "app/language_folders.h"

#include <iterator>
#include <string>
#include <vector>

namespace {

// Loads a module as resources only, with the system's critical-error boxes off.
template <typename Load>
HMODULE LoadQuietly(Load load)
{
    // The ordinary search walks PATH, which may name a removable drive with no medium;
    // the system would stop start-up with a critical-error box for it. An absent
    // library is no error here, so those boxes are turned off for this one call.
    DWORD oldMode = 0;
    const BOOL quiet = ::SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &oldMode);

    // As a data file the module stays out of the loader's list, so nothing in it is
    // called; as an image resource its sections lie at their virtual addresses, so the
    // resource directory resolves as in a loaded module.
    HMODULE module = load(LOAD_LIBRARY_AS_IMAGE_RESOURCE | LOAD_LIBRARY_AS_DATAFILE);

    const DWORD error = ::GetLastError();
    if (quiet)
        ::SetThreadErrorMode(oldMode, nullptr);
    ::SetLastError(error);
    return module;
}

// The user's display languages, most preferred first: the list Windows keeps (one
// language on Windows 7, as many as the user chose on later versions), else the one
// display language.
std::vector<std::u16string> DisplayLanguages()
{
    std::vector<std::u16string> languages;
    ULONG count = 0;
    ULONG units = 0;
    if (::GetUserPreferredUILanguages(MUI_LANGUAGE_NAME, &count, nullptr, &units) && units > 0) {
        std::vector<wchar_t> list(units);
        if (::GetUserPreferredUILanguages(MUI_LANGUAGE_NAME, &count, list.data(), &units)) {
            // Names each ended by a NUL, the list by another.
            for (size_t at = 0; at < list.size() && list[at];) {
                const wchar_t* name = list.data() + at;
                const size_t length = std::char_traits<wchar_t>::length(name);
                languages.emplace_back(name, name + length);
                at += length + 1;
            }
        }
    }
    if (languages.empty()) {
        wchar_t name[LOCALE_NAME_MAX_LENGTH] = {};
        if (::LCIDToLocaleName(MAKELCID(::GetUserDefaultUILanguage(), SORT_DEFAULT), name,
                               static_cast<int>(std::size(name)), 0) > 0)
            languages.emplace_back(name, name + std::char_traits<wchar_t>::length(name));
    }
    return languages;
}

}  // namespace

HMODULE LoadResourceLibrary(const char* fileName)
{
    if (!fileName || !*fileName) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return LoadQuietly([fileName](DWORD flags) { return ::LoadLibraryExA(fileName, nullptr, flags); });
}

HMODULE LoadProgramResourceLibrary()
{
    if (HMODULE beside = LoadResourceLibrary("Res.dll"))
        return beside;
    const std::wstring folder = ProgramFolder();
    if (folder.empty())
        return nullptr;
    for (const std::u16string& language : LanguageFolders(DisplayLanguages())) {
        // A full path: only that file is tried, never a search.
        const std::wstring path = folder + std::wstring(language.begin(), language.end()) + L"\\Res.dll";
        if (HMODULE module =
                LoadQuietly([&path](DWORD flags) { return ::LoadLibraryExW(path.c_str(), nullptr, flags); }))
            return module;
    }
    return nullptr;
}
