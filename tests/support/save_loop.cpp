// A tiny program that saves its hotkey file through the Hotkeys dialog over
// and over, each time with the first command changed, until it is killed: the
// tests kill it in the middle of a save. Its first save done, it creates
// "<hotkey file>.saving".
#include "hotkeys/HotkeyFile.h"
#include "hotkeys/HotkeyTable.h"
#include "hotkeys/HotkeysDlg.h"
#include "../res/resource.h"

#include <string>

// The command of a row in each version of the file; the tests know it too.
std::wstring VersionedCommand(int version, int row)
{
    return L"C:\\Version " + std::to_wstring(version) + L"\\tool " + std::to_wstring(row) + L".exe";
}

int wmain()
{
    theRecordList.Configure(sizeof(HotkeyRecord), kHotkeyRecordStep);
    LoadHotkeys(nullptr, FALSE);
    CHotkeysDlg dialog;
    if (!dialog.Create(IDD_HOTKEYS, nullptr)) return 1;
    wchar_t marker[MAX_PATH + 8];
    HotkeyFilePath(marker, MAX_PATH);
    lstrcatW(marker, L".saving");
    for (int round = 0;; ++round) {
        int version = 1 + round % 2;
        dialog.GetList().SetCellText(0, 1, VersionedCommand(version, 0).c_str());
        if (!dialog.SaveHotkeys()) return 2;
        if (round == 0) ::CloseHandle(::CreateFileW(marker, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    }
}
