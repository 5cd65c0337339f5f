// The hotkey file beside the executable (extension ".key"): UTF-16LE with a
// byte-order mark, one group of three CR LF lines per hotkey: the code in
// decimal, the command, an empty line. UTF-8 (with or without its mark),
// ANSI text, and LF or CR line ends are read as well.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "framework/CString.h"
#include "framework/Handles.h"
#include "hotkeys/HotkeyTable.h"

// The hotkey file's path: the executable's with ".key" as its extension.
void HotkeyFilePath(wchar_t* buffer, int size);

// A read-only mapping of a whole text file, cut into lines one at a time.
class CMappedTextFile {
public:
    CMappedTextFile() = default;
    ~CMappedTextFile() { Close(); }
    CMappedTextFile(const CMappedTextFile&) = delete;
    CMappedTextFile& operator=(const CMappedTextFile&) = delete;

    // UTF-16LE after its mark; UTF-8 after its mark, or without one when
    // the bytes are valid UTF-8; else text in a code page.
    enum class Encoding { CodePage, Utf8, Utf16 };

    // 1 when the file is mapped; with quiet, failures show no message.
    int Open(LPCWSTR path, const BYTE** base, DWORD* size, BOOL quiet);
    // 0 when the data is exhausted (the string is left as it was), else 1.
    // The code page applies to code-page text only.
    int ReadLine(CString& line, UINT codePage);
    void Close();
    Encoding GetEncoding() const { return m_encoding; }
    // Whether some of the data read so far could not be decoded (bytes that
    // are not UTF-8 after its mark, half a UTF-16 character at the end).
    bool IsDamaged() const { return m_damaged; }
    // Whether nothing but white space is left to read.
    bool RestIsBlank() const;
    // Whether the line read last ended with a line end (not with the data).
    bool LineEnded() const { return m_lineEnded; }

private:
    void ReadUnicodeLine(CString& line);
    void ReadByteLine(CString& line, UINT codePage);
    wchar_t UnitAt(DWORD at) const { return static_cast<wchar_t>(View()[at] | (View()[at + 1] << 8)); }

    const BYTE* View() const { return static_cast<const BYTE*>(m_view.Get()); }

    UniqueFile m_file;
    UniqueKernelHandle m_mapping;
    UniqueMappedView m_view;
    DWORD m_size = 0;
    DWORD m_position = 0;
    Encoding m_encoding = Encoding::CodePage;
    bool m_damaged = false;
    bool m_lineEnded = true;
};

// What a hotkey file holds, as far as it could be read.
struct HotkeyFileContent {
    std::vector<Hotkey> hotkeys;
    // Every byte was understood: writing the hotkeys back loses nothing.
    bool whole = true;
    // Read as text of the system's code page with letters beyond ASCII:
    // which letters they were is a guess, and writing them back as Unicode
    // would fix that guess for good.
    bool guessedLetters = false;
};
// Reads the file; false when it cannot be opened or is empty.
bool ReadHotkeyFile(LPCWSTR path, HotkeyFileContent& content);

// Loads the hotkey file into the hotkey table and registers every hotkey
// for the window, the last record first. Returns 0, or with stopAtFailure
// the index of the record whose registration failed. Reads the disk on the
// calling thread (tools and tests; the program reads it on a worker).
int LoadHotkeys(HWND window, BOOL stopAtFailure);
// UI thread: reads the hotkey file on the launch lane (waiting a while for
// a file another program holds), then loads and registers it; a file that
// could not be read is told through tell.
void LoadHotkeysLater(HWND window, std::function<void(const std::wstring&)> tell);
// Registers every record of the table for the window, the last first, and
// returns the indexes of those that failed (every record is tried).
std::vector<int> RegisterHotkeys(HWND window);
// Unregisters every record of the table from the window; the table stays.
void UnregisterHotkeys(HWND window);
// Unregisters every hotkey from the main window and empties the table.
void ReleaseHotkeys();

