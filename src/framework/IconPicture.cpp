#include "framework/IconPicture.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

bool Draw(HDC dc, HBITMAP on, HICON icon, int size)
{
    SelectedObject canvas(dc, on);
    const BOOL drawn = ::DrawIconEx(dc, 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
    ::GdiFlush();
    return drawn != FALSE;
}

// One bit a pixel, rows of whole 16-bit words, set where alpha is 0.
UniqueBitmap MaskOf(const BYTE* pixels, int size)
{
    const int rowBytes = (size + 15) / 16 * 2;
    std::vector<BYTE> bits(static_cast<size_t>(rowBytes) * static_cast<size_t>(size), 0);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            if (pixels[(y * size + x) * 4 + 3] == 0)
                bits[static_cast<size_t>(y * rowBytes + x / 8)] |= static_cast<BYTE>(0x80 >> (x % 8));
    return UniqueBitmap(::CreateBitmap(size, size, 1, 1, bits.data()));
}

}  // namespace

// Drawn once on black and once on white, whatever the icon's kind (alpha,
// mask, another size): where the icon lets a little of the background
// through, the two differ by that much, which gives the alpha; on black
// the colour is premultiplied by it. A pixel lighter on black than on
// white is one the icon inverts.
IconPicture PictureOfIcon(HICON icon, int size)
{
    BYTE *black = nullptr, *white = nullptr;
    IconPicture picture;
    picture.colour = TopDownBitmap(size, size, black);
    UniqueBitmap onWhite = TopDownBitmap(size, size, white);
    UniqueMemoryDC dc(::CreateCompatibleDC(nullptr));
    if (!icon || !picture.colour || !onWhite || !dc) return {};
    const size_t bytes = static_cast<size_t>(size) * static_cast<size_t>(size) * 4;
    std::memset(white, 0xff, bytes);
    if (!Draw(dc.Get(), picture.colour.Get(), icon, size) || !Draw(dc.Get(), onWhite.Get(), icon, size)) return {};
    for (size_t at = 0; at < bytes; at += 4) {
        BYTE* pixel = black + at;
        const BYTE* light = white + at;
        int through = 0;
        for (int channel = 0; channel < 3; ++channel) through += light[channel] - pixel[channel];
        const int alpha = through < 0 ? 0 : std::clamp(255 - (through + 1) / 3, 0, 255);
        for (int channel = 0; channel < 3; ++channel)
            pixel[channel] = alpha ? static_cast<BYTE>(std::min(255, (pixel[channel] * 255 + alpha / 2) / alpha)) : 0;
        pixel[3] = static_cast<BYTE>(alpha);
    }
    picture.mask = MaskOf(black, size);
    if (!picture.mask) return {};
    return picture;
}
