// Drops sent to the real tray window, and auto start on the real registry
// and Startup folder of the test's Wine prefix.
#include "app/AutoStart.h"
#include "app/LauncherApp.h"
#include "app/RegistryKey.h"
#include "app/TrayWindow.h"
#include "framework/ShellFiles.h"
#include "menu/DroppedFiles.h"
#include "menu/IconCache.h"
#include "menu/MenuFolder.h"
#include "menu/ShortcutMenu.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <sddl.h>

#include <algorithm>

#include <vector>

#include "menu/IconMenu.h"

namespace {

struct Link {
    std::wstring target;
    std::wstring directory;
};

Link ReadLink(const std::wstring& path)
{
    Link link;
    IShellLinkW* shell = nullptr;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  reinterpret_cast<void**>(&shell))))
        return link;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(shell->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        if (SUCCEEDED(file->Load(path.c_str(), 0))) {
            wchar_t buffer[MAX_PATH] = {};
            shell->GetPath(buffer, MAX_PATH, nullptr, SLGP_RAWPATH);
            link.target = buffer;
            buffer[0] = 0;
            shell->GetWorkingDirectory(buffer, MAX_PATH);
            link.directory = buffer;
        }
        file->Release();
    }
    shell->Release();
    return link;
}

// A real drop handle, as the shell hands it over.
HDROP MakeDrop(const std::vector<std::wstring>& paths)
{
    size_t characters = 1;
    for (const auto& path : paths) characters += path.size() + 1;
    HGLOBAL block = ::GlobalAlloc(GHND, sizeof(DROPFILES) + characters * sizeof(wchar_t));
    auto* drop = static_cast<DROPFILES*>(::GlobalLock(block));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    auto* list = reinterpret_cast<wchar_t*>(drop + 1);
    for (const auto& path : paths) {
        wmemcpy(list, path.c_str(), path.size());
        list += path.size() + 1;
    }
    ::GlobalUnlock(block);
    return static_cast<HDROP>(block);
}

void MakeFolder(const std::wstring& path) { ::CreateDirectoryW(path.c_str(), nullptr); }

class DropTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!theTrayWindow.m_hWnd) {
            ASSERT_TRUE(theApp.InitInstance());
        }
        menu = MenuFolderPath();
        test::RemoveTree(menu);
        ::CreateDirectoryW(menu.c_str(), nullptr);
        source = test::ExecutableFolder() + L"\\drop source";
        test::RemoveTree(source);
        ::CreateDirectoryW(source.c_str(), nullptr);
    }
    void TearDown() override
    {
        test::RemoveTree(source);  // deep trees go too: the next test's walks stay short
        menuItemTable.clear();
    }
    void Drop(const std::vector<std::wstring>& paths)
    {
        theTrayWindow.SendMessage(WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(paths)));
        test::WaitForShellWorker();
    }
    std::wstring menu, source;
};

TEST_F(DropTest, AFileGetsAShortcutThatASecondDropReplaces)
{
    test::WriteFile(source + L"\\report.txt", "r");
    test::WriteFile(source + L"\\report.doc", "d");
    test::WriteFile(source + L"\\tool", "t");
    Drop({ source + L"\\report.txt", source + L"\\tool" });
    Link first = ReadLink(menu + L"\\report.lnk");
    EXPECT_EQ(first.target, source + L"\\report.txt");
    EXPECT_EQ(first.directory, source);
    EXPECT_EQ(ReadLink(menu + L"\\tool.lnk").target, source + L"\\tool");

    Drop({ source + L"\\report.doc" });
    EXPECT_EQ(ReadLink(menu + L"\\report.lnk").target, source + L"\\report.doc");
}

TEST_F(DropTest, AShortcutIsCopiedWithoutReplacingOne)
{
    test::WriteFile(source + L"\\target.txt", "t");
    test::WriteFile(source + L"\\other.txt", "o");
    ASSERT_TRUE(CreateShortcut((source + L"\\other.txt").c_str(), (menu + L"\\Editor.lnk").c_str()));
    MakeFolder(source + L"\\links");
    ASSERT_TRUE(CreateShortcut((source + L"\\target.txt").c_str(), (source + L"\\links\\Editor.lnk").c_str()));
    ASSERT_TRUE(CreateShortcut((source + L"\\target.txt").c_str(), (source + L"\\links\\New.lnk").c_str()));
    Drop({ source + L"\\links\\Editor.lnk", source + L"\\links\\New.lnk" });
    EXPECT_EQ(ReadLink(menu + L"\\Editor.lnk").target, source + L"\\other.txt");  // kept
    EXPECT_EQ(test::ReadFile(menu + L"\\New.lnk"), test::ReadFile(source + L"\\links\\New.lnk"));
}

