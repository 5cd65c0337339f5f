// What the hotkey tests share: the hotkey file beside the test executable
// and the HotKey dialog's controls, worked as a user works them.
#pragma once

#include <string>

#include <gtest/gtest.h>

#include "framework/Afx.h"

class CHotkeysDlg;

namespace test {

std::wstring HotkeyFile();
// The text as the hotkey file stores it: UTF-16LE after a byte-order mark.
std::string Utf16(const std::wstring& text);
// One hotkey as the file writes it: the key's code, the command, a blank line.
std::wstring Group(unsigned code, const std::wstring& command);

// A test that loads hotkeys: the table starts empty and its hotkeys are
// released however the test ends.
class HotkeyTableTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
};

// Writes the hotkey file and loads it into the hotkey table, registering
// its hotkeys for the window, as start-up does.
void LoadHotkeyFile(const std::string& bytes, HWND window = nullptr);

// Entries of the HotKey dialog's key list: 0-26 the key names, 27-36
// digits, 37-62 letters, 63-84 the special characters.
// Rows of the key list, chosen by their text.
constexpr LPCWSTR kKeyF5 = L"F5", kKeyF7 = L"F7", kKeyF8 = L"F8", kKeyF9 = L"F9", kKeyPgUp = L"Pg Up",
                  kKeyInsert = L"Insert", kKeyNumpadMinus = L"-", kKeyDigit5 = L"5", kKeyLetterA = L"A", kKeyLetterF = L"F",
                  kKeyPercent = L"%";

// Sets the HotKey dialog's key, modifiers and (unless null) command.
void ChooseHotkey(HWND dialog, LPCWSTR key, bool alt, bool ctrl, bool shift, bool win, LPCWSTR command);
// Presses OK (or another button) and returns the message box it raised,
// answered with `answer`, or "" when the dialog closed without one.
std::wstring Press(HWND dialog, int button = IDOK, int answer = IDOK);
// Presses OK in the Hotkeys dialog and waits, answering, for the save it
// starts on a worker to end; the message box it raised, or "".
std::wstring PressOk(CHotkeysDlg& dialog);

// Another program holding Alt+Ctrl+F8 for as long as the object lives.
class HeldElsewhere {
public:
    HeldElsewhere();
    ~HeldElsewhere();
    HeldElsewhere(const HeldElsewhere&) = delete;
    HeldElsewhere& operator=(const HeldElsewhere&) = delete;
    bool held = false;

private:
    PROCESS_INFORMATION m_process = {};
};

}  // namespace test
