// The short-cut menu built from the menu folder tree: its entries from the
// folder model's newest snapshot (never from the disk), the menu item table
// that maps a file entry's command id back to its path, the fixed entries,
// and the "Folder As Separator" option. A popup makes its top level only; a
// submenu's entries are made from the popup's snapshot when it first opens,
// so a press costs what it shows. A level of more than kLevelCap entries
// shows the first ones and a last row that opens Find on its folder. A
// folder still being read shows a grayed "(reading…)" entry, filled in when
// its listing arrives.
#pragma once

#include <vector>

#include "framework/CString.h"
#include "shell/FolderListing.h"

class CIconMenu;

// Command ids of the short-cut menu.
namespace MenuCommand {
constexpr UINT None = 0;
constexpr UINT AddNewItem = 1;
constexpr UINT Desktop = 2;
constexpr UINT ShowAll = 3;
constexpr UINT Edit = 4;
constexpr UINT Hotkeys = 5;
constexpr UINT AutoStart = 6;
constexpr UINT FolderAsSeparator = 7;
constexpr UINT Help = 8;
constexpr UINT About = 9;
constexpr UINT Exit = 10;
constexpr UINT FirstFileEntry = 11;
// Find's id lies above every id a file entry can take: entries stop short
// of it.
constexpr UINT Find = 0x0FFF0000;
// The "… and N more: Find" rows of capped levels, one id each from here.
constexpr UINT FirstFindRow = Find + 1;
}

// The entries a level shows at most: a menu of more is of no use to read
// through, and costs its popup in proportion.
constexpr size_t kLevelCap = 1000;  // namespace MenuCommand

// Indexes of the built-in pictures in the menu's image list: the command
// pictures, then the stand-ins a file shows until its own icon is known.
namespace MenuImage {
constexpr int AddNewItem = 0, Program = 1, Desktop = 2, AutoStartOff = 3, Help = 4, About = 5, Exit = 6,
              Folder = 7, On = 8, Edit = 9, SeparatorOff = 10, ShowAll = 11, Hotkeys = 12, Document = 13,
              ProgramFile = 14, AutoStartOn = 15, Find = 16;
constexpr int StripCount = 17;
}  // namespace MenuImage

// UI thread only: the option, the menu item table and the next file id.
//
// Subfolders merged into their parent between separators instead of
// submenus; 0 = off.
extern int folderAsSeparator;
// The full paths of the file entries of the menu being shown: command id
// 11 + k belongs to position k.
extern std::vector<CString> menuItemTable;
extern UINT nextMenuItemId;
// The top-level menu object of the popup being tracked, or nullptr.
extern CIconMenu* activeMenu;
// The path of command id, or nullptr when the id has no table position.
const wchar_t* MenuItemPath(UINT id);
// The folder a submenu of the menu being shown stands for, or nullptr.
const wchar_t* MenuSubfolderPath(HMENU submenu);
// The folder whose Find a capped level's last row opens, or nullptr when
// the id is no such row's.
const wchar_t* FindRowFolder(UINT id);
// The files lying directly in the folder, as the menu being shown lists
// them (those past a level's cap too): the paths of Ctrl's choice.
std::vector<CString> MenuFolderFiles(const std::wstring& folder);
// Empties the item table and the submenus' folders: the menu is gone.
void ClearMenuTables();

// Appends the snapshot's level of the folder to the menu (its subfolders as
// submenus filled when they open, or merged with the option) and keeps the
// snapshot for the submenus.
void ScanMenuFolder(CIconMenu* menu, const SnapshotPointer& snapshot, const std::wstring& folder);
// Builds the menu's top level from the folder model's newest snapshot.
void BuildShortcutMenu(CIconMenu* menu, BOOL autoStartOn, BOOL full);
// A submenu opens: the first time, its entries are made from the popup's
// snapshot. True when they were made now.
bool FillSubmenu(HMENU submenu);
// A new snapshot arrived while the menu is shown for the owner: the
// submenus it shows as still being read are filled in (one open on the
// screen opens again), and submenus not yet opened will show it. True when
// the top level itself, or a folder merged into another, was one: only a
// new popup can show it.
bool FillInArrivedFolders(const SnapshotPointer& snapshot, HWND owner);
void LoadFolderAsSeparator();
void SaveFolderAsSeparator();