TEST_F(DropTest, AFolderIsMirroredWithoutItsHiddenEntriesAndMerged)
{
    std::wstring project = source + L"\\Proj";
    MakeFolder(project);
    test::WriteFile(project + L"\\a.txt", "a");
    test::WriteFile(project + L"\\h.txt", "h");
    ::SetFileAttributesW((project + L"\\h.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
    MakeFolder(project + L"\\S");
    test::WriteFile(project + L"\\S\\c.txt", "c");
    ASSERT_TRUE(CreateShortcut((project + L"\\a.txt").c_str(), (project + L"\\b.lnk").c_str()));
    MakeFolder(menu + L"\\Proj");
    test::WriteFile(menu + L"\\Proj\\existing.txt", "e");

    Drop({ project });
    EXPECT_EQ(ReadLink(menu + L"\\Proj\\a.lnk").target, project + L"\\a.txt");
    EXPECT_EQ(test::ReadFile(menu + L"\\Proj\\b.lnk"), test::ReadFile(project + L"\\b.lnk"));
    EXPECT_EQ(ReadLink(menu + L"\\Proj\\S\\c.lnk").target, project + L"\\S\\c.txt");
    EXPECT_FALSE(test::Exists(menu + L"\\Proj\\h.lnk"));
    EXPECT_TRUE(test::Exists(menu + L"\\Proj\\existing.txt"));
}

// The longest path under a folder, walked with long paths.
size_t LongestPathUnder(const std::wstring& folder)
{
    size_t longest = folder.size();
    WIN32_FIND_DATAW entry;
    UniqueFind find(::FindFirstFileW((L"\\\\?\\" + folder + L"\\*").c_str(), &entry));
    if (!find) return longest;
    do {
        std::wstring name = entry.cFileName;
        if (name == L"." || name == L"..") continue;
        std::wstring path = folder + L"\\" + name;
        longest = std::max(longest, (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? LongestPathUnder(path)
                                                                                        : path.size());
    } while (::FindNextFileW(find.Get(), &entry));
    return longest;
}

// The names in a folder, sorted; none when it cannot be listed.
std::vector<std::wstring> NamesIn(const std::wstring& folder)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW entry;
    UniqueFind find(::FindFirstFileW((folder + L"\\*").c_str(), &entry));
    if (!find) return names;
    do {
        if (lstrcmpW(entry.cFileName, L".") && lstrcmpW(entry.cFileName, L"..")) names.push_back(entry.cFileName);
    } while (::FindNextFileW(find.Get(), &entry));
    std::sort(names.begin(), names.end());
    return names;
}

// The menu folder, however it is named, or a folder that holds it, is not
// added to itself: the drop is refused with a message, and nothing changes.
TEST_F(DropTest, TheMenuFolderOrAFolderHoldingItIsRefused)
{
    std::wstring outer = source + L"\\Outer";
    MakeFolder(outer);
    test::WriteFile(outer + L"\\x.txt", "x");
    Drop({ test::ExecutableFolder() + L"\\drop source" });
    EXPECT_TRUE(test::Exists(menu + L"\\drop source\\Outer\\x.lnk"));
    const auto before = NamesIn(menu);
    const std::wstring alias = test::ExecutableFolder() + L"\\drop-loops\\menu-alias";
    ASSERT_TRUE(test::Exists(alias + L"\\drop source")) << "the link fixture is missing";
    for (const std::wstring& self : { menu, menu + L"\\", menu + L"\\.", alias, test::ExecutableFolder() }) {
        test::MessageBoxAnswer answer(L"app_tests");
        Drop({ self });
        EXPECT_NE(answer.Text(3000).find(L"menu folder"), std::wstring::npos) << "no message for the drop of " << self.size();
        EXPECT_EQ(NamesIn(menu), before);
    }
}

// Links back up a dropped folder are not followed, nor a link to the menu
// folder: the drop ends, each folder mirrored once.
TEST_F(DropTest, ADroppedFolderWithLinksBackToItselfEnds)
{
    const std::wstring looping = test::ExecutableFolder() + L"\\drop-loops\\Looping";
    ASSERT_TRUE(test::Exists(looping + L"\\self\\a.txt")) << "the link fixture is missing";
    Drop({ looping });
    EXPECT_TRUE(test::Exists(menu + L"\\Looping\\a.lnk"));
    EXPECT_FALSE(test::Exists(menu + L"\\Looping\\self\\a.lnk"));
    EXPECT_FALSE(test::Exists(menu + L"\\Looping\\menu"));
    EXPECT_LT(LongestPathUnder(menu), menu.size() + 60);
}

// A path longer than the classic limit is not cut to another file's name:
// it is refused with a message that names it.
TEST_F(DropTest, ADroppedPathPastThePathLimitIsRefusedByName)
{
    std::wstring deep = source;
    while (deep.size() < MAX_PATH + 20) {
        deep += L"\\" + std::wstring(30, L'd');
        ASSERT_TRUE(::CreateDirectoryW((L"\\\\?\\" + deep).c_str(), nullptr));
    }
    const std::wstring file = deep + L"\\long.txt";
    test::WriteFile(L"\\\\?\\" + file, "l");
    // The name cut at the limit names a file too: it must not get the shortcut.
    const std::wstring cut = file.substr(0, MAX_PATH - 1);
    test::WriteFile(L"\\\\?\\" + cut, "c");
    test::MessageBoxAnswer answer(L"app_tests");
    Drop({ file });
    EXPECT_NE(answer.Text(3000).find(L"long.txt"), std::wstring::npos);
    EXPECT_EQ(NamesIn(menu), std::vector<std::wstring>{});
}

// A menu folder deleted while the program runs is made again for a drop;
// one replaced by a file refuses the drop with a message.
TEST_F(DropTest, AMissingMenuFolderIsMadeAgainAndAFileInItsPlaceSaysSo)
{
    test::WriteFile(source + L"\\report.txt", "r");
    test::RemoveTree(menu);
    Drop({ source + L"\\report.txt" });
    EXPECT_TRUE(test::Exists(menu + L"\\report.lnk"));
    test::RemoveTree(menu);
    test::WriteFile(menu, "not a folder");
    test::MessageBoxAnswer answer(L"app_tests");
    Drop({ source + L"\\report.txt" });
    EXPECT_NE(answer.Text(3000).find(L"menu folder"), std::wstring::npos);
    test::RemoveTree(menu);
    ::CreateDirectoryW(menu.c_str(), nullptr);
}

TEST_F(DropTest, ATreeDeeperThanThePathLimitStopsAtTheLimit)
{
    // 30 levels of 20-character folders, a file in each: far past 260.
    std::wstring level = source + L"\\Deep";
    ::CreateDirectoryW(level.c_str(), nullptr);
    for (int depth = 0; depth < 30; ++depth) {
        level += L"\\" + std::wstring(18, static_cast<wchar_t>(L'a' + depth % 26)) + L"_" + std::to_wstring(depth % 10);
        ASSERT_TRUE(::CreateDirectoryW((L"\\\\?\\" + level).c_str(), nullptr));
        test::WriteFile(L"\\\\?\\" + level + L"\\file.txt", "f");
    }
    Drop({ source + L"\\Deep" });
    EXPECT_TRUE(test::Exists(menu + L"\\Deep\\" + std::wstring(18, L'a') + L"_0\\file.lnk"));
    size_t longest = LongestPathUnder(menu);
    EXPECT_LT(longest, static_cast<size_t>(MAX_PATH));
    EXPECT_GT(longest, static_cast<size_t>(MAX_PATH - 40));  // mirrored as deep as it fits
}

TEST_F(DropTest, DroppedEntriesShowInTheNextMenu)
{
    test::WriteFile(source + L"\\report.txt", "r");
    Drop({ source + L"\\report.txt" });
    HIMAGELIST images = TheIconCache().GetImageList();
    CIconMenu built(images);
    built.CreatePopupMenu();
    BuildShortcutMenu(&built, FALSE, FALSE);
    ASSERT_EQ(built.GetMenuItemCount(), 1);
    MENUITEMINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_DATA;
    ::GetMenuItemInfoW(built.m_hMenu, 0, TRUE, &info);
    EXPECT_STREQ(reinterpret_cast<const MenuItemData*>(info.dwItemData)->label, L"report");
}

// The file system decides what is a folder: a shell that reports an archive
// or a shortcut to a folder as one must not make an empty folder of it.
TEST(DropDecision, TheFileSystemDecidesWhatIsAFolder)
{
    EXPECT_EQ(ClassifyDrop(false, FILE_ATTRIBUTE_ARCHIVE, SFGAO_FOLDER | SFGAO_STREAM), DropKind::File);  // a .zip
    EXPECT_EQ(ClassifyDrop(false, FILE_ATTRIBUTE_ARCHIVE, SFGAO_LINK | SFGAO_FOLDER), DropKind::Shortcut);
    EXPECT_EQ(ClassifyDrop(false, FILE_ATTRIBUTE_ARCHIVE, SFGAO_LINK), DropKind::Shortcut);
    EXPECT_EQ(ClassifyDrop(false, FILE_ATTRIBUTE_DIRECTORY, SFGAO_FOLDER), DropKind::Directory);
    EXPECT_EQ(ClassifyDrop(false, FILE_ATTRIBUTE_DIRECTORY, 0), DropKind::Directory);
    EXPECT_EQ(ClassifyDrop(true, FILE_ATTRIBUTE_DIRECTORY, SFGAO_FOLDER), DropKind::Drive);
    EXPECT_EQ(ClassifyDrop(false, INVALID_FILE_ATTRIBUTES, SFGAO_FOLDER), DropKind::None);
}

TEST_F(DropTest, AShortcutToAFolderIsCopiedAsAFile)
{
    MakeFolder(source + L"\\Projects");
    ASSERT_TRUE(CreateShortcut((source + L"\\Projects").c_str(), (source + L"\\Projects.lnk").c_str()));
    Drop({ source + L"\\Projects.lnk" });
    DWORD attributes = ::GetFileAttributesW((menu + L"\\Projects.lnk").c_str());
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
    EXPECT_FALSE(attributes & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(test::ReadFile(menu + L"\\Projects.lnk"), test::ReadFile(source + L"\\Projects.lnk"));
}

// A drive gets a shortcut, named without the colon a file name cannot hold;
// it is never walked.
TEST_F(DropTest, ADriveRootGetsAShortcutAndIsNeverWalked)
{
    Drop({ L"C:\\" });
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW entry;
    HANDLE find = ::FindFirstFileW((menu + L"\\*").c_str(), &entry);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    do {
        if (entry.cFileName[0] != L'.') names.push_back(entry.cFileName);
        EXPECT_FALSE(entry.cFileName[0] != L'.' && (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY));
    } while (::FindNextFileW(find, &entry));
    ::FindClose(find);
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(names[0], L"C drive.lnk");
    EXPECT_EQ(ReadLink(menu + L"\\" + names[0]).target, L"C:\\");
}

// --- auto start -------------------------------------------------------------

std::wstring StartupShortcut()
{
    wchar_t folder[MAX_PATH] = {};
    ::SHGetSpecialFolderPathW(nullptr, folder, CSIDL_STARTUP, TRUE);
    return std::wstring(folder) + L"\\app_tests.lnk";
}

void SetRunValue(const std::wstring& value)
{
    HKEY key;
    ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kRunKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    ::RegSetValueExW(key, kRunValueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    ::RegCloseKey(key);
}

bool RunValueExists()
{
    return ::RegGetValueW(HKEY_LOCAL_MACHINE, kRunKeyPath, kRunValueName, RRF_RT_ANY, nullptr, nullptr, nullptr) ==
           ERROR_SUCCESS;
}

class AutoStartTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::CoInitialize(nullptr);
        ::RegCreateKeyW(HKEY_LOCAL_MACHINE, kRunKeyPath, &runKey);
        ::RegDeleteValueW(runKey, kRunValueName);
        ::DeleteFileW(StartupShortcut().c_str());
        ClearMarks();
    }
    static void ClearMarks()
    {
        ::RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kApprovedRunPath, kRunValueName);
        ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kApprovedStartupFolderPath, L"app_tests.lnk");
    }
    void TearDown() override
    {
        ::RegCloseKey(runKey);
        ::RegCreateKeyW(HKEY_LOCAL_MACHINE, kRunKeyPath, &runKey);
        ::RegDeleteValueW(runKey, kRunValueName);
        ::RegCloseKey(runKey);
        ::DeleteFileW(StartupShortcut().c_str());
        ClearMarks();
    }
    HKEY runKey = nullptr;
};

