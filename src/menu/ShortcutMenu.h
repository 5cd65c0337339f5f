// Popping up the short-cut menu at the cursor and opening what is chosen.
#pragma once

#include "framework/Afx.h"

class CIconMenu;

// Sent to the owner of a popup with the chosen command id in WPARAM.
constexpr UINT WM_MENU_COMMAND = WM_USER + 13;
// Sent to the owner of the program's own menu once it has closed, for Find:
// when a letter typed into it started no entry, the letter in WPARAM, to
// search for; when a capped level's last row was chosen, the path of that
// level's folder in LPARAM, to search in.
constexpr UINT WM_MENU_FIND = WM_USER + 14;

// How long a press waits for a fresh listing of the menu folder tree before
// it shows the newest one it has: local disks answer well within it. A tree
// whose last listing took longer is not waited for at all: its fresh listing
// is asked for once the menu shows.
constexpr DWORD kFreshListingWaitMs = 30;

// Builds the menu (full: with "<<Add New Item>>" and the fixed entries)
// from a fresh listing of the menu folder, or the newest one when that
// takes longer than a moment; tracks it at the cursor and sends the choice
// to the owner as WM_MENU_COMMAND. A file entry chosen with Ctrl held opens
// its whole folder instead (asking first when that is more than a few
// files), with Shift shows the file in its folder, with both runs it as
// administrator. The right button or the Apps key on a file or folder entry
// opens the shell's menu of it. Returns the number of top-level entries, or
// 0 when there was nothing to show.
//
// Asked again while a menu is tracked, it ends that menu and returns -1;
// the new menu opens from the message loop once the first has fully
// closed (of many such requests, the last).
int PopupShortcutMenu(HWND owner, BOOL autoStartOn, BOOL full);
// Opens the file entry of a command id of 11 and up (menu/OpenEntry.h).
void OpenMenuItem(UINT id);
// Opens every file that lies directly in the folder of the chosen entry.
void OpenFolderItems(UINT id);
// Opens a hotkey's command, which the user typed: %NAME% in it stands for
// the environment variable.
void OpenCommand(LPCWSTR command);
// Starts listening to the folder model: new listings reach an open menu
// and the icon preload.
void ListenToFolderModel();
// The owner windows' measuring route for short-cut menu entries.
void MeasureShortcutMenuItem(MEASUREITEMSTRUCT* measure);
// Whether an entry's data is a record of the short-cut menu open now.
bool IsShortcutMenuItemData(ULONG_PTR data);
// WM_MEASUREITEM in an owner window: a menu entry is measured by its menu
// object; another item is offered to the control it names. TRUE (with the
// result) when the control handled it; otherwise default processing follows.
BOOL RouteMeasureItem(HWND owner, MEASUREITEMSTRUCT& measure, LRESULT* result);
// WM_INITMENUPOPUP in an owner window: the icons of a submenu that opens
// are looked up before the rest.
void RouteInitMenuPopup(HMENU menu);
// WM_MENUCHAR in an owner window: a letter typed into a short-cut menu
// selects or chooses its entry. TRUE (with the result) when the menu is one.
BOOL RouteMenuChar(WPARAM wParam, LPARAM lParam, LRESULT* result);
