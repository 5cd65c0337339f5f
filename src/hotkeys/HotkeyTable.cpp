#include "hotkeys/HotkeyTable.h"

const wchar_t kShortcutMenuMarker[] = L"Quillop";

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
