// Auto start on the real registry and Startup folder of the test's Wine
// prefix.
#include "app/AutoStart.h"
#include "app/RegistryKey.h"
#include "framework/ExecutablePath.h"
#include "support/ReadLink.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <sddl.h>

namespace {

using test::Link;
using test::ReadLink;


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

// A Run value of any length is read: an executable's path near the
// system's limit, quoted, reads as on and can be switched off.
TEST_F(AutoStartTest, RunValuesOfAnyLengthAreRead)
{
    CRegistryKey key(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(key.Open(HKEY_LOCAL_MACHINE, kRunKeyPath));
    CString value(L"unchanged");
    const std::wstring longPath = L"\"C:\\" + std::wstring(252, L'p') + L".exe\"";  // 259 characters quoted
    SetRunValue(longPath);
    EXPECT_TRUE(key.QueryString(kRunValueName, value));
    EXPECT_EQ(std::wstring(value), longPath);
    EXPECT_TRUE(IsAutoStartOn());
    ToggleAutoStart();
    EXPECT_FALSE(RunValueExists());
    EXPECT_FALSE(key.QueryString(kRunValueName, value));
    EXPECT_EQ(std::wstring(value), longPath);  // left as it was
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
// An entry the list switched off, naming another program (an older copy):
// switching on writes this program's path, says what it replaces, and
// clears the mark.
TEST_F(AutoStartTest, AnEntryMarkedOffIsOffAndAutoStartSwitchesThisProgramOn)
{
    SetRunValue(L"C:\\Tools\\Quillop.exe");  // bare, as earlier versions wrote it
    const std::vector<BYTE> off = { 0x03, 0, 0, 0, 0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70, 0x01 };
    SetMark(HKEY_LOCAL_MACHINE, kApprovedRunPath, kRunValueName, off);
    EXPECT_FALSE(IsAutoStartOn());
    CString replaced;
    EXPECT_EQ(ToggleAutoStart(&replaced), AutoStartResult::RunValueReplaced);
    EXPECT_EQ(std::wstring(replaced), L"C:\\Tools\\Quillop.exe");
    CString value;
    CRegistryKey key(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(key.Open(HKEY_LOCAL_MACHINE, kRunKeyPath, KEY_QUERY_VALUE));
    ASSERT_TRUE(key.QueryString(kRunValueName, value));
    EXPECT_EQ(std::wstring(value), L"\"" + std::wstring(ExecutablePath()) + L"\"");
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
