// Find's ranking over random trees: no entry of a worse tier comes before
// one of a better tier, with use scores or without, none is lost, and use
// orders entries within their tier only.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

#include "find/FindIndex.h"
#include "find/FindTestSupport.h"

namespace {

using namespace findtest;

class RandomTree {
public:
    explicit RandomTree(unsigned seed) : m_random(seed) {}

    // Names made of a few syllables, in three folders deep, some shortcuts
    // with a program, some folders; paths from the menu folder down.
    Folders Make(std::vector<std::wstring>& paths)
    {
        const std::wstring places[] = { L"", L"Apps", L"Apps\\Tools", L"Work" };
        Folders folders = { { L"", { L"Apps\\", L"Work\\" } }, { L"Apps", { L"Tools\\" } }, { L"Apps\\Tools", {} }, { L"Work", {} } };
        paths = { L"Apps", L"Work", L"Apps\\Tools" };
        for (int i = 0; i < 240; ++i) {
            const size_t place = Pick(4);
            std::wstring name = Name() + L" " + std::to_wstring(i);
            static const wchar_t* const kExtensions[] = { L".lnk", L".exe", L".txt", L".docx", L"" };
            const std::wstring extension = kExtensions[Pick(5)];
            std::wstring written = name + (extension.empty() ? L"\\" : extension);
            if (extension == L".lnk" && Pick(2)) written += L">" + Name() + L".exe";
            folders[place].second.push_back(written);
            paths.push_back((places[place].empty() ? L"" : places[place] + L"\\") + name + extension);
        }
        return folders;
    }
    std::wstring Query()
    {
        switch (Pick(4)) {
        case 0: return Name().substr(0, 1 + Pick(4));
        case 1: return std::wstring(1, L"aeinostcpdw"[Pick(11)]) + L"aeinostcpdw"[Pick(11)] + L"aeinostcpdw"[Pick(11)];
        case 2: return Name().substr(1, 3) + L" " + Name().substr(0, 2);
        default: return Name();
        }
    }
    size_t Pick(size_t count) { return std::uniform_int_distribution<size_t>(0, count - 1)(m_random); }

private:
    std::wstring Name()
    {
        static const wchar_t* const kSyllables[] = { L"no", L"te", L"Pad", L"calc", L"Word", L"vis", L"stu", L"co",
                                                     L"de", L"an", L"ot", L"ta", L"win", L"11", L"++", L"\x00E9" L"t" };
        std::wstring name;
        const size_t count = 1 + Pick(4);
        for (size_t i = 0; i < count; ++i) {
            if (i > 0 && Pick(3) == 0) name += L' ';
            name += kSyllables[Pick(16)];
        }
        return name;
    }

    std::mt19937 m_random;
};

std::vector<MatchTier> Tiers(const FindResults& results)
{
    std::vector<MatchTier> tiers;
    for (const FoundEntry& found : results.shown) tiers.push_back(found.match);
    return tiers;
}

TEST(FindRankProperty, NoWorseTierAboveABetterOneWithOrWithoutUse)
{
    constexpr size_t kAll = 100000;
    for (unsigned seed = 1; seed <= 20; ++seed) {
        RandomTree tree(seed);
        std::vector<std::wstring> paths;
        const Folders folders = tree.Make(paths);
        FindIndex index;
        index.Build(Snapshot(folders));
        // Every entry by itself, as the index should have matched it.
        std::vector<FolderEntry> alone;
        for (const auto& folder : folders)
            for (const std::wstring& written : folder.second) alone.push_back(Entry(written));
        FixedUse use;
        std::map<std::wstring, double> scores;  // by full path
        for (int i = 0; i < 40; ++i) {
            const std::wstring& path = paths[tree.Pick(paths.size())];
            const double score = 0.1 * static_cast<double>(1 + tree.Pick(100));
            use.Set(path, score);
            scores[kRoot + L"\\" + path] = score;
        }
        for (int q = 0; q < 30; ++q) {
            const std::wstring query = tree.Query();
            SCOPED_TRACE(testing::Message() << "seed " << seed << ", query \"" << std::string(query.begin(), query.end()) << "\"");
            index.SetUse(nullptr);
            const FindResults plain = index.Search(query, kAll);
            index.SetUse(&use);
            const FindResults used = index.Search(query, kAll);

            // None lost: as many as match each name by itself.
            const NameQuery parsed(query);
            const bool typo = !plain.shown.empty() && plain.shown[0].match == MatchTier::Typo;
            size_t matching = 0;
            for (const FolderEntry& entry : alone) {
                const size_t dot = entry.IsFolder() ? std::wstring::npos : entry.name.rfind(L'.');
                const FoldedName name = FoldName(entry.name.substr(0, dot));
                const std::wstring target = FoldForSearch(entry.target);
                matching += parsed.Match({ name.text, name.wordStarts, target }, typo) != MatchTier::None;
            }
            EXPECT_EQ(plain.total, matching);
            EXPECT_EQ(used.total, plain.total);

            // Tiers never fall back down the list, and use moves no entry
            // out of its tier's places.
            const std::vector<MatchTier> tiers = Tiers(plain);
            EXPECT_TRUE(std::is_sorted(tiers.begin(), tiers.end()));
            EXPECT_EQ(Tiers(used), tiers);
            // Within a tier, more use first.
            for (size_t i = 1; i < used.shown.size(); ++i) {
                if (used.shown[i].match != used.shown[i - 1].match) continue;
                const auto before = scores.find(used.shown[i - 1].path), after = scores.find(used.shown[i].path);
                const double first = before == scores.end() ? 0 : before->second;
                const double second = after == scores.end() ? 0 : after->second;
                EXPECT_GE(first * 1.07, second) << std::string(used.shown[i].name.begin(), used.shown[i].name.end());
            }
        }
    }
}

}  // namespace
