// Find's golden set: a menu folder modelled on a real one (golden/tree.txt)
// and queries a user types with the entry they mean (golden/queries.txt).
// A new case is one line of the queries.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "find/FindIndex.h"
#include "find/FindTestSupport.h"
#include "support/TestSupport.h"

namespace {

using namespace findtest;

std::wstring FromUtf8(const std::string& bytes)
{
    const int length = ::MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring text(static_cast<size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), &text[0], length);
    return text;
}

std::string ToUtf8(const std::wstring& text)
{
    const int length = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(length), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &bytes[0], length, nullptr, nullptr);
    return bytes;
}

std::wstring Trim(const std::wstring& text)
{
    const size_t first = text.find_first_not_of(L" \t\r");
    if (first == std::wstring::npos) return L"";
    return text.substr(first, text.find_last_not_of(L" \t\r") - first + 1);
}

// The file's lines but blank ones and comments.
std::vector<std::wstring> GoldenLines(const wchar_t* name)
{
    const std::string bytes = test::ReadFile(test::ExecutableFolder() + L"\\golden\\" + name);
    std::vector<std::wstring> lines;
    const std::wstring text = FromUtf8(bytes);
    for (size_t at = 0; at < text.size();) {
        const size_t end = std::min(text.find(L'\n', at), text.size());
        const std::wstring line = Trim(text.substr(at, end - at));
        if (!line.empty() && line[0] != L'#') lines.push_back(line);
        at = end + 1;
    }
    return lines;
}

std::vector<std::wstring> Split(const std::wstring& text, wchar_t separator)
{
    std::vector<std::wstring> parts;
    for (size_t at = 0;;) {
        const size_t end = std::min(text.find(separator, at), text.size());
        parts.push_back(Trim(text.substr(at, end - at)));
        if (end == text.size()) return parts;
        at = end + 1;
    }
}

// "a{x,y}b" as "axb", "ayb"; "{1..3}" as 1, 2, 3; the innermost group first.
void Expand(const std::wstring& pattern, std::vector<std::wstring>& out)
{
    const size_t close = pattern.find(L'}');
    if (close == std::wstring::npos) {
        out.push_back(pattern);
        return;
    }
    const size_t open = pattern.rfind(L'{', close);
    const std::wstring inside = pattern.substr(open + 1, close - open - 1);
    const std::wstring before = pattern.substr(0, open), after = pattern.substr(close + 1);
    const size_t dots = inside.find(L"..");
    if (dots != std::wstring::npos) {
        for (int n = std::stoi(inside.substr(0, dots)); n <= std::stoi(inside.substr(dots + 2)); ++n)
            Expand(before + std::to_wstring(n) + after, out);
        return;
    }
    // The innermost group has no braces inside: commas part its texts.
    for (const std::wstring& choice : Split(inside, L',')) Expand(before + choice + after, out);
}

// The tree's folders and their entries, from the expanded paths.
Folders GoldenTree(size_t& entries)
{
    std::vector<std::wstring> expanded, paths;
    for (const std::wstring& line : GoldenLines(L"tree.txt")) Expand(line, expanded);
    // A group inside a group repeats the outer group's other texts.
    std::set<std::wstring> seen;
    for (const std::wstring& path : expanded)
        if (seen.insert(path).second) paths.push_back(path);
    Folders folders = { { L"", {} } };
    std::set<std::wstring> known = { L"" };
    auto folderAt = [&folders](const std::wstring& path) -> std::vector<std::wstring>& {
        for (auto& folder : folders)
            if (folder.first == path) return folder.second;
        folders.push_back({ path, {} });
        return folders.back().second;
    };
    for (const std::wstring& path : paths) {
        // Each folder on the way, once, in its parent.
        for (size_t slash = path.find(L'\\'); slash != std::wstring::npos; slash = path.find(L'\\', slash + 1)) {
            const std::wstring folder = path.substr(0, slash);
            if (!known.insert(folder).second) continue;
            const size_t parent = folder.rfind(L'\\');
            folderAt(parent == std::wstring::npos ? L"" : folder.substr(0, parent))
                .push_back(folder.substr(parent == std::wstring::npos ? 0 : parent + 1) + L"\\");
            folderAt(folder);
        }
        if (path.back() == L'\\') continue;
        const size_t slash = path.rfind(L'\\');
        folderAt(slash == std::wstring::npos ? L"" : path.substr(0, slash))
            .push_back(path.substr(slash == std::wstring::npos ? 0 : slash + 1));
    }
    entries = known.size() - 1;
    for (const auto& folder : folders)
        for (const std::wstring& name : folder.second) entries += name.back() == L'\\' ? 0 : 1;
    return folders;
}

struct Query {
    std::wstring text, expected;
    std::vector<std::pair<std::wstring, double>> use;
};

std::vector<Query> GoldenQueries()
{
    std::vector<Query> queries;
    for (const std::wstring& line : GoldenLines(L"queries.txt")) {
        const std::vector<std::wstring> parts = Split(line, L'|');
        Query query = { parts.at(0), parts.at(1), {} };
        if (parts.size() > 2)
            for (const std::wstring& count : Split(parts[2], L';')) {
                const size_t equals = count.rfind(L'=');
                query.use.emplace_back(count.substr(0, equals), std::stod(count.substr(equals + 1)));
            }
        queries.push_back(query);
    }
    return queries;
}

// The name the menu shows for a path: the last part, without extension.
std::wstring ShownName(const std::wstring& path)
{
    const std::wstring name = path.substr(path.rfind(L'\\') + 1);
    return name.substr(0, name.rfind(L'.'));
}

TEST(FindGolden, TheMeantEntryComesFirst)
{
    size_t entries = 0;
    FindIndex index;
    index.Build(Snapshot(GoldenTree(entries)));
    EXPECT_GE(entries, 2000u);
    EXPECT_EQ(index.Size(), entries);
    const std::vector<Query> queries = GoldenQueries();
    ASSERT_GE(queries.size(), 60u);

    size_t hits = 0;
    for (const Query& query : queries) {
        FixedUse use;
        for (const auto& [path, count] : query.use) use.Set(path, count);
        index.SetUse(&use);
        const FindResults results = index.Search(query.text);
        index.SetUse(nullptr);
        const std::wstring first = results.shown.empty() ? L"(nothing)" : results.shown[0].path.substr(kRoot.size() + 1);
        if (first == query.expected) {
            ++hits;
            continue;
        }
        std::string shown;
        for (size_t i = 0; i < results.shown.size() && i < 3; ++i)
            shown += "\n    " + ToUtf8(results.shown[i].path.substr(kRoot.size() + 1));
        std::printf("Missed \"%s\": wanted %s, found %zu:%s\n", ToUtf8(query.text).c_str(),
                    ToUtf8(query.expected).c_str(), results.total, shown.c_str());
        const bool exactName = FoldForSearch(query.text) == FoldForSearch(ShownName(query.expected));
        EXPECT_FALSE(exactName) << "the whole name \"" << ToUtf8(query.text) << "\" must find its entry first";
    }
    std::printf("Golden set: %zu of %zu queries put the meant entry first, over %zu entries\n", hits, queries.size(),
                entries);
    EXPECT_GE(hits * 100, queries.size() * 95);
}

}  // namespace
