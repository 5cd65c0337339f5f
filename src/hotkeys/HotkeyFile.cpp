#include "hotkeys/HotkeyFile.h"

#include <cstdlib>

#include "framework/CMemoryException.h"
#include "framework/CWinApp.h"
#include "framework/ExecutablePath.h"
#include "framework/ShellFiles.h"
#include "hotkeys/HotkeyTable.h"

void HotkeyFilePath(wchar_t* buffer, int size) { lstrcpynW(buffer, ExecutableSibling(L".key"), size); }

namespace {

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
    // Without a mark, UTF-8 when every byte above ASCII is valid UTF-8.
    DWORD high = 0;
    while (high < size && data[high] < 0x80) ++high;
    if (high < size && static_cast<int>(size) > 0 &&
        ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, reinterpret_cast<const char*>(data), static_cast<int>(size),
                              nullptr, 0) > 0)
        return Encoding::Utf8;
    return Encoding::CodePage;
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
            file.ReadLine(separator, CP_ACP);
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
    if (!file.Open(path, nullptr, nullptr, TRUE)) return false;
    ReadHotkeyGroups(file, content);
    return true;
}

bool HotkeyFileIsWhole(LPCWSTR path)
{
    WIN32_FILE_ATTRIBUTE_DATA attributes;
    if (!::GetFileAttributesExW(path, GetFileExInfoStandard, &attributes)) return ::GetLastError() == ERROR_FILE_NOT_FOUND;
    if (attributes.nFileSizeLow == 0 && attributes.nFileSizeHigh == 0) return true;
    HotkeyFileContent content;
    return ReadHotkeyFile(path, content) && content.whole;
}

int LoadHotkeys(HWND window, BOOL stopAtFailure)
{
    wchar_t path[kLongPathBuffer];
    HotkeyFilePath(path, kLongPathBuffer);
    HotkeyFileContent content;
    if (!ReadHotkeyFile(path, content)) return 0;
    for (const Hotkey& hotkey : content.hotkeys) AddHotkey(hotkey.code, hotkey.command);

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

void DeleteHotkeyFile(LPCWSTR path, HWND owner) { DeleteSilently(path, owner); }
