// The benchmark's rows that start the real program (see ProgramRuns.h).
#pragma once

#include <string>

namespace bench {

// exe: the Quillop.exe measured; baseline: an earlier build measured beside
// it, or "" for none.
void MeasureRealProgram(const std::wstring& exe, const std::wstring& baseline);
// Its start-up and press rows alone: the empty program, the shortcuts and
// the baseline, three runs each.
void MeasureStartUps(const std::wstring& exe, const std::wstring& baseline);
// A menu subfolder of 20,000 files and one of 200,000 (made by the bench
// file by file: minutes): the worst answer over a press and its opening.
void MeasureHugeSubfolders(const std::wstring& exe);

}  // namespace bench
