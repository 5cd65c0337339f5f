// The hotkey file loaded from generated and damaged files, through the
// disk, the table and the registration: it never crashes or hangs, its
// table stays consistent, and well-formed files read as the format says.
// (The reader and writer alone are fuzzed natively by scripts/fuzz.)
#include "hotkeys/HotkeyFile.h"
#include "hotkeys/HotkeyTable.h"
#include "hotkeys/HotkeyTestSupport.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using namespace test;

struct Record {
    unsigned code;
    std::wstring command;  // "(none)" when the pool refused it
    bool operator==(const Record& o) const { return code == o.code && command == o.command; }
};

// Loads the bytes as the hotkey file, checks the table and returns it.
std::vector<Record> LoadChecked(const std::string& bytes)
{
    WriteFile(HotkeyFile(), bytes);
    DWORD start = ::GetTickCount();
    LoadHotkeys(nullptr, FALSE);
    // No hang: 100,000 groups load (and register) in about 6 s alone, 10 s
    // beside another suite, 40 s on a machine busy on every core (reading
    // them takes 20-60 ms of it: registering is Wine's server's work);
    // anything worse than linear would take hours.
    EXPECT_LT(::GetTickCount() - start, 120000u) << "a load of " << bytes.size() << " bytes";
    std::vector<Record> records;
    for (int i = 1; i <= static_cast<int>(theRecordList.GetCount()); ++i) {
        const HotkeyRecord* record = GetHotkeyRecord(i);
        EXPECT_NE(record, nullptr);
        if (!record) break;
        EXPECT_NE(record->code, 0u);
        const wchar_t* command = GetHotkeyCommand(record);
        // A command is either in the pool or absent: never a stray index.
        EXPECT_TRUE(command ? record->command >= 1 && static_cast<unsigned>(record->command) <= theCommandPool.GetCount()
                            : record->command < 1 || static_cast<unsigned>(record->command) > theCommandPool.GetCount());
        if (command) {
            EXPECT_EQ(wcspbrk(command, L"\r\n"), nullptr);
        }
        records.push_back({ record->code, command ? command : L"(none)" });
    }
    ReleaseHotkeys();
    return records;
}

// What the format gives for text made of whole lines: groups of code,
// command and an empty line; a group with an empty part is dropped; an
// empty command (or an end of data) ends the reading; code 0 is skipped.
std::vector<Record> Expected(const std::vector<std::wstring>& lines)
{
    std::vector<Record> records;
    for (size_t i = 0;; i += 3) {
        std::wstring code = i < lines.size() ? lines[i] : L"";
        std::wstring command = i + 1 < lines.size() ? lines[i + 1] : L"";
        std::wstring separator = i + 2 < lines.size() ? lines[i + 2] : L"";
        if (code.empty()) command.clear();
        if (!separator.empty()) command.clear();
        if (command.empty()) return records;
        long number = std::wcstol(code.c_str(), nullptr, 10);
        if (number != 0)
            records.push_back({ static_cast<unsigned>(number), command.size() > 4094 ? L"(none)" : command });
    }
}

class Generator {
public:
    explicit Generator(unsigned seed) : m_random(seed) {}
    int Below(int n) { return static_cast<int>(m_random() % static_cast<unsigned>(n)); }

