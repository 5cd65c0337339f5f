// The owner-drawn menu measured and drawn for real: measure results, and
// pixels drawn into a memory DC.
#include "menu/IconMenu.h"
#include "support/Canvas.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using test::Canvas;

constexpr int kImageSize = 16;
constexpr COLORREF kPaintedRed = RGB(255, 0, 0);

// Adds a 16 x 16 image of the colour, transparent on its right half when
// asked.
void AddImage(HIMAGELIST list, COLORREF colour, bool rightHalfTransparent)
{
    WindowDC screen(nullptr);
    RECT all = { 0, 0, kImageSize, kImageSize };
    UniqueBitmap picture(::CreateCompatibleBitmap(screen, kImageSize, kImageSize));
    UniqueBitmap mask(::CreateBitmap(kImageSize, kImageSize, 1, 1, nullptr));
    {
        UniqueMemoryDC dc(::CreateCompatibleDC(screen));
        UniqueBrush brush(::CreateSolidBrush(colour));
        SelectedObject drawing(dc.Get(), picture.Get());
        ::FillRect(dc.Get(), &all, brush.Get());
        ::SelectObject(dc.Get(), mask.Get());
        ::FillRect(dc.Get(), &all, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));  // black: opaque
        if (rightHalfTransparent) {
            RECT right = { kImageSize / 2, 0, kImageSize, kImageSize };
            ::FillRect(dc.Get(), &right, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
        }
    }  // both bitmaps out of the DC before the list copies them
    ::ImageList_Add(list, picture.Get(), mask.Get());
}

// An image list of 16 x 16 images: image 0 all red, image 1 red on its left
// half and transparent on its right.
HIMAGELIST RedImages()
{
    HIMAGELIST list = ::ImageList_Create(kImageSize, kImageSize, ILC_COLOR32 | ILC_MASK, 2, 1);
    AddImage(list, kPaintedRed, false);
    AddImage(list, kPaintedRed, true);
    return list;
}

SIZE TextExtent(const std::wstring& text)
{
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof(metrics);
    ::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
    UniqueFont font(::CreateFontIndirectW(&metrics.lfMenuFont));
    WindowDC dc(nullptr);
    SelectedObject selected(dc, font.Get());
    SIZE size = {};
    ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    return size;
}

class IconMenuTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        menu = std::make_unique<CIconMenu>(images.Get());
        menu->CreatePopupMenu();
    }

    // Appends an owner-drawn entry and returns its item data.
    ULONG_PTR Append(const std::wstring& label, int image = 0)
    {
        UINT id = 100 + static_cast<UINT>(menu->GetMenuItemCount());
        menu->AppendItem(MF_OWNERDRAW, id, label.c_str(), image, image, image);
        MENUITEMINFOW info = {};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_DATA;
        ::GetMenuItemInfoW(menu->m_hMenu, id, FALSE, &info);
        return info.dwItemData;
    }
    MEASUREITEMSTRUCT Measure(const std::wstring& label, int image = 0)
    {
        MEASUREITEMSTRUCT measure = {};
        measure.CtlType = ODT_MENU;
        measure.itemData = Append(label, image);
        menu->MeasureItem(&measure);
        return measure;
    }
    void Draw(Canvas& canvas, const std::wstring& label, UINT state, int image = 0, CIconMenu* by = nullptr)
    {
        DRAWITEMSTRUCT draw = {};
        draw.CtlType = ODT_MENU;
        draw.itemAction = ODA_DRAWENTIRE;
        draw.itemState = state;
        draw.hDC = canvas.dc();
        draw.rcItem = { 0, 0, canvas.width(), canvas.height() };
        draw.itemData = Append(label, image);
        (by ? by : menu.get())->DrawItem(&draw);
    }

    UniqueImageList images{ RedImages() };
    std::unique_ptr<CIconMenu> menu;
};

int MenuHeightFloor() { return std::max(::GetSystemMetrics(SM_CYMENU), kImageSize); }

// A name cut at 71 characters says so; the hotkey text stays whole.
TEST_F(IconMenuTest, ALabelCutAt71CharactersEndsInAnEllipsis)
{
    auto label = [&](const std::wstring& text) {
        return std::wstring(reinterpret_cast<const MenuItemData*>(Append(text))->label);
    };
    const std::wstring name(80, L'x');
    EXPECT_EQ(label(name), name.substr(0, 70) + L"\x2026");
    EXPECT_EQ(label(name.substr(0, 71)), name.substr(0, 71));
    EXPECT_EQ(label(name + L"\tCtrl+F5"), name.substr(0, 62) + L"\x2026\tCtrl+F5");
    EXPECT_EQ(label(name.substr(0, 60) + L"\tCtrl+F5"), name.substr(0, 60) + L"\tCtrl+F5");
    // A hotkey text too long to leave room is cut with the rest.
    EXPECT_EQ(label(L"x\t" + name), L"x\t" + name.substr(0, 68) + L"\x2026");
}

