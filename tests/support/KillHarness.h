// Saves of a file that the program writes through its safe file store
// (shell/SafeFile.h), ended as a kill ends them, again and again: after
// each, the file must be there, whole, and one of the versions it held or
// was given (never empty, gone or half-written), any backup a whole copy
// of what it kept, and the next save must go through. For any such file:
// the hotkey file, Find's usage file.
#pragma once

#include <functional>
#include <set>
#include <string>

#include "framework/Afx.h"

namespace test {

struct SavedFile {
    std::wstring path;
    // The file as the program writes version v (v >= 1), and as a user
    // may have edited it by hand (v <= -1: a few distinct edits).
    std::function<std::string(int version)> bytes;
    // Reads the file as a start of the program does, then saves version v
    // over that reading through the program's own store; whether it saved.
    std::function<bool(int version)> save;
};

struct KillTally {
    int runs = 0, kills = 0;
    int lost = 0, empty = 0, halfWritten = 0;  // files found so after a kill
    int badBackups = 0;                       // backups that are no whole copy of an edit
    int failedSaves = 0;                      // saves not killed that did not go through
    int leftTemporaries = 0;                  // temporary files left by a save not killed
    std::set<std::string> stepsKilledAt;
};

// Runs `runs` saves of successive versions, each over the file as the run
// before left it, every third after a hand edit made once the save has
// read the file (so it keeps a backup), each ended at a random step of
// its own (or not at all), chosen with the seed. The file starts as
// version 1.
KillTally KillSavesAtRandomSteps(const SavedFile& file, int runs, unsigned seed);
// Expects nothing lost, empty, half-written or left behind, every backup
// whole, and a kill at every step of the store.
void ExpectEveryKillLeftTheFileWhole(const KillTally& tally);

struct HoldTally {
    int saves = 0, failed = 0, wrong = 0;  // wrong: the file is not the version saved
    DWORD longestMs = 0;                   // the longest save
};
// Runs `saves` saves of successive versions while another program (as a
// scanner does) holds the file open without delete sharing for 50 to 300
// ms, from a random step of each save.
HoldTally HoldDuringSaves(const SavedFile& file, int saves, unsigned seed);

// A program that saves the file in a loop (tests/support/save_loop.cpp),
// started and killed at random moments `kills` times; the versions the
// file was left in, by the version function (-1: none of them).
std::set<int> KillSavingProgram(const std::wstring& commandLine, const std::wstring& path, int kills, unsigned seed,
                                const std::function<int(const std::string& bytes)>& versionOf);

}  // namespace test
