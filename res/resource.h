// Resource ids shared by the resource script and the code.
#pragma once

#define IDD_TRAY_WINDOW 102
#define IDD_ABOUT 134
#define IDD_HOTKEYS 136
#define IDD_HOTKEY 137
#define IDD_FIND 139

#define IDI_PROGRAM 128
#define IDI_BROWSE 129
#define IDI_TRAY 135
#define IDI_MENU_PICK 138

#define IDC_HAND_CURSOR 109

// The short-cut menu's command pictures (the "Quillop" submenu entry shows
// the program's icon).
#define IDI_MENU_ADD_NEW_ITEM 150
#define IDI_MENU_DESKTOP 151
#define IDI_MENU_AUTO_START_OFF 152
#define IDI_MENU_HELP 153
#define IDI_MENU_ABOUT 154
#define IDI_MENU_EXIT 155
#define IDI_MENU_FOLDER 156
#define IDI_MENU_ON 157
#define IDI_MENU_EDIT 158
#define IDI_MENU_SEPARATOR_OFF 159
#define IDI_MENU_SHOW_ALL 160
#define IDI_MENU_HOTKEYS 161
// What a file shows until its own icon is known.
#define IDI_MENU_DOCUMENT 162
#define IDI_MENU_PROGRAM_FILE 163
#define IDI_MENU_AUTO_START_ON 164
#define IDI_MENU_FIND 165

// About box
#define IDC_ABOUT_AUTHOR 118
#define IDC_ABOUT_HOMEPAGE 1007
#define IDC_ABOUT_VERSION 1013

// Hotkeys dialog
#define IDC_HOTKEYS_ADD 1002
#define IDC_HOTKEYS_DELETE 1003
#define IDC_HOTKEYS_EDIT 1004
#define IDC_HOTKEYS_MENU_DELETE 1005
#define IDC_HOTKEYS_LIST 1006
#define IDC_HOTKEYS_MENU_EDIT 1007
#define IDC_HOTKEYS_CLEAR 1012
#define IDC_HOTKEYS_MENU_LABEL 1015
#define IDC_HOTKEYS_FIND_LABEL 1016
#define IDC_HOTKEYS_FIND_EDIT 1017
#define IDC_HOTKEYS_FIND_DELETE 1018

// HotKey dialog
#define IDC_HOTKEY_BROWSE 1000
#define IDC_HOTKEY_MENU_PICK 1001
#define IDC_HOTKEY_ALT 1006
#define IDC_HOTKEY_CTRL 1007
#define IDC_HOTKEY_SHIFT 1008
#define IDC_HOTKEY_WIN 1009
#define IDC_HOTKEY_COMMAND 1010
#define IDC_HOTKEY_COMMAND_LABEL 1016
#define IDC_HOTKEY_KEY 1070

// Find window
#define IDC_FIND_TEXT 1100
#define IDC_FIND_LIST 1101
#define IDC_FIND_COUNT 1102