TEST_F(IconMenuTest, AnEntryMeasuresItsTextAndImageAboveTheMenuBarHeight)
{
    SIZE text = TextExtent(L"Notepad");
    MEASUREITEMSTRUCT measure = Measure(L"Notepad");
    EXPECT_EQ(static_cast<int>(measure.itemWidth), text.cx + kImageSize);
    EXPECT_EQ(static_cast<int>(measure.itemHeight), std::max<int>(text.cy, MenuHeightFloor()));
    EXPECT_GE(static_cast<int>(measure.itemHeight), ::GetSystemMetrics(SM_CYMENU));
    EXPECT_GE(static_cast<int>(measure.itemHeight), kImageSize);
    // An empty label still has the floor's height.
    EXPECT_EQ(static_cast<int>(Measure(L"").itemHeight), std::max<int>(TextExtent(L"").cy, MenuHeightFloor()));
}

TEST_F(IconMenuTest, ATabSplitsTheMeasureWithAGapBeforeTheHotkeyColumn)
{
    SIZE name = TextExtent(L"Notepad"), hotkey = TextExtent(L"Alt+Ctrl+N");
    EXPECT_EQ(static_cast<int>(Measure(L"Notepad\tAlt+Ctrl+N").itemWidth), name.cx + hotkey.cx + kImageSize + 30);
    // A TAB first: measured split there all the same.
    EXPECT_EQ(static_cast<int>(Measure(L"\tAlt+Ctrl+N").itemWidth), hotkey.cx + kImageSize);
    // An empty hotkey part adds nothing.
    EXPECT_EQ(static_cast<int>(Measure(L"Notepad\t").itemWidth), name.cx + kImageSize);
}

TEST_F(IconMenuTest, TheBackgroundIsTheMenuColourOrTheHighlight)
{
    Canvas plain(200, 24), selected(200, 24);
    Draw(plain, L"Notepad", 0);
    Draw(selected, L"Notepad", ODS_SELECTED);
    EXPECT_EQ(plain.At(199, 0), ::GetSysColor(COLOR_MENU));
    EXPECT_EQ(plain.At(199, 23), ::GetSysColor(COLOR_MENU));
    EXPECT_EQ(selected.At(199, 0), ::GetSysColor(COLOR_HIGHLIGHT));
    EXPECT_EQ(selected.At(199, 23), ::GetSysColor(COLOR_HIGHLIGHT));
    EXPECT_GT(selected.Count(::GetSysColor(COLOR_HIGHLIGHTTEXT)), 0);
}

TEST_F(IconMenuTest, TheImageIsDrawnAtTheLeftEdgeCentredAndMasked)
{
    Canvas canvas(200, 30);
    Draw(canvas, L"", 0, 1);  // red on the left half, transparent on the right
    const int top = (30 - kImageSize) / 2;
    EXPECT_EQ(canvas.At(0, top), kPaintedRed);
    EXPECT_EQ(canvas.At(kImageSize / 2 - 1, top + kImageSize - 1), kPaintedRed);
    EXPECT_EQ(canvas.At(0, top - 1), ::GetSysColor(COLOR_MENU));
    EXPECT_EQ(canvas.At(0, top + kImageSize), ::GetSysColor(COLOR_MENU));
    EXPECT_EQ(canvas.At(kImageSize / 2, top + 4), ::GetSysColor(COLOR_MENU));  // the mask shows the background
    EXPECT_EQ(canvas.Count(kPaintedRed), kImageSize / 2 * kImageSize);
}

TEST_F(IconMenuTest, TheHotkeyTextEndsSixPixelsFromTheRightEdge)
{
    Canvas canvas(300, 24);
    Draw(canvas, L"Notepad\tAlt+Ctrl+N", 0, -1);
    std::vector<int> ink = canvas.ColumnsOf(::GetSysColor(COLOR_MENUTEXT));
    ASSERT_FALSE(ink.empty());
    const int width = TextExtent(L"Alt+Ctrl+N").cx;
    // The text starts right of the image's place and the hotkey's last ink
    // sits inside its right-aligned box.
    EXPECT_GE(ink.front(), kImageSize + 2);
    EXPECT_LE(ink.back(), 300 - 6 - 1);
    EXPECT_GE(ink.back(), 300 - 6 - 4);
    // Nothing is drawn between the two texts.
    const int nameEnd = kImageSize + 2 + TextExtent(L"Notepad").cx;
    const int hotkeyStart = 300 - 6 - width;
    for (int x : ink) EXPECT_TRUE(x < nameEnd + 1 || x >= hotkeyStart - 1) << x;
}

