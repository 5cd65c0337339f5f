// Reading a built short-cut menu back through the system's menu calls.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "menu/IconMenu.h"
#include "shell/FolderListing.h"

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
// The submenu as it shows once opened: its entries are made the first time.
HMENU Opened(HMENU submenu);

// A scratch menu folder beside the test executable, emptied for each test.
std::wstring FreshMenuFolder();
// Any folder's tree as the folder model lists it, listed now.
SnapshotPointer ListNow(const std::wstring& folder);
void MakeFile(const std::wstring& path, const char* content = "x");
void MakeFolder(const std::wstring& path);

// A fresh, empty menu folder, no hotkeys, the option off, and a new menu
// on a new image list to build into.
class MenuBuildTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    void Build(BOOL full, BOOL autoStart = FALSE);
    // Builds once with every submenu opened, lets the icons asked for
    // arrive, and builds again: the menu as the next popup shows it.
    void BuildWithIcons(BOOL full);

    std::wstring folder;
    HIMAGELIST images = nullptr;  // the icon cache's
    std::unique_ptr<CIconMenu> menu;
};

}  // namespace test
