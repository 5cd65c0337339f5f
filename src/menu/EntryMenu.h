// The shell's menu of a file or folder entry of the short-cut menu: asked
// for by the right button, the Apps key or Shift+F10 while the short-cut
// menu is tracked, and shown over it (CShellItemMenu).
//
// Windows tells the owner of a right button released over an entry
// (WM_MENURBUTTONUP); Wine's menu loop does not, but passes its mouse and
// key messages through a message filter hook on the thread, which this
// watch installs. WM_MENUSELECT names the highlighted entry for the keys.
// The same hook turns the mouse wheel over a long menu into scrolling.
// One request at a time: a right click never opens two menus.
#pragma once

#include "framework/Handles.h"

class CIconMenu;

// Watches the menu loop while the short-cut menu is tracked for the owner.
class CEntryMenuWatch {
public:
    explicit CEntryMenuWatch(HWND owner);
    ~CEntryMenuWatch();
    CEntryMenuWatch(const CEntryMenuWatch&) = delete;
    CEntryMenuWatch& operator=(const CEntryMenuWatch&) = delete;

private:
    UniqueHook m_hook;
};

// Wine ends the short-cut menu when a menu over it closes: after Escape in
// the shell's menu, it opens again, the entry highlighted as it was. True
// when the menu just ended so and should open again; the keys that lead
// back to the entry are on their way to the owner.
bool ReopenAfterEntryMenu(HWND owner, const CIconMenu& menu);

// Runs the command chosen in an entry's shell menu, if any, once the
// short-cut menu has closed.
void RunChosenShellCommand(HWND owner);

// The owner's WM_MENUSELECT: the entry highlighted now.
void NoteHighlightedEntry(WPARAM wParam, LPARAM lParam);
// The owner's WM_MENURBUTTONUP: the shell's menu of that entry.
void RequestEntryMenu(HMENU menu, UINT position);
// Messages of the shell's menu while it is open (its owner-drawn and
// dynamic submenus): TRUE (with the result) when they were its.
BOOL RouteShellMenuMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
