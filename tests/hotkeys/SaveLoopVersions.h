// The versions of a hotkey file that the kill tests and the save_loop
// program save: `rows` groups whose first command names the version.
#pragma once

#include <string>
#include <vector>

#include "hotkeys/HotkeyTable.h"

namespace test {

inline std::vector<Hotkey> SaveLoopHotkeys(int version, int rows)
{
    std::vector<Hotkey> hotkeys;
    for (int row = 0; row < rows; ++row) {
        const std::wstring command = L"C:\\Version " + std::to_wstring(row == 0 ? version : 0) + L"\\tool " +
                                     std::to_wstring(row) + L".exe";
        hotkeys.push_back({ 0x1B0076u + static_cast<unsigned>(row % 12), command.c_str() });  // Alt+Ctrl+F7 on
    }
    return hotkeys;
}

}  // namespace test
