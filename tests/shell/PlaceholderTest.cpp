// Cloud placeholders are never downloaded for an icon: a shortcut whose
// target or icon file, or a file that is itself, marked offline or recalled
// on access shows its type's icon, and the file is never opened. Wine keeps
// no such attributes, so the look-up is given them; the files sit on a
// volume that notes every file opened on it.
#include "shell/IconLookup.h"

#include "support/IconFile.h"
#include "support/RequireSlowVolume.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <set>

namespace {

constexpr DWORD kRecallOnDataAccess = 0x00400000;

// Attributes as a cloud-synced folder reports them: the marked paths are
// placeholders, everything else is as the disk says.
CIconLookup::AttributeSource Marking(std::set<std::wstring> placeholders, DWORD mark)
{
    return [placeholders, mark](const std::wstring& path) {
        ProbeAnswer answer = TimedAttributes(path, kPromptAnswerMs);
        if (placeholders.count(path) && answer.attributes != INVALID_FILE_ATTRIBUTES) answer.attributes |= mark;
        return answer;
    };
}

IconRequest PlaceholderRequest(const std::wstring& path, DWORD attributes = FILE_ATTRIBUTE_ARCHIVE)
{
    IconRequest request;
    request.key = request.path = path;
    request.attributes = attributes;
    return request;
}

class PlaceholderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::CoInitialize(nullptr);
        shortcut = test::ExecutableFolder() + L"\\cloud.lnk";
    }
    void TearDown() override
    {
        ::DeleteFileW(shortcut.c_str());
        ::CoUninitialize();
    }
    std::wstring shortcut;
};

TEST_F(PlaceholderTest, AShortcutsPlaceholderTargetAndIconFileAreNeverOpened)
{
    REQUIRE_SLOW_VOLUME();
    test::SlowVolume volume;
    test::WriteFile(volume.backing + L"\\tool.exe", "MZ");
    test::WriteFile(volume.backing + L"\\tool.ico", test::IconFileBytes(RGB(0, 90, 200)));
    const std::wstring target = volume.mount + L"\\tool.exe", icon = volume.mount + L"\\tool.ico";
    ASSERT_TRUE(test::MakeShortcutWithIcon(target, icon, shortcut));

    // Really there: the icon file is read.
    volume.TakeOpens();
    IconAnswer there = CIconLookup().LookUp(PlaceholderRequest(shortcut));
    EXPECT_TRUE(there.picture);
    EXPECT_NE(volume.TakeOpens().find("tool.ico"), std::string::npos) << "the check below would prove nothing";

    for (DWORD mark : { static_cast<DWORD>(FILE_ATTRIBUTE_OFFLINE), kRecallOnDataAccess }) {
        CIconLookup lookup(Marking({ target, icon }, mark));
        IconAnswer answer = lookup.LookUp(PlaceholderRequest(shortcut));
        EXPECT_TRUE(answer.picture) << "the type's icon stands in";
        EXPECT_EQ(volume.TakeOpens(), "") << "a placeholder was opened";
    }
}

TEST_F(PlaceholderTest, AFileThatIsItselfAPlaceholderIsNeverOpened)
{
    REQUIRE_SLOW_VOLUME();
    test::SlowVolume volume;
    test::WriteFile(volume.backing + L"\\own.ico", test::IconFileBytes(RGB(200, 0, 0)));
    const std::wstring file = volume.mount + L"\\own.ico";
    volume.TakeOpens();
    IconAnswer answer = CIconLookup().LookUp(PlaceholderRequest(file, FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_OFFLINE));
    EXPECT_TRUE(answer.picture);
    EXPECT_EQ(volume.TakeOpens(), "");
    CIconLookup().LookUp(PlaceholderRequest(file));
    EXPECT_NE(volume.TakeOpens(), "") << "not marked, it is read";
}

// A shortcut whose icon file sits on a drive that does not answer promptly
// shows its type's icon rather than wait for the drive's file to open.
TEST_F(PlaceholderTest, AnIconFileOnASlowDriveIsNotOpened)
{
    REQUIRE_SLOW_VOLUME();
    test::SlowVolume volume;
    test::WriteFile(volume.backing + L"\\slow.ico", test::IconFileBytes(RGB(0, 200, 0)));
    const std::wstring icon = volume.mount + L"\\slow.ico";
    ASSERT_TRUE(test::MakeShortcutWithIcon(volume.mount + L"\\nothing.exe", icon, shortcut));
    volume.SetDelay(1.5);
    volume.TakeOpens();
    IconAnswer answer = CIconLookup().LookUp(PlaceholderRequest(shortcut));
    EXPECT_TRUE(answer.picture);
    volume.SetDelay(0);
    EXPECT_EQ(volume.TakeOpens(), "");
}

}  // namespace
