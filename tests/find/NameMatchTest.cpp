// The name matching's rules on their own: folding, where words start, the
// tiers and the letters drawn bold. Plain C++: it also builds natively.
#include "find/NameMatch.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A name and its program's file name as the index holds them.
struct IndexedName {
    explicit IndexedName(const std::wstring& name, const std::wstring& program = L"")
        : folded(FoldName(name)), target(FoldForSearch(program))
    {
    }
    NameView View() const { return { folded.text, folded.wordStarts, target }; }
    FoldedName folded;
    std::wstring target;
};

MatchTier TierOf(const std::wstring& query, const std::wstring& name, const std::wstring& target = L"",
                 bool allowTypo = false)
{
    return NameQuery(query).Match(IndexedName(name, target).View(), allowTypo);
}

std::vector<uint16_t> Bold(const std::wstring& query, const std::wstring& name)
{
    return NameQuery(query).MatchedLetters(IndexedName(name).View(), false);
}

// The positions where words start, from the bits.
std::vector<int> WordStarts(const std::wstring& name)
{
    std::vector<int> starts;
    const FoldedName folded = FoldName(name);
    for (int i = 0; i < 64; ++i)
        if ((folded.wordStarts >> i) & 1) starts.push_back(i);
    return starts;
}

TEST(NameMatchFolding, LettersBeyondAccentsAreSpelledInAscii)
{
    EXPECT_EQ(FoldForSearch(L"Stra\x00DF" L"e"), L"strasse");
    EXPECT_EQ(FoldForSearch(L"\x00C6" L"sop \x0153" L"uvre \x00D8" L"re"), L"aesop oeuvre ore");
    EXPECT_EQ(FoldForSearch(L"\x0131" L"stanbul \x0141\x00F3" L"d\x017A"), L"istanbul lodz");
    EXPECT_EQ(FoldForSearch(L"\xFF37\xFF4F\xFF52\xFF44\xFF11\xFF10"), L"word10");  // full-width
    EXPECT_EQ(FoldForSearch(L"\x00C5" L"ngstr\x00F6" L"m \x00C9" L"CRAN"), L"angstrom ecran");
    EXPECT_EQ(FoldForSearch(L"e\x0301" L"cole"), L"ecole");  // the accent as a mark of its own
    EXPECT_EQ(FoldForSearch(L"\x0391\x0398\x0397\x039D\x0391 \x041C\x041E\x0421\x041A\x0412\x0410"),
              L"\x03B1\x03B8\x03B7\x03BD\x03B1 \x043C\x043E\x0441\x043A\x0432\x0430");
    EXPECT_EQ(FoldForSearch(L"\x6587\x66F8 C++ (2)"), L"\x6587\x66F8 c++ (2)");  // other scripts as they are
}

TEST(NameMatchFolding, WordsStartAtSpacesPunctuationDigitsAndCaseChanges)
{
    EXPECT_EQ(WordStarts(L"Visual Studio Code"), (std::vector<int>{ 0, 7, 14 }));
    EXPECT_EQ(WordStarts(L"VisualStudioCode"), (std::vector<int>{ 0, 6, 12 }));
    EXPECT_EQ(WordStarts(L"WORD COUNT"), (std::vector<int>{ 0, 5 }));
    EXPECT_EQ(WordStarts(L"Win11x64"), (std::vector<int>{ 0, 3, 5, 6 }));
    EXPECT_EQ(WordStarts(L"Notepad++ (old)"), (std::vector<int>{ 0, 7, 10, 11, 14 }));
    // Found on the name as written, placed in the folded text: "ß" is two.
    EXPECT_EQ(WordStarts(L"Stra\x00DF" L"eNeu"), (std::vector<int>{ 0, 7 }));
    EXPECT_EQ(WordStarts(L"\x00DC" L"berTool"), (std::vector<int>{ 0, 4 }));
    EXPECT_EQ(FoldName(L"Stra\x00DF" L"e", true).origins, (std::vector<uint16_t>{ 0, 1, 2, 3, 4, 4, 5 }));
}

TEST(NameMatchTiers, EachTierAsItsRuleSays)
{
    struct Case {
        const wchar_t* query;
        const wchar_t* name;
        const wchar_t* target;
        MatchTier tier;
    };
    const Case cases[] = {
        { L"notepad", L"Notepad", L"", MatchTier::Exact },
        { L"word count", L"WORD COUNT", L"", MatchTier::Exact },
        { L"note", L"Notepad", L"", MatchTier::Prefix },
        { L"visual stu", L"Visual Studio Code", L"", MatchTier::Prefix },
        { L"code", L"Visual Studio Code", L"", MatchTier::WordStart },
        { L"studio", L"VisualStudioCode", L"", MatchTier::WordStart },  // a case change parts words
        { L"vsc", L"Visual Studio Code", L"", MatchTier::WordStart },   // initials
        { L"vsc", L"Microsoft Visual Studio Code", L"", MatchTier::WordStart },
        { L"visstu", L"Visual Studio Code", L"", MatchTier::WordStart },  // starts of words
        { L"11", L"Win11", L"", MatchTier::WordStart },  // a digit after a letter starts a word
        { L"winword", L"Word", L"WINWORD.EXE", MatchTier::Target },
        { L"word", L"Writer", L"winword.exe", MatchTier::None },  // the program's name must start with it
        { L"pad", L"Notepad", L"", MatchTier::Inside },
        { L"tpd", L"Notepad", L"", MatchTier::InOrder },             // within twice its length
        { L"nsf", L"Note to self", L"", MatchTier::InOrder },        // on two word starts
        { L"ntf", L"Note to self", L"", MatchTier::InOrder },
        { L"nel", L"Notepad Extra Long", L"", MatchTier::WordStart },
        { L"nd", L"Notepad", L"", MatchTier::None },                 // never for two letters
        { L"nxl", L"Notepad Extra Long", L"", MatchTier::InOrder },  // x inside a word, n and l on starts
        { L"ola", L"Notepad extra long name", L"", MatchTier::None },  // far apart, one word start
        { L"calculater", L"Calculator", L"", MatchTier::None },      // a typo only when asked
        { L"zz", L"Notepad", L"", MatchTier::None },
    };
    for (const Case& c : cases) EXPECT_EQ(TierOf(c.query, c.name, c.target), c.tier) << c.query << L" / " << c.name;
}

