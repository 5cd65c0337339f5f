#include "hotkeys/HotkeyFile.h"

#include <algorithm>
#include <cstdlib>

#include "framework/CMemoryException.h"
#include "framework/CWinApp.h"
#include "framework/ExecutablePath.h"
#include "framework/ShellFiles.h"
#include "hotkeys/HotkeyStore.h"
#include "hotkeys/HotkeyTable.h"
#include "shell/ShellWorker.h"

void HotkeyFilePath(wchar_t* buffer, int size) { lstrcpynW(buffer, ExecutableSibling(L".key"), size); }

namespace {

// How many multi-byte UTF-8 sequences the bytes hold, and how many bytes
// above ASCII belong to none.
struct Utf8Census {
    DWORD sequences = 0, strays = 0;
};

Utf8Census CountUtf8(const BYTE* data, DWORD size)
{
    Utf8Census census;
    for (DWORD at = 0; at < size;) {
        const BYTE lead = data[at];
        const DWORD length = lead < 0x80 ? 1 : lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3
                                                                              : lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
        bool whole = length > 0 && at + length <= size;
        for (DWORD follow = 1; whole && follow < length; ++follow) whole = (data[at + follow] & 0xC0) == 0x80;
        if (length == 1) {
            ++at;
        } else if (whole) {
            ++census.sequences;
            at += length;
        } else {
            ++census.strays;
            ++at;
        }
    }
    return census;
}

CMappedTextFile::Encoding DetectEncoding(const BYTE* data, DWORD size, DWORD& start)
{
    using Encoding = CMappedTextFile::Encoding;
    start = 0;
    if (size > 2 && data[0] == 0xFF && data[1] == 0xFE) {
        start = 2;
        return Encoding::Utf16;
    }
    if (size >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF) {
        start = 3;
        return Encoding::Utf8;
    }
    // Without a mark, UTF-8 when the bytes above ASCII are UTF-8 but for a
    // stray few (a damaged file read as ANSI would be written back changed
    // throughout).
    const Utf8Census census = CountUtf8(data, size);
    return census.sequences > 0 && census.strays <= census.sequences ? Encoding::Utf8 : Encoding::CodePage;
}

}  // namespace

