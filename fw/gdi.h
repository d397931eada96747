// Win32 only. Guards for GDI objects and device-context state. Each one owns or restores exactly
// one thing, on every path out of the scope that holds it, and none can be copied, so
// nothing is released or restored twice.
#pragma once

#include "platform/owner.h"

#include <windows.h>

#include <optional>
#include <utility>

namespace fw {

// An owned GDI object (a font, a bitmap, a brush), deleted when the owner ends. GDI
// refuses to delete an object that is selected into a device context, so declare the
// owner before the SelectGuard that selects it: the guard then ends first.
struct GdiObjectTraits {
    static void Close(HGDIOBJ object) { ::DeleteObject(object); }
};
template <class Handle>
using GdiObject = Owner<Handle, GdiObjectTraits>;

using Font = GdiObject<HFONT>;

// An owned icon (one LoadImage made without LR_SHARED), destroyed when the owner ends.
// A window only borrows the icons WM_SETICON gives it: the owner must outlive it.
struct IconTraits {
    static void Close(HICON icon) { ::DestroyIcon(icon); }
};
using Icon = Owner<HICON, IconTraits>;

// The device context of a WM_PAINT: BeginPaint when it is made, EndPaint when it ends.
class PaintDc {
public:
    explicit PaintDc(HWND window) : m_hWnd(window), m_hDc(::BeginPaint(window, &m_paint)) {}
    ~PaintDc() { ::EndPaint(m_hWnd, &m_paint); }
    PaintDc(const PaintDc&) = delete;
    PaintDc& operator=(const PaintDc&) = delete;
    HDC Get() const { return m_hDc; }

private:
    HWND m_hWnd;
    PAINTSTRUCT m_paint{};
    HDC m_hDc;
};
using Bitmap = GdiObject<HBITMAP>;
using Brush = GdiObject<HBRUSH>;
using Pen = GdiObject<HPEN>;

// An owned memory device context (CreateCompatibleDC), deleted when the owner ends.
struct MemoryDcTraits {
    static void Close(HDC dc) { ::DeleteDC(dc); }
};
using MemoryDc = Owner<HDC, MemoryDcTraits>;

// Selects a font, bitmap, brush or pen into a device context and selects the previous
// one back when the guard ends. A null object, or one the context refuses, selects
// nothing and restores nothing. Not for regions, which SelectClipRgn handles.
class SelectGuard {
public:
    SelectGuard(HDC dc, HGDIOBJ object)
        : m_hDC(dc), m_hOldObject(dc && object ? ::SelectObject(dc, object) : nullptr)
    {
        if (m_hOldObject == HGDI_ERROR)
            m_hOldObject = nullptr;
    }
    ~SelectGuard()
    {
        if (m_hOldObject)
            ::SelectObject(m_hDC, m_hOldObject);
    }
    SelectGuard(const SelectGuard&) = delete;
    SelectGuard& operator=(const SelectGuard&) = delete;

private:
    HDC m_hDC;
    HGDIOBJ m_hOldObject;
};

// Keeps a device context's text and background colours and sets them back when the
// guard ends, whatever was drawn in between.
class ColorGuard {
public:
    explicit ColorGuard(HDC dc) : m_hDC(dc), m_crText(::GetTextColor(dc)), m_crBackground(::GetBkColor(dc)) {}
    ~ColorGuard()
    {
        ::SetTextColor(m_hDC, m_crText);
        ::SetBkColor(m_hDC, m_crBackground);
    }
    ColorGuard(const ColorGuard&) = delete;
    ColorGuard& operator=(const ColorGuard&) = delete;

    COLORREF Text() const { return m_crText; }
    COLORREF Background() const { return m_crBackground; }

private:
    HDC m_hDC;
    COLORREF m_crText;
    COLORREF m_crBackground;
};

// Drawing off screen, for painting without flicker: a bitmap of area's size in a memory
// context, whose coordinates are target's, copied to target's area when the guard ends.
// Where the bitmap cannot be made, Get() is target itself and everything is drawn there.
class BufferedDc {
public:
    BufferedDc(HDC target, const RECT& area)
        : m_hTarget(target), m_rcArea(area), m_memory(::CreateCompatibleDC(target)),
          m_bitmap(m_memory ? ::CreateCompatibleBitmap(target, Width(), Height()) : nullptr)
    {
        if (m_bitmap && Width() > 0 && Height() > 0) {
            m_select.emplace(m_memory.Get(), m_bitmap.Get());
            ::SetViewportOrgEx(m_memory.Get(), -area.left, -area.top, nullptr);
        }
    }
    ~BufferedDc()
    {
        if (m_select)
            ::BitBlt(m_hTarget, m_rcArea.left, m_rcArea.top, Width(), Height(), m_memory.Get(), m_rcArea.left,
                     m_rcArea.top, SRCCOPY);
    }
    BufferedDc(const BufferedDc&) = delete;
    BufferedDc& operator=(const BufferedDc&) = delete;

    HDC Get() const { return m_select ? m_memory.Get() : m_hTarget; }

private:
    int Width() const { return m_rcArea.right - m_rcArea.left; }
    int Height() const { return m_rcArea.bottom - m_rcArea.top; }

    HDC m_hTarget;
    RECT m_rcArea;
    MemoryDc m_memory;
    Bitmap m_bitmap;                     // declared before the guard that selects it
    std::optional<SelectGuard> m_select;
};

// A window's client-area device context (GetDC), released when the guard ends.
class ClientDC {
public:
    explicit ClientDC(HWND window) : m_hWnd(window), m_hDC(::GetDC(window)) {}
    ~ClientDC()
    {
        if (m_hDC)
            ::ReleaseDC(m_hWnd, m_hDC);
    }
    ClientDC(const ClientDC&) = delete;
    ClientDC& operator=(const ClientDC&) = delete;
    HDC Get() const { return m_hDC; }

private:
    HWND m_hWnd;
    HDC m_hDC;
};

}  // namespace fw
