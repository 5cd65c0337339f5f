// The hotkey table: the command pool (command texts) and the record list
// (HotkeyRecord entries); record i is registered as hotkey id 110 + i.
//
// A hotkey code packs the key into bits 0-15 and the flag byte into bits
// 16-23: 0x01 virtual key, 0x02 made by the edit dialog, 0x04 Shift,
// 0x08 Ctrl, 0x10 Alt, 0x20 Win. A code of 0 means no hotkey.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "framework/RecordArray.h"
#include "framework/StringPool.h"
#include "framework/CString.h"
#include "hotkeys/HotkeyText.h"

struct HotkeyRecord {
    unsigned int code;
    int command;  // 1-based index into the command pool
};
static_assert(sizeof(HotkeyRecord) == 8, "the record list holds 8-byte records");

namespace HotkeyFlag {
constexpr unsigned VirtualKey = 0x01;
constexpr unsigned FromEditDialog = 0x02;
constexpr unsigned Shift = 0x04;
constexpr unsigned Ctrl = 0x08;
constexpr unsigned Alt = 0x10;
constexpr unsigned Win = 0x20;
}  // namespace HotkeyFlag

constexpr int kHotkeyIdBase = 110;
constexpr int kHotkeyRecordStep = 256;
// The command that pops up the short-cut menu instead of opening a path.
extern const wchar_t kShortcutMenuMarker[];
// The command that opens the Find window.
extern const wchar_t kFindMarker[];

extern CStringPool theCommandPool;
extern CRecordArray theRecordList;

inline unsigned HotkeyFlags(unsigned code) { return (code >> 16) & 0xFF; }
inline unsigned HotkeyKey(unsigned code) { return code & 0xFFFF; }
inline unsigned MakeHotkeyCode(unsigned flags, unsigned key) { return (flags << 16) | (key & 0xFFFF); }

// A hotkey as the file and the dialogs hold it.
struct Hotkey {
    unsigned code;
    CString command;
};

// Adds a hotkey: its command to the pool and, when the pool gives an index,
// the record to the list. Returns the record's index, or a result below 1.
int AddHotkey(unsigned code, const wchar_t* command);
const HotkeyRecord* GetHotkeyRecord(int index);
// The record's command text, or nullptr for a missing record or command.
const wchar_t* GetHotkeyCommand(const HotkeyRecord* record);
// The table's hotkeys in order (records without a command left out), and
// the table made anew from a list of them (not registered).
std::vector<Hotkey> CurrentHotkeys();
void SetHotkeys(const std::vector<Hotkey>& hotkeys);
// Empties the table (its registrations are the caller's business).
void ClearHotkeyTable();
// Each command's hotkey code, by the command in lower case (commands are
// paths, compared without regard to case); of two hotkeys with one command
// the lower index's. Made again only when the table has changed.
const std::unordered_map<std::wstring, unsigned>& HotkeyCodesByCommand();
std::wstring CommandKey(LPCWSTR command);

// The key-name table: virtual-key code and name, in combo-box order.
struct KeyName {
    unsigned short virtualKey;
    const wchar_t* name;
};
constexpr int kKeyNameCount = 27;
extern const KeyName kKeyNames[kKeyNameCount];
// The characters that cannot be combined with modifiers.
extern const wchar_t kSpecialCharacters[];

// A row of the HotKey dialog's key list: its text and the key part of the
// code it makes (flags and key, no modifiers).
struct KeyChoice {
    CString name;
    unsigned code;
};
// Every key the program can name, in the order a user looks for them:
// letters, digits, F1-F24, navigation, the numeric pad, then the rest.
std::vector<KeyChoice> KeyChoices();
// The row of that list that makes a code's key, or -1.
int KeyChoiceIndex(const std::vector<KeyChoice>& choices, unsigned code);

// "Alt+", "Ctrl+", "Shift+", "Win+", then the key's name.
CString FormatHotkeyText(unsigned flags, unsigned key);
// The key's part of that text alone: its name in the key table, its
// character, or for a key neither names a readable name of its own ("F13",
// "Num 0", "Left", or "Key 0x7C"); never empty.
CString FormatHotkeyKey(unsigned flags, unsigned key);
// Whether the code's key types text in other programs (a letter, digit,
// punctuation, a numeric-pad key, Space, Enter, Tab, Backspace) and no
// Ctrl, Alt or Win keeps it apart from typing: held as a hotkey, every
// program would lose that key.
bool TakesTypedKey(unsigned code);
// RegisterHotKey's modifiers for a code.
UINT HotkeyModifiers(unsigned code);