// In a menu as narrow as its entry and in a wide one the hotkey ends at
// the margin and starts well right of the name.
TEST_F(IconMenuTest, TheHotkeyHasItsOwnColumnInNarrowAndWideMenus)
{
    const int narrow = static_cast<int>(Measure(L"Notepad\tAlt+Ctrl+N").itemWidth);
    const int nameEnd = kImageSize + 2 + TextExtent(L"Notepad").cx;
    for (int width : { narrow, narrow + 200 }) {
        Canvas canvas(width, 24);
        Draw(canvas, L"Notepad\tAlt+Ctrl+N", 0, -1);
        std::vector<int> ink = canvas.ColumnsOf(::GetSysColor(COLOR_MENUTEXT));
        ASSERT_FALSE(ink.empty());
        EXPECT_GE(ink.back(), width - 6 - 4) << width;
        EXPECT_LE(ink.back(), width - 6 - 1) << width;
        int firstAfterName = width;
        for (int x : ink)
            if (x > nameEnd + 1) firstAfterName = std::min(firstAfterName, x);
        EXPECT_GE(firstAfterName - nameEnd, 20) << width;
    }
}

TEST_F(IconMenuTest, ATabFirstIsDrawnWholeAndAnEmptyHotkeyDrawsNothingRight)
{
    Canvas tabFirst(300, 24), emptyHotkey(300, 24);
    Draw(tabFirst, L"\tAlt+Ctrl+N", 0, -1);
    Draw(emptyHotkey, L"Notepad\t", 0, -1);
    // Drawn whole from the left, not right-aligned.
    std::vector<int> ink = tabFirst.ColumnsOf(::GetSysColor(COLOR_MENUTEXT));
    ASSERT_FALSE(ink.empty());
    EXPECT_LT(ink.back(), 300 - 6 - 40);
    ink = emptyHotkey.ColumnsOf(::GetSysColor(COLOR_MENUTEXT));
    ASSERT_FALSE(ink.empty());
    EXPECT_LE(ink.back(), kImageSize + 2 + TextExtent(L"Notepad").cx + 1);
}

// File names are shown as they are: an ampersand is a character, not a
// mark for the next one.
TEST_F(IconMenuTest, AmpersandsAreDrawnAsTheyAre)
{
    Canvas ampersand(200, 24), letter(200, 24), both(200, 24), two(200, 24);
    Draw(ampersand, L"&", 0, -1);
    Draw(letter, L"W", 0, -1);
    Draw(both, L"&W", 0, -1);
    Draw(two, L"&&", 0, -1);
    const COLORREF ink = ::GetSysColor(COLOR_MENUTEXT);
    EXPECT_GT(ampersand.Count(ink), 0);
    EXPECT_EQ(both.Count(ink), ampersand.Count(ink) + letter.Count(ink));  // no underline, the & shown
    EXPECT_EQ(two.Count(ink), 2 * ampersand.Count(ink));
}

// Grayed entries are drawn twice: a highlight copy one pixel right and down,
// then the gray text; the hotkey part is left out.
class GrayedColours : public IconMenuTest {
protected:
    void SetUp() override
    {
        saved[0] = ::GetSysColor(COLOR_MENU);
        saved[1] = ::GetSysColor(COLOR_BTNHIGHLIGHT);
        saved[2] = ::GetSysColor(COLOR_GRAYTEXT);
        const COLORREF colours[] = { RGB(192, 192, 192), RGB(255, 255, 255), RGB(128, 128, 128) };
        ::SetSysColors(3, elements, colours);
        IconMenuTest::SetUp();
    }
    void TearDown() override
    {
        IconMenuTest::TearDown();
        ::SetSysColors(3, elements, saved);
    }
    const INT elements[3] = { COLOR_MENU, COLOR_BTNHIGHLIGHT, COLOR_GRAYTEXT };
    COLORREF saved[3] = {};
};