TEST_F(AutoStartTest, AnyRunValueCountsAsOnAndOneToggleRemovesIt)
{
    EXPECT_FALSE(IsAutoStartOn());
    SetRunValue(L"C:\\Other\\program.exe");
    EXPECT_TRUE(IsAutoStartOn());
    ToggleAutoStart();
    EXPECT_FALSE(RunValueExists());
    EXPECT_FALSE(IsAutoStartOn());

    ToggleAutoStart();  // on again: the Run value holds our own path, quoted
    CRegistryKey key(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(key.Open(HKEY_LOCAL_MACHINE, kRunKeyPath));
    CString value;
    ASSERT_TRUE(key.QueryString(kRunValueName, value));
    wchar_t self[MAX_PATH];
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    EXPECT_EQ(std::wstring(value), std::wstring(L"\"") + self + L"\"");
    EXPECT_FALSE(test::Exists(StartupShortcut()));
}

TEST_F(AutoStartTest, RunValuesOf255CharactersReadAnd256DoNot)
{
    CRegistryKey key(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(key.Open(HKEY_LOCAL_MACHINE, kRunKeyPath));
    CString value(L"unchanged");
    SetRunValue(std::wstring(255, L'p'));
    EXPECT_TRUE(key.QueryString(kRunValueName, value));
    EXPECT_EQ(value.GetLength(), 255);
    SetRunValue(std::wstring(256, L'q'));
    EXPECT_FALSE(key.QueryString(kRunValueName, value));
    EXPECT_EQ(value.GetLength(), 255);  // left as it was
    EXPECT_FALSE(IsAutoStartOn());
}

TEST_F(AutoStartTest, WithoutTheRunKeyTheStartupShortcutIsUsed)
{
    // A Run key that cannot be opened makes the write fail.
    ::RegCloseKey(runKey);
    runKey = nullptr;
    ASSERT_EQ(::RegDeleteKeyW(HKEY_LOCAL_MACHINE, kRunKeyPath), ERROR_SUCCESS);
    ToggleAutoStart();
    Link link = ReadLink(StartupShortcut());
    wchar_t self[MAX_PATH];
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    EXPECT_EQ(link.target, self);
    EXPECT_EQ(link.directory, test::ExecutableFolder());
    EXPECT_TRUE(StartupShortcutExists());
    EXPECT_TRUE(IsAutoStartOn());
    ToggleAutoStart();
    EXPECT_FALSE(StartupShortcutExists());
    EXPECT_FALSE(IsAutoStartOn());
}

TEST_F(AutoStartTest, BothPlacesAreClearedByOneToggle)
{
    SetRunValue(L"x");
    SetStartupShortcut(TRUE);
    ASSERT_TRUE(StartupShortcutExists());
    ToggleAutoStart();
    EXPECT_FALSE(RunValueExists());
    EXPECT_FALSE(StartupShortcutExists());
}

void SetMark(HKEY root, LPCWSTR path, LPCWSTR name, std::vector<BYTE> mark)
{
    ASSERT_EQ(::RegSetKeyValueW(root, path, name, REG_BINARY, mark.data(), static_cast<DWORD>(mark.size())),
              ERROR_SUCCESS);
}

std::vector<BYTE> Mark(HKEY root, LPCWSTR path, LPCWSTR name)
{
    std::vector<BYTE> mark(64);
    DWORD size = static_cast<DWORD>(mark.size());
    if (::RegGetValueW(root, path, name, RRF_RT_REG_BINARY, nullptr, mark.data(), &size) != ERROR_SUCCESS) return {};
    mark.resize(size);
    return mark;
}

// Windows' Startup apps list switched the entry off, leaving it in place.
TEST_F(AutoStartTest, AnEntryMarkedOffIsOffAndAutoStartSwitchesItBackOn)
{
    SetRunValue(L"C:\\Tools\\Quillop.exe");  // bare, as earlier versions wrote it
    const std::vector<BYTE> off = { 0x03, 0, 0, 0, 0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70, 0x01 };
    SetMark(HKEY_LOCAL_MACHINE, kApprovedRunPath, kRunValueName, off);
    EXPECT_FALSE(IsAutoStartOn());
    EXPECT_EQ(ToggleAutoStart(), AutoStartResult::Done);
    EXPECT_TRUE(RunValueExists());  // not removed, not rewritten
    const std::vector<BYTE> on = Mark(HKEY_LOCAL_MACHINE, kApprovedRunPath, kRunValueName);
    ASSERT_FALSE(on.empty());
    EXPECT_EQ(on[0] & 1, 0);
    EXPECT_TRUE(IsAutoStartOn());
    ToggleAutoStart();
    EXPECT_FALSE(RunValueExists());

    // The Startup shortcut's mark lives under the user's key, by file name.
    SetStartupShortcut(TRUE);
    SetMark(HKEY_CURRENT_USER, kApprovedStartupFolderPath, L"app_tests.lnk", off);
    EXPECT_FALSE(IsAutoStartOn());
    SetMark(HKEY_CURRENT_USER, kApprovedStartupFolderPath, L"app_tests.lnk", { 0x02, 0, 0, 0 });
    EXPECT_TRUE(IsAutoStartOn());
}

// As on any standard account: HKEY_LOCAL_MACHINE can be read, not written.
class StandardAccount : public AutoStartTest {
protected:
    void TearDown() override
    {
        if (restricted) SetRunKeySecurity(saved.data());
        AutoStartTest::TearDown();
    }
    void Restrict()
    {
        HKEY key = nullptr;
        ASSERT_EQ(::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kRunKeyPath, 0, READ_CONTROL, &key), ERROR_SUCCESS);
        DWORD size = 0;
        ::RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, nullptr, &size);
        saved.resize(size);
        ASSERT_EQ(::RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, saved.data(), &size), ERROR_SUCCESS);
        ::RegCloseKey(key);
        PSECURITY_DESCRIPTOR readOnly = nullptr;
        ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:(A;;KR;;;WD)", SDDL_REVISION_1,
                                                                           &readOnly, nullptr));
        SetRunKeySecurity(readOnly);
        ::LocalFree(readOnly);
        restricted = true;
        HKEY writer = nullptr;
        ASSERT_NE(::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kRunKeyPath, 0, KEY_SET_VALUE, &writer), ERROR_SUCCESS);
    }
    static void SetRunKeySecurity(PSECURITY_DESCRIPTOR descriptor)
    {
        HKEY key = nullptr;
        ASSERT_EQ(::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kRunKeyPath, 0, WRITE_DAC, &key), ERROR_SUCCESS);
        EXPECT_EQ(::RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor), ERROR_SUCCESS);
        ::RegCloseKey(key);
    }
    std::vector<BYTE> saved;
    bool restricted = false;
};

