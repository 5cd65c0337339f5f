// How Find matches a typed text against a name, in plain C++ (no system
// calls), so that the rules can be read and tested on their own.
//
// Names and queries are folded first: lower case, accents off, ß as "ss",
// æ as "ae", œ as "oe", ø as "o", ı as "i", ł as "l", full-width Latin letters
// and digits as ASCII. A name's words start after spaces and punctuation,
// where letters turn to digits or back, and where a lower-case letter is
// followed by an upper-case one ("VisualStudio", "Win11"): found on the name
// as written, since folding loses the case.
//
// A query's words (parted by spaces) are matched in tiers, the first that
// holds deciding (see MatchTier); a text before a backslash matches the names
// of the entry's folders instead ("work\note").
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The text folded for comparing.
std::wstring FoldForSearch(std::wstring_view text);

// A name folded, with where its words start.
struct FoldedName {
    std::wstring text;
    // Bit i: a word starts at text[i]. Past 64 characters words start where
    // the folded text changes between letters, digits, punctuation and spaces.
    uint64_t wordStarts = 0;
    // For each character of text, the index of the name's character it came
    // from (only when asked for).
    std::vector<uint16_t> origins;
};
FoldedName FoldName(std::wstring_view name, bool withOrigins = false);

// How well a query met a name; lower is better. A query of several words
// takes its weakest word's tier.
enum class MatchTier : uint8_t {
    Exact,      // the name is the query
    Prefix,     // the name starts with the query
    WordStart,  // a word starts with it, or it is made of the starts of words in order ("vsc")
    Target,     // the file name of a shortcut's program starts with it ("winword")
    Inside,     // it is inside a word
    InOrder,    // its letters in order (3 or more), on two word starts or close together
    Typo,       // one letter added, missing, changed or two swapped, in a word of 5 or more
    None,
};

// What one entry offers a query: its folded name and words, and the folded
// file name of its program when it is a shortcut.
struct NameView {
    std::wstring_view name;
    uint64_t wordStarts = 0;
    std::wstring_view target;
};

// Which letters and digits a folded text holds, as bits: a query's bits
// that a name lacks rule the name out at once (but for a typo).
uint32_t LetterBits(std::wstring_view folded);

class NameQuery {
public:
    explicit NameQuery(std::wstring_view typed);

    // Nothing to match: no words and no folders.
    bool Empty() const { return m_words.empty() && m_folders.empty(); }
    const std::vector<std::wstring>& Words() const { return m_words; }
    // The texts before backslashes, each to be met by a folder on the way
    // down to the entry, in order.
    const std::vector<NameQuery>& Folders() const { return m_folders; }
    uint32_t Letters() const { return m_letters; }
    // Whether a typo may be forgiven: some word has 5 letters or more.
    bool AllowsTypo() const;

    MatchTier Match(const NameView& name, bool allowTypo) const;
    // The positions in the folded name of the letters that made the match,
    // in ascending order: drawn bold.
    std::vector<uint16_t> MatchedLetters(const NameView& name, bool allowTypo) const;

private:
    std::vector<std::wstring> m_words;
    std::wstring m_whole;  // the words joined by single spaces
    std::vector<NameQuery> m_folders;
    uint32_t m_letters = 0;
    // The steps the slow matches (starts of words, several words) may take
    // over all names beyond the few each name takes for free: names built to
    // make a query slow end up unmatched rather than hold up the keystroke.
    // Ordinary names never take more than the free steps.
    mutable int64_t m_budget = 200000;
};