TEST_F(GrayedColours, AGrayedEntryIsDrawnTwiceWithoutItsHotkey)
{
    Canvas canvas(300, 24);
    Draw(canvas, L"Notepad\tAlt+Ctrl+N", ODS_GRAYED, -1);
    std::vector<int> gray = canvas.ColumnsOf(RGB(128, 128, 128));
    std::vector<int> white = canvas.ColumnsOf(RGB(255, 255, 255));
    ASSERT_FALSE(gray.empty());
    ASSERT_FALSE(white.empty());
    EXPECT_EQ(white.back(), gray.back() + 1);  // the shadow copy, one pixel right
    EXPECT_LT(gray.back(), 150);               // no right-aligned hotkey
    EXPECT_EQ(canvas.Count(::GetSysColor(COLOR_MENUTEXT)), 0);
}

TEST_F(GrayedColours, ColoursAreThoseInForceWhenTheMenuWasMade)
{
    COLORREF before = ::GetSysColor(COLOR_HIGHLIGHT);
    CIconMenu older(images.Get());
    older.CreatePopupMenu();
    const INT element = COLOR_HIGHLIGHT;
    const COLORREF green = RGB(0, 160, 0);
    ::SetSysColors(1, &element, &green);
    CIconMenu newer(images.Get());
    newer.CreatePopupMenu();
    Canvas first(100, 20), second(100, 20);
    Draw(first, L"x", ODS_SELECTED, -1, &older);
    Draw(second, L"x", ODS_SELECTED, -1, &newer);
    ::SetSysColors(1, &element, &before);
    EXPECT_EQ(first.At(99, 0), before);
    EXPECT_EQ(second.At(99, 0), green);
}

// A menu blends each icon once over the background it is drawn on and
// copies it after: every one of many images, drawn plain and chosen in
// turn and then again, shows its own colour over its own background.
TEST(IconMenuIcons, EachImageShowsItsOwnColourOverItsBackgroundEveryTime)
{
    constexpr int kImages = 150;  // more than a block of kept icons holds
    auto colourOf = [](int image) { return RGB(image, 255 - image, (image * 7) & 0xFF); };
    UniqueImageList list(::ImageList_Create(kImageSize, kImageSize, ILC_COLOR32 | ILC_MASK, kImages, 1));
    for (int image = 0; image < kImages; ++image) AddImage(list.Get(), colourOf(image), true);
    CIconMenu menu(list.Get());
    menu.CreatePopupMenu();
    for (int image = 0; image < kImages; ++image)
        menu.AppendItem(MF_OWNERDRAW, 100 + static_cast<UINT>(image), L"", image, image, image);
    for (int round = 0; round < 2; ++round) {
        for (int image = 0; image < kImages; ++image) {
            for (UINT state : { 0u, static_cast<UINT>(ODS_SELECTED) }) {
                MENUITEMINFOW info = {};
                info.cbSize = sizeof(info);
                info.fMask = MIIM_DATA;
                ASSERT_TRUE(::GetMenuItemInfoW(menu.m_hMenu, static_cast<UINT>(image), TRUE, &info));
                Canvas canvas(40, kImageSize);
                DRAWITEMSTRUCT draw = {};
                draw.CtlType = ODT_MENU;
                draw.itemID = 100 + static_cast<UINT>(image);
                draw.itemAction = ODA_DRAWENTIRE;
                draw.itemState = state;
                draw.hDC = canvas.dc();
                draw.rcItem = { 0, 0, canvas.width(), canvas.height() };
                draw.itemData = info.dwItemData;
                menu.DrawItem(&draw);
                const COLORREF background = ::GetSysColor(state ? COLOR_HIGHLIGHT : COLOR_MENU);
                ASSERT_EQ(canvas.At(1, 1), colourOf(image)) << "image " << image << ", state " << state;
                ASSERT_EQ(canvas.At(kImageSize - 2, kImageSize - 2), background)
                    << "image " << image << ", state " << state;
                ASSERT_EQ(canvas.At(kImageSize + 4, 1), background) << "image " << image << ", state " << state;
            }
        }
    }
}

