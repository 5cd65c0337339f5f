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

namespace test {

// Watches, on a thread of its own, for a message box of this process with
// the given caption, records its text and presses the given button.
class MessageBoxAnswer {
public:
    explicit MessageBoxAnswer(const wchar_t* caption, int button = IDOK);
    ~MessageBoxAnswer();
    // The text of the box that was answered, waiting up to the timeout.
    std::wstring Text(DWORD timeoutMs = 5000);

private:
    static DWORD WINAPI Watch(void* self);
    std::wstring m_caption;
    int m_button;
    std::wstring m_text;
    HANDLE m_thread = nullptr;
    HANDLE m_answered = nullptr;
    volatile LONG m_stop = 0;
};

// Sleeps, pumping messages, for QUILLOP_HOLD_MS milliseconds (if set), so
// that a screenshot of the display can be taken from outside.
void HoldForScreenshot(const char* what);

}  // namespace test
