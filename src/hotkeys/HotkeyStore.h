// What the program knows of its hotkey file, so that nothing the user wrote
// there is ever destroyed: what lies at its place (a regular file, or a
// folder, a device or a locked file in the way), the bytes it held when it
// was read, and the saving that never writes over what it did not read.
// Any change the user did not ask for (another encoding, a damaged or
// cut-off file, hand edits made since it was read) is kept first in a
// backup of its own.
//
// The reading and saving touch the disk: they run on a worker (the UI
// thread hands them to the launch lane). The program's knowledge of the
// file lives on the UI thread.
#pragma once

#include <string>
#include <vector>

#include "hotkeys/HotkeyFile.h"

// What lies where the hotkey file belongs.
struct HotkeyFileSpot {
    enum Kind { Missing, File, InTheWay, Unreadable };
    Kind kind = Missing;
    std::wstring target;    // the regular file itself (where a link to it leads)
    std::wstring inTheWay;  // what lies there instead, or why it cannot be read
};
HotkeyFileSpot InspectHotkeyFile(const std::wstring& path);

// One reading of the hotkey file.
struct HotkeyFileRead {
    std::wstring path;
    HotkeyFileSpot spot;
    bool read = false;  // the file was read (or there is none): saving may replace it
    std::string bytes;  // as read
    HotkeyFileContent content;
};
// Reads the file, trying again for a while when another program holds it.
HotkeyFileRead ReadHotkeysFromDisk(const std::wstring& path, DWORD retryMs);

struct HotkeySaveResult {
    bool saved = false;
    std::wstring message;  // what the user is told, "" for nothing
    HotkeyFileRead now;    // the file as it is after the save
};
// Replaces the file with the hotkeys (deletes it for none), never over a
// file that was not read or is not a file; backs the file up first when
// the new one would change anything but the user's edits.
HotkeySaveResult SaveHotkeysToDisk(const HotkeyFileRead& before, const std::vector<Hotkey>& wanted);

// The file's bytes as the writer writes the hotkeys: UTF-16LE after a
// byte-order mark, CR LF line ends.
std::string HotkeyFileBytes(const std::vector<Hotkey>& hotkeys);

// UI thread only: the program's hotkey file as last read or saved.
HotkeyFileRead& TheHotkeyFile();
// What the Hotkeys dialog and the start say of a file that was not read:
// "" when it was.
std::wstring HotkeyFileNotReadText(const HotkeyFileRead& file);
