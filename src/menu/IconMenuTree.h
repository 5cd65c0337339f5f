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
    // An icon's size of memory, where icons are blended before they are
    // copied to a menu.
    HDC IconCanvas(int width, int height);
    UniqueBitmap iconCanvasBitmap;
    UniqueMemoryDC iconCanvas;  // goes before the bitmap it holds
    SIZE iconCanvasSize = {};
    std::unordered_map<UINT, CIconMenu*> byHandle;  // a submenu's entry: its handle
    std::unordered_map<UINT, CIconMenu*> byId;
    // Entries showing a stand-in, by the key of the icon they wait for.
    struct Awaiting {
        CIconMenu* menu;
        UINT position;
    };
    std::unordered_map<std::wstring, std::vector<Awaiting>> awaiting;
};
