// A small program that saves a file through the program's own store over
// and over, reading it first each time as a start does, until it is
// killed: the kill tests end it in the middle of a save. Its first save
// done, it creates "<file>.saving".
//
//     save_loop.exe hotkeys <file> <rows>
//
// saves the hotkey file with <rows> groups, its first command alternating
// between versions 1 and 2 (tests/hotkeys/SaveLoopVersions.h);
//
//     save_loop.exe usage <file> <rows> <menu folder>
//
// saves the usage file with <rows> entries of the menu folder, their counts
// alternating between versions 1 and 2 (tests/find/UsageLoopVersions.h).
#include "find/UsageLoopVersions.h"
#include "hotkeys/HotkeyStore.h"
#include "hotkeys/SaveLoopVersions.h"

#include <cstdlib>
#include <string>

namespace {

bool SaveHotkeysVersion(const std::wstring& path, int version, int rows)
{
    const HotkeyFileRead before = ReadHotkeysFromDisk(path, 1000);
    return SaveHotkeysToDisk(before, test::SaveLoopHotkeys(version, rows)).saved;
}

bool SaveUsageVersion(const std::wstring& path, int version, int rows, const std::wstring& menuFolder)
{
    return SaveUsageToDisk(ReadUsageFromDisk(path, 1000), test::UsageLoopRecords(version, rows), menuFolder,
                           test::kUsageLoopTime)
        .saved;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 4) return 1;
    const std::wstring kind = argv[1], path = argv[2];
    const int rows = _wtoi(argv[3]);
    if (kind != L"hotkeys" && !(kind == L"usage" && argc >= 5)) return 1;
    for (int round = 0;; ++round) {
        const int version = 1 + round % 2;
        if (!(kind == L"usage" ? SaveUsageVersion(path, version, rows, argv[4])
                               : SaveHotkeysVersion(path, version, rows)))
            return 2;
        if (round == 0) ::CloseHandle(::CreateFileW((path + L".saving").c_str(), GENERIC_WRITE, 0, nullptr,
                                                    CREATE_ALWAYS, 0, nullptr));
    }
}
