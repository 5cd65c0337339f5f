// Find's ranking over a folder model snapshot made in memory: what is found
// for a query, in which order, and what is left out.
#include "find/FindIndex.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

const std::wstring kRoot = L"C:\\Menu";

FolderEntry Entry(const std::wstring& name, DWORD attributes = FILE_ATTRIBUTE_NORMAL)
{
    FolderEntry entry;
    entry.name = name;
    entry.attributes = attributes;
    return entry;
}

// A snapshot of folders given as (path under the root, entries); a name
// ending in a backslash is a subfolder.
SnapshotPointer Snapshot(const std::vector<std::pair<std::wstring, std::vector<std::wstring>>>& folders)
{
    auto snapshot = std::make_shared<FolderSnapshot>(kRoot, 1);
    for (const auto& [path, names] : folders) {
        auto listing = std::make_shared<FolderListing>();
        listing->path = path.empty() ? kRoot : kRoot + L"\\" + path;
        listing->state = ListingState::Listed;
        for (const std::wstring& name : names) {
            if (!name.empty() && name.back() == L'\\')
                listing->entries.push_back(Entry(name.substr(0, name.size() - 1), FILE_ATTRIBUTE_DIRECTORY));
            else if (name[0] == L'~')
                listing->entries.push_back(Entry(name.substr(1), FILE_ATTRIBUTE_HIDDEN));
            else
                listing->entries.push_back(Entry(name));
        }
        snapshot->Add(listing);
    }
    return snapshot;
}

std::vector<std::wstring> Names(const FindResults& results)
{
    std::vector<std::wstring> names;
    for (const FoundEntry& found : results.shown) names.push_back(found.name);
    return names;
}

TEST(FindRanking, WholeWordsThenWordStartsThenSubstringsThenLettersInOrder)
{
    FindIndex index;
    index.Build(Snapshot({ { L"", { L"Keynote.lnk", L"Notepad.lnk", L"Pad.lnk", L"Padlock.exe", L"Notepad++ Config.lnk",
                                    L"Other.txt" } } }));
    struct Case {
        const wchar_t* query;
        std::vector<std::wstring> expected;
    };
    const Case cases[] = {
        { L"pad", { L"Pad", L"Padlock", L"Notepad", L"Notepad++ Config" } },  // whole word, start, substrings
        { L"note", { L"Notepad", L"Notepad++ Config", L"Keynote" } },          // word starts, then a substring
        { L"npc", { L"Notepad++ Config" } },                                   // letters in order
        { L"NOTEPAD config", { L"Notepad++ Config" } },                        // every word must meet the name
        { L"lnk", {} },                                                        // extensions are not names
        { L"zz", {} },
    };
    for (const Case& c : cases) EXPECT_EQ(Names(index.Search(c.query)), c.expected) << c.query;
}

TEST(FindRanking, CaseAndAccentsAreIgnored)
{
    FindIndex index;
    index.Build(Snapshot({ { L"", { L"\x00DC" L"ber Tool.lnk", L"\x00E9" L"cran.txt", L"Stra\x00DF" L"e.txt" } } }));
    EXPECT_EQ(Names(index.Search(L"uber")), std::vector<std::wstring>{ L"\x00DC" L"ber Tool" });
    EXPECT_EQ(Names(index.Search(L"\x00C9" L"CRAN")), std::vector<std::wstring>{ L"\x00E9" L"cran" });
    EXPECT_EQ(Names(index.Search(L"ECRAN")), std::vector<std::wstring>{ L"\x00E9" L"cran" });
    EXPECT_EQ(FoldForSearch(L"\x00C5" L"ngstr\x00F6" L"m"), L"angstrom");
}

// Equal matches: the shorter path first, then the name; folders are found
// too, with their folder from the menu folder down; hidden files are not.
TEST(FindRanking, TiesGoToTheShorterPathThenTheNameAndFoldersCount)
{
    FindIndex index;
    index.Build(Snapshot({ { L"", { L"Tools\\", L"tool b.lnk", L"tool a.lnk", L"~tool hidden.lnk" } },
                           { L"Tools", { L"Deep\\", L"tool.lnk" } },
                           { L"Tools\\Deep", { L"tool.lnk" } } }));
    // Whole words first ("tool a" holds the word too), by path length and
    // name; the folder "Tools" only starts with the word.
    FindResults results = index.Search(L"tool");
    EXPECT_EQ(Names(results), (std::vector<std::wstring>{ L"tool a", L"tool b", L"tool", L"tool", L"Tools" }));
    ASSERT_EQ(results.shown.size(), 5u);
    EXPECT_EQ(results.shown[0].folder, L"");
    EXPECT_EQ(results.shown[0].path, L"C:\\Menu\\tool a.lnk");
    EXPECT_EQ(results.shown[2].folder, L"Tools");
    EXPECT_EQ(results.shown[2].path, L"C:\\Menu\\Tools\\tool.lnk");
    EXPECT_EQ(results.shown[3].folder, L"Tools\\Deep");
    EXPECT_TRUE(results.shown[4].isFolder);
    EXPECT_EQ(results.shown[4].match, MatchKind::WordStart);
    EXPECT_EQ(index.Size(), 6u);
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
