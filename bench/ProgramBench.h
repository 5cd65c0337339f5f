// The benchmark's rows that start the real program (see ProgramRuns.h).
#pragma once

#include <string>

namespace bench {

// exe: the Quillop.exe measured; baseline: an earlier build measured beside
// it, or "" for none.
void MeasureRealProgram(const std::wstring& exe, const std::wstring& baseline);

}  // namespace bench
