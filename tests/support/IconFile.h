// Icon files in one colour, for tests and the benchmark to give shortcuts
// icons of their own.
#pragma once

#include <string>
#include <vector>

#include "framework/Afx.h"

namespace test {

// The bytes of a .ico file holding one 16 x 16, 32-bit image in the colour.
std::string IconFileBytes(COLORREF colour);

// Writes a shortcut to target whose icon is the given icon file.
bool MakeShortcutWithIcon(const std::wstring& target, const std::wstring& icon, const std::wstring& at);

struct ShortcutWithIcon {
    std::wstring icon, at;
};
// Writes many shortcuts to one target, each with its own icon file, fast:
// the shell writes the first, the others are copies of it with the icon's
// path changed in place, so every icon path must be as long as the first.
bool MakeShortcutsWithIcons(const std::wstring& target, const std::vector<ShortcutWithIcon>& shortcuts);

}  // namespace test
