// Fills the icon cache from the menu folder after start-up, a slice at a
// time between messages: the notification icon shows at once, the program
// answers while the icons load, and the first popup finds them ready. A
// popup before the end looks up what is still missing itself.
#pragma once

#include <vector>

#include "menu/FolderChain.h"

class CIconPreload {
public:
    // Longest a slice holds the thread, in milliseconds.
    static constexpr DWORD kSliceBudget = 30;

    CIconPreload() = default;
    ~CIconPreload() { Stop(); }
    CIconPreload(const CIconPreload&) = delete;
    CIconPreload& operator=(const CIconPreload&) = delete;

    // Starts walking the folder; the slices run from the thread's message
    // loop, whichever loop that is (a menu's or a dialog's too).
    void Start(LPCWSTR folder);
    // Runs one slice of about the budget; false once the walk is done.
    bool RunSlice(DWORD budgetMs);
    bool IsRunning() const { return m_timer != 0; }
    void Stop();

private:
    struct File {
        std::wstring path;
        WIN32_FIND_DATAW entry;
    };
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD);
    void ListNextFolder();

    std::vector<FolderChain::Link> m_folders;  // still to list
    std::vector<File> m_files;                 // listed, icons still to load
    UINT_PTR m_timer = 0;
};

// The program's preload.
CIconPreload& TheIconPreload();
