#include "framework/IconPicture.h"

#include <algorithm>
#include <cstring>

namespace {

bool Draw(HDC dc, HBITMAP on, HICON icon, int size)
{
    SelectedObject canvas(dc, on);
    const BOOL drawn = ::DrawIconEx(dc, 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
    ::GdiFlush();
    return drawn != FALSE;
}

}  // namespace

// Drawn once on black and once on white, whatever the icon's kind (alpha,
// mask, another size): where the icon lets a little of the background
// through, the two differ by that much, which gives the alpha; on black
// the colour is premultiplied by it.
UniqueBitmap IconPicture(HICON icon, int size)
{
    BYTE *black = nullptr, *white = nullptr;
    UniqueBitmap picture = TopDownBitmap(size, size, black), onWhite = TopDownBitmap(size, size, white);
    UniqueMemoryDC dc(::CreateCompatibleDC(nullptr));
    if (!icon || !picture || !onWhite || !dc) return {};
    const size_t bytes = static_cast<size_t>(size) * static_cast<size_t>(size) * 4;
    std::memset(white, 0xff, bytes);
    if (!Draw(dc.Get(), picture.Get(), icon, size) || !Draw(dc.Get(), onWhite.Get(), icon, size)) return {};
    for (size_t at = 0; at < bytes; at += 4) {
        BYTE* pixel = black + at;
        const BYTE* light = white + at;
        int through = 0;
        for (int channel = 0; channel < 3; ++channel) through += light[channel] - pixel[channel];
        const int alpha = std::clamp(255 - (through + 1) / 3, 0, 255);
        for (int channel = 0; channel < 3; ++channel)
            pixel[channel] = alpha ? static_cast<BYTE>(std::min(255, (pixel[channel] * 255 + alpha / 2) / alpha)) : 0;
        pixel[3] = static_cast<BYTE>(alpha);
    }
    return picture;
}