TEST_F(StandardAccount, AnInstallersRunValueCountsAndNoShortcutIsAdded)
{
    SetRunValue(L"C:\\Program Files\\Quillop\\Quillop.exe");
    Restrict();
    EXPECT_TRUE(IsAutoStartOn());
    // On: off is asked, which this account cannot do for the Run value; it
    // is told, and the value named.
    EXPECT_EQ(ToggleAutoStart(), AutoStartResult::RunValueKept);
    const std::wstring message = RunValueKeptMessage();
    EXPECT_NE(message.find(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run"), std::wstring::npos);
    EXPECT_TRUE(RunValueExists());
    EXPECT_TRUE(IsAutoStartOn());
    EXPECT_FALSE(test::Exists(StartupShortcut()));
}

TEST_F(StandardAccount, TurningOnAndOffUsesTheStartupShortcut)
{
    Restrict();
    EXPECT_FALSE(IsAutoStartOn());
    ToggleAutoStart();
    EXPECT_FALSE(RunValueExists());
    EXPECT_TRUE(StartupShortcutExists());
    EXPECT_TRUE(IsAutoStartOn());
    ToggleAutoStart();
    EXPECT_FALSE(StartupShortcutExists());
    EXPECT_FALSE(IsAutoStartOn());
}

}  // namespace
