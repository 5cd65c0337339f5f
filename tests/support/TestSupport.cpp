#include "TestSupport.h"

#include <algorithm>
#include <fstream>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <map>

#include <gtest/gtest.h>

#include "shell/ShellWorker.h"

namespace test {

std::wstring ExecutableFolder()
{
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    ::PathRemoveFileSpecW(path);
    return path;
}

std::wstring BuiltProgram()
{
    wchar_t path[MAX_PATH] = {};
    ::PathCombineW(path, ExecutableFolder().c_str(), L"..\\..\\Quillop.exe");
    return path;
}

namespace {

// Paths past the classic limit need the long form.
std::wstring Long(const std::wstring& path) { return path.size() >= MAX_PATH - 12 ? L"\\\\?\\" + path : path; }

void RemoveTreeOnce(const std::wstring& path)
{
    DWORD attributes = ::GetFileAttributesW(Long(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return;
    ::SetFileAttributesW(Long(path).c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        ::DeleteFileW(Long(path).c_str());
        return;
    }
    WIN32_FIND_DATAW entry;
    HANDLE find = ::FindFirstFileW((path + L"\\*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = entry.cFileName;
            if (name != L"." && name != L"..") RemoveTreeOnce(path + L"\\" + name);
        } while (::FindNextFileW(find, &entry));
        ::FindClose(find);
    }
    ::RemoveDirectoryW(Long(path).c_str());
}

}  // namespace

// Wine will not delete a file held open, and an icon look-up or a listing
// that the last step started may hold one of the tree's files for a moment:
// removal is tried again until the tree is gone, within a generous limit.
void RemoveTree(const std::wstring& path)
{
    const DWORD start = ::GetTickCount();
    RemoveTreeOnce(path);
    while (Exists(Long(path)) && ::GetTickCount() - start < 10000) {
        ::Sleep(20);
        RemoveTreeOnce(path);
    }
}

ScratchFiles::~ScratchFiles()
{
    for (const std::wstring& path : m_paths) RemoveTree(path);
}

void WriteFile(const std::wstring& path, const std::string& bytes)
{
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ::CloseHandle(file);
}

std::string ReadFile(const std::wstring& path)
{
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    std::string bytes(::GetFileSize(file, nullptr), '\0');
    DWORD read = 0;
    if (!bytes.empty()) ::ReadFile(file, &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr);
    ::CloseHandle(file);
    bytes.resize(read);
    return bytes;
}

bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void Pump(DWORD milliseconds)
{
    DWORD start = ::GetTickCount();
    do {
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
        if (milliseconds) ::Sleep(10);
    } while (::GetTickCount() - start < milliseconds);
}

bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs)
{
    DWORD start = ::GetTickCount();
    while (!condition()) {
        if (::GetTickCount() - start >= timeoutMs) return condition();
        Pump(50);
    }
    return true;
}

void WaitForShellWorker()
{
    EXPECT_TRUE(WaitFor([] { return TheShellWorker().IsIdle(); }, 30000)) << "the shell worker is still busy";
}

bool HotkeyIsFree(UINT modifiers, UINT key)
{
    if (!::RegisterHotKey(nullptr, 77, modifiers, key)) return false;
    ::UnregisterHotKey(nullptr, 77);
    return true;
}

int CountProcessWindows(DWORD process, const wchar_t* className, const wchar_t* caption)
{
    int count = 0;
    for (HWND window = ::FindWindowExW(nullptr, nullptr, className, caption); window;
         window = ::FindWindowExW(nullptr, window, className, caption)) {
        DWORD owner = 0;
        ::GetWindowThreadProcessId(window, &owner);
        count += owner == process && ::IsWindowVisible(window) ? 1 : 0;
    }
    return count;
}

HWND FindProcessWindow(DWORD process, const wchar_t* className, const wchar_t* caption)
{
    for (HWND window = ::FindWindowExW(nullptr, nullptr, className, caption); window;
         window = ::FindWindowExW(nullptr, window, className, caption)) {
        DWORD owner = 0;
        ::GetWindowThreadProcessId(window, &owner);
        if (owner == process && ::IsWindowVisible(window)) return window;
    }
    return nullptr;
}

HWND FindProcessDialogWith(DWORD process, int controlId)
{
    for (HWND window = ::FindWindowExW(nullptr, nullptr, L"#32770", nullptr); window;
         window = ::FindWindowExW(nullptr, window, L"#32770", nullptr)) {
        DWORD owner = 0;
        ::GetWindowThreadProcessId(window, &owner);
        if (owner == process && ::IsWindowVisible(window) && ::GetDlgItem(window, controlId)) return window;
    }
    return nullptr;
}

HWND WaitForFolderWindow(const std::wstring& folder)
{
    const std::wstring name = ::PathFindFileNameW(folder.c_str());
    HWND shown = nullptr;
    WaitFor(
        [&] {
            for (HWND window = ::FindWindowExW(nullptr, nullptr, L"ExplorerWClass", nullptr); window;
                 window = ::FindWindowExW(nullptr, window, L"ExplorerWClass", nullptr)) {
                wchar_t title[MAX_PATH] = {};
                ::GetWindowTextW(window, title, MAX_PATH);
                if (std::wstring(title).find(name) != std::wstring::npos) return (shown = window) != nullptr;
            }
            return false;
        },
        30000);
    return shown;
}

std::vector<std::wstring> WaitForProbeLines(const std::wstring& file, size_t runs, DWORD timeoutMs)
{
    std::vector<std::wstring> lines;
    WaitFor(
        [&] {
            std::string text = ReadFile(file);
            if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
            lines.clear();
            size_t from = 0;
            for (size_t end; (end = text.find('\n', from)) != std::string::npos; from = end + 1) {
                std::string line = text.substr(from, end - from);
                if (!line.empty() && line.back() == '\r') line.pop_back();
                wchar_t wide[1024] = {};
                ::MultiByteToWideChar(CP_UTF8, 0, line.c_str(), -1, wide, 1024);
                lines.push_back(wide);
            }
            return lines.size() >= runs * 2;
        },
        timeoutMs);
    return lines;
}

}  // namespace test

namespace test {

MessageBoxAnswer::MessageBoxAnswer(const wchar_t* caption, int button, std::function<void()> whileShown)
    : m_caption(caption), m_button(button), m_whileShown(std::move(whileShown))
{
    m_answered = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    m_allAnswered = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    m_thread = ::CreateThread(nullptr, 0, Watch, this, 0, nullptr);
}

MessageBoxAnswer::MessageBoxAnswer(const wchar_t* caption, std::vector<int> buttons)
    : m_caption(caption), m_button(buttons.empty() ? IDOK : buttons.front())
{
    if (!buttons.empty()) m_later.assign(buttons.begin() + 1, buttons.end());
    m_answered = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    m_allAnswered = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    m_thread = ::CreateThread(nullptr, 0, Watch, this, 0, nullptr);
}

MessageBoxAnswer::~MessageBoxAnswer()
{
    ::InterlockedExchange(&m_stop, 1);
    ::WaitForSingleObject(m_thread, 10000);
    ::CloseHandle(m_thread);
    ::CloseHandle(m_answered);
    ::CloseHandle(m_allAnswered);
}

DWORD WINAPI MessageBoxAnswer::Watch(void* self)
{
    auto* me = static_cast<MessageBoxAnswer*>(self);
    int button = me->m_button;
    size_t next = 0;
    while (!me->m_stop) {
        HWND box = FindProcessWindow(::GetCurrentProcessId(), L"#32770", me->m_caption.c_str());
        if (box) {
            HWND text = ::GetDlgItem(box, 0xFFFF);  // the message text's static
            wchar_t buffer[1024] = {};
            if (text) ::GetWindowTextW(text, buffer, 1024);
            if (me->m_texts.empty()) {
                me->m_text = buffer;
                if (me->m_whileShown) me->m_whileShown();
            }
            me->m_texts.push_back(buffer);
            if (button == kEnter) {
                // The box's loop passes the key to its dialog handling,
                // which presses the focused or default button.
                ::PostMessageW(box, WM_KEYDOWN, VK_RETURN, 1);
                ::PostMessageW(box, WM_KEYUP, VK_RETURN, 0xC0000001);
            } else {
                ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                               reinterpret_cast<LPARAM>(::GetDlgItem(box, button)));
            }
            ::SetEvent(me->m_answered);
            if (next >= me->m_later.size()) break;
            button = me->m_later[next++];
            // The next box is another one: this one goes first.
            while (!me->m_stop && ::IsWindow(box) && ::IsWindowVisible(box)) ::Sleep(20);
            continue;
        }
        ::Sleep(50);
    }
    ::SetEvent(me->m_allAnswered);
    return 0;
}

std::vector<std::wstring> MessageBoxAnswer::Texts(DWORD timeoutMs)
{
    ::WaitForSingleObject(m_allAnswered, timeoutMs);
    return m_texts;
}

std::wstring MessageBoxAnswer::Text(DWORD timeoutMs)
{
    ::WaitForSingleObject(m_answered, timeoutMs);
    return m_text;
}

namespace {

std::map<UINT_PTR, std::function<void()>>& PendingSteps()
{
    static std::map<UINT_PTR, std::function<void()>> steps;
    return steps;
}

void CALLBACK RunPendingStep(HWND, UINT, UINT_PTR timer, DWORD)
{
    ::KillTimer(nullptr, timer);
    auto found = PendingSteps().find(timer);
    if (found == PendingSteps().end()) return;
    std::function<void()> step = std::move(found->second);
    PendingSteps().erase(found);
    step();
}

}  // namespace

void RunFromMessageLoop(DWORD delayMs, std::function<void()> step)
{
    UINT_PTR timer = ::SetTimer(nullptr, 0, delayMs, RunPendingStep);
    if (timer) PendingSteps()[timer] = std::move(step);
}

namespace {

bool drivingMenu = false;

// Polls from the message loop until the menu shows, then runs the step.
void WhenMenuIsShown(std::function<void()> step)
{
    RunFromMessageLoop(100, [step] {
        if (!drivingMenu) return;
        if (FindProcessWindow(::GetCurrentProcessId(), L"#32768"))
            step();
        else
            WhenMenuIsShown(step);
    });
}

void CALLBACK EndStuckMenu(HWND, UINT, UINT_PTR timer, DWORD)
{
    ::KillTimer(nullptr, timer);
    ::EndMenu();
}

}  // namespace

int DriveMenu(HWND owner, std::vector<WORD> keys, std::function<int()> popup, const char* screenshot)
{
    // A pointer move over a menu, or a window mapped under the pointer,
    // clears the menu's selection: the menu opens in the middle, the
    // pointer then goes to a far corner, and the menu settles, before the
    // keys select anything.
    WhenMenuIsShown([owner, keys, screenshot] {
        ::SetCursorPos(2, ::GetSystemMetrics(SM_CYSCREEN) - 2);
        RunFromMessageLoop(250, [owner, keys, screenshot] {
            for (WORD key : keys) {
                if (key == VK_RETURN) continue;
                ::PostMessageW(owner, WM_KEYDOWN, key, 1);
                ::PostMessageW(owner, WM_KEYUP, key, 0xC0000001);
            }
            RunFromMessageLoop(300, [owner, keys, screenshot] {
                if (screenshot) HoldForScreenshot(screenshot);
                if (std::find(keys.begin(), keys.end(), VK_RETURN) != keys.end())
                    ::PostMessageW(owner, WM_KEYDOWN, VK_RETURN, 1);
            });
        });
    });
    return DriveShownMenu(nullptr, std::move(popup));
}

int DriveShownMenu(std::function<void()> whenShown, std::function<int()> popup)
{
    if (whenShown) WhenMenuIsShown(std::move(whenShown));
    drivingMenu = true;
    ::SetCursorPos(300, 200);  // the menu opens here, away from the corner
    UINT_PTR guard = ::SetTimer(nullptr, 0, 8000, EndStuckMenu);
    int result = popup();
    ::KillTimer(nullptr, guard);
    drivingMenu = false;
    return result;
}

void HoldForScreenshot(const char* what)
{
    char value[32] = {};
    if (!::GetEnvironmentVariableA("QUILLOP_HOLD_MS", value, sizeof(value))) return;
    ::OutputDebugStringA(what);
    std::printf("holding for a screenshot: %s\n", what);
    std::fflush(stdout);
    Pump(static_cast<DWORD>(std::atoi(value)));
}

}  // namespace test
