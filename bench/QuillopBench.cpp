// Measures the short-cut menu build against the bare cost of what it must
// do (list the files, ask the shell for each one's icon), and the hotkey
// file load for growing files. Prints a table; not a test.
#include "app/RecordArray.h"
#include "app/StringPool.h"
#include "hotkeys/HotkeyFile.h"
#include "hotkeys/HotkeyTable.h"
#include "menu/IconMenu.h"
#include "menu/MenuFolder.h"
#include "menu/ShortcutMenu.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>

namespace {

double Seconds()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The best of some runs, in milliseconds.
double Best(int runs, const std::function<void()>& work)
{
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        double start = Seconds();
        work();
        best = std::min(best, (Seconds() - start) * 1000.0);
    }
    return best;
}

void RemoveTree(const std::wstring& path)
{
    WIN32_FIND_DATAW entry;
    HANDLE find = ::FindFirstFileW((path + L"\\*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..") continue;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path + L"\\" + name);
            else
                ::DeleteFileW((path + L"\\" + name).c_str());
        } while (::FindNextFileW(find, &entry));
        ::FindClose(find);
    }
    ::RemoveDirectoryW(path.c_str());
}

void Touch(const std::wstring& path)
{
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) ::CloseHandle(file);
}

// files spread evenly over subfolders, with a few kinds of file.
void FillMenuFolder(int files, int subfolders)
{
    std::wstring root = MenuFolderPath();
    RemoveTree(root);
    CreateMenuFolder();
    static const wchar_t* kinds[] = { L".txt", L".bmp", L".ini", L".bat", L".html" };
    for (int f = 0; f < subfolders; ++f) {
        std::wstring folder = root + L"\\Folder " + std::to_wstring(f);
        ::CreateDirectoryW(folder.c_str(), nullptr);
        for (int i = 0; i < files / subfolders; ++i)
            Touch(folder + L"\\file " + std::to_wstring(i) + kinds[i % 5]);
    }
}

void BuildFullMenu()
{
    HIMAGELIST images = CreateMenuImageList();
    CIconMenu menu(images);
    menu.CreatePopupMenu();
    BuildShortcutMenu(&menu, FALSE, TRUE);
    menu.DestroyAll();
    ::ImageList_Destroy(images);
    menuItemTable.clear();
}

// What any menu of the folder's icons must do, and nothing more.
void BareLoop(const std::wstring& folder)
{
    WIN32_FIND_DATAW entry;
    HANDLE find = ::FindFirstFileW((folder + L"\\*.*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        std::wstring name = entry.cFileName;
        if (name == L"." || name == L"..") continue;
        std::wstring path = folder + L"\\" + name;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            BareLoop(path);
            continue;
        }
        SHFILEINFOW info = {};
        auto list = reinterpret_cast<HIMAGELIST>(
            ::SHGetFileInfoW(path.c_str(), 0, &info, sizeof(info), SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
        HICON icon = list ? ::ImageList_GetIcon(list, info.iIcon, ILD_NORMAL) : nullptr;
        if (icon) ::DestroyIcon(icon);
    } while (::FindNextFileW(find, &entry));
    ::FindClose(find);
}

void WriteHotkeyFile(int groups)
{
    std::wstring text = L"\xFEFF";
    for (int i = 0; i < groups; ++i) {
        unsigned code = (0x1Bu << 16) | (0x70u + static_cast<unsigned>(i % 12));  // Alt+Ctrl+F1..F12
        text += std::to_wstring(code) + L"\r\nC:\\Tools\\command " + std::to_wstring(i) + L".txt\r\n\r\n";
    }
    wchar_t path[MAX_PATH];
    HotkeyFilePath(path, MAX_PATH);
    HANDLE file = ::CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    ::WriteFile(file, text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)), &written, nullptr);
    ::CloseHandle(file);
}

double LoadTime(int groups)
{
    WriteHotkeyFile(groups);
    return Best(3, [] {
        LoadHotkeys(nullptr, FALSE);
        ReleaseHotkeys();
    });
}

}  // namespace

int wmain()
{
    ::CoInitialize(nullptr);
    theRecordList.Configure(sizeof(HotkeyRecord), kHotkeyRecordStep);
    CreateMenuFolder();
    std::printf("Short-cut menu build against the bare loop (best of 3, ms)\n");
    std::printf("%8s %10s %12s %12s %8s\n", "files", "folders", "menu build", "bare loop", "ratio");
    const int cases[][2] = { { 100, 10 }, { 1000, 50 }, { 2000, 100 } };
    for (const auto& c : cases) {
        FillMenuFolder(c[0], c[1]);
        BareLoop(MenuFolderPath());  // the shell's icon cache warmed for both
        double build = Best(3, BuildFullMenu);
        double bare = Best(3, [] { BareLoop(MenuFolderPath()); });
        std::printf("%8d %10d %12.1f %12.1f %8.2f\n", c[0], c[1], build, bare, build / bare);
    }
    RemoveTree(MenuFolderPath());

    std::printf("\nHotkey file load (best of 3, ms)\n");
    double small = LoadTime(1000), large = LoadTime(10000);
    std::printf("%8s %12s\n%8d %12.1f\n%8d %12.1f\ngrowth for 10x the groups: %.2fx\n", "groups", "load", 1000, small,
                10000, large, large / small);
    wchar_t path[MAX_PATH];
    HotkeyFilePath(path, MAX_PATH);
    ::DeleteFileW(path);
    ::CoUninitialize();
    return 0;
}
