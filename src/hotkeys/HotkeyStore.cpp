// The hotkey file's reading and saving: what lies at its place, retries for
// a file another program holds, numbered backups, and a replacement that
// reaches the disk before it counts.
#include "hotkeys/HotkeyStore.h"

#include "framework/ExecutablePath.h"
#include "framework/Handles.h"

namespace {

constexpr DWORD kRetryPauseMs = 200;

std::string ReadWhole(HANDLE file)
{
    std::string bytes;
    char buffer[16384];
    DWORD read = 0;
    while (::ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read) bytes.append(buffer, read);
    return bytes;
}

// Opens the path as a hotkey file is opened: shared, never created.
UniqueFile OpenForReading(const std::wstring& path)
{
    return UniqueFile(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

LPCWSTR NameOf(const std::wstring& path) { return ::PathFindFileNameW(path.c_str()); }

}  // namespace

HotkeyFileSpot InspectHotkeyFile(const std::wstring& path)
{
    HotkeyFileSpot spot;
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return spot;
        spot.kind = HotkeyFileSpot::Unreadable;
        spot.inTheWay = L"out of reach";
        return spot;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        spot.kind = HotkeyFileSpot::InTheWay;
        spot.inTheWay = attributes & FILE_ATTRIBUTE_REPARSE_POINT ? L"a link to a folder" : L"a folder";
        return spot;
    }
    UniqueFile file(::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
    if (!file) {
        spot.kind = HotkeyFileSpot::Unreadable;
        spot.inTheWay = L"held by another program";
        return spot;
    }
    if (::GetFileType(file.Get()) != FILE_TYPE_DISK) {
        spot.kind = HotkeyFileSpot::InTheWay;
        spot.inTheWay = L"a device";
        return spot;
    }
    // A link to a file: the file it leads to is the one written.
    wchar_t final[kLongPathBuffer] = {};
    DWORD length = ::GetFinalPathNameByHandleW(file.Get(), final, kLongPathBuffer, FILE_NAME_NORMALIZED);
    spot.kind = HotkeyFileSpot::File;
    spot.target = path;
    if (length > 4 && length < kLongPathBuffer && wcsncmp(final, L"\\\\?\\", 4) == 0 && final[5] == L':')
        spot.target = final + 4;
    return spot;
}

HotkeyFileRead ReadHotkeysFromDisk(const std::wstring& path, DWORD retryMs)
{
    HotkeyFileRead read;
    read.path = path;
    const DWORD start = ::GetTickCount();
    for (;;) {
        read.spot = InspectHotkeyFile(path);
        if (read.spot.kind == HotkeyFileSpot::Missing) {
            read.read = true;  // nothing to lose: OK may make one
            return read;
        }
        if (read.spot.kind == HotkeyFileSpot::InTheWay) return read;
        if (read.spot.kind == HotkeyFileSpot::File) {
            UniqueFile file = OpenForReading(read.spot.target);
            if (file) {
                read.bytes = ReadWhole(file.Get());
                break;
            }
            read.spot.kind = HotkeyFileSpot::Unreadable;
            read.spot.inTheWay = L"held by another program";
        }
        // Held by another program (a backup, a sync) for a moment, perhaps.
        if (::GetTickCount() - start >= retryMs) return read;
        ::Sleep(kRetryPauseMs);
    }
    read.read = true;
    if (!read.bytes.empty()) ReadHotkeyFile(read.spot.target.c_str(), read.content);
    return read;
}

std::string HotkeyFileBytes(const std::vector<Hotkey>& hotkeys)
{
    std::wstring text;
    for (const Hotkey& hotkey : hotkeys) {
        // A command the reader would not give back unchanged (empty, or of
        // several lines) is left out.
        if (!hotkey.command[0] || wcspbrk(hotkey.command, L"\r\n")) continue;
        text += std::to_wstring(static_cast<int>(hotkey.code)) + L"\r\n" + static_cast<LPCWSTR>(hotkey.command) +
                L"\r\n\r\n";
    }
    std::string bytes("\xFF\xFE", 2);
    bytes.append(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
    return bytes;
}

namespace {

// The backups of a file: name.bak, then name.2.bak, name.3.bak and on.
std::wstring BackupName(const std::wstring& path, int number)
{
    return number == 1 ? path + L".bak" : path + L"." + std::to_wstring(number) + L".bak";
}

bool SameBytes(const std::wstring& path, const std::string& bytes)
{
    UniqueFile file = OpenForReading(path);
    return file && ReadWhole(file.Get()) == bytes;
}

// Writes the bytes to the path through a file beside it, flushed to the
// disk before it replaces the old one: a crash leaves the old file or the
// new one whole, never an empty one.
bool ReplaceDurably(const std::wstring& path, const std::string& bytes)
{
    const std::wstring temporary = path + L".new";
    UniqueFile file(::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH, nullptr));
    if (!file) return false;
    DWORD written = 0;
    bool ok = ::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
              written == bytes.size() && ::FlushFileBuffers(file.Get());
    ok = ::CloseHandle(file.Release()) && ok;
    if (ok) ok = ::MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!ok) ::DeleteFileW(temporary.c_str());
    return ok;
}

// Keeps the bytes beside the file under a name of their own; the same
// bytes kept before are not kept twice. The backup's name, "" on failure.
std::wstring KeepBackup(const std::wstring& path, const std::string& bytes)
{
    constexpr int kMostBackups = 999;
    for (int number = 1; number <= kMostBackups; ++number) {
        const std::wstring name = BackupName(path, number);
        if (::GetFileAttributesW(name.c_str()) == INVALID_FILE_ATTRIBUTES)
            return ReplaceDurably(name, bytes) ? name : std::wstring();
        if (SameBytes(name, bytes)) return name;
    }
    return std::wstring();
}

}  // namespace

HotkeySaveResult SaveHotkeysToDisk(const HotkeyFileRead& before, const std::vector<Hotkey>& wanted)
{
    HotkeySaveResult result;
    result.now = before;
    const std::wstring& path = before.path;
    const HotkeyFileSpot spot = InspectHotkeyFile(path);
    wchar_t text[1024];
    if (spot.kind == HotkeyFileSpot::InTheWay || spot.kind == HotkeyFileSpot::Unreadable) {
        wnsprintfW(text, ARRAYSIZE(text), L"Falied to save keys.\n\n%s is %s: nothing was written.", NameOf(path),
                   spot.inTheWay.c_str());
        result.message = text;
        return result;
    }
    if (!before.read && spot.kind == HotkeyFileSpot::File) {
        wnsprintfW(text, ARRAYSIZE(text),
                   L"%s could not be read when Quillop started, so it is left as it is. Start Quillop again to "
                   L"load it.",
                   NameOf(path));
        result.message = text;
        return result;
    }
    // What is on the disk now, and what writing the file back would change
    // beyond the user's edits.
    std::wstring note;
    if (spot.kind == HotkeyFileSpot::File) {
        UniqueFile file = OpenForReading(spot.target);
        if (!file) {
            wnsprintfW(text, ARRAYSIZE(text), L"Falied to save keys.\n\n%s is held by another program: nothing was "
                       L"written.", NameOf(path));
            result.message = text;
            return result;
        }
        const std::string now = ReadWhole(file.Get());
        file.Reset();
        LPCWSTR why = nullptr;
        if (now != before.bytes)
            why = L"%s was changed since Quillop read it. The file as it was is kept as %s.";
        else if (!before.content.whole)
            why = L"Part of %s could not be read. The file as it was is kept as %s.";
        else if (before.content.guessedLetters)
            why = L"%s is written anew as Unicode text. The file as it was is kept as %s.";
        if (why) {
            const std::wstring backup = KeepBackup(spot.target, now);
            if (backup.empty()) {
                result.message = L"Falied to save keys.";
                return result;
            }
            wnsprintfW(text, ARRAYSIZE(text), why, NameOf(path), NameOf(backup));
            note = text;
        }
    }
    const std::wstring target = spot.kind == HotkeyFileSpot::File ? spot.target : path;
    bool done;
    if (wanted.empty())
        done = spot.kind == HotkeyFileSpot::Missing || ::DeleteFileW(target.c_str()) ||
               ::GetFileAttributesW(target.c_str()) == INVALID_FILE_ATTRIBUTES;
    else
        done = ReplaceDurably(target, HotkeyFileBytes(wanted));
    if (!done) {
        result.message = note.empty() ? L"Falied to save keys." : note + L"\n\nFalied to save keys.";
        return result;
    }
    result.saved = true;
    result.message = note;
    result.now = ReadHotkeysFromDisk(path, 0);
    return result;
}

HotkeyFileRead& TheHotkeyFile()
{
    static HotkeyFileRead file;
    return file;
}

std::wstring HotkeyFileNotReadText(const HotkeyFileRead& file)
{
    if (file.read) return std::wstring();
    wchar_t text[512];
    wnsprintfW(text, ARRAYSIZE(text), L"%s is %s: no hotkeys were loaded from it, and OK will not change it.",
               NameOf(file.path), file.spot.inTheWay.c_str());
    return text;
}
