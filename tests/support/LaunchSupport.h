// Launches for real: a small probe program records where it started and
// what it was started as; a fresh menu folder for each test.
#pragma once

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "framework/Afx.h"

namespace test {

std::wstring ProbeProgram();
std::wstring ProbeOutput();
// The lines the probe wrote, once `runs` launches have reported.
std::vector<std::wstring> WaitForProbe(size_t runs, DWORD timeoutMs = 15000);
bool MakeShortcut(const std::wstring& target, const std::wstring& directory, const std::wstring& at);

class LaunchTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    std::wstring folder;
};

}  // namespace test
