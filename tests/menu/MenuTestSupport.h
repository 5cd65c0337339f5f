// Reading a built short-cut menu back through the system's menu calls.
#pragma once

#include <string>
#include <vector>

#include "menu/IconMenu.h"

namespace test {

struct MenuEntry {
    UINT id = 0;
    bool separator = false;
    bool ownerDrawn = false;
    HMENU submenu = nullptr;
    std::wstring label;
    int image = -1;
};

std::vector<MenuEntry> ReadMenu(HMENU menu);
// The labels of a menu level, "-" for a separator.
std::vector<std::wstring> Labels(HMENU menu);

// A scratch menu folder beside the test executable, emptied for each test.
std::wstring FreshMenuFolder();
void MakeFile(const std::wstring& path, const char* content = "x");
void MakeFolder(const std::wstring& path);

}  // namespace test
