// Reading and saving a small file without losing what is in it: what lies
// at its place, waits for a file another program holds, numbered backups
// moved into place without replacing, and a replacement through a
// temporary file that reaches the disk before it takes the file's name.
#include "shell/SafeFile.h"

#include <cwctype>
#include <vector>

#include "framework/ExecutablePath.h"
#include "framework/Handles.h"

namespace {

// A file another program holds is tried again this often.
constexpr DWORD kRetryPauseMs = 20;
// Numbered backups a save tries before it gives up.
constexpr int kMostBackups = 999;

std::function<void(const char*)>& StepHook()
{
    static std::function<void(const char*)> hook;
    return hook;
}

void Step(const char* name)
{
    if (StepHook()) StepHook()(name);
}

// Errors of a file another program has open (or is deleting) right now.
bool IsHeld(DWORD error)
{
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_ACCESS_DENIED;
}

// How long a save may still wait for a file another program holds; a
// cancel ends the wait at once.
class Patience {
public:
    Patience(DWORD waitMs, const SaveCancel* cancel) : m_start(::GetTickCount()), m_waitMs(waitMs), m_cancel(cancel) {}
    // Waits a moment before the next try; false when the time is up.
    bool WaitAgain() const
    {
        if (IsCancelled() || ::GetTickCount() - m_start >= m_waitMs) return false;
        ::Sleep(kRetryPauseMs);
        return !IsCancelled();
    }
    bool IsCancelled() const { return m_cancel && m_cancel->IsCancelled(); }

private:
    DWORD m_start, m_waitMs;
    const SaveCancel* m_cancel;
};

// Reads the whole file; ERROR_SUCCESS or why not.
DWORD ReadBytes(const std::wstring& path, std::string& bytes)
{
    UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return ::GetLastError();
    bytes.clear();
    char buffer[16384];
    for (;;) {
        DWORD read = 0;
        if (!::ReadFile(file.Get(), buffer, sizeof(buffer), &read, nullptr)) return ::GetLastError();
        if (read == 0) return ERROR_SUCCESS;
        bytes.append(buffer, read);
    }
}

bool SameBytes(const std::wstring& path, const std::string& bytes)
{
    std::string there;
    return ReadBytes(path, there) == ERROR_SUCCESS && there == bytes;
}

LPCWSTR NameOf(const std::wstring& path) { return ::PathFindFileNameW(path.c_str()); }
std::wstring FolderOf(const std::wstring& path) { return path.substr(0, path.size() - wcslen(NameOf(path))); }

// A temporary file's name: the file's, a dot, eight hex digits, ".tmp".
constexpr size_t kTemporaryTail = 1 + 8 + 4;

bool IsTemporaryOf(const std::wstring& name, const std::wstring& fileName)
{
    if (name.size() != fileName.size() + kTemporaryTail || _wcsnicmp(name.c_str(), fileName.c_str(), fileName.size()))
        return false;
    const wchar_t* tail = name.c_str() + fileName.size();
    if (tail[0] != L'.' || _wcsicmp(tail + 9, L".tmp") != 0) return false;
    for (int i = 1; i <= 8; ++i)
        if (!iswxdigit(tail[i])) return false;
    return true;
}

// A new file beside another, of a name no one else uses, open to this save
// alone from its making until it takes its place: no other program reads
// it half-written, and no later save mistakes it for one that was killed.
class TemporaryFile {
public:
    explicit TemporaryFile(const std::wstring& beside)
    {
        static std::atomic<unsigned> counter{ 0 };
        for (int attempt = 0; attempt < 16 && !m_file; ++attempt) {
            const unsigned unique = (::GetCurrentProcessId() * 2654435761u) ^ (::GetTickCount() * 40503u) ^
                                    (++counter * 2246822519u);
            wchar_t tail[16];
            wnsprintfW(tail, ARRAYSIZE(tail), L".%08x.tmp", unique);
            m_path = beside + tail;
            // CREATE_NEW: never a file that is there already (a link to
            // another file, a file of the user's), so nothing is written
            // through it.
            m_file.Reset(::CreateFileW(m_path.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH, nullptr));
            if (!m_file && ::GetLastError() != ERROR_FILE_EXISTS && ::GetLastError() != ERROR_ALREADY_EXISTS) break;
        }
    }
    explicit operator bool() const { return static_cast<bool>(m_file); }

