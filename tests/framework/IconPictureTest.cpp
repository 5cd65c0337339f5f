// An icon's picture, made off the UI thread, must draw from the image list
// exactly as the icon added itself would: icons with an alpha channel,
// icons with a mask, icons of another size, and icons of which nothing
// shows.
#include "framework/IconPicture.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

namespace {

constexpr int kSize = 16;

UniqueIcon MakeIcon(HBITMAP colour, HBITMAP mask)
{
    ICONINFO parts = { TRUE, 0, 0, mask, colour };
    return UniqueIcon(::CreateIconIndirect(&parts));
}

// Every alpha from clear to opaque across a row, a colour of its own per
// pixel, and the top-left pixel brighter than the rest so that a picture
// upside down or mirrored shows. Drawn at scale times the size (each pixel
// a square of scale pixels), so that any way of shrinking it gives the same.
UniqueIcon AlphaIcon(int scale = 1)
{
    const int size = kSize * scale;
    DWORD* bits = nullptr;
    UniqueBitmap colour = TopDownBitmap(size, size, bits);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const int u = x / scale, v = y / scale;
            const DWORD alpha = static_cast<DWORD>(u * 255 / (kSize - 1));
            bits[y * size + x] = alpha << 24 | (u == 0 && v == 0 ? 0xffffffu : static_cast<DWORD>(u * 9 + v * 7) << 8 | 0x40);
        }
    UniqueBitmap mask(::CreateBitmap(size, size, 1, 1, nullptr));
    return MakeIcon(colour.Get(), mask.Get());
}

// An icon of the older kind: no alpha, its see-through pixels marked in a
// mask of one bit per pixel (rows of 16 bits), black where the mask is set.
UniqueIcon MaskIcon()
{
    DWORD* bits = nullptr;
    UniqueBitmap colour = TopDownBitmap(kSize, kSize, bits);
    std::vector<BYTE> mask(kSize * 2, 0);
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            const bool seeThrough = (x + y) % 3 == 0;
            if (seeThrough) mask[static_cast<size_t>(y * 2 + x / 8)] |= static_cast<BYTE>(0x80 >> (x % 8));
            bits[y * kSize + x] = seeThrough ? 0 : static_cast<DWORD>(x * 13) << 16 | static_cast<DWORD>(y * 11);
        }
    UniqueBitmap maskBitmap(::CreateBitmap(kSize, kSize, 1, 1, mask.data()));
    return MakeIcon(colour.Get(), maskBitmap.Get());
}

// An icon nothing of which shows: a blank icon a shortcut may name on
// purpose (see-through everywhere), or a mask icon whose see-through pixels
// are white, which invert what lies under them.
UniqueIcon SeeThroughIcon(DWORD seeThroughColour)
{
    DWORD* bits = nullptr;
    UniqueBitmap colour = TopDownBitmap(kSize, kSize, bits);
    for (int at = 0; at < kSize * kSize; ++at) bits[at] = seeThroughColour;
    std::vector<BYTE> mask(kSize * 2, 0xff);
    UniqueBitmap maskBitmap(::CreateBitmap(kSize, kSize, 1, 1, mask.data()));
    return MakeIcon(colour.Get(), maskBitmap.Get());
}

// The largest difference of any colour channel between the two images
// drawn over that background.
int LargestDifference(HIMAGELIST left, HIMAGELIST right, COLORREF background)
{
    DWORD *leftBits = nullptr, *rightBits = nullptr;
    UniqueBitmap leftCanvas = TopDownBitmap(kSize, kSize, leftBits), rightCanvas = TopDownBitmap(kSize, kSize, rightBits);
    UniqueMemoryDC dc(::CreateCompatibleDC(nullptr));
    UniqueBrush brush(::CreateSolidBrush(background));
    const RECT all = { 0, 0, kSize, kSize };
    for (auto [list, canvas] : { std::pair{ left, leftCanvas.Get() }, std::pair{ right, rightCanvas.Get() } }) {
        SelectedObject on(dc.Get(), canvas);
        ::FillRect(dc.Get(), &all, brush.Get());
        ::ImageList_Draw(list, 0, dc.Get(), 0, 0, ILD_TRANSPARENT);
        ::GdiFlush();
    }
    int largest = 0;
    for (int at = 0; at < kSize * kSize; ++at)
        for (int shift : { 0, 8, 16 })
            largest = std::max(largest, std::abs(static_cast<int>((leftBits[at] >> shift) & 0xff) -
                                                 static_cast<int>((rightBits[at] >> shift) & 0xff)));
    return largest;
}

UniqueImageList NewList() { return UniqueImageList(::ImageList_Create(kSize, kSize, ILC_COLOR32 | ILC_MASK, 4, 4)); }

TEST(IconPicture, DrawsAsTheIconItselfFromTheImageList)
{
    struct Case {
        const char* kind;
        UniqueIcon icon;
    };
    Case cases[] = { { "alpha", AlphaIcon() },
                     { "mask", MaskIcon() },
                     { "alpha, twice the size", AlphaIcon(2) },
                     { "blank", SeeThroughIcon(0) },
                     { "inverting", SeeThroughIcon(0xffffff) } };
    for (Case& c : cases) {
        ASSERT_TRUE(c.icon) << c.kind;
        UniqueImageList byIcon = NewList(), byPicture = NewList();
        ASSERT_EQ(0, ::ImageList_ReplaceIcon(byIcon.Get(), -1, c.icon.Get())) << c.kind;
        IconPicture picture = PictureOfIcon(c.icon.Get(), kSize);
        ASSERT_TRUE(picture) << c.kind;
        BITMAP made = {};
        ASSERT_TRUE(::GetObjectW(picture.colour.Get(), sizeof(made), &made));
        EXPECT_EQ(kSize, made.bmWidth) << c.kind;
        EXPECT_EQ(kSize, made.bmHeight) << c.kind;
        ASSERT_EQ(0, ::ImageList_Add(byPicture.Get(), picture.colour.Get(), picture.mask.Get())) << c.kind;
        for (COLORREF background : { RGB(128, 128, 128), RGB(0, 0, 255), RGB(255, 255, 255) })
            EXPECT_LE(LargestDifference(byIcon.Get(), byPicture.Get(), background), 2)
                << c.kind << " icon over background " << std::hex << background;
        // A slot given back and filled again takes the picture the same way.
        IconPicture other = PictureOfIcon(MaskIcon().Get(), kSize);
        ASSERT_TRUE(::ImageList_Replace(byPicture.Get(), 0, other.colour.Get(), other.mask.Get()));
        ASSERT_TRUE(::ImageList_Replace(byPicture.Get(), 0, picture.colour.Get(), picture.mask.Get()));
        EXPECT_LE(LargestDifference(byIcon.Get(), byPicture.Get(), RGB(128, 128, 128)), 2) << c.kind << ", replaced";
    }
}

TEST(IconPicture, NoIconMakesNoPicture) { EXPECT_FALSE(PictureOfIcon(nullptr, kSize)); }

}  // namespace
