// At 200 % scaling (this suite runs with Wine's LogPixels at 192): the
// program's own drawing follows the system DPI, and at 96 DPI the other
// suites see every measure as it always was.
#include "find/FindWindow.h"
#include "framework/Dpi.h"
#include "hotkeys/HotKeyDlg.h"
#include "hotkeys/HotkeysDlg.h"
#include "menu/IconCache.h"
#include "menu/IconMenu.h"
#include "menu/MenuFolder.h"
#include "menu/MenuTestSupport.h"
#include "support/Canvas.h"
#include "support/Placement.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <set>
#include <vector>

#include "../res/resource.h"

namespace {

int ExpectedDpi()
{
    const char* dpi = std::getenv("QUILLOP_EXPECTED_DPI");
    return dpi ? std::atoi(dpi) : 96;
}

TEST(Dpi, TheProgramSeesTheSystemDpi) { EXPECT_EQ(SystemDpi(), ExpectedDpi()); }

using DpiMenu = test::MenuBuildTest;

TEST_F(DpiMenu, ImagesComeAtTheSmallIconSizeAndEntriesGrowWithThem)
{
    const int size = ::MulDiv(16, ExpectedDpi(), 96);
    EXPECT_EQ(::GetSystemMetrics(SM_CXSMICON), size);
    EXPECT_EQ(TheIconCache().GetIconSize(), size);
    int width = 0, height = 0;
    ::ImageList_GetIconSize(TheIconCache().GetImageList(), &width, &height);
    EXPECT_EQ(width, size);
    EXPECT_EQ(height, size);

    test::MakeFile(folder + L"\\notes.txt");
    Build(TRUE);
    EXPECT_EQ(menu->GetIconWidth(), size);
    for (const test::MenuEntry& entry : test::ReadMenu(menu->m_hMenu)) {
        if (!entry.ownerDrawn) continue;
        MEASUREITEMSTRUCT measure = {};
        measure.CtlType = ODT_MENU;
        measure.itemID = entry.submenu ? static_cast<UINT>(reinterpret_cast<UINT_PTR>(entry.submenu)) : entry.id;
        MENUITEMINFOW info = {};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_DATA;
        ::GetMenuItemInfoW(menu->m_hMenu, entry.id, FALSE, &info);
        measure.itemData = reinterpret_cast<ULONG_PTR>(info.dwItemData);
        menu->MeasureItem(&measure);
        EXPECT_GE(static_cast<int>(measure.itemHeight), size) << static_cast<const wchar_t*>(entry.label.c_str());
        EXPECT_GE(static_cast<int>(measure.itemHeight), ::GetSystemMetrics(SM_CYMENU));
        EXPECT_GE(static_cast<int>(measure.itemWidth), size);
    }
    EXPECT_EQ(ScaleToDpi(6), ::MulDiv(6, ExpectedDpi(), 96));
}

// The command pictures come drawn for the size, not stretched from 16 px:
// their images hold no more than a few pixels of a 16 px picture's blur.
TEST_F(DpiMenu, CommandPicturesAreDrawnAtTheSize)
{
    const int size = TheIconCache().GetIconSize();
    test::Canvas canvas(size, size);
    canvas.Fill(RGB(255, 255, 255));
    ::ImageList_Draw(TheIconCache().GetImageList(), MenuImage::On, canvas.dc(), 0, 0, ILD_TRANSPARENT);
    // The blue of the check box covers most of the image.
    const int blue = canvas.CountIf([](COLORREF pixel) { return GetBValue(pixel) > 150 && GetRValue(pixel) < 90; });
    EXPECT_GT(blue, size * size / 3);
}

// The toggles' pictures read on a light and a dark menu alike: each stands
// out from both backgrounds, none is a white patch on the dark one, and
// each toggle's on and off pictures differ.
TEST_F(DpiMenu, TogglePicturesReadOnLightAndDarkMenus)
{
    const int size = TheIconCache().GetIconSize();
    auto differs = [](COLORREF a, COLORREF b) {
        return std::abs(GetRValue(a) - GetRValue(b)) + std::abs(GetGValue(a) - GetGValue(b)) +
                   std::abs(GetBValue(a) - GetBValue(b)) > 120;
    };
    std::map<int, std::vector<COLORREF>> drawnOnDark;
    for (int image : { MenuImage::On, MenuImage::SeparatorOff, MenuImage::AutoStartOn, MenuImage::AutoStartOff }) {
        for (COLORREF background : { RGB(240, 240, 240), RGB(43, 43, 43) }) {
            test::Canvas canvas(size, size);
            canvas.Fill(background);
            ::ImageList_Draw(TheIconCache().GetImageList(), image, canvas.dc(), 0, 0, ILD_TRANSPARENT);
            const int standingOut = canvas.CountIf([&](COLORREF pixel) { return differs(pixel, background); });
            EXPECT_GT(standingOut, size * size / 10) << image << " on " << std::hex << background;
            if (background != RGB(43, 43, 43)) continue;
            const int white = canvas.CountIf([](COLORREF pixel) {
                return GetRValue(pixel) > 225 && GetGValue(pixel) > 225 && GetBValue(pixel) > 225;
            });
            EXPECT_LT(white, size * size / 5) << image;
            for (int y = 0; y < size; ++y)
                for (int x = 0; x < size; ++x) drawnOnDark[image].push_back(canvas.At(x, y));
        }
    }
    EXPECT_NE(drawnOnDark[MenuImage::On], drawnOnDark[MenuImage::SeparatorOff]);
    EXPECT_NE(drawnOnDark[MenuImage::AutoStartOn], drawnOnDark[MenuImage::AutoStartOff]);
}

// A label's text, in the dialog's font at this scaling, fits its control.
bool LabelFits(HWND label)
{
    wchar_t text[64] = {};
    int length = ::GetWindowTextW(label, text, 64);
    WindowDC dc(label);
    SelectedObject font(dc, reinterpret_cast<HFONT>(::SendMessageW(label, WM_GETFONT, 0, 0)));
    SIZE extent = {};
    ::GetTextExtentPoint32W(dc, text, length, &extent);
    RECT client;
    ::GetClientRect(label, &client);
    return extent.cx <= client.right && extent.cy <= client.bottom;
}

TEST(DpiDialogs, TheHotKeyDialogsCommandLabelIsWhole)
{
    CHotKeyDlg dialog(nullptr);
    bool fits = false;
    test::DriveModal<CHotKeyDlg>(dialog, [&](CHotKeyDlg& d) {
        fits = LabelFits(d.GetDlgItem(IDC_HOTKEY_COMMAND_LABEL));
        test::HoldForScreenshot("HotKey dialog");
    });
    EXPECT_TRUE(fits);
}

// The picture buttons of a HotKey dialog whose command is fixed (the
// program's own hotkeys) are disabled: their pictures show greyed at their
// own size in many shades, not as the system's two-colour embossed
// stand-in, which smears at 200 %.
TEST(DpiDialogs, DisabledPictureButtonsShowTheirPicturesGreyedSharply)
{
    CHotKeyDlg dialog(nullptr);
    dialog.m_commandEditable = FALSE;
    std::set<COLORREF> shades;
    bool allGrey = true;
    test::DriveModal<CHotKeyDlg>(dialog, [&](CHotKeyDlg& d) {
        HWND browse = d.GetDlgItem(IDC_HOTKEY_BROWSE);
        ::RedrawWindow(browse, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        RECT r;
        ::GetWindowRect(browse, &r);
        const auto canvas = test::Canvas::OfScreen(r);
        const int bevel = 2 * ::GetSystemMetrics(SM_CXEDGE);
        for (int y = bevel; y < canvas->height() - bevel; ++y)
            for (int x = bevel; x < canvas->width() - bevel; ++x) {
                const COLORREF pixel = canvas->At(x, y);
                allGrey = allGrey && GetRValue(pixel) == GetGValue(pixel) && GetGValue(pixel) == GetBValue(pixel);
                shades.insert(pixel);
            }
        test::HoldForScreenshot("HotKey dialog with its pictures disabled");
    });
    EXPECT_TRUE(allGrey) << "a disabled picture shows colour";
    EXPECT_GT(shades.size(), 4u) << "the picture is the two-colour embossed stand-in";
}

// At 200 % on a screen smaller than the template at that scaling, the
// Hotkeys dialog shrinks into the work area: its list gives up the room,
// and OK and both lines of the program's own hotkeys stay on screen. No
// control lies over another: a label repainted over a button moved onto
// it would erase part of the button.
TEST(DpiDialogs, TheHotkeysDialogFitsTheWorkAreaWithEveryButton)
{
    CHotkeysDlg dialog;
    RECT window = {}, work = {};
    std::map<int, RECT> controls;
    std::vector<std::pair<int, RECT>> all;  // every control, by its id
    test::DriveModal<CHotkeysDlg>(dialog, [&](CHotkeysDlg& d) {
        ::GetWindowRect(d.m_hWnd, &window);
        work = test::WorkAreaAt({ (window.left + window.right) / 2, (window.top + window.bottom) / 2 });
        for (int id : { IDOK, IDCANCEL, IDC_HOTKEYS_LIST, IDC_HOTKEYS_MENU_EDIT, IDC_HOTKEYS_MENU_DELETE,
                        IDC_HOTKEYS_FIND_EDIT, IDC_HOTKEYS_FIND_DELETE })
            ::GetWindowRect(d.GetDlgItem(id), &controls[id]);
        for (HWND child = ::GetWindow(d.m_hWnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
            RECT rect;
            ::GetWindowRect(child, &rect);
            all.emplace_back(::GetDlgCtrlID(child), rect);
        }
        test::HoldForScreenshot("Hotkeys dialog at 200 %");
    });
    EXPECT_TRUE(test::Inside(window, work)) << window.right << "x" << window.bottom;
    for (const auto& [id, rect] : controls) EXPECT_TRUE(test::Inside(rect, window)) << id;
    EXPECT_LT(controls[IDC_HOTKEYS_LIST].bottom, controls[IDC_HOTKEYS_MENU_EDIT].top);
    for (size_t a = 0; a < all.size(); ++a)
        for (size_t b = a + 1; b < all.size(); ++b) {
            RECT overlap;
            EXPECT_FALSE(::IntersectRect(&overlap, &all[a].second, &all[b].second))
                << "controls " << all[a].first << " and " << all[b].first << " overlap";
        }
}

// At 200 % on a screen smaller than 1280 x 800, the Find window fits the
// work area with its field, several rows of its list and its count line.
TEST(DpiDialogs, TheFindWindowFitsTheWorkArea)
{
    OpenFind(L"", FindPlace::TopOfScreenAtPointer);
    HWND find = TheFindWindow().m_hWnd;
    ASSERT_NE(find, nullptr);
    RECT window, list;
    ::GetWindowRect(find, &window);
    const RECT work = test::WorkAreaAt(test::Centre(window));
    EXPECT_TRUE(test::Inside(window, work)) << window.right << "x" << window.bottom;
    for (int id : { IDC_FIND_TEXT, IDC_FIND_LIST, IDC_FIND_COUNT }) {
        RECT control;
        ::GetWindowRect(::GetDlgItem(find, id), &control);
        EXPECT_TRUE(test::Inside(control, window)) << id;
    }
    ::GetWindowRect(::GetDlgItem(find, IDC_FIND_LIST), &list);
    const LRESULT rowHeight = ::SendDlgItemMessageW(find, IDC_FIND_LIST, LB_GETITEMHEIGHT, 0, 0);
    EXPECT_GE(list.bottom - list.top, 5 * rowHeight);
    test::HoldForScreenshot("Find at 200 %");
    TheFindWindow().Close();
}

}  // namespace