    std::wstring Text(int maxLength)
    {
        static const wchar_t kAlphabet[] = L"C:\\Tools\\ abcxyz.&%~0123456789\x00E9\x4E2D";
        std::wstring text(static_cast<size_t>(Below(maxLength + 1)), L' ');
        for (wchar_t& c : text) c = kAlphabet[Below(static_cast<int>(wcslen(kAlphabet)))];
        return text;
    }
    std::wstring CodeLine()
    {
        switch (Below(8)) {
        case 0: return L"";
        case 1: return L"abc";
        case 2: return L"0";
        case 3: return L" " + std::to_wstring(Below(2000000)) + L"abc";
        default: return std::to_wstring(1 + Below(0x3FFFFF));
        }
    }
    // Well-formed lines, mostly groups, sometimes with a part missing.
    std::vector<std::wstring> Lines(int groups)
    {
        std::vector<std::wstring> lines;
        for (int g = 0; g < groups; ++g) {
            lines.push_back(CodeLine());
            lines.push_back(Below(20) == 0 ? L"" : Below(50) == 0 ? Text(5000) + Text(5000) : Text(60));
            lines.push_back(Below(30) == 0 ? Text(5) : L"");
        }
        return lines;
    }
    std::string Encode(const std::vector<std::wstring>& lines, bool unicode)
    {
        static const wchar_t* kEnds[] = { L"\r\n", L"\n", L"\r" };
        const wchar_t* end = kEnds[Below(3)];
        std::wstring text;
        for (const std::wstring& line : lines) text += line + end;
        if (unicode) return Utf16(text);
        std::string ansi;
        for (wchar_t c : text) ansi += c < 0x80 ? static_cast<char>(c) : '?';
        return ansi;
    }
    std::string Damage(std::string bytes)
    {
        for (int n = Below(6); n >= 0; --n) {
            size_t at = bytes.empty() ? 0 : static_cast<size_t>(Below(static_cast<int>(bytes.size())));
            switch (Below(6)) {
            case 0: if (!bytes.empty()) bytes[at] = static_cast<char>(m_random()); break;
            case 1: bytes.insert(at, std::string("\0\0", 2)); break;             // a NUL character
            case 2: bytes.insert(at, "\x00\xD8", 2); break;                       // a lone high surrogate
            case 3: bytes.insert(at, "\x00\xDC", 2); break;                       // a lone low surrogate
            case 4: bytes.resize(at | 1); break;                                  // cut at an odd length
            default: bytes.insert(at, std::string(static_cast<size_t>(Below(5000)), 'x')); break;
            }
        }
        return bytes;
    }
    std::string RandomBytes()
    {
        std::string bytes(static_cast<size_t>(Below(400)), '\0');
        for (char& b : bytes) b = static_cast<char>(m_random());
        if (Below(2)) bytes.insert(0, "\xFF\xFE");
        return bytes;
    }

private:
    std::mt19937 m_random;
};

using HotkeyFuzz = HotkeyTableTest;

TEST_F(HotkeyFuzz, TwoThousandFilesLoadSafelyAndWellFormedOnesExactly)
{
    Generator generate(20261207);
    int exact = 0;
    for (int round = 0; round < 2000 && !::testing::Test::HasFailure(); ++round) {
        switch (round % 4) {
        case 0: {  // well formed: must read exactly as the format says
            std::vector<std::wstring> lines = generate.Lines(generate.Below(12));
            bool unicode = generate.Below(4) != 0;
            std::vector<Record> expected = Expected(lines);
            if (!unicode)  // the ANSI file holds '?' where the text was not ASCII
                for (Record& r : expected)
                    for (wchar_t& c : r.command)
                        if (r.command != L"(none)" && c >= 0x80) c = L'?';
            ASSERT_EQ(LoadChecked(generate.Encode(lines, unicode)), expected) << "round " << round;
            ++exact;
            break;
        }
        case 1: LoadChecked(generate.Damage(generate.Encode(generate.Lines(generate.Below(12)), true))); break;
        case 2: LoadChecked(generate.Damage(generate.Encode(generate.Lines(generate.Below(12)), false))); break;
        default: LoadChecked(generate.RandomBytes()); break;
        }
    }
    EXPECT_EQ(exact, 500);
}

TEST_F(HotkeyFuzz, HugeFilesLoadWhole)
{
    // One line of a million characters and no line end.
    EXPECT_TRUE(LoadChecked(Utf16(std::wstring(1000000, L'7'))).empty());
    // 100,000 groups: every one read, in order.
    std::wstring text;
    for (int i = 1; i <= 100000; ++i) text += std::to_wstring(i) + L"\r\nC:\\Tools\\tool " + std::to_wstring(i) + L".exe\r\n\r\n";
    std::vector<Record> records = LoadChecked(Utf16(text));
    ASSERT_EQ(records.size(), 100000u);
    EXPECT_EQ(records[99999], (Record{ 100000, L"C:\\Tools\\tool 100000.exe" }));
    // 5,000-character commands: refused by the pool, their records kept.
    std::wstring longCommands;
    for (int i = 1; i <= 50; ++i) longCommands += std::to_wstring(i) + L"\r\n" + std::wstring(5000, L'c') + L"\r\n\r\n";
    records = LoadChecked(Utf16(longCommands));
    ASSERT_EQ(records.size(), 50u);
    EXPECT_EQ(records[49].command, L"(none)");
}

}  // namespace
