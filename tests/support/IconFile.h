// Icon files in one colour, for tests and the benchmark to give shortcuts
// icons of their own.
#pragma once

#include <string>

#include "framework/Afx.h"

namespace test {

// The bytes of a .ico file holding one 16 x 16, 32-bit image in the colour.
std::string IconFileBytes(COLORREF colour);

// Writes a shortcut to target whose icon is the given icon file.
bool MakeShortcutWithIcon(const std::wstring& target, const std::wstring& icon, const std::wstring& at);

}  // namespace test
