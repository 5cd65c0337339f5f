// The icon menu's private half: what one menu tree shares, for the two
// files that make the class (its entries here, its drawing in
// IconMenuDrawing.cpp).
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "menu/IconMenu.h"

// A label cut to the buffer: a name too long ends in an ellipsis, and the
// hotkey text after the TAB is kept whole when it leaves room for one.
void FitLabel(wchar_t (&label)[MenuItemData::kLabelLength], LPCWSTR text);

// The icons a menu tree has drawn, each blended once in memory over an
// entry's background (plain or chosen) and copied to the menu from there
// after: blending from the image list costs more than all the rest of an
// entry's drawing, and a level shows one icon many times (its folders, its
// documents of one type). An index stands for the same picture while the
// menu shows (the icon cache gives out no index given back meanwhile), so
// what is kept by index stays right for the tree's life.
class DrawnIcons {
public:
    // The memory DC holding the image drawn over the background, and the
    // top of its cell there (blended first when it was not yet); nullptr
    // when no memory could be had.
    HDC Cell(HIMAGELIST list, int image, SIZE size, HBRUSH background, bool selected, int& top);

private:
    static constexpr int kCellsPerBlock = 64;
    struct Block {
        UniqueBitmap bitmap;
        UniqueMemoryDC dc;  // goes before the bitmap it holds
    };
    bool AddBlock();

    SIZE m_size = {};
    std::vector<Block> m_blocks;
    std::unordered_map<int, int> m_cells;  // image * 2 + chosen: cell
};

// What a menu tree draws and measures with: the colours (light, dark or
// high contrast) and menu font in force when the tree was made (a change
// shows at the next popup), and the index of its menu objects.
struct CIconMenu::Tree {
    Tree();
    // One DC, with the menu font, for all the entries the tree measures.
    HDC MeasuringDC();

    ThemeColours colours;
    LOGFONTW fontDescription;
    UniqueFont font;
    UniqueBrush menuBrush;
    UniqueBrush highlightBrush;
    int menuBarHeight;  // the floor of an entry's height; slow to ask for each entry
    UniqueMemoryDC measuringDC;  // goes before the font it holds
    DrawnIcons drawnIcons;
    std::unordered_map<UINT, CIconMenu*> byHandle;  // a submenu's entry: its handle
    std::unordered_map<UINT, CIconMenu*> byId;
    // Entries showing a stand-in, by the key of the icon they wait for.
    struct Awaiting {
        CIconMenu* menu;
        UINT position;
    };
    std::unordered_map<std::wstring, std::vector<Awaiting>> awaiting;
};