    // The bytes, on the disk.
    bool Write(const std::string& bytes)
    {
        Step("write");
        DWORD written = 0;
        if (!bytes.empty() &&
            (!::WriteFile(m_file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
             written != bytes.size()))
            return false;
        Step("flush");
        return ::FlushFileBuffers(m_file.Get()) != FALSE;
    }

    // Gives the file the name, in one step; replace: over a file of that
    // name. A destination another program holds is waited for. The error
    // of the last try, ERROR_SUCCESS when moved.
    DWORD MoveTo(const std::wstring& destination, bool replace, const Patience& patience)
    {
        const size_t nameBytes = destination.size() * sizeof(wchar_t);
        std::vector<BYTE> buffer(sizeof(FILE_RENAME_INFO) + nameBytes);
        auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
        rename->ReplaceIfExists = replace;
        rename->RootDirectory = nullptr;
        rename->FileNameLength = static_cast<DWORD>(nameBytes);
        memcpy(rename->FileName, destination.c_str(), nameBytes);
        for (;;) {
            if (::SetFileInformationByHandle(m_file.Get(), FileRenameInfo, rename, static_cast<DWORD>(buffer.size())))
                return ERROR_SUCCESS;
            const DWORD error = ::GetLastError();
            if (!IsHeld(error) || !patience.WaitAgain()) return error;
        }
    }

    // A save that did not go through takes its temporary file away.
    void Discard()
    {
        FILE_DISPOSITION_INFO dispose = { TRUE };
        ::SetFileInformationByHandle(m_file.Get(), FileDispositionInfo, &dispose, sizeof(dispose));
        m_file.Reset();
    }

private:
    std::wstring m_path;
    UniqueFile m_file;
};

// Temporary files of saves that were killed: no save has them open.
void RemoveLeftTemporaries(const std::wstring& path)
{
    const std::wstring folder = FolderOf(path), name = NameOf(path);
    WIN32_FIND_DATAW found;
    UniqueFind find(::FindFirstFileW((path + L".*.tmp").c_str(), &found));
    if (!find) return;
    do {
        // One that is being written is open to its save alone: it stays.
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && IsTemporaryOf(found.cFileName, name))
            ::DeleteFileW((folder + found.cFileName).c_str());
    } while (::FindNextFileW(find.Get(), &found));
}

// Keeps the bytes beside the file in the first free numbered backup, or
// finds them kept there already; the backup's path, "" on failure.
std::wstring KeepBackup(const std::wstring& path, const std::string& bytes, const Patience& patience)
{
    Step("backup");
    TemporaryFile copy(path);
    if (!copy || !copy.Write(bytes)) {
        if (copy) copy.Discard();
        return std::wstring();
    }
    for (int number = 1; number <= kMostBackups; ++number) {
        const std::wstring name = BackupName(path, number);
        const DWORD error = copy.MoveTo(name, false, patience);
        if (error == ERROR_SUCCESS) return name;
        if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS && !IsHeld(error)) break;
        // Taken (by a backup, a folder, another program's file): the same
        // bytes kept there before do, anything else is passed by.
        if (SameBytes(name, bytes)) {
            copy.Discard();
            return name;
        }
    }
    copy.Discard();
    return std::wstring();
}

// Replaces the file with the bytes; ERROR_SUCCESS or why not.
DWORD Replace(const std::wstring& path, const std::string& bytes, const Patience& patience)
{
    TemporaryFile file(path);
    if (!file) return ::GetLastError();
    if (!file.Write(bytes)) {
        const DWORD error = ::GetLastError();
        file.Discard();
        return error;
    }
    Step("replace");
    const DWORD error = file.MoveTo(path, true, patience);
    if (error != ERROR_SUCCESS) file.Discard();
    return error;
}

// Deletes the file, waiting for another program that holds it.
DWORD Remove(const std::wstring& path, const Patience& patience)
{
    Step("delete");
    for (;;) {
        if (::DeleteFileW(path.c_str())) return ERROR_SUCCESS;
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return ERROR_SUCCESS;
        if (!IsHeld(error) || !patience.WaitAgain()) return error;
    }
}

}  // namespace

void SetSafeFileStepHook(std::function<void(const char*)> hook) { StepHook() = std::move(hook); }

std::wstring BackupName(const std::wstring& path, int number)
{
    return number == 1 ? path + L".bak" : path + L"." + std::to_wstring(number) + L".bak";
}

bool SaveCancel::Cancel()
{
    int waiting = kWaiting;
    return m_state.compare_exchange_strong(waiting, kCancelled) || waiting == kCancelled;
}

bool SaveCancel::Commit()
{
    int waiting = kWaiting;
    return m_state.compare_exchange_strong(waiting, kCommitted) || waiting == kCommitted;
}

FileSpot InspectFileSpot(const std::wstring& path)
{
    FileSpot spot;
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return spot;
        spot.kind = FileSpot::Unreadable;
        spot.inTheWay = L"out of reach";
        return spot;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        spot.kind = FileSpot::InTheWay;
        spot.inTheWay = attributes & FILE_ATTRIBUTE_REPARSE_POINT ? L"a link to a folder" : L"a folder";
        return spot;
    }
    UniqueFile file(::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
    if (!file) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return spot;  // gone meanwhile
        spot.kind = FileSpot::Unreadable;
        spot.inTheWay = L"held by another program";
        return spot;
    }
    if (::GetFileType(file.Get()) != FILE_TYPE_DISK) {
        spot.kind = FileSpot::InTheWay;
        spot.inTheWay = L"a device";
        return spot;
    }
    // A link to a file: the file it leads to is the one written.
    wchar_t final[kLongPathBuffer] = {};
    DWORD length = ::GetFinalPathNameByHandleW(file.Get(), final, kLongPathBuffer, FILE_NAME_NORMALIZED);
    spot.kind = FileSpot::File;
    spot.readOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    spot.target = path;
    if (length > 4 && length < kLongPathBuffer && wcsncmp(final, L"\\\\?\\", 4) == 0 && final[5] == L':')
        spot.target = final + 4;
    return spot;
}

