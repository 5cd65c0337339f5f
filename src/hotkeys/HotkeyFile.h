// The hotkey file beside the executable (extension ".key"): UTF-16LE with a
// byte-order mark, one group of three CR LF lines per hotkey: the code in
// decimal, the command, an empty line. ANSI text and LF or CR line ends are
// read as well.
#pragma once

#include "framework/CString.h"
#include "framework/Handles.h"

// The hotkey file's path: the executable's with ".key" as its extension.
void HotkeyFilePath(wchar_t* buffer, int size);

// A read-only mapping of a whole text file, cut into lines one at a time.
class CMappedTextFile {
public:
    CMappedTextFile() = default;
    ~CMappedTextFile() { Close(); }
    CMappedTextFile(const CMappedTextFile&) = delete;
    CMappedTextFile& operator=(const CMappedTextFile&) = delete;

    // 1 when the file is mapped; with quiet, failures show no message.
    int Open(LPCWSTR path, const BYTE** base, DWORD* size, BOOL quiet);
    // 0 when the data is exhausted (the string is left as it was), else 1.
    // The code page applies to ANSI data only.
    int ReadLine(CString& line, UINT codePage);
    void Close();
    BOOL IsUnicode() const { return m_unicode; }

private:
    void ReadUnicodeLine(CString& line);
    void ReadAnsiLine(CString& line, UINT codePage);

    const BYTE* View() const { return static_cast<const BYTE*>(m_view.Get()); }

    UniqueFile m_file;
    UniqueKernelHandle m_mapping;
    UniqueMappedView m_view;
    DWORD m_size = 0;
    DWORD m_position = 0;
    BOOL m_unicode = FALSE;
};

// Loads the hotkey file into the hotkey table and registers every hotkey
// for the window, the last record first. Returns 0, or with stopAtFailure
// the index of the record whose registration failed.
int LoadHotkeys(HWND window, BOOL stopAtFailure);
// Unregisters every hotkey from the main window and empties the table.
void ReleaseHotkeys();
// Deletes the file through the shell (silently, not to the recycle bin).
void DeleteHotkeyFile(LPCWSTR path, HWND owner);
