// Helpers shared by the tests that run the real program pieces under Wine.
#pragma once

#include <string>

#include "framework/Afx.h"

namespace test {

// The folder of the running test executable.
std::wstring ExecutableFolder();
// Deletes a folder tree (or file) if it exists.
void RemoveTree(const std::wstring& path);
void WriteFile(const std::wstring& path, const std::string& bytes);
std::string ReadFile(const std::wstring& path);
bool Exists(const std::wstring& path);
// Dispatches waiting messages for about the given time.
void Pump(DWORD milliseconds = 0);

}  // namespace test
