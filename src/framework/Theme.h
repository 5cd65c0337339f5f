// Following the system's look: Windows' light or dark mode for apps, and
// high contrast, which wins over both. The menus, the drop window and the
// tips are drawn in these colours; the dialogs and the menus' frames take
// the platform's dark look where it offers one.
#pragma once

#include "framework/Afx.h"

struct ThemeColours {
    COLORREF menu, menuText;             // an entry's background and label
    COLORREF highlight, highlightText;   // the highlighted entry
    COLORREF grayText, grayShadow;       // a disabled label and its etched shadow
    COLORREF window;                     // the drop window's background
    COLORREF tip, tipText, tipFrame;
    bool dark;  // drawn by us in dark colours (never under high contrast)
};

// HKCU\...\Themes\Personalize AppsUseLightTheme is 0 (a missing value
// means light).
bool AppsUseDarkTheme();
bool IsHighContrast();

// The colours for a look: high contrast gives the system colours whatever
// the dark setting; light gives the system colours too.
ThemeColours ThemeColoursFor(bool dark, bool highContrast);
// The colours in force now.
ThemeColours CurrentThemeColours();

// Asks the platform's menus (their frames and the shell's menus) to follow
// the dark setting now: the app-mode functions Windows 10 1903 and later
// export from uxtheme by ordinal only. Nothing where they are absent.
void FollowDarkModeInMenus(bool dark);
// A dark or light title bar for a top-level window, where the desktop
// window manager offers it.
void FollowDarkModeInTitleBar(HWND window, bool dark);

// Whether a WM_SETTINGCHANGE is about the light or dark mode.
bool IsColourSetChange(LPARAM lParam);
