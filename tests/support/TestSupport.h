// Helpers shared by the tests that run the real program pieces under Wine.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "framework/Afx.h"
#include "framework/Handles.h"

namespace test {

// A window of the test's own, destroyed however the test ends.
struct WindowTraits : HandleTraits::Null<HWND> {
    static void Close(HWND window) { ::DestroyWindow(window); }
};
using ScratchWindow = UniqueHandle<WindowTraits>;

// Files a test makes, deleted however the test ends.
class ScratchFiles {
public:
    explicit ScratchFiles(std::vector<std::wstring> paths) : m_paths(std::move(paths)) {}
    ~ScratchFiles();
    ScratchFiles(const ScratchFiles&) = delete;
    ScratchFiles& operator=(const ScratchFiles&) = delete;

private:
    std::vector<std::wstring> m_paths;
};

// The folder of the running test executable.
std::wstring ExecutableFolder();
// The built Quillop.exe, two folders above the test executable.
std::wstring BuiltProgram();
// Deletes a folder tree (or file) if it exists.
void RemoveTree(const std::wstring& path);
void WriteFile(const std::wstring& path, const std::string& bytes);
std::string ReadFile(const std::wstring& path);
bool Exists(const std::wstring& path);
// Dispatches waiting messages for about the given time.
void Pump(DWORD milliseconds = 0);
// Checks the condition until it holds or the time is up, pumping messages
// meanwhile; its last answer.
bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs = 8000);
// Runs the shell worker's replies until it has nothing more to do: the
// icons a build asked for have arrived, the launches and drops asked for
// are done.
void WaitForShellWorker();
// A visible top-level window of the process with the class and, if given,
// the caption.
// Whether no program holds the hotkey now: this one could register it.
bool HotkeyIsFree(UINT modifiers, UINT key);
// How many visible top-level windows of the class (and caption, if given)
// the process has.
int CountProcessWindows(DWORD process, const wchar_t* className, const wchar_t* caption = nullptr);
HWND FindProcessWindow(DWORD process, const wchar_t* className, const wchar_t* caption = nullptr);
// A visible dialog of the process that holds a control of the id, whatever
// its title says.
HWND FindProcessDialogWith(DWORD process, int controlId);
// A folder window showing the folder, of any process, once it shows: a new
// one is a new process of the system's file manager, which on a busy machine
// takes many seconds.
HWND WaitForFolderWindow(const std::wstring& folder);
// The lines the probe program wrote to the file (UTF-8, one line for its
// working directory and one for its path per run), once `runs` runs have
// reported or the time is up.
std::vector<std::wstring> WaitForProbeLines(const std::wstring& file, size_t runs, DWORD timeoutMs = 15000);

}  // namespace test

namespace test {

// Watches, on a thread of its own, for a message box of this process with
// the given caption, records its text and presses the given button.
class MessageBoxAnswer {
public:
    // whileShown runs on the watching thread once the box is up, before
    // the answer (a step from the box's own message loop could come after
    // it: the answer is posted, and timers come last).
    // kEnter as the button presses Enter, as a reflexive user does: the
    // box's default button answers.
    static constexpr int kEnter = 0;
    explicit MessageBoxAnswer(const wchar_t* caption, int button = IDOK, std::function<void()> whileShown = {});
    // Answers one box after another, each with its button in turn.
    MessageBoxAnswer(const wchar_t* caption, std::vector<int> buttons);
    ~MessageBoxAnswer();
    // The texts of the boxes answered, once all were or the time is up.
    std::vector<std::wstring> Texts(DWORD timeoutMs = 5000);
    // The text of the box that was answered, waiting up to the timeout.
    std::wstring Text(DWORD timeoutMs = 5000);
    // Whether a box has been answered.
    bool Answered() const { return ::WaitForSingleObject(m_answered, 0) == WAIT_OBJECT_0; }
    bool AllAnswered() const { return ::WaitForSingleObject(m_allAnswered, 0) == WAIT_OBJECT_0; }

private:
    static DWORD WINAPI Watch(void* self);
    std::wstring m_caption;
    int m_button;
    std::function<void()> m_whileShown;
    std::vector<int> m_later;  // the buttons for the boxes after the first
    std::wstring m_text;
    std::vector<std::wstring> m_texts;
    HANDLE m_thread = nullptr;
    HANDLE m_answered = nullptr;
    HANDLE m_allAnswered = nullptr;
    volatile LONG m_stop = 0;
};

// Runs the step once, after the delay, from whatever message loop this
// thread is in by then (a modal dialog's or a tracked menu's included).
void RunFromMessageLoop(DWORD delayMs, std::function<void()> step);

// Calls popup, which tracks a menu for the owner, and presses the keys in
// that menu once it is on the screen (building it may pump messages before
// it shows); Enter goes last, after the menu has taken the others. A menu
// the keys left open is ended after some seconds. Returns popup's result.
int DriveMenu(HWND owner, std::vector<WORD> keys, std::function<int()> popup, const char* screenshot = nullptr);
// Pops the menu up and, once it shows, runs the step from the message loop
// (the step should end the menu; one still open after 8 s is ended).
int DriveShownMenu(std::function<void()> whenShown, std::function<int()> popup);

// Runs the dialog modally; once it is up, runs the step on it, then
// cancels the dialog if the step left it open.
template <class Dialog>
INT_PTR DriveModal(Dialog& dialog, std::function<void(Dialog&)> step, DWORD delayMs = 200)
{
    RunFromMessageLoop(delayMs, [&dialog, step] {
        step(dialog);
        if (dialog.m_hWnd) ::PostMessageW(dialog.m_hWnd, WM_COMMAND, IDCANCEL, 0);
    });
    return dialog.DoModal();
}

// Sleeps, pumping messages, for QUILLOP_HOLD_MS milliseconds (if set), so
// that a screenshot of the display can be taken from outside.
void HoldForScreenshot(const char* what);

}  // namespace test
