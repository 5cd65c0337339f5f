#include "hotkeys/HotkeyTable.h"

#include "framework/ShellFiles.h"

const wchar_t kShortcutMenuMarker[] = L"Quillop";
const wchar_t kFindMarker[] = L"Quillop Find";

const KeyName kKeyNames[kKeyNameCount] = {
    { VK_BACK, L"BackSpace" },   { VK_TAB, L"Tab" },      { VK_SPACE, L"Spacebar" },   { VK_PRIOR, L"Pg Up" },
    { VK_NEXT, L"Pg Dn" },       { VK_END, L"End" },      { VK_HOME, L"Home" },        { VK_INSERT, L"Insert" },
    { VK_DELETE, L"Delete" },    { VK_F1, L"F1" },        { VK_F2, L"F2" },            { VK_F3, L"F3" },
    { VK_F4, L"F4" },            { VK_F5, L"F5" },        { VK_F6, L"F6" },            { VK_F7, L"F7" },
    { VK_F8, L"F8" },            { VK_F9, L"F9" },        { VK_F10, L"F10" },          { VK_F11, L"F11" },
    { VK_F12, L"F12" },          { VK_MULTIPLY, L"*" },   { VK_ADD, L"+" },            { VK_SEPARATOR, L"," },
    { VK_SUBTRACT, L"-" },       { VK_DECIMAL, L"." },    { VK_DIVIDE, L"/" },
};

const wchar_t kSpecialCharacters[] = L"<>[]{}|\\:;~!@#$%^&()_=";

namespace {

// Keys the key table does not name and the keyboard layout gives no
// character for: a name a user can read in the Hotkeys dialog and the menu.
const KeyName kOtherKeyNames[] = {
    { VK_LEFT, L"Left" },          { VK_RIGHT, L"Right" },      { VK_UP, L"Up" },
    { VK_DOWN, L"Down" },          { VK_ESCAPE, L"Esc" },       { VK_RETURN, L"Enter" },
    { VK_PAUSE, L"Pause" },        { VK_CAPITAL, L"Caps Lock" }, { VK_SNAPSHOT, L"Print Screen" },
    { VK_SCROLL, L"Scroll Lock" }, { VK_NUMLOCK, L"Num Lock" }, { VK_APPS, L"Apps" },
    { VK_CLEAR, L"Clear" },        { VK_HELP, L"Help" },        { VK_SLEEP, L"Sleep" },
};

// Changes with every hotkey added and every emptying of the table.
unsigned gTableVersion = 0;

bool OtherKeyName(unsigned key, CString& text)
{
    wchar_t name[16] = {};
    if (key >= VK_F13 && key <= VK_F24)
        wnsprintfW(name, ARRAYSIZE(name), L"F%u", key - VK_F1 + 1);
    else if (key >= VK_NUMPAD0 && key <= VK_NUMPAD9)
        wnsprintfW(name, ARRAYSIZE(name), L"Num %u", key - VK_NUMPAD0);
    for (const KeyName& row : kOtherKeyNames)
        if (row.virtualKey == key) lstrcpynW(name, row.name, ARRAYSIZE(name));
    text = name;
    return name[0] != 0;
}

CString KeyNumber(unsigned key)
{
    CString text;
    text.Format(L"Key 0x%02X", key);
    return text;
}

}  // namespace

int AddHotkey(unsigned code, const wchar_t* command)
{
    ++gTableVersion;
    int index = theCommandPool.Add(command);
    if (index == 0) return 0;
    HotkeyRecord record = { code, index };
    return theRecordList.Add(&record);
}

const HotkeyRecord* GetHotkeyRecord(int index)
{
    return static_cast<const HotkeyRecord*>(theRecordList.Get(index));
}

const wchar_t* GetHotkeyCommand(const HotkeyRecord* record)
{
    return record ? theCommandPool.Get(record->command) : nullptr;
}

CString FormatHotkeyKey(unsigned flags, unsigned key)
{
    CString text;
    key &= 0xFFFF;
    if (!(flags & HotkeyFlag::VirtualKey)) {
        if (key < L' ') return KeyNumber(key);  // no character to show
        text += static_cast<wchar_t>(key);
        return text;
    }
    for (const KeyName& row : kKeyNames) {
        if (row.virtualKey == key) {
            text = row.name;
            return text;
        }
    }
    if (OtherKeyName(key, text)) return text;
    wchar_t mapped = static_cast<wchar_t>(::MapVirtualKeyW(key, MAPVK_VK_TO_CHAR) & 0xFFFF);
    if (mapped >= L' ') {
        text += mapped;
        return text;
    }
    return KeyNumber(key);
}

std::vector<Hotkey> CurrentHotkeys()
{
    std::vector<Hotkey> hotkeys;
    for (int index = 1; index <= static_cast<int>(theRecordList.GetCount()); ++index) {
        const HotkeyRecord* record = GetHotkeyRecord(index);
        if (const wchar_t* command = GetHotkeyCommand(record)) hotkeys.push_back({ record->code, command });
    }
    return hotkeys;
}

