// How much the user has opened entries lately, as Find orders entries of one
// tier: a higher score first, 0 for an entry never opened. Kept by the usage
// log; read by Find's index on the UI thread.
#pragma once

#include <functional>
#include <string>

class UseScores {
public:
    virtual ~UseScores() = default;
    // Calls back once for every entry with a score above 0, by its path from
    // the menu folder down ("Work\\2024\\Note.txt", as the menu shows the
    // tree, extension included), with its score now.
    virtual void ForEachScore(const std::function<void(const std::wstring& pathFromMenuFolder, double score)>& visit) const = 0;
    // Grows by one each time a score changes, so an index knows when to look again.
    virtual unsigned Version() const = 0;
};
