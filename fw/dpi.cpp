// Win32 only. What the system tells of DPI, and the fonts and metrics for a DPI.
#include "fw/dpi.h"

#include <cstdint>
#include <iterator>

namespace fw {

namespace {

// The DPI functions of Windows 10, where the system has them.
struct DpiFunctions {
    UINT(WINAPI* getDpiForWindow)(HWND) = nullptr;                                  // 1607
    int(WINAPI* getSystemMetricsForDpi)(int, UINT) = nullptr;                       // 1607
    BOOL(WINAPI* systemParametersInfoForDpi)(UINT, UINT, void*, UINT, UINT) = nullptr;  // 1607
    HANDLE(WINAPI* getThreadDpiAwarenessContext)() = nullptr;                       // 1607
    BOOL(WINAPI* areDpiAwarenessContextsEqual)(HANDLE, HANDLE) = nullptr;           // 1607
    BOOL(WINAPI* adjustWindowRectExForDpi)(RECT*, DWORD, BOOL, DWORD, UINT) = nullptr;  // 1607
    BOOL(WINAPI* setDialogDpiChangeBehavior)(HWND, int, int) = nullptr;             // 1703
};

template <class Function>
void Find(HMODULE module, const char* name, Function& function)
{
    // Through void (*)(), which converts to and from any function pointer type.
    function = reinterpret_cast<Function>(reinterpret_cast<void (*)()>(::GetProcAddress(module, name)));
}

const DpiFunctions& Functions()
{
    static const DpiFunctions functions = [] {
        DpiFunctions found;
        if (HMODULE user = ::GetModuleHandleA("user32.dll")) {
            Find(user, "GetDpiForWindow", found.getDpiForWindow);
            Find(user, "GetSystemMetricsForDpi", found.getSystemMetricsForDpi);
            Find(user, "SystemParametersInfoForDpi", found.systemParametersInfoForDpi);
            Find(user, "GetThreadDpiAwarenessContext", found.getThreadDpiAwarenessContext);
            Find(user, "AreDpiAwarenessContextsEqual", found.areDpiAwarenessContextsEqual);
            Find(user, "AdjustWindowRectExForDpi", found.adjustWindowRectExForDpi);
            Find(user, "SetDialogDpiChangeBehavior", found.setDialogDpiChangeBehavior);
        }
        return found;
    }();
    return functions;
}

// DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2 and DDC_DISABLE_ALL, which the headers
// declare for Windows 10 only.
const HANDLE kPerMonitorV2 = reinterpret_cast<HANDLE>(static_cast<intptr_t>(-4));
constexpr int kDialogScalingOff = 1;

int ToInt(UINT value) { return static_cast<int>(value); }

}  // namespace

UINT SystemDpi()
{
    ClientDC screen(nullptr);
    const int dpi = screen.Get() ? ::GetDeviceCaps(screen.Get(), LOGPIXELSY) : 0;
    return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

UINT OwnDpi(HWND window)
{
    const DpiFunctions& functions = Functions();
    if (window && functions.getDpiForWindow)
        if (const UINT dpi = functions.getDpiForWindow(window))
            return dpi;
    return SystemDpi();
}

UINT MadeDpi(HWND dialog)
{
    const DpiFunctions& functions = Functions();
    if (functions.getThreadDpiAwarenessContext && functions.areDpiAwarenessContextsEqual &&
        functions.areDpiAwarenessContextsEqual(functions.getThreadDpiAwarenessContext(), kPerMonitorV2))
        return OwnDpi(dialog);
    return SystemDpi();
}

void TurnOffDialogScaling(HWND dialog)
{
    if (const DpiFunctions& functions = Functions(); functions.setDialogDpiChangeBehavior)
        functions.setDialogDpiChangeBehavior(dialog, kDialogScalingOff, kDialogScalingOff);
}

int SystemMetricForDpi(int index, UINT dpi)
{
    const DpiFunctions& functions = Functions();
    if (functions.getSystemMetricsForDpi)
        return functions.getSystemMetricsForDpi(index, dpi);
    return ::MulDiv(::GetSystemMetrics(index), ToInt(dpi), ToInt(SystemDpi()));
}

Font StatusFontForDpi(UINT dpi)
{
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    const DpiFunctions& functions = Functions();
    if (functions.systemParametersInfoForDpi) {
        if (!functions.systemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0, dpi))
            return Font();
    } else {
        if (!::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0))
            return Font();
        metrics.lfStatusFont.lfHeight = ::MulDiv(metrics.lfStatusFont.lfHeight, ToInt(dpi), ToInt(SystemDpi()));
    }
    return Font(::CreateFontIndirectW(&metrics.lfStatusFont));
}

SIZE WindowSizeForDpi(HWND window, SIZE client, UINT dpi)
{
    RECT rect{0, 0, client.cx, client.cy};
    const DpiFunctions& functions = Functions();
    if (!functions.adjustWindowRectExForDpi ||
        !functions.adjustWindowRectExForDpi(&rect, static_cast<DWORD>(::GetWindowLongA(window, GWL_STYLE)),
                                            ::GetMenu(window) != nullptr,
                                            static_cast<DWORD>(::GetWindowLongA(window, GWL_EXSTYLE)), dpi)) {
        RECT now{};
        RECT nowClient{};
        ::GetWindowRect(window, &now);
        ::GetClientRect(window, &nowClient);
        rect.right += (now.right - now.left) - nowClient.right;
        rect.bottom += (now.bottom - now.top) - nowClient.bottom;
    }
    return SIZE{rect.right - rect.left, rect.bottom - rect.top};
}

PointFont PointFontOf(HFONT font, UINT madeDpi)
{
    PointFont made;
    if (!font || madeDpi == 0 || ::GetObjectW(font, sizeof made.face, &made.face) == 0)
        return PointFont{};
    // The dialog manager made lfHeight = -points * dpi / 72 from a whole point size; a
    // positive height is a cell height, kept as such.
    made.cellHeight = made.face.lfHeight > 0;
    const int height = made.cellHeight ? made.face.lfHeight : -made.face.lfHeight;
    made.points = ::MulDiv(height, 72, ToInt(madeDpi));
    if (made.points <= 0)
        return PointFont{};
    return made;
}

Font FontAtDpi(const PointFont& pointFont, UINT dpi)
{
    if (pointFont.points <= 0)
        return Font();
    LOGFONTW face = pointFont.face;
    const int height = ::MulDiv(pointFont.points, ToInt(dpi), 72);
    face.lfHeight = pointFont.cellHeight ? height : -height;
    return Font(::CreateFontIndirectW(&face));
}

SIZE BaseUnitsOf(HFONT font)
{
    static const wchar_t kLetters[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    ClientDC screen(nullptr);
    SelectGuard keep(screen.Get(), font ? static_cast<HGDIOBJ>(font) : ::GetStockObject(SYSTEM_FONT));
    TEXTMETRICW metrics{};
    SIZE extent{};
    if (!::GetTextMetricsW(screen.Get(), &metrics) ||
        !::GetTextExtentPoint32W(screen.Get(), kLetters, static_cast<int>(std::size(kLetters) - 1), &extent))
        return SIZE{};
    return SIZE{(extent.cx / 26 + 1) / 2, metrics.tmHeight};
}

}  // namespace fw