void ClearHotkeyTable()
{
    ++gTableVersion;
    theCommandPool.Clear();
    theRecordList.Clear();
}

void SetHotkeys(const std::vector<Hotkey>& hotkeys)
{
    ClearHotkeyTable();
    for (const Hotkey& hotkey : hotkeys) AddHotkey(hotkey.code, hotkey.command);
}

std::wstring CommandKey(LPCWSTR command) { return PathKey(command); }

const std::unordered_map<std::wstring, unsigned>& HotkeyCodesByCommand()
{
    static std::unordered_map<std::wstring, unsigned> codes;
    static unsigned version = 0;
    static size_t count = 0;
    if (version == gTableVersion && count == theRecordList.GetCount()) return codes;
    codes.clear();
    for (int index = 1; index <= static_cast<int>(theRecordList.GetCount()); ++index) {
        const HotkeyRecord* record = GetHotkeyRecord(index);
        if (const wchar_t* command = GetHotkeyCommand(record)) codes.emplace(CommandKey(command), record->code);
    }
    version = gTableVersion;
    count = theRecordList.GetCount();
    return codes;
}

std::vector<KeyChoice> KeyChoices()
{
    using namespace HotkeyFlag;
    std::vector<KeyChoice> choices;
    auto add = [&](unsigned flags, unsigned key) {
        choices.push_back({ FormatHotkeyKey(flags, key), MakeHotkeyCode(flags | FromEditDialog, key) });
    };
    for (unsigned c = L'A'; c <= L'Z'; ++c) add(VirtualKey, c);
    // Digits and the special characters are characters: no modifiers.
    for (unsigned c = L'0'; c <= L'9'; ++c) add(0, c);
    for (unsigned key = VK_F1; key <= VK_F24; ++key) add(VirtualKey, key);
    for (unsigned key : { VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN, VK_HOME, VK_END, VK_PRIOR, VK_NEXT, VK_INSERT,
                          VK_DELETE })
        add(VirtualKey, key);
    for (unsigned key = VK_NUMPAD0; key <= VK_NUMPAD9; ++key) add(VirtualKey, key);
    // The numeric pad's operators are kept as the characters they type.
    for (unsigned c : { L'*', L'+', L',', L'-', L'.', L'/' }) add(0, c);
    for (unsigned key : { VK_BACK, VK_TAB, VK_SPACE, VK_RETURN, VK_ESCAPE, VK_PAUSE, VK_SNAPSHOT, VK_APPS,
                          VK_CAPITAL, VK_NUMLOCK, VK_SCROLL, VK_CLEAR, VK_HELP, VK_SLEEP })
        add(VirtualKey, key);
    for (const wchar_t* c = kSpecialCharacters; *c; ++c) add(0, *c);
    return choices;
}

bool TakesTypedKey(unsigned code)
{
    const unsigned flags = HotkeyFlags(code);
    if (flags & (HotkeyFlag::Ctrl | HotkeyFlag::Alt | HotkeyFlag::Win)) return false;
    const unsigned key = HotkeyKey(code);
    if (!(flags & HotkeyFlag::VirtualKey)) return key != 0;  // a character: digit, punctuation
    return (key >= L'A' && key <= L'Z') || (key >= VK_NUMPAD0 && key <= VK_NUMPAD9) || key == VK_SPACE ||
           key == VK_RETURN || key == VK_TAB || key == VK_BACK;
}

int KeyChoiceIndex(const std::vector<KeyChoice>& choices, unsigned code)
{
    // The dialog's own flag and the modifiers do not tell keys apart.
    const unsigned mask = MakeHotkeyCode(HotkeyFlag::VirtualKey, 0xFFFF);
    for (size_t row = 0; row < choices.size(); ++row)
        if ((choices[row].code & mask) == (code & mask)) return static_cast<int>(row);
    return -1;
}

CString FormatHotkeyText(unsigned flags, unsigned key)
{
    CString text;
    if (flags & HotkeyFlag::Alt) text += L"Alt+";
    if (flags & HotkeyFlag::Ctrl) text += L"Ctrl+";
    if (flags & HotkeyFlag::Shift) text += L"Shift+";
    if (flags & HotkeyFlag::Win) text += L"Win+";
    text += FormatHotkeyKey(flags, key);
    return text;
}

UINT HotkeyModifiers(unsigned code)
{
    unsigned flags = HotkeyFlags(code);
    UINT modifiers = 0;
    if (flags & HotkeyFlag::Alt) modifiers |= MOD_ALT;
    if (flags & HotkeyFlag::Ctrl) modifiers |= MOD_CONTROL;
    if (flags & HotkeyFlag::Shift) modifiers |= MOD_SHIFT;
    if (flags & HotkeyFlag::Win) modifiers |= MOD_WIN;
    return modifiers;
}
