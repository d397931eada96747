// Pixels: a list row read off a window or the screen, or drawn without the list, into a
// 32-bit bitmap, and compared pixel for pixel. Shared by the tests of the profile list box
// in this process and of the running program's windows from outside.
#pragma once

#include "fw/gdi.h"
#include "support/win_handles.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace wintest {

struct Image {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;  // 0xRRGGBB, row by row from the top
};

inline testing::AssertionResult SameImage(const Image& actual, const Image& expected)
{
    if (actual.width != expected.width || actual.height != expected.height || actual.pixels.empty())
        return testing::AssertionFailure() << "drawn " << actual.width << "x" << actual.height
                                           << ", expected " << expected.width << "x" << expected.height;
    size_t differing = 0;
    size_t first = 0;
    for (size_t i = 0; i < actual.pixels.size(); ++i) {
        if (actual.pixels[i] != expected.pixels[i] && differing++ == 0)
            first = i;
    }
    if (differing == 0)
        return testing::AssertionSuccess() << "the images are the same";
    const auto width = static_cast<size_t>(actual.width);
    return testing::AssertionFailure()
           << differing << " pixels differ, the first at (" << first % width << ", " << first / width
           << "): " << std::hex << actual.pixels[first] << " instead of " << expected.pixels[first];
}

// A 32-bit top-down bitmap selected into a memory device context.
class Canvas {
public:
    Canvas(int width, int height) : m_nWidth(width), m_nHeight(height), m_dc(CreateCompatibleDC(nullptr))
    {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        m_bitmap.Reset(CreateDIBSection(m_dc.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        m_pBits = static_cast<const uint32_t*>(bits);
        m_select.emplace(m_dc.Get(), m_bitmap.Get());
    }

    HDC Dc() const { return m_dc.Get(); }

    Image Read() const
    {
        GdiFlush();
        Image image{m_nWidth, m_nHeight, {}};
        if (m_pBits)
            image.pixels.assign(m_pBits,
                                m_pBits + static_cast<size_t>(m_nWidth) * static_cast<size_t>(m_nHeight));
        for (uint32_t& pixel : image.pixels)
            pixel &= 0xFFFFFF;
        return image;
    }

private:
    int m_nWidth;
    int m_nHeight;
    DcOwner m_dc;
    fw::Bitmap m_bitmap;
    std::optional<fw::SelectGuard> m_select;
    const uint32_t* m_pBits = nullptr;
};

// What the screen shows in a rectangle: the windows of every process, as drawn.
inline Image ScreenImage(const RECT& rc)
{
    Canvas canvas(rc.right - rc.left, rc.bottom - rc.top);
    fw::ClientDC screen(nullptr);
    BitBlt(canvas.Dc(), 0, 0, rc.right - rc.left, rc.bottom - rc.top, screen.Get(), rc.left, rc.top, SRCCOPY);
    return canvas.Read();
}

// How a row should look.
struct Look {
    std::string text;
    bool bold = false;
    bool italic = false;
    bool selected = false;
    bool focus = false;
    UINT format = DT_SINGLELINE | DT_VCENTER | DT_LEFT;
};

// A row drawn without the list: the list's font with the look's weight and slant, the
// colours the list's parent gives it or the highlight, the focus rectangle, the text.
inline Image DrawRow(HFONT listFont, int width, int height, const Look& look)
{
    Canvas canvas(width, height);
    HDC dc = canvas.Dc();
    LOGFONTW style{};
    GetObjectW(listFont, sizeof(style), &style);
    if (look.bold)
        style.lfWeight = FW_BOLD;
    if (look.italic)
        style.lfItalic = TRUE;
    fw::Font font(CreateFontIndirectW(&style));
    fw::SelectGuard keepFont(dc, font.Get());
    const COLORREF background = GetSysColor(look.selected ? COLOR_HIGHLIGHT : COLOR_WINDOW);
    SetBkColor(dc, background);
    SetTextColor(dc, GetSysColor(look.selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    RECT rc{0, 0, width, height};
    fw::Brush brush(CreateSolidBrush(background));
    FillRect(dc, &rc, brush.Get());
    if (look.focus)
        DrawFocusRect(dc, &rc);
    DrawTextA(dc, look.text.c_str(), static_cast<int>(look.text.size()), &rc, look.format);
    return canvas.Read();
}

}  // namespace wintest