FileReading ReadFileSafely(const std::wstring& path, DWORD retryMs)
{
    FileReading reading;
    reading.path = path;
    const Patience patience(retryMs, nullptr);
    for (;;) {
        reading.spot = InspectFileSpot(path);
        if (reading.spot.kind == FileSpot::Missing) {
            reading.read = true;  // nothing to lose: a save may make one
            return reading;
        }
        if (reading.spot.kind == FileSpot::InTheWay) return reading;
        if (reading.spot.kind == FileSpot::File) {
            Step("open");
            const DWORD error = ReadBytes(reading.spot.target, reading.bytes);
            if (error == ERROR_SUCCESS) {
                reading.read = true;
                return reading;
            }
            reading.bytes.clear();
            if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) continue;  // gone meanwhile
            reading.spot.kind = FileSpot::Unreadable;
            reading.spot.inTheWay = L"held by another program";
        }
        // Held by another program (a scanner, a backup tool) for a moment,
        // perhaps.
        if (!patience.WaitAgain()) return reading;
    }
}

FileSaveResult SaveFileSafely(const FileReading& before, const FileSave& save, SaveCancel* cancel, DWORD lockWaitMs)
{
    FileSaveResult result;
    result.now = before;
    const std::wstring& path = before.path;
    const Patience patience(lockWaitMs, cancel);
    auto end = [&](FileSaveResult::Outcome outcome) {
        result.outcome = patience.IsCancelled() ? FileSaveResult::Cancelled : outcome;
        return result;
    };

    // What lies there now, and its bytes.
    FileSpot spot;
    std::string now;
    for (;;) {
        Step("read");
        spot = InspectFileSpot(path);
        result.now.spot = spot;
        if (spot.kind == FileSpot::InTheWay) return end(FileSaveResult::InTheWay);
        if (spot.kind == FileSpot::Missing) break;
        if (spot.kind == FileSpot::File) {
            // Never over a file the reading could not read.
            if (!before.read) return end(FileSaveResult::NotReadBefore);
            const DWORD error = ReadBytes(spot.target, now);
            if (error == ERROR_SUCCESS) break;
            if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) continue;  // gone meanwhile
            result.now.spot.kind = FileSpot::Unreadable;
            result.now.spot.inTheWay = L"held by another program";
        }
        if (!patience.WaitAgain())
            return end(result.now.spot.inTheWay == L"held by another program" ? FileSaveResult::Held
                                                                               : FileSaveResult::InTheWay);
    }
    const bool there = spot.kind == FileSpot::File;
    if (there && spot.readOnly) {
        result.now.spot.inTheWay = L"read-only";
        return end(FileSaveResult::InTheWay);
    }
    const std::wstring target = there ? spot.target : path;

    // What the file holds that the save would lose is kept first.
    if (patience.IsCancelled()) return end(FileSaveResult::Cancelled);
    result.changedSinceRead = there && now != before.bytes;
    if (there && (result.changedSinceRead || save.keepAsRead)) {
        result.backup = KeepBackup(target, now, patience);
        if (result.backup.empty()) return end(FileSaveResult::BackupFailed);
    }
    if (cancel && !cancel->Commit()) return end(FileSaveResult::Cancelled);

    DWORD error = ERROR_SUCCESS;
    if (save.remove)
        error = there ? Remove(target, patience) : ERROR_SUCCESS;
    else
        error = Replace(target, save.bytes, patience);
    if (error != ERROR_SUCCESS) return end(IsHeld(error) ? FileSaveResult::Held : FileSaveResult::WriteFailed);

    // The new reading is what was written; read back, with the patience
    // of a reading, where a scanner lets it.
    Step("read back");
    const FileReading back = ReadFileSafely(path, lockWaitMs);
    result.now.read = true;
    result.now.bytes = save.remove ? std::string() : save.bytes;
    result.now.spot = back.spot;
    if (back.spot.kind != (save.remove ? FileSpot::Missing : FileSpot::File)) {
        result.now.spot = FileSpot();
        if (!save.remove) {
            result.now.spot.kind = FileSpot::File;
            result.now.spot.target = target;
        }
    }
    result.readBack = back.read && back.bytes == result.now.bytes;
    RemoveLeftTemporaries(target);
    result.outcome = FileSaveResult::Saved;
    return result;
}
