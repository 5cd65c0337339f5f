#include "hotkeys/HotkeyFile.h"

#include <algorithm>
#include <cstdlib>

#include "framework/CMemoryException.h"
#include "framework/CWinApp.h"
#include "framework/ExecutablePath.h"
#include "framework/ShellFiles.h"
#include "framework/ThreadTimer.h"
#include "hotkeys/HotkeyStore.h"
#include "hotkeys/HotkeyTable.h"
#include "hotkeys/HotkeyText.h"
#include "shell/ShellWorker.h"

void HotkeyFilePath(wchar_t* buffer, int size) { lstrcpynW(buffer, ExecutableSibling(L".key"), size); }

namespace {

std::u16string ToUtf16(LPCWSTR text) { return std::u16string(reinterpret_cast<const char16_t*>(text)); }

CString FromUtf16(const std::u16string& text)
{
    CString string;
    if (!text.empty()) {
        const int length = static_cast<int>(text.size());
        memcpy(string.GetBuffer(length), text.data(), text.size() * sizeof(wchar_t));
        string.ReleaseBuffer(length);
    }
    return string;
}

// Text of the system's code page, as the system reads it.
std::u16string DecodeCodePage(const char* bytes, size_t size)
{
    const int length = static_cast<int>(size);
    const int needed = ::MultiByteToWideChar(CP_ACP, 0, bytes, length, nullptr, 0);
    std::u16string text(static_cast<size_t>(std::max(needed, 0)), u'\0');
    if (needed > 0) ::MultiByteToWideChar(CP_ACP, 0, bytes, length, reinterpret_cast<wchar_t*>(&text[0]), needed);
    return text;
}

HotkeyEntry EntryOf(const Hotkey& hotkey) { return { hotkey.code, ToUtf16(hotkey.command) }; }

}  // namespace

HotkeyFileContent ReadHotkeyBytes(const std::string& bytes)
{
    static_assert(sizeof(wchar_t) == sizeof(char16_t), "the file's text is UTF-16, as the system's");
    const HotkeyTextReading reading = ReadHotkeyText(bytes, DecodeCodePage);
    HotkeyFileContent content;
    content.whole = reading.whole;
    content.cutShort = reading.cutShort;
    content.guessedLetters = reading.guessedLetters;
    try {
        for (const HotkeyEntry& entry : reading.hotkeys) {
            // A command the pool cannot hold is kept with no command.
            if (entry.command.size() > static_cast<size_t>(CStringPool::kLongestString)) content.whole = false;
            content.hotkeys.push_back({ entry.code, FromUtf16(entry.command) });
        }
    } catch (const CMemoryException&) {
        // Keep what has been taken.
        content.whole = false;
    }
    return content;
}

bool IsWritableHotkey(const Hotkey& hotkey) { return IsWritableHotkey(EntryOf(hotkey)); }

std::string HotkeyFileBytes(const std::vector<Hotkey>& hotkeys)
{
    std::vector<HotkeyEntry> entries;
    entries.reserve(hotkeys.size());
    for (const Hotkey& hotkey : hotkeys) entries.push_back(EntryOf(hotkey));
    return WriteHotkeyText(entries);
}

namespace {

// Takes a reading of the file as the program's, and its hotkeys into the
// table.
void TakeReading(const HotkeyFileRead& read)
{
    TheHotkeyFile() = read;
    for (const Hotkey& hotkey : read.content.hotkeys) AddHotkey(hotkey.code, hotkey.command);
}

std::wstring ProgramsHotkeyFile()
{
    wchar_t path[kLongPathBuffer];
    HotkeyFilePath(path, kLongPathBuffer);
    return path;
}

// Registers the table's record at the index for the window.
bool RegisterHotkey(HWND window, int index)
{
    const HotkeyRecord* record = GetHotkeyRecord(index);
    return ::RegisterHotKey(window, kHotkeyIdBase + index, HotkeyModifiers(record->code), HotkeyKey(record->code)) !=
           FALSE;
}

// A hotkey another program holds as the reading is registered is tried
// again for a while, and works once it is freed: the copy of the program
// that has just ended may still hold them all for a moment. UI thread only.
class HeldHotkeys {
public:
    void TryAgain(HWND window, std::vector<int> indexes)
    {
        m_window = window;
        m_indexes = std::move(indexes);
        m_triesLeft = kTries;
        if (m_indexes.empty())
            m_timer.Stop();
        else
            m_timer.Start(kEveryMs, [this] { Tick(); });
    }
    void Stop()
    {
        m_indexes.clear();
        m_timer.Stop();
    }

private:
    static constexpr DWORD kEveryMs = 500;
    static constexpr int kTries = 20;

    void Tick()
    {
        std::vector<int> still;
        for (int index : m_indexes) {
            if (index <= static_cast<int>(theRecordList.GetCount()) && !RegisterHotkey(m_window, index))
                still.push_back(index);
        }
        m_indexes.swap(still);
        if (m_indexes.empty() || --m_triesLeft <= 0) Stop();
    }

    CThreadTimer m_timer;
    HWND m_window = nullptr;
    std::vector<int> m_indexes;
    int m_triesLeft = 0;
};

HeldHotkeys& TheHeldHotkeys()
{
    static HeldHotkeys held;
    return held;
}

}  // namespace

void LoadHotkeysLater(HWND window, std::function<void(const std::wstring&)> tell)
{
    constexpr DWORD kLockedFileRetryMs = 5000;
    const std::wstring path = ProgramsHotkeyFile();
    const HotkeyFileRead before = TheHotkeyFile();
    // Until the reading arrives, the program has none: the Hotkeys dialog
    // waits for it rather than show, and save, the table as it is.
    TheHotkeyFile() = HotkeyFileRead();
    auto job = [path, window, tell]() -> CWorkerThread::Task {
        auto read = std::make_shared<HotkeyFileRead>(ReadHotkeysFromDisk(path, kLockedFileRetryMs));
        return [read, window, tell] {
            UnregisterHotkeys(window);
            ClearHotkeyTable();
            TakeReading(*read);
            TheHeldHotkeys().TryAgain(window, RegisterHotkeys(window));
            TellHotkeyFileChanged();
            if (!read->read && tell) tell(HotkeyFileNotReadText(*read));
        };
    };
    if (TheShellWorker().Act(CShellWorker::ActionLane::Launches, std::move(job)) != CJobQueue::Added::Queued)
        TheHotkeyFile() = before;
    TellHotkeyFileChanged();
}

int LoadHotkeys(HWND window, BOOL stopAtFailure)
{
    TakeReading(ReadHotkeysFromDisk(ProgramsHotkeyFile(), 0));
    TellHotkeyFileChanged();
    for (int index = static_cast<int>(theRecordList.GetCount()); index >= 1; --index)
        if (!RegisterHotkey(window, index) && stopAtFailure) return index;
    return 0;
}

std::vector<int> RegisterHotkeys(HWND window)
{
    std::vector<int> failed;
    for (int index = static_cast<int>(theRecordList.GetCount()); index >= 1; --index)
        if (!RegisterHotkey(window, index)) failed.insert(failed.begin(), index);
    return failed;
}

void UnregisterHotkeys(HWND window)
{
    TheHeldHotkeys().Stop();
    for (int index = static_cast<int>(theRecordList.GetCount()); index >= 1; --index)
        ::UnregisterHotKey(window, kHotkeyIdBase + index);
}

void ReleaseHotkeys()
{
    UnregisterHotkeys(AfxGetMainWnd() ? AfxGetMainWnd()->m_hWnd : nullptr);
    ClearHotkeyTable();
}