TEST(NameMatchTiers, OneTypoInALongWordWhenAskedFor)
{
    EXPECT_EQ(TierOf(L"calculater", L"Calculator", L"", true), MatchTier::Typo);  // changed
    EXPECT_EQ(TierOf(L"nitepad", L"Notepad++", L"", true), MatchTier::Typo);      // changed at a word start
    // A letter missing leaves the others in order, close together: better.
    EXPECT_EQ(TierOf(L"notpad", L"Notepad++", L"", true), MatchTier::InOrder);
    EXPECT_EQ(TierOf(L"notepaad", L"My Notepad", L"", true), MatchTier::Typo);    // added
    EXPECT_EQ(TierOf(L"ntoepad", L"Notepad", L"", true), MatchTier::Typo);        // swapped
    EXPECT_EQ(TierOf(L"ntoepda", L"Notepad", L"", true), MatchTier::None);        // two
    EXPECT_EQ(TierOf(L"wrod", L"Word", L"", true), MatchTier::None);              // too short a word
    EXPECT_EQ(TierOf(L"calculater sci", L"Scientific Calculator", L"", true), MatchTier::Typo);
}

TEST(NameMatchTiers, SeveralWordsMeetDifferentWordsAndTakeTheWeakest)
{
    EXPECT_EQ(TierOf(L"code visual", L"Visual Studio Code"), MatchTier::WordStart);  // any order
    EXPECT_EQ(TierOf(L"note self", L"Note to self"), MatchTier::WordStart);
    EXPECT_EQ(TierOf(L"note elf", L"Note to self"), MatchTier::Inside);  // the weakest word's tier
    EXPECT_EQ(TierOf(L"note note", L"Notepad"), MatchTier::None);       // one word cannot serve two
    EXPECT_EQ(TierOf(L"note note", L"Note to Notepad"), MatchTier::WordStart);
    EXPECT_EQ(TierOf(L"word 2016", L"Word", L"winword2016.exe"), MatchTier::None);
    EXPECT_EQ(TierOf(L"winword 2016", L"Word 2016", L"winword.exe"), MatchTier::Target);
    EXPECT_EQ(TierOf(L"vs code", L"Visual Studio Code"), MatchTier::WordStart);
    EXPECT_EQ(TierOf(L"vs studio", L"Visual Studio Code"), MatchTier::None);  // "vs" needs the start of Studio too
}

TEST(NameMatchTiers, TheQueryIsFoldedAndPartedAtBackslashes)
{
    EXPECT_EQ(TierOf(L"STRASSE", L"Stra\x00DF" L"e"), MatchTier::Exact);
    EXPECT_EQ(TierOf(L"\xFF37\xFF2F\xFF32\xFF24", L"Word"), MatchTier::Exact);
    EXPECT_EQ(TierOf(L"\x00E6" L"sop", L"Aesop Fables"), MatchTier::Prefix);
    const NameQuery query(L"Work\\2024 \\  Note  self ");
    ASSERT_EQ(query.Folders().size(), 2u);
    EXPECT_EQ(query.Folders()[0].Words(), std::vector<std::wstring>{ L"work" });
    EXPECT_EQ(query.Folders()[1].Words(), std::vector<std::wstring>{ L"2024" });
    EXPECT_EQ(query.Words(), (std::vector<std::wstring>{ L"note", L"self" }));
    EXPECT_FALSE(NameQuery(L"work\\").Empty());
    EXPECT_TRUE(NameQuery(L" \\ ").Empty());
}

TEST(NameMatchLetters, TheLettersThatMadeTheMatch)
{
    EXPECT_EQ(Bold(L"vsc", L"Visual Studio Code"), (std::vector<uint16_t>{ 0, 7, 14 }));
    EXPECT_EQ(Bold(L"note", L"Notepad"), (std::vector<uint16_t>{ 0, 1, 2, 3 }));
    EXPECT_EQ(Bold(L"pad", L"Notepad"), (std::vector<uint16_t>{ 4, 5, 6 }));
    EXPECT_EQ(Bold(L"self note", L"Note to self"), (std::vector<uint16_t>{ 0, 1, 2, 3, 8, 9, 10, 11 }));
    EXPECT_EQ(Bold(L"nsf", L"Note to self"), (std::vector<uint16_t>{ 0, 8, 11 }));
    EXPECT_EQ(Bold(L"zz", L"Notepad"), std::vector<uint16_t>{});
}

}  // namespace
