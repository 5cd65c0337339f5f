#include "hotkeys/HotkeyFile.h"

#include <cstdlib>

#include "framework/CMemoryException.h"
#include "framework/CWinApp.h"
#include "framework/ExecutablePath.h"
#include "framework/ShellFiles.h"
#include "hotkeys/HotkeyTable.h"

void HotkeyFilePath(wchar_t* buffer, int size) { lstrcpynW(buffer, ExecutableSibling(L".key"), size); }

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
    m_unicode = m_size > 2 && View()[0] == 0xFF && View()[1] == 0xFE;
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
    m_unicode = FALSE;
}

int CMappedTextFile::ReadLine(CString& line, UINT codePage)
{
    if (m_position >= m_size) return 0;
    line.Empty();
    if (m_unicode)
        ReadUnicodeLine(line);
    else
        ReadAnsiLine(line, codePage);
    return 1;
}

void CMappedTextFile::ReadUnicodeLine(CString& line)
{
    if (m_position == 0) m_position = 2;  // the byte-order mark
    // Units are read byte-wise, since the view need not be aligned; a final
    // odd byte is no whole unit and is dropped.
    auto unitAt = [this](DWORD at) { return static_cast<wchar_t>(View()[at] | (View()[at + 1] << 8)); };
    while (m_position + 1 < m_size) {
        wchar_t unit = unitAt(m_position);
        m_position += 2;
        if (unit == L'\n') return;
        if (unit == L'\r') {
            if (m_position + 1 < m_size && unitAt(m_position) == L'\n') m_position += 2;
            return;
        }
        line += unit;
    }
    m_position = m_size;
}

void CMappedTextFile::ReadAnsiLine(CString& line, UINT codePage)
{
    DWORD start = m_position;
    while (m_position < m_size && View()[m_position] != '\r' && View()[m_position] != '\n') ++m_position;
    int length = static_cast<int>(m_position - start);
    if (length > 0) {
        const char* bytes = reinterpret_cast<const char*>(View() + start);
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

namespace {

// The code line as atol reads it, after conversion to the ANSI code page
// (at most 19 bytes).
long ParseCode(const CString& text)
{
    char ansi[20] = {};
    ::WideCharToMultiByte(CP_ACP, 0, text, -1, ansi, 19, nullptr, nullptr);
    ansi[19] = 0;
    return std::atol(ansi);
}

void ReadHotkeyGroups(CMappedTextFile& file)
{
    try {
        for (;;) {
            CString code, command, separator;
            file.ReadLine(code, CP_ACP);
            file.ReadLine(command, CP_ACP);
            file.ReadLine(separator, CP_ACP);
            if (code.IsEmpty()) command.Empty();
            else if (command.IsEmpty()) code.Empty();
            if (!separator.IsEmpty()) code.Empty(), command.Empty();
            if (command.IsEmpty()) break;
            // A damaged command that reads as empty (a NUL first) drops its
            // group only: kept, it would be saved as the empty line that
            // ends the reading.
            long number = lstrlenW(command) > 0 ? ParseCode(code) : 0;
            if (number != 0) {
                int index = theCommandPool.Add(command);
                if (index != 0) {
                    // A refused command keeps its negative index, which every
                    // reader treats as no command.
                    HotkeyRecord record = { static_cast<unsigned>(number), index };
                    theRecordList.Add(&record);
                }
            }
        }
    } catch (const CMemoryException&) {
        // Keep what has been read.
    }
}

}  // namespace

int LoadHotkeys(HWND window, BOOL stopAtFailure)
{
    wchar_t path[kLongPathBuffer];
    HotkeyFilePath(path, kLongPathBuffer);
    CMappedTextFile file;
    if (!file.Open(path, nullptr, nullptr, TRUE)) return 0;
    ReadHotkeyGroups(file);
    file.Close();

    for (int index = static_cast<int>(theRecordList.GetCount()); index >= 1; --index) {
        const HotkeyRecord* record = GetHotkeyRecord(index);
        if (!::RegisterHotKey(window, kHotkeyIdBase + index, HotkeyModifiers(record->code), HotkeyKey(record->code)) &&
            stopAtFailure)
            return index;
    }
    return 0;
}

void ReleaseHotkeys()
{
    HWND main = AfxGetMainWnd() ? AfxGetMainWnd()->m_hWnd : nullptr;
    for (int index = static_cast<int>(theRecordList.GetCount()); index >= 1; --index)
        ::UnregisterHotKey(main, kHotkeyIdBase + index);
    theCommandPool.Clear();
    theRecordList.Clear();
}

void DeleteHotkeyFile(LPCWSTR path, HWND owner) { DeleteSilently(path, owner); }
