// A 32-bit top-down DIB selected into a memory DC: something to draw into
// and read back pixel by pixel.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "framework/Afx.h"
#include "framework/Handles.h"

namespace test {

class Canvas {
public:
    Canvas(int width, int height) : m_width(width), m_height(height), m_dc(::CreateCompatibleDC(nullptr))
    {
        const BITMAPINFO info = TopDownPixels(width, height);
        m_bitmap.Reset(
            ::CreateDIBSection(m_dc.Get(), &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&m_bits), nullptr, 0));
        m_old = ::SelectObject(m_dc.Get(), m_bitmap.Get());
    }
    ~Canvas() { ::SelectObject(m_dc.Get(), m_old); }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    // What the screen shows in the area, as it reaches the display now.
    static std::unique_ptr<Canvas> OfScreen(const RECT& area)
    {
        auto canvas = std::make_unique<Canvas>(area.right - area.left, area.bottom - area.top);
        HDC screen = ::GetDC(nullptr);
        ::BitBlt(canvas->dc(), 0, 0, canvas->width(), canvas->height(), screen, area.left, area.top, SRCCOPY);
        ::ReleaseDC(nullptr, screen);
        return canvas;
    }

    HDC dc() const { return m_dc.Get(); }
    int width() const { return m_width; }
    int height() const { return m_height; }
    void Fill(COLORREF colour)
    {
        RECT all = { 0, 0, m_width, m_height };
        UniqueBrush brush(::CreateSolidBrush(colour));
        ::FillRect(dc(), &all, brush.Get());
    }
    COLORREF At(int x, int y) const
    {
        ::GdiFlush();
        DWORD pixel = m_bits[y * m_width + x];
        return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
    }
    // Columns holding a pixel of the colour, within the rows given.
    std::vector<int> ColumnsOf(COLORREF colour, int top = 0, int bottom = -1) const
    {
        if (bottom < 0) bottom = m_height;
        std::vector<int> columns;
        for (int x = 0; x < m_width; ++x)
            for (int y = top; y < bottom; ++y)
                if (At(x, y) == colour) {
                    columns.push_back(x);
                    break;
                }
        return columns;
    }
    int CountIf(const std::function<bool(COLORREF)>& wanted) const
    {
        int count = 0;
        for (int y = 0; y < m_height; ++y)
            for (int x = 0; x < m_width; ++x) count += wanted(At(x, y));
        return count;
    }
    int Count(COLORREF colour) const
    {
        return CountIf([colour](COLORREF pixel) { return pixel == colour; });
    }

private:
    int m_width, m_height;
    UniqueMemoryDC m_dc;
    UniqueBitmap m_bitmap;
    HGDIOBJ m_old = nullptr;
    DWORD* m_bits = nullptr;
};

}  // namespace test