// Submenu handles outlive their popup and serve the next one's submenus:
// a submenu of a new popup holds only its own entries, none of the old
// popup's background (its brush went with it), and answers as its own.
TEST_F(IconMenuTest, ASubmenuOfTheNextPopupStartsEmptyWithoutTheOldBackground)
{
    for (int popup = 0; popup < 3; ++popup) {
        CIconMenu top(images.Get());
        ASSERT_TRUE(top.CreatePopupMenu());
        CIconMenu* folder = top.AppendPopup(MF_OWNERDRAW, L"Folder", 0);
        ASSERT_NE(folder, nullptr);
        MENUINFO info = {};
        info.cbSize = sizeof(info);
        info.fMask = MIM_BACKGROUND;
        ASSERT_TRUE(::GetMenuInfo(folder->m_hMenu, &info));
        EXPECT_EQ(info.hbrBack, nullptr) << "popup " << popup << " took an earlier popup's brush";
        EXPECT_EQ(folder->GetMenuItemCount(), 0) << "popup " << popup << " kept an earlier popup's entries";
        EXPECT_EQ(CMenu::FromHandle(folder->m_hMenu), folder);
        EXPECT_EQ(::GetSubMenu(top.m_hMenu, 0), folder->m_hMenu);
        for (int entry = 0; entry < 3; ++entry) folder->AppendItem(MF_OWNERDRAW, 100 + entry, L"Entry", 0);
        folder->AppendPopup(MF_OWNERDRAW, L"Inner", 0)->AppendItem(MF_OWNERDRAW, 200, L"Deep", 0);
        top.PaintBackground(folder->m_hMenu);
    }
}

}  // namespace

namespace {

void Highlight(HMENU menu, UINT position, bool on)
{
    MENUITEMINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_STATE;
    info.fState = on ? MFS_HILITE : 0;
    ::SetMenuItemInfoW(menu, position, TRUE, &info);
}

// What a typed letter answers, position by position, with no entry selected
// and then with one.
TEST(IconMenuChar, LettersSelectInTurnAndTheOnlyOneChooses)
{
    UniqueImageList images(RedImages());
    CIconMenu menu(images.Get());
    menu.CreatePopupMenu();
    const wchar_t* labels[] = { L"apple", L"Banana\tCtrl+B", L"avocado", L"Ch&erry", L"&&dots", L"7zip" };
    UINT id = 100;
    for (const wchar_t* label : labels) menu.AppendItem(MF_OWNERDRAW, id++, label, 0, 0, 0);
    menu.AppendItem(MF_SEPARATOR, 0, nullptr, -1);
    EXPECT_EQ(menu.MenuChar(L'A'), MAKELRESULT(0, MNC_SELECT));  // none selected yet: the first
    Highlight(menu.m_hMenu, 0, true);
    EXPECT_EQ(menu.MenuChar(L'a'), MAKELRESULT(2, MNC_SELECT));  // the next one
    Highlight(menu.m_hMenu, 0, false);
    Highlight(menu.m_hMenu, 2, true);
    EXPECT_EQ(menu.MenuChar(L'a'), MAKELRESULT(0, MNC_SELECT));  // round again
    EXPECT_EQ(menu.MenuChar(L'b'), MAKELRESULT(1, MNC_EXECUTE));
    EXPECT_EQ(menu.MenuChar(L'C'), MAKELRESULT(3, MNC_EXECUTE));
    EXPECT_EQ(HIWORD(menu.MenuChar(L'E')), MNC_IGNORE);  // an ampersand marks nothing
    EXPECT_EQ(menu.MenuChar(L'7'), MAKELRESULT(5, MNC_EXECUTE));
    EXPECT_EQ(HIWORD(menu.MenuChar(L'd')), MNC_IGNORE);  // "&&dots" starts with an ampersand
    EXPECT_EQ(HIWORD(menu.MenuChar(L'x')), MNC_IGNORE);
    EXPECT_EQ(HIWORD(menu.MenuChar(L'-')), MNC_IGNORE);
}

// Screen readers read an owner-drawn entry's label through the MSAA record
// its item data begins with.
TEST(IconMenuChar, EveryEntryCarriesItsLabelForScreenReaders)
{
    CIconMenu menu(nullptr);
    menu.CreatePopupMenu();
    menu.AppendItem(MF_OWNERDRAW, 100, L"Notepad\tAlt+Ctrl+N", 0, 0, 0);
    menu.AppendPopup(MF_OWNERDRAW, L"Tools", 7, 7, 7);
    for (int position = 0; position < 2; ++position) {
        MENUITEMINFOW info = {};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_DATA;
        ASSERT_TRUE(::GetMenuItemInfoW(menu.m_hMenu, static_cast<UINT>(position), TRUE, &info));
        auto* msaa = reinterpret_cast<const MSAAMENUINFO*>(info.dwItemData);
        ASSERT_NE(msaa, nullptr);
        EXPECT_EQ(msaa->dwMSAASignature, static_cast<DWORD>(MSAA_MENU_SIG));
        std::wstring label = position == 0 ? L"Notepad\tAlt+Ctrl+N" : L"Tools";
        EXPECT_EQ(std::wstring(msaa->pszWText, msaa->cchWText), label);
    }
}

}  // namespace
