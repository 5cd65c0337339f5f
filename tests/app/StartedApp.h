// The application started once for every test of the executable that needs
// its tray window, whichever test comes first: with one hotkey in its file
// (Ctrl+Alt+F5), which the start-up reads.
#pragma once

#include "app/LauncherApp.h"
#include "app/TrayWindow.h"
#include "hotkeys/HotkeyTestSupport.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace test {

constexpr unsigned kStartedHotkey = 1769588;  // Ctrl+Alt+F5

inline void StartTheAppOnce()
{
    if (theTrayWindow.m_hWnd) return;
    WriteFile(HotkeyFile(), Utf16(std::to_wstring(kStartedHotkey) + L"\r\nC:\\nothing.txt\r\n\r\n"));
    ASSERT_TRUE(theApp.InitInstance());
    ASSERT_NE(theTrayWindow.m_hWnd, nullptr);
}

}  // namespace test
