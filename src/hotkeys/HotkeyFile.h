// The hotkey file beside the executable (extension ".key"): UTF-16LE with a
// byte-order mark, one group of three CR LF lines per hotkey: the code in
// decimal, the command, an empty line. UTF-8 (with or without its mark),
// ANSI text, and LF or CR line ends are read as well (hotkeys/HotkeyText.h
// reads and writes the bytes); the table, the registration and the
// program's reading of the file are here.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "framework/CString.h"
#include "hotkeys/HotkeyTable.h"

// The hotkey file's path: the executable's with ".key" as its extension.
void HotkeyFilePath(wchar_t* buffer, int size);

// What a hotkey file holds, as far as it could be read.
struct HotkeyFileContent {
    std::vector<Hotkey> hotkeys;
    // Every byte was understood: writing the hotkeys back loses nothing.
    bool whole = true;
    // The last group lacks its line end: cut short, perhaps.
    bool cutShort = false;
    // Read as text of the system's code page with letters beyond ASCII:
    // which letters they were is a guess, and writing them back as Unicode
    // would fix that guess for good.
    bool guessedLetters = false;
};
// The hotkeys in a hotkey file's bytes (shell/SafeFile reads them).
HotkeyFileContent ReadHotkeyBytes(const std::string& bytes);
// The file's bytes for the hotkeys: UTF-16LE after a byte-order mark, CR LF
// line ends; a hotkey the reader would not give back as it is, is left out.
std::string HotkeyFileBytes(const std::vector<Hotkey>& hotkeys);
// Whether the reader gives the hotkey back as it is.
bool IsWritableHotkey(const Hotkey& hotkey);

// Loads the hotkey file into the hotkey table and registers every hotkey
// for the window, the last record first. Returns 0, or with stopAtFailure
// the index of the record whose registration failed. Reads the disk on the
// calling thread (tools and tests; the program reads it on a worker).
int LoadHotkeys(HWND window, BOOL stopAtFailure);
// UI thread: reads the hotkey file on the launch lane (waiting a while for
// a file another program holds), then loads and registers it; a file that
// could not be read is told through tell. A hotkey another program holds
// meanwhile is tried again every half second for 10 s.
void LoadHotkeysLater(HWND window, std::function<void(const std::wstring&)> tell);
// Registers every record of the table for the window, the last first, and
// returns the indexes of those that failed (every record is tried).
std::vector<int> RegisterHotkeys(HWND window);
// Unregisters every record of the table from the window, and tries no held
// one again; the table stays.
void UnregisterHotkeys(HWND window);
// Unregisters every hotkey from the main window and empties the table.
void ReleaseHotkeys();

