#include "hotkeys/HotkeyTable.h"

#include <gtest/gtest.h>

namespace {

CString Text(unsigned code) { return FormatHotkeyText(HotkeyFlags(code), HotkeyKey(code)); }

TEST(FormatHotkeyText, WorkedValues)
{
    EXPECT_EQ(Text(1769588), L"Alt+Ctrl+F5");
    EXPECT_EQ(Text(458817), L"Shift+A");
    EXPECT_EQ(Text(2293872), L"Win+F1");
    EXPECT_EQ(Text(131125), L"5");
    EXPECT_EQ(FormatHotkeyText(0x0A, L'*'), L"Ctrl+*");
    EXPECT_EQ(FormatHotkeyText(0x02, L'%'), L"%");
    EXPECT_EQ(FormatHotkeyText(0x3F, 8), L"Alt+Ctrl+Shift+Win+BackSpace");
}

TEST(FormatHotkeyText, NamesComeBeforeTheCharacterMapping)
{
    EXPECT_EQ(FormatHotkeyText(0x03, 33), L"Pg Up");
    EXPECT_EQ(FormatHotkeyText(0x03, 35), L"End");
    EXPECT_EQ(FormatHotkeyText(0x03, 36), L"Home");
    EXPECT_EQ(FormatHotkeyText(0x03, 106), L"*");
    // Not named, mapped by the keyboard layout.
    EXPECT_EQ(FormatHotkeyText(0x01, 'Q'), L"Q");
    // Neither named nor mapped: a name of its own, never nothing.
    EXPECT_EQ(FormatHotkeyText(0x09, 0xFF), L"Ctrl+Key 0xFF");
    EXPECT_EQ(FormatHotkeyText(0x03, VK_F24), L"F24");
    EXPECT_EQ(FormatHotkeyText(0x23, VK_NUMPAD9), L"Win+Num 9");
    EXPECT_EQ(FormatHotkeyText(0x02, 0x07), L"Key 0x07");  // a character that cannot be shown
}

TEST(HotkeyModifiers, MapFlagsToRegistration)
{
    EXPECT_EQ(HotkeyModifiers(1769588), static_cast<UINT>(MOD_ALT | MOD_CONTROL));
    EXPECT_EQ(HotkeyModifiers(2293872), static_cast<UINT>(MOD_WIN));
    EXPECT_EQ(HotkeyModifiers(458817), static_cast<UINT>(MOD_SHIFT));
    EXPECT_EQ(HotkeyModifiers(131125), 0u);
}

TEST(HotkeyTable, LooksUpRecordsAndCommands)
{
    theRecordList.Configure(sizeof(HotkeyRecord), kHotkeyRecordStep);
    theCommandPool.Clear();
    theRecordList.Clear();
    ASSERT_EQ(AddHotkey(1769588, L"C:\\a.txt"), 1);
    ASSERT_EQ(AddHotkey(1769588, L"quillop"), 2);  // equal codes both stay
    EXPECT_STREQ(GetHotkeyCommand(GetHotkeyRecord(1)), L"C:\\a.txt");
    EXPECT_STRNE(GetHotkeyCommand(GetHotkeyRecord(2)), kShortcutMenuMarker);
    for (int bad : { 0, -1, 3 }) EXPECT_EQ(GetHotkeyRecord(bad), nullptr);
    HotkeyRecord orphan = { 5, -1 };
    EXPECT_EQ(GetHotkeyCommand(&orphan), nullptr);
    EXPECT_EQ(GetHotkeyCommand(nullptr), nullptr);
}

}  // namespace
