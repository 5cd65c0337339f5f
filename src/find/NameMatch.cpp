#include "find/NameMatch.h"

#include <algorithm>
#include <iterator>

namespace {

enum class CharClass : uint8_t { Letter, Space, Punctuation, Digit };
struct FoldRow {
    uint16_t code, first, second;
    uint8_t upper;
};
struct ClassRange {
    uint16_t first, last;
    CharClass kind;
};
#include "find/FoldTable.inc"

const FoldRow* FoldRowOf(wchar_t c)
{
    const auto row = std::lower_bound(std::begin(kFoldRows), std::end(kFoldRows), c,
                                      [](const FoldRow& r, wchar_t value) { return r.code < value; });
    return row != std::end(kFoldRows) && row->code == c ? row : nullptr;
}

CharClass ClassOf(wchar_t c)
{
    if (c < 0x80) {
        if (c <= L' ' || c == 0x7F) return CharClass::Space;
        if (c >= L'0' && c <= L'9') return CharClass::Digit;
        if ((c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z')) return CharClass::Letter;
        return CharClass::Punctuation;
    }
    const auto range = std::lower_bound(std::begin(kClassRanges), std::end(kClassRanges), c,
                                        [](const ClassRange& r, wchar_t value) { return r.last < value; });
    return range != std::end(kClassRanges) && range->first <= c ? range->kind : CharClass::Letter;
}

bool IsUpper(wchar_t c)
{
    if (c < 0x80) return c >= L'A' && c <= L'Z';
    const FoldRow* row = FoldRowOf(c);
    return row && row->upper;
}

bool IsCombiningAccent(wchar_t c) { return c >= 0x0300 && c <= 0x036F; }

// Calls emit with each folded character of c (none, one or two).
template <typename Emit>
void FoldCharacter(wchar_t c, Emit emit)
{
    if (c < 0x80) {
        emit(static_cast<wchar_t>(c >= L'A' && c <= L'Z' ? c + 32 : c));
        return;
    }
    if (IsCombiningAccent(c)) return;
    const FoldRow* row = FoldRowOf(c);
    if (!row) {
        emit(c);
        return;
    }
    emit(static_cast<wchar_t>(row->first));
    if (row->second) emit(static_cast<wchar_t>(row->second));
}

// Whether a word of the name starts at the position of the original name.
bool StartsWord(std::wstring_view name, size_t i)
{
    const CharClass kind = ClassOf(name[i]);
    if (kind == CharClass::Space) return false;
    if (i == 0) return true;
    const CharClass before = ClassOf(name[i - 1]);
    if (before != kind) return true;
    return kind == CharClass::Letter && !IsUpper(name[i - 1]) && IsUpper(name[i]);
}

// The words of a folded name: where each starts. At most 63: more are
// taken as part of the 63rd.
constexpr int kMostWords = 63;
constexpr uint64_t kTargetWord = uint64_t(1) << 63;  // the shortcut's program, as a word of its own

struct WordList {
    uint16_t at[kMostWords];
    int count = 0;

    explicit WordList(const NameView& view) : m_bits(view.wordStarts)
    {
        for (uint64_t bits = view.wordStarts; bits && count < kMostWords; bits &= bits - 1)
            at[count++] = static_cast<uint16_t>(__builtin_ctzll(bits));
        for (size_t i = 64; i < view.name.size() && count < kMostWords; ++i)
            if (ClassOf(view.name[i]) != CharClass::Space && ClassOf(view.name[i]) != ClassOf(view.name[i - 1]))
                at[count++] = static_cast<uint16_t>(i);
    }
    bool IsStart(size_t position) const
    {
        return position < 64 ? ((m_bits >> position) & 1) != 0 : std::binary_search(at, at + count, position);
    }
    int WordOf(size_t position) const
    {
        return std::max(0, static_cast<int>(std::upper_bound(at, at + count, position) - at) - 1);
    }
    // The words that the characters from..to (not included) touch.
    uint64_t Covered(size_t from, size_t to) const
    {
        uint64_t bits = 0;
        for (int word = WordOf(from); word <= WordOf(to > from ? to - 1 : from); ++word) bits |= uint64_t(1) << word;
        return bits;
    }
    size_t End(int word, size_t nameLength) const { return word + 1 < count ? at[word + 1] : nameLength; }

private:
    uint64_t m_bits;
};

constexpr size_t kMostQueryWords = 8;
// The steps a name's slow matches take for free; more are taken from the
// query's budget.
constexpr int kFreeSteps = 128;

// One way a query word meets a name.
enum class How : uint8_t { Run, Starts, Span, WordStarts, Target, Typo };
struct Option {
    MatchTier tier;
    How how;
    uint16_t from;    // where it begins: a position, or a word for Starts
    uint16_t length;  // of a run or a typo's piece
    uint64_t words;   // the name's words it uses
};

// A query word's options, without a heap allocation per name.
constexpr size_t kMostOptions = 24;
struct Options {
    Option items[kMostOptions];
    size_t count = 0;
    const Option* begin() const { return items; }
    const Option* end() const { return items + count; }
    bool empty() const { return count == 0; }
};

// The query word as starts of words in order ("vsc", "visstu"): true when it is, with the words and positions used when asked.
// Each (letters done, word) is tried once: names built to make this slow
// cost letters times words.
class WordStartChunks {
public:
    WordStartChunks(std::wstring_view word, std::wstring_view name, const WordList& words, int64_t& budget)
        : m_word(word), m_name(name), m_words(words), m_budget(budget)
    {
    }
    bool Find(uint64_t* used, std::vector<uint16_t>* positions)
    {
        if (m_word.size() >= 64 || m_words.count == 0) return false;
        // Too few of the query's letters in the name.
        if (m_word.size() > m_name.size() - m_words.at[0]) return false;
        const uint32_t wanted = LetterBits(m_word);
        size_t letters = 0;
        for (size_t i = m_words.at[0]; i < m_name.size(); ++i)
            letters += (LetterBits(m_name.substr(i, 1)) & wanted) != 0;
        if (letters < m_word.size()) return false;
        std::fill(m_failed, m_failed + m_word.size(), 0);
        return Match(0, 0, used, positions);
    }

private:
    // The letters from done on, as chunks starting words from word on.
    bool Match(size_t done, int word, uint64_t* used, std::vector<uint16_t>* positions)
    {
        if (done == m_word.size()) return true;
        if (word >= m_words.count || ((m_failed[done] >> word) & 1) || !Step()) return false;
        const size_t start = m_words.at[word], end = m_words.End(word, m_name.size());
        size_t longest = 0;
        while (done + longest < m_word.size() && start + longest < end && m_name[start + longest] == m_word[done + longest])
            ++longest;
        for (size_t length = longest; length > 0; --length) {
            if (!Match(done + length, word + 1, used, positions)) continue;
            // Only the way that succeeds gets here: the first success ends the search.
            if (used) *used |= uint64_t(1) << word;
            if (positions)
                for (size_t i = 0; i < length; ++i) positions->push_back(static_cast<uint16_t>(start + i));
            return true;
        }
        if (Match(done, word + 1, used, positions)) return true;  // this word skipped
        m_failed[done] |= uint64_t(1) << word;
        return false;
    }

    // Steps past the first few of a name are taken from the query's budget.
    bool Step() { return ++m_steps <= kFreeSteps || --m_budget >= 0; }

    std::wstring_view m_word, m_name;
    const WordList& m_words;
    int64_t& m_budget;
    int m_steps = 0;
    uint64_t m_failed[64];  // [letters done]: bit word, no match from there
};

bool StartsWith(std::wstring_view text, std::wstring_view start)
{
    return text.size() >= start.size() && text.compare(0, start.size(), start) == 0;
}

// The shortest stretch of the name holding the word's letters in order,
// found from each place the first letter stands: its start, or npos.
size_t TightestInOrderStart(std::wstring_view word, std::wstring_view name, size_t& span)
{
    size_t best = std::wstring_view::npos;
    span = std::wstring_view::npos;
    for (size_t start = name.find(word[0]); start != std::wstring_view::npos; start = name.find(word[0], start + 1)) {
        size_t at = start;
        for (size_t i = 1; i < word.size() && at != std::wstring_view::npos; ++i) at = name.find(word[i], at + 1);
        if (at == std::wstring_view::npos) break;  // none later will do either
        if (at - start + 1 < span) {
            span = at - start + 1;
            best = start;
        }
    }
    return best;
}

// The most word starts the word's letters in order can fall on (-1: not in order).
int MostWordStartsInOrder(std::wstring_view word, std::wstring_view name, const WordList& words)
{
    int best[65];
    const size_t length = word.size();
    if (length > 64) return -1;
    std::fill(best, best + length + 1, -1);
    best[0] = 0;
    for (size_t i = 0; i < name.size(); ++i) {
        const int start = words.IsStart(i) ? 1 : 0;
        for (size_t j = std::min(i + 1, length); j-- > 0;)
            if (best[j] >= 0 && name[i] == word[j]) best[j + 1] = std::max(best[j + 1], best[j] + start);
    }
    return best[length];
}

bool WithinOneEdit(std::wstring_view a, std::wstring_view b)
{
    if (a.size() < b.size()) std::swap(a, b);
    if (a.size() - b.size() > 1) return false;
    size_t same = 0;
    while (same < b.size() && a[same] == b[same]) ++same;
    if (same == a.size()) return true;
    if (a.size() > b.size()) return a.substr(same + 1) == b.substr(same);
    if (a.substr(same + 1) == b.substr(same + 1)) return true;
    return same + 1 < a.size() && a[same] == b[same + 1] && a[same + 1] == b[same] &&
           a.substr(same + 2) == b.substr(same + 2);
}

// The ways the query word meets the name at tier WordStart or worse,
// best tier first. With firstOnly, the first (so the best) alone.
void WordOptions(std::wstring_view word, const NameView& view, const WordList& words, bool allowTypo, bool firstOnly,
                 int64_t& budget, Options& options)
{
    const std::wstring_view name = view.name;
    // An option on the same words as an earlier one adds nothing: the
    // earlier is as good.
    auto add = [&](const Option& option) {
        for (const Option& earlier : options)
            if (earlier.words == option.words) return false;
        options.items[options.count++] = option;
        return firstOnly || options.count >= kMostOptions;
    };
    const uint16_t length = static_cast<uint16_t>(word.size());
    bool inside = false;
    for (size_t at = name.find(word); at != std::wstring_view::npos; at = name.find(word, at + 1)) {
        if (!words.IsStart(at)) {
            inside = true;
            continue;
        }
        if (add({ MatchTier::WordStart, How::Run, static_cast<uint16_t>(at), length, words.Covered(at, at + length) }))
            return;
    }
    uint64_t used = 0;
    if (WordStartChunks(word, name, words, budget).Find(&used, nullptr) &&
        add({ MatchTier::WordStart, How::Starts, 0, 0, used }))
        return;
    if (!view.target.empty() && StartsWith(view.target, word) && add({ MatchTier::Target, How::Target, 0, 0, kTargetWord }))
        return;
    if (inside)
        for (size_t at = name.find(word); at != std::wstring_view::npos; at = name.find(word, at + 1))
            if (!words.IsStart(at) &&
                add({ MatchTier::Inside, How::Run, static_cast<uint16_t>(at), length, words.Covered(at, at + length) }))
                return;
    if (word.size() >= 3) {
        size_t span = 0;
        const size_t start = TightestInOrderStart(word, name, span);
        if (start != std::wstring_view::npos) {
            if (span <= 2 * word.size()) {
                if (add({ MatchTier::InOrder, How::Span, static_cast<uint16_t>(start), 0, words.Covered(start, start + span) }))
                    return;
            } else if (MostWordStartsInOrder(word, name, words) >= 2) {
                if (add({ MatchTier::InOrder, How::WordStarts, 0, 0, words.Covered(start, name.size()) })) return;
            }
        }
    }
    if (!allowTypo || word.size() < 5) return;
    for (int w = 0; w < words.count; ++w) {
        const size_t start = words.at[w], end = words.End(w, name.size());
        for (size_t pieceLength = word.size() - 1; pieceLength <= word.size() + 1; ++pieceLength) {
            if (start + pieceLength > end) break;
            const std::wstring_view piece = name.substr(start, pieceLength);
            if (std::any_of(piece.begin(), piece.end(), [](wchar_t c) { return ClassOf(c) == CharClass::Space; }))
                break;
            if (WithinOneEdit(word, piece) &&
                add({ MatchTier::Typo, How::Typo, static_cast<uint16_t>(start), static_cast<uint16_t>(pieceLength),
                      uint64_t(1) << w }))
                return;
        }
    }
}

// The letters in order for drawing: on word starts where they can be.
void InOrderLetters(std::wstring_view word, std::wstring_view name, const WordList& words, size_t from,
                    bool preferWordStarts, std::vector<uint16_t>& positions)
{
    auto restFits = [&](size_t after, size_t next) {
        size_t at = after;
        for (size_t i = next; i < word.size(); ++i) {
            at = name.find(word[i], at + 1);
            if (at == std::wstring_view::npos) return false;
        }
        return true;
    };
    size_t at = from;
    for (size_t i = 0; i < word.size(); ++i) {
        size_t found = name.find(word[i], at);
        if (found == std::wstring_view::npos) return;
        if (preferWordStarts)
            for (size_t start = found; start != std::wstring_view::npos; start = name.find(word[i], start + 1))
                if (words.IsStart(start) && restFits(start, i + 1)) {
                    found = start;
                    break;
                }
        positions.push_back(static_cast<uint16_t>(found));
        at = found + 1;
    }
}

void OptionLetters(std::wstring_view word, const NameView& view, const WordList& words, const Option& option,
                   int64_t& budget, std::vector<uint16_t>& positions)
{
    switch (option.how) {
    case How::Run:
    case How::Typo:
        for (uint16_t i = 0; i < option.length; ++i) positions.push_back(static_cast<uint16_t>(option.from + i));
        break;
    case How::Starts: WordStartChunks(word, view.name, words, budget).Find(nullptr, &positions); break;
    case How::Span: InOrderLetters(word, view.name, words, option.from, false, positions); break;
    case How::WordStarts: InOrderLetters(word, view.name, words, 0, true, positions); break;
    case How::Target: break;
    }
}

// Each query word on a different word of the name: the best tier for which
// that can be done, and the options chosen.
class Assignment {
public:
    Assignment(const Options* options, size_t words, int64_t& budget) : m_options(options), m_words(words), m_budget(budget) {}
    MatchTier Best()
    {
        for (MatchTier tier : { MatchTier::WordStart, MatchTier::Target, MatchTier::Inside, MatchTier::InOrder, MatchTier::Typo })
            if (Assign(0, 0, tier)) return tier;
        return MatchTier::None;
    }
    const Option& Chosen(size_t word) const { return *m_chosen[word]; }

private:
    bool Assign(size_t word, uint64_t used, MatchTier worst)
    {
        if (word == m_words) return true;
        if (++m_steps > kFreeSteps && --m_budget < 0) return false;
        for (const Option& option : m_options[word]) {
            if (option.tier > worst || (option.words & used)) continue;
            if (Assign(word + 1, used | option.words, worst)) {
                m_chosen[word] = &option;
                return true;
            }
        }
        return false;
    }

    const Options* m_options;
    size_t m_words;
    const Option* m_chosen[kMostQueryWords] = {};
    int64_t& m_budget;
    int m_steps = 0;
};

}  // namespace

std::wstring FoldForSearch(std::wstring_view text)
{
    std::wstring folded;
    folded.reserve(text.size());
    for (wchar_t c : text) FoldCharacter(c, [&folded](wchar_t f) { folded += f; });
    return folded;
}

FoldedName FoldName(std::wstring_view name, bool withOrigins)
{
    FoldedName folded;
    folded.text.reserve(name.size());
    bool startPending = false;
    for (size_t i = 0; i < name.size(); ++i) {
        startPending = startPending || StartsWord(name, i);
        FoldCharacter(name[i], [&](wchar_t f) {
            const size_t at = folded.text.size();
            if (startPending && at < 64) folded.wordStarts |= uint64_t(1) << at;
            startPending = false;
            folded.text += f;
            if (withOrigins) folded.origins.push_back(static_cast<uint16_t>(i));
        });
    }
    return folded;
}

uint32_t LetterBits(std::wstring_view folded)
{
    uint32_t bits = 0;
    for (wchar_t c : folded) {
        if (c >= L'a' && c <= L'z')
            bits |= 1u << (c - L'a');
        else if (c >= L'0' && c <= L'9')
            bits |= 1u << (26 + (c - L'0') / 2);
        else if (ClassOf(c) != CharClass::Space)
            bits |= 1u << 31;
    }
    return bits;
}

NameQuery::NameQuery(std::wstring_view typed)
{
    const std::wstring folded = FoldForSearch(typed);
    std::wstring_view rest = folded;
    const size_t lastBackslash = rest.rfind(L'\\');
    if (lastBackslash != std::wstring_view::npos) {
        std::wstring_view folders = rest.substr(0, lastBackslash);
        rest = rest.substr(lastBackslash + 1);
        while (!folders.empty()) {
            const size_t end = std::min(folders.find(L'\\'), folders.size());
            NameQuery folder(folders.substr(0, end));
            if (!folder.Empty()) m_folders.push_back(std::move(folder));
            folders = folders.substr(std::min(end + 1, folders.size()));
        }
    }
    for (size_t at = 0; at < rest.size();) {
        while (at < rest.size() && ClassOf(rest[at]) == CharClass::Space) ++at;
        size_t end = at;
        while (end < rest.size() && ClassOf(rest[end]) != CharClass::Space) ++end;
        if (end > at) m_words.emplace_back(rest.substr(at, end - at));
        at = end;
    }
    // Words past the most matched one by one stay together, as one text.
    while (m_words.size() > kMostQueryWords) {
        std::wstring last = std::move(m_words.back());
        m_words.pop_back();
        m_words.back() += L" " + last;
    }
    for (const std::wstring& word : m_words) m_whole += (m_whole.empty() ? L"" : L" ") + word;
    m_letters = LetterBits(m_whole);
}

bool NameQuery::AllowsTypo() const
{
    return std::any_of(m_words.begin(), m_words.end(), [](const std::wstring& word) { return word.size() >= 5; });
}

MatchTier NameQuery::Match(const NameView& view, bool allowTypo) const
{
    if (m_words.empty()) return m_folders.empty() ? MatchTier::None : MatchTier::Prefix;
    if (view.name == m_whole) return MatchTier::Exact;
    if (StartsWith(view.name, m_whole)) return MatchTier::Prefix;
    const WordList words(view);
    Options each[kMostQueryWords];
    if (m_words.size() == 1) {
        WordOptions(m_words[0], view, words, allowTypo, true, m_budget, each[0]);
        return each[0].empty() ? MatchTier::None : each[0].items[0].tier;
    }
    // Each query word needs a word of its own (the program's name counts as one).
    if (m_words.size() > static_cast<size_t>(words.count) + (view.target.empty() ? 0 : 1)) return MatchTier::None;
    // Each word's best by itself first: most names fail one, and cheaply;
    // when the bests use different words of the name, they are the answer.
    uint64_t used = 0;
    bool apart = true;
    MatchTier worst = MatchTier::Exact;
    for (size_t i = 0; i < m_words.size(); ++i) {
        WordOptions(m_words[i], view, words, allowTypo, true, m_budget, each[i]);
        if (each[i].empty()) return MatchTier::None;
        const Option& best = each[i].items[0];
        apart = apart && !(used & best.words);
        used |= best.words;
        worst = std::max(worst, best.tier);
    }
    if (apart) return worst;
    for (size_t i = 0; i < m_words.size(); ++i) {
        each[i].count = 0;
        WordOptions(m_words[i], view, words, allowTypo, false, m_budget, each[i]);
    }
    return Assignment(each, m_words.size(), m_budget).Best();
}

std::vector<uint16_t> NameQuery::MatchedLetters(const NameView& view, bool allowTypo) const
{
    std::vector<uint16_t> positions;
    const MatchTier tier = Match(view, allowTypo);
    if (tier == MatchTier::None || m_words.empty()) return positions;
    if (tier == MatchTier::Exact || tier == MatchTier::Prefix) {
        for (size_t i = 0; i < m_whole.size(); ++i)
            if (m_whole[i] != L' ') positions.push_back(static_cast<uint16_t>(i));
        return positions;
    }
    const WordList words(view);
    Options each[kMostQueryWords];
    for (size_t i = 0; i < m_words.size(); ++i) WordOptions(m_words[i], view, words, allowTypo, m_words.size() == 1, m_budget, each[i]);
    Assignment assignment(each, m_words.size(), m_budget);
    if (assignment.Best() == MatchTier::None) return positions;
    for (size_t i = 0; i < m_words.size(); ++i) OptionLetters(m_words[i], view, words, assignment.Chosen(i), m_budget, positions);
    std::sort(positions.begin(), positions.end());
    positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
    return positions;
}
