#include "BenchTrees.h"

#include "framework/Afx.h"
#include "framework/ExecutablePath.h"
#include "support/IconFile.h"

#include <vector>

namespace bench {
namespace {

void Touch(const std::wstring& path, const std::string& bytes = {})
{
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    if (!bytes.empty()) ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ::CloseHandle(file);
}

// An icon colour that differs from icon to icon.
std::string IconFile(unsigned seed) { return test::IconFileBytes((seed * 2654435761u) & 0xFFFFFF); }

bool SaveShortcut(const std::wstring& target, const std::wstring& icon, const std::wstring& at)
{
    return test::MakeShortcutWithIcon(target, icon, at);
}

std::wstring FolderName(const std::wstring& root, int folder) { return root + L"\\Folder " + std::to_wstring(folder); }

}  // namespace

std::wstring Beside(const wchar_t* name)
{
    return static_cast<LPCWSTR>(ExecutableSibling(L"")) + std::wstring(L" ") + name;
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

void MakeDocumentTree(const std::wstring& root, int files, int folders)
{
    RemoveTree(root);
    ::CreateDirectoryW(root.c_str(), nullptr);
    static const wchar_t* kinds[] = { L".txt", L".bmp", L".ini", L".bat", L".html", L".doc", L".pdf", L".zip" };
    for (int f = 0; f < folders; ++f) {
        ::CreateDirectoryW(FolderName(root, f).c_str(), nullptr);
        for (int i = 0; i < files / folders; ++i)
            Touch(FolderName(root, f) + L"\\file " + std::to_wstring(i) + kinds[i % 8]);
    }
}

void MakeShortcutTree(const std::wstring& root, const std::wstring& iconFolder, int files, int folders)
{
    RemoveTree(root);
    RemoveTree(iconFolder);
    ::CreateDirectoryW(root.c_str(), nullptr);
    ::CreateDirectoryW(iconFolder.c_str(), nullptr);
    std::wstring target = iconFolder + L"\\target.txt";
    Touch(target);
    std::vector<test::ShortcutWithIcon> shortcuts;
    for (int f = 0; f < folders; ++f) {
        ::CreateDirectoryW(FolderName(root, f).c_str(), nullptr);
        for (int i = 0; i < files / folders; ++i) {
            int n = f * (files / folders) + i;
            wchar_t name[32];
            wnsprintfW(name, 32, L"\\icon %06d.ico", n);
            Touch(iconFolder + name, IconFile(static_cast<unsigned>(n)));
            shortcuts.push_back({ iconFolder + name, FolderName(root, f) + L"\\shortcut " + std::to_wstring(i) + L".lnk" });
        }
    }
    test::MakeShortcutsWithIcons(target, shortcuts);
}

void AddIconFile(const std::wstring& path) { Touch(path, IconFile(4242)); }

void AddOneFile(const std::wstring& root) { Touch(FolderName(root, 0) + L"\\added since.txt"); }

void AddOneShortcut(const std::wstring& root, const std::wstring& iconFolder)
{
    std::wstring icon = iconFolder + L"\\added since.ico";
    Touch(icon, IconFile(99999));
    SaveShortcut(iconFolder + L"\\target.txt", icon, FolderName(root, 0) + L"\\added since.lnk");
}

int EnumerateTree(const std::wstring& folder)
{
    int files = 0;
    WIN32_FIND_DATAW entry;
    HANDLE find = ::FindFirstFileW((folder + L"\\*.*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return 0;
    do {
        if (entry.cFileName[0] == L'.' && (!entry.cFileName[1] || (entry.cFileName[1] == L'.' && !entry.cFileName[2])))
            continue;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            files += EnumerateTree(folder + L"\\" + entry.cFileName);
        else
            ++files;
    } while (::FindNextFileW(find, &entry));
    ::FindClose(find);
    return files;
}

}  // namespace bench
