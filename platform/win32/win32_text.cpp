// Win32 only: text and paths the Win32 side shares.
#include "platform/win32/win32_text.h"

#include <windows.h>

#include <algorithm>

std::wstring WidenAnsi(const std::string& text)
{
    const int length = ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(std::max(length, 0)), L'\0');
    if (length > 0)
        ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

std::wstring ProgramFolder()
{
    // A path of the extended form is at most 32,767 units long.
    constexpr size_t kLongestPath = 32768;
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return {};
        // A path that fills the buffer may have been cut: it is read again into more.
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        if (path.size() >= kLongestPath)
            return {};
        path.resize(path.size() * 2);
    }
    const size_t slash = path.find_last_of(L'\\');
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}
