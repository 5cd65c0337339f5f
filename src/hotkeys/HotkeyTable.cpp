#include "hotkeys/HotkeyTable.h"

const wchar_t kShortcutMenuMarker[] = L"Quillop";

const KeyName kKeyNames[kKeyNameCount] = {
    { 8, L"BackSpace" }, { 9, L"Tab" },      { 32, L"Spacebar" }, { 33, L"Pg Up" }, { 34, L"Pg Dn" },
    { 35, L"End" },      { 36, L"Home" },    { 45, L"Insert" },   { 46, L"Delete" }, { 112, L"F1" },
    { 113, L"F2" },      { 114, L"F3" },     { 115, L"F4" },      { 116, L"F5" },    { 117, L"F6" },
    { 118, L"F7" },      { 119, L"F8" },     { 120, L"F9" },      { 121, L"F10" },   { 122, L"F11" },
    { 123, L"F12" },     { 106, L"*" },      { 107, L"+" },       { 108, L"," },     { 109, L"-" },
    { 110, L"." },       { 111, L"/" },
};

const wchar_t kSpecialCharacters[] = L"<>[]{}|\\:;~!@#$%^&()_=";

int AddHotkey(unsigned code, const wchar_t* command)
{
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
        text += static_cast<wchar_t>(key);
        return text;
    }
    for (const KeyName& row : kKeyNames) {
        if (row.virtualKey == key) {
            text = row.name;
            return text;
        }
    }
    wchar_t mapped = static_cast<wchar_t>(::MapVirtualKeyW(key, MAPVK_VK_TO_CHAR) & 0xFFFF);
    if (mapped) text += mapped;
    return text;
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
