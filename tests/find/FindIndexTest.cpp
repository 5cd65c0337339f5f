// Find's ranking over a folder model snapshot made in memory: what is found
// for a query, in which order, and what is left out.
#include "find/FindIndex.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "find/FindTestSupport.h"

namespace {

using namespace findtest;

TEST(FindRanking, TiersComeFirst)
{
    FindIndex index;
    index.Build(Snapshot({ { L"", { L"Keynote.lnk", L"Notepad.lnk", L"Pad.lnk", L"Padlock.exe", L"Notepad++ Config.lnk",
                                    L"Other.txt", L"My Pad Notes.txt", L"Word.lnk>WINWORD.EXE" } } }));
    struct Case {
        const wchar_t* query;
        std::vector<std::wstring> expected;
    };
    const Case cases[] = {
        // Exact, the name's start, a word's start, inside.
        { L"pad", { L"Pad", L"Padlock", L"My Pad Notes", L"Notepad", L"Notepad++ Config" } },
        { L"note", { L"Notepad", L"Notepad++ Config", L"My Pad Notes", L"Keynote" } },
        { L"npc", { L"Notepad++ Config" } },  // letters in order, two on word starts
        { L"NOTEPAD config", { L"Notepad++ Config" } },  // every word must meet the name
        { L"winw", { L"Word" } },                         // the shortcut's program
        { L"lnk", {} },                                   // extensions are not names
        { L"zz", {} },
    };
    for (const Case& c : cases) EXPECT_EQ(Names(index.Search(c.query)), c.expected) << c.query;
}

TEST(FindRanking, CaseAccentsAndSpelledLettersAreIgnoredAndMatchedLettersAreMarked)
{
    FindIndex index;
    index.Build(Snapshot({ { L"", { L"\x00DC" L"ber Tool.lnk", L"\x00E9" L"cran.txt", L"Gro\x00DF" L"e Stra\x00DF" L"e.txt" } } }));
    EXPECT_EQ(Names(index.Search(L"uber")), std::vector<std::wstring>{ L"\x00DC" L"ber Tool" });
    EXPECT_EQ(Names(index.Search(L"\x00C9" L"CRAN")), std::vector<std::wstring>{ L"\x00E9" L"cran" });
    const FindResults street = index.Search(L"strasse");
    ASSERT_EQ(street.shown.size(), 1u);
    EXPECT_EQ(street.shown[0].match, MatchTier::WordStart);
    // "Straße": the folded "ss" is the one "ß", marked once.
    EXPECT_EQ(street.shown[0].bold, (std::vector<std::pair<uint16_t, uint16_t>>{ { 6, 6 } }));
    const FindResults initials = index.Search(L"gs");
    ASSERT_EQ(initials.shown.size(), 1u);
    EXPECT_EQ(initials.shown[0].bold, (std::vector<std::pair<uint16_t, uint16_t>>{ { 0, 1 }, { 6, 1 } }));
}

// Within a tier: what the shell runs, then nearer the top, then shorter
// names, then by name; folders are found too, hidden files are not.
TEST(FindRanking, WithinATierRunnableThenShallowThenShortThenByName)
{
    FindIndex index;
    index.Build(Snapshot({ { L"", { L"Tools\\", L"tool b.txt", L"tool a.txt", L"tools.txt", L"~tool hidden.lnk" } },
                           { L"Tools", { L"Deep\\", L"tool c.lnk" } },
                           { L"Tools\\Deep", { L"tool d.exe", L"tool e.lnk" } } }));
    FindResults results = index.Search(L"tool");
    EXPECT_EQ(Names(results),
              (std::vector<std::wstring>{ L"tool c", L"tool d", L"tool e", L"Tools", L"tools", L"tool a", L"tool b" }));
    ASSERT_EQ(results.shown.size(), 7u);
    EXPECT_EQ(results.shown[0].folder, L"Tools");
    EXPECT_EQ(results.shown[0].path, L"C:\\Menu\\Tools\\tool c.lnk");
    EXPECT_EQ(results.shown[1].folder, L"Tools\\Deep");
    EXPECT_TRUE(results.shown[3].isFolder);
    EXPECT_EQ(results.shown[3].match, MatchTier::Prefix);
    EXPECT_EQ(index.Size(), 8u);
}

TEST(FindRanking, UseOrdersWithinATierAndNeverAcrossTiers)
{
    FindIndex index;
    index.Build(Snapshot({ { L"", { L"Notepad.lnk", L"Note.txt", L"Work\\" } },
                           { L"Work", { L"Notes 2024.txt", L"Keynote.txt" } } }));
    FixedUse use;
    index.SetUse(&use);
    EXPECT_EQ(Names(index.Search(L"note")), (std::vector<std::wstring>{ L"Note", L"Notepad", L"Notes 2024", L"Keynote" }));
    use.Set(L"Work\\Notes 2024.txt", 3);
    use.Set(L"Work\\Keynote.txt", 50);
    EXPECT_EQ(Names(index.Search(L"note")), (std::vector<std::wstring>{ L"Note", L"Notes 2024", L"Notepad", L"Keynote" }));
    use.Set(L"NOTEPAD.lnk", 10);  // paths compare without case
    EXPECT_EQ(Names(index.Search(L"note")), (std::vector<std::wstring>{ L"Note", L"Notepad", L"Notes 2024", L"Keynote" }));
    use.Set(L"Work\\Keynote.txt", 0);
    use.Set(L"Work\\Notes 2024.txt", 20);
    EXPECT_EQ(Names(index.Search(L"note")), (std::vector<std::wstring>{ L"Note", L"Notes 2024", L"Notepad", L"Keynote" }));
    index.SetUse(nullptr);
    EXPECT_EQ(Names(index.Search(L"note")), (std::vector<std::wstring>{ L"Note", L"Notepad", L"Notes 2024", L"Keynote" }));
}

TEST(FindRanking, BackslashMatchesFoldersAndTyposOnlyWhenNothingElse)
{
    FindIndex index;
    index.Build(Snapshot({ { L"", { L"Note to self.txt", L"Work\\", L"Home\\", L"Calculator.lnk" } },
                           { L"Work", { L"2024\\", L"Note a.txt" } },
                           { L"Work\\2024", { L"Note b.txt", L"Plan.txt" } },
                           { L"Home", { L"Note c.txt" } } }));
    EXPECT_EQ(Names(index.Search(L"work\\note")), (std::vector<std::wstring>{ L"Note a", L"Note b" }));
    EXPECT_EQ(Names(index.Search(L"wo\\24\\")), (std::vector<std::wstring>{ L"Plan", L"Note b" }));
    EXPECT_EQ(Names(index.Search(L"home \\ note")), (std::vector<std::wstring>{ L"Note c" }));
    EXPECT_EQ(Names(index.Search(L"calculater")), (std::vector<std::wstring>{ L"Calculator" }));
    EXPECT_EQ(index.Search(L"calculater").shown[0].match, MatchTier::Typo);
    EXPECT_EQ(Names(index.Search(L"plam")), std::vector<std::wstring>{});  // a word of 4: no typo
}

TEST(FindRanking, FiftyShownAndAllCounted)
{
    std::vector<std::wstring> names;
    for (int i = 0; i < 120; ++i) names.push_back(L"entry " + std::to_wstring(1000 + i) + L".txt");
    FindIndex index;
    index.Build(Snapshot({ { L"", names } }));
    FindResults results = index.Search(L"entry");
    EXPECT_EQ(results.total, 120u);
    ASSERT_EQ(results.shown.size(), 50u);
    EXPECT_EQ(results.shown.front().name, L"entry 1000");
    EXPECT_EQ(results.shown.back().name, L"entry 1049");
    EXPECT_EQ(index.Search(L"   ").total, 0u);
}

}  // namespace
