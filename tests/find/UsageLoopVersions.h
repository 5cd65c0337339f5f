// The versions of a usage file that the kill tests and the save_loop
// program save: `rows` entries of a menu folder, every count naming the
// version.
#pragma once

#include <string>
#include <vector>

#include "find/UsageLog.h"

namespace test {

constexpr int64_t kUsageLoopTime = 1796000000;  // a fixed moment in 2026

inline std::wstring UsageLoopEntry(int row) { return L"Work\\Entry " + std::to_wstring(row) + L".txt"; }

inline std::vector<UseRecord> UsageLoopRecords(int version, int rows)
{
    std::vector<UseRecord> records;
    for (int row = 0; row < rows; ++row)
        records.push_back({ static_cast<double>(version + row % 5), kUsageLoopTime, UsageLoopEntry(row) });
    return records;
}

}  // namespace test