int CMappedTextFile::Open(LPCWSTR path, const BYTE** base, DWORD* size, BOOL quiet)
{
    Close();
    if (base) *base = nullptr;
    if (size) *size = 0;

    m_file.Reset(::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!m_file) return 0;
    auto fail = [&](LPCWSTR message) {
        Close();
        if (!quiet) AfxMessageBox(message, MB_OK | MB_ICONEXCLAMATION);
        return 0;
    };

    DWORD high = 0;
    DWORD length = ::GetFileSize(m_file.Get(), &high);
    if (high != 0) return fail(L"Sorry, the file is too long (>4GB) to be dumpped.");
    m_mapping.Reset(::CreateFileMappingW(m_file.Get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
    if (!m_mapping) return fail(L"Sorry, failed to create file mapping.");
    m_view.Reset(::MapViewOfFile(m_mapping.Get(), FILE_MAP_READ, 0, 0, 0));
    if (!m_view) return fail(L"Sorry, failed to create map view.");

    m_size = length;
    m_position = 0;
    m_damaged = false;
    m_encoding = DetectEncoding(View(), m_size, m_position);
    if (m_encoding == Encoding::Utf16 && (m_size - m_position) % 2 != 0) m_damaged = true;  // half a character
    if (base) *base = View();
    if (size) *size = m_size;
    return 1;
}

void CMappedTextFile::Close()
{
    m_view.Reset();
    m_mapping.Reset();
    m_file.Reset();
    m_size = m_position = 0;
    m_encoding = Encoding::CodePage;
    m_damaged = false;
}

int CMappedTextFile::ReadLine(CString& line, UINT codePage)
{
    if (m_position >= m_size) return 0;
    line.Empty();
    if (m_encoding == Encoding::Utf16)
        ReadUnicodeLine(line);
    else
        ReadByteLine(line, m_encoding == Encoding::Utf8 ? CP_UTF8 : codePage);
    return 1;
}

void CMappedTextFile::ReadUnicodeLine(CString& line)
{
    // Units are read byte-wise, since the view need not be aligned; a final
    // odd byte is no whole unit and is dropped.
    m_lineEnded = true;
    while (m_position + 1 < m_size) {
        wchar_t unit = UnitAt(m_position);
        m_position += 2;
        if (unit == L'\n') return;
        if (unit == L'\r') {
            if (m_position + 1 < m_size && UnitAt(m_position) == L'\n') m_position += 2;
            return;
        }
        line += unit;
    }
    m_position = m_size;
    m_lineEnded = false;
}

void CMappedTextFile::ReadByteLine(CString& line, UINT codePage)
{
    DWORD start = m_position;
    while (m_position < m_size && View()[m_position] != '\r' && View()[m_position] != '\n') ++m_position;
    int length = static_cast<int>(m_position - start);
    if (length > 0) {
        const char* bytes = reinterpret_cast<const char*>(View() + start);
        // Bytes that are not UTF-8 after a UTF-8 mark are read as the
        // system's substitute, and the file counts as damaged.
        if (codePage == CP_UTF8 && !::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes, length, nullptr, 0))
            m_damaged = true;
        int needed = ::MultiByteToWideChar(codePage, 0, bytes, length, nullptr, 0);
        if (needed > 0) {
            ::MultiByteToWideChar(codePage, 0, bytes, length, line.GetBuffer(needed), needed);
            line.ReleaseBuffer(needed);
        }
    }
    m_lineEnded = m_position < m_size;
    if (m_position < m_size) {
        bool carriageReturn = View()[m_position] == '\r';
        ++m_position;
        if (carriageReturn && m_position < m_size && View()[m_position] == '\n') ++m_position;
    }
}

bool CMappedTextFile::RestIsBlank() const
{
    const bool wide = m_encoding == Encoding::Utf16;
    for (DWORD at = m_position; at < m_size; at += wide ? 2 : 1) {
        wchar_t c = wide ? (at + 1 < m_size ? UnitAt(at) : L'x') : static_cast<wchar_t>(View()[at]);
        if (!wcschr(L" \t\r\n", c) || c == 0) return false;
    }
    return true;
}

namespace {

// The code line's number, as atol would read it (white space, a sign,
// digits, whatever follows ignored), when it is a code: above 0 and within
// a code's layout. clean: nothing but white space around the digits.
bool ParseCode(const CString& text, unsigned& code, bool& clean)
{
    const wchar_t* c = text;
    while (*c && wcschr(L" \t\v\f", *c)) ++c;
    bool negative = *c == L'-';
    if (*c == L'-' || *c == L'+') ++c;
    unsigned long long number = 0;
    const wchar_t* digits = c;
    while (*c >= L'0' && *c <= L'9') {
        number = number * 10 + static_cast<unsigned>(*c - L'0');
        if (number > kLargestHotkeyCode) return false;  // no code is that large
        ++c;
    }
    while (*c && wcschr(L" \t\v\f", *c)) ++c;
    clean = *c == 0 && !negative;
    code = static_cast<unsigned>(number);
    return c != digits && !negative && number != 0;
}

// Reads groups until one is not whole; notes whether anything was left
// unread or not understood.
void ReadHotkeyGroups(CMappedTextFile& file, HotkeyFileContent& content)
{
    try {
        for (;;) {
            CString code, command, separator;
            file.ReadLine(code, CP_ACP);
            file.ReadLine(command, CP_ACP);
            // A command the data ends in the middle of was cut off: not a
            // hotkey (its path would be another's).
            const bool commandEnded = file.LineEnded();
            file.ReadLine(separator, CP_ACP);
            if (!command.IsEmpty() && !commandEnded) {
                content.whole = false;
                break;
            }
            if (code.IsEmpty() || !separator.IsEmpty() || command.IsEmpty()) {
                // The reading ends here: whole only where nothing but blank
                // lines ends it.
                if (!code.IsEmpty() || !command.IsEmpty() || !separator.IsEmpty() || !file.RestIsBlank())
                    content.whole = false;
                break;
            }
            unsigned number = 0;
            bool clean = false;
            // A damaged command that reads as empty (a NUL first) drops its
            // group only: kept, it would be saved as the empty line that
            // ends the reading.
            if (!ParseCode(code, number, clean) || lstrlenW(command) == 0) {
                content.whole = false;
                continue;
            }
            // A command the pool cannot hold is kept with no command.
            if (!clean || command.GetLength() > static_cast<int>(CStringPool::kLongestString)) content.whole = false;
            content.hotkeys.push_back({ number, command });
        }
    } catch (const CMemoryException&) {
        // Keep what has been read.
        content.whole = false;
    }
    if (file.IsDamaged()) content.whole = false;
}

}  // namespace

bool ReadHotkeyFile(LPCWSTR path, HotkeyFileContent& content)
{
    CMappedTextFile file;
    const BYTE* data = nullptr;
    DWORD size = 0;
    if (!file.Open(path, &data, &size, TRUE)) return false;
    if (file.GetEncoding() == CMappedTextFile::Encoding::CodePage)
        content.guessedLetters = std::any_of(data, data + size, [](BYTE value) { return value >= 0x80; });
    ReadHotkeyGroups(file, content);
    return true;
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

}  // namespace

void LoadHotkeysLater(HWND window, std::function<void(const std::wstring&)> tell)
{
    constexpr DWORD kLockedFileRetryMs = 5000;
    const std::wstring path = ProgramsHotkeyFile();
    TheShellWorker().Act(CShellWorker::ActionLane::Launches, [path, window, tell]() -> CWorkerThread::Task {
        auto read = std::make_shared<HotkeyFileRead>(ReadHotkeysFromDisk(path, kLockedFileRetryMs));
        return [read, window, tell] {
            TakeReading(*read);
            RegisterHotkeys(window);
            if (!read->read && tell) tell(HotkeyFileNotReadText(*read));
        };
    });
}

int LoadHotkeys(HWND window, BOOL stopAtFailure)
{
    TakeReading(ReadHotkeysFromDisk(ProgramsHotkeyFile(), 0));
    for (int index = static_cast<int>(theRecordList.GetCount()); index >= 1; --index) {
        const HotkeyRecord* record = GetHotkeyRecord(index);
        if (!::RegisterHotKey(window, kHotkeyIdBase + index, HotkeyModifiers(record->code), HotkeyKey(record->code)) &&
            stopAtFailure)
            return index;
    }
    return 0;
}

std::vector<int> RegisterHotkeys(HWND window)
{
    std::vector<int> failed;
    for (int index = static_cast<int>(theRecordList.GetCount()); index >= 1; --index) {
        const HotkeyRecord* record = GetHotkeyRecord(index);
        if (!::RegisterHotKey(window, kHotkeyIdBase + index, HotkeyModifiers(record->code), HotkeyKey(record->code)))
            failed.insert(failed.begin(), index);
    }
    return failed;
}

void UnregisterHotkeys(HWND window)
{
    for (int index = static_cast<int>(theRecordList.GetCount()); index >= 1; --index)
        ::UnregisterHotKey(window, kHotkeyIdBase + index);
}

void ReleaseHotkeys()
{
    UnregisterHotkeys(AfxGetMainWnd() ? AfxGetMainWnd()->m_hWnd : nullptr);
    ClearHotkeyTable();
}

