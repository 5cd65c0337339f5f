// What the program knows of its hotkey file, so that nothing the user wrote
// there is ever destroyed. The file is read and saved through the safe
// file store (shell/SafeFile.h): only a regular file is read or replaced,
// a save never writes over bytes it did not read, and any change the user
// did not ask for (another encoding, a damaged or cut-off file, hand edits
// made since it was read) is kept first in a backup of its own.
//
// The reading and saving touch the disk: they run on a worker (the UI
// thread hands them to a lane). The program's knowledge of the file lives
// on the UI thread.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "hotkeys/HotkeyFile.h"
#include "shell/SafeFile.h"

// One reading of the hotkey file, and the hotkeys in it.
struct HotkeyFileRead : FileReading {
    HotkeyFileContent content;
};
// Reads the file, trying again for a while when another program holds it.
HotkeyFileRead ReadHotkeysFromDisk(const std::wstring& path, DWORD retryMs);

struct HotkeySaveResult {
    bool saved = false;
    bool cancelled = false;  // cancelled before the file was touched
    std::wstring message;    // what the user is told, "" for nothing
    HotkeyFileRead now;      // the reading the next save compares with
};
// Replaces the file with the hotkeys (deletes it for none), never over a
// file that was not read or is not a file; backs the file up first when
// the new one would change anything but the user's edits. A cancel stops
// it before it touches the file.
HotkeySaveResult SaveHotkeysToDisk(const HotkeyFileRead& before, const std::vector<Hotkey>& wanted,
                                   SaveCancel* cancel = nullptr);

// UI thread only: the program's hotkey file as last read or saved; no path
// until the start-up read has arrived.
HotkeyFileRead& TheHotkeyFile();
// UI thread only: whether a save of the file is on its way: until it ends,
// the reading above may not be the file's any more.
bool IsHotkeyFileSaving();
// UI thread only: the reading has arrived and no save is on its way, so a
// dialog can show the reading and save over it.
bool IsHotkeyFileReady();
// UI thread only: the one listener told whenever the reading arrives or a
// save ends (the open Hotkeys dialog's); and the telling.
void ListenToHotkeyFile(std::function<void()> listener);
void TellHotkeyFileChanged();

// UI thread: saves the hotkeys over the reading `before` on a worker (the
// launch lane); the program takes the new reading when the save went
// through, then done runs with the result. The save's cancel, or nullptr
// when no worker could take it.
std::shared_ptr<SaveCancel> SaveHotkeysLater(const HotkeyFileRead& before, const std::vector<Hotkey>& wanted,
                                             std::function<void(const HotkeySaveResult&)> done);
// UI thread: stops the save before it touches the file, if it has not
// begun to: the program then no longer waits for it. Whether it stopped.
bool CancelHotkeysSave(const std::shared_ptr<SaveCancel>& save);
// What the Hotkeys dialog and the start say of a file that was not read:
// "" when it was.
std::wstring HotkeyFileNotReadText(const HotkeyFileRead& file);
