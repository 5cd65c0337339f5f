// The real Quillop.exe as a user meets it: started from a folder of its
// own, with its own menu folder, hotkey file and registry state, and driven
// only through what Windows delivers to it: the icon's callback messages,
// keys typed into its menus, hotkeys, dropped files and shell broadcasts.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "framework/Afx.h"
#include "support/AnswerTime.h"
#include "support/Canvas.h"

namespace test {

// Types keys as the keyboard would: each pressed and released in turn.
void Type(const std::vector<WORD>& keys);
// Holds the modifiers down while the key is pressed.
void PressChord(std::initializer_list<WORD> modifiers, WORD key);
// Moves the pointer to the screen's bottom left corner, where no menu
// opens under it.
void PointerToTheCorner();
// The files on the clipboard.
std::vector<std::wstring> ClipboardFiles();
// What the screen shows inside the window now.
std::unique_ptr<Canvas> Capture(HWND window);

class Acceptance : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts the program and waits until its icon is in the notification
    // area and the hotkeys of its hotkey file are registered.
    void Start();
    // Starts the program and returns once its tray window exists.
    void Launch();
    bool IconPresent() const;
    // A left press on the icon; returns the menu's window once it shows.
    HWND PressIcon();
    // The program's window that takes the keyboard while its menu is open.
    bool IsMenuKeyboardHolder(HWND window) const;
    // Waits until keys typed go to the open menu.
    bool WaitForMenuKeyboard() const;
    bool MenuClosed();
    // Opens the icon's menu, moves with the keys and presses Enter.
    void ChooseEntry(std::initializer_list<WORD> keys);
    // The same with the whole of the keys, Enter among them.
    void ChooseWithKeys(const std::vector<WORD>& keys);
    // Chooses an entry of the "Quillop" submenu, counted up from "Exit" (0).
    void ChooseFixedEntry(int upFromExit);
    std::vector<std::wstring> ProbeLines(size_t runs);
    // The probe's first run, once it has run: the folder it started in and
    // the path it was started as; both empty when it did not run.
    struct ProbeRun {
        std::wstring folder, path;
    };
    ProbeRun FirstProbeRun();
    DWORD ProfileValue(const wchar_t* name);
    std::wstring RunValue();
    // Drops the path on the tray window, in a DROPFILES block made in the
    // program's own memory, as a drag from the shell leaves it.
    void DropOnTray(const std::wstring& path);
    // Chooses "Exit" and waits for the program to end.
    DWORD Exit();
    // Milliseconds the tray window takes to answer a sent message, less
    // the time a window of the test's own waited meanwhile: a stall of
    // Wine's server or of the machine holds both up.
    double AnswerTime() const;
    // The worst answer to a sent message over the span.
    double WorstAnswerOver(double spanMs) const;
    // A press on the icon: the menu's window, and the milliseconds from the
    // press until it showed.
    HWND PressAndTime(double& milliseconds);
    // A message box of the program on the screen now, or nullptr; its text.
    HWND MessageBoxShown(std::wstring* text = nullptr) const;

    std::wstring folder, program, menu, keyFile, probe, probeOut;
    PROCESS_INFORMATION started = {};
    HWND tray = nullptr;
};

}  // namespace test
