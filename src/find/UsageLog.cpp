#include "find/UsageLog.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <unordered_map>

#include "framework/ExecutablePath.h"
#include "shell/ShellWorker.h"

namespace {

constexpr int64_t kUnixEpochInFileTimeSeconds = 11644473600LL;
constexpr int64_t kFileTimeTicksPerSecond = 10000000LL;
constexpr DWORD kReadRetryMs = 3000;  // a file another program holds at start
constexpr DWORD kExitSaveWaitMs = 5000;

// UI thread only: the logs whose saves wait for a thread timer.
std::unordered_map<UINT_PTR, UsageLog*> gTimerOwners;

bool SamePath(const std::wstring& a, const std::wstring& b)
{
    return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                                  TRUE) == CSTR_EQUAL;
}

std::string ToUtf8(const std::wstring& text)
{
    const int length = static_cast<int>(text.size());
    const int needed = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), length, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(std::max(needed, 0)), '\0');
    if (needed > 0) ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), length, &bytes[0], needed, nullptr, nullptr);
    return bytes;
}

// False for bytes that are not UTF-8.
bool FromUtf8(const std::string& bytes, std::wstring& text)
{
    const int length = static_cast<int>(bytes.size());
    const int needed = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), length, nullptr, 0);
    if (needed <= 0) return false;
    text.assign(static_cast<size_t>(needed), L'\0');
    return ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), length, &text[0], needed) == needed;
}

// "3", "2.5", "0.125": three decimals at most, no trailing zeros.
std::string CountText(double count)
{
    char text[32];
    std::snprintf(text, sizeof(text), "%.3f", count);
    std::string result(text);
    while (result.back() == '0') result.pop_back();
    if (result.back() == '.') result.pop_back();
    return result;
}

bool ParseCount(const std::string& text, double& count)
{
    if (text.empty()) return false;
    double value = 0, scale = 0;
    for (char c : text) {
        if (c == '.' && scale == 0) {
            scale = 1;
        } else if (c >= '0' && c <= '9') {
            if (scale == 0) {
                value = value * 10 + (c - '0');
            } else {
                scale /= 10;
                value += (c - '0') * scale;
            }
        } else {
            return false;
        }
    }
    if (value > 1e9) return false;
    count = value;
    return true;
}

std::string TimeText(int64_t unixSeconds)
{
    const uint64_t ticks = static_cast<uint64_t>(unixSeconds + kUnixEpochInFileTimeSeconds) * kFileTimeTicksPerSecond;
    const FILETIME file = { static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32) };
    SYSTEMTIME time = {};
    ::FileTimeToSystemTime(&file, &time);
    char text[32];
    std::snprintf(text, sizeof(text), "%04u-%02u-%02uT%02u:%02u:%02uZ", time.wYear, time.wMonth, time.wDay,
                  time.wHour, time.wMinute, time.wSecond);
    return text;
}

bool ParseTime(const std::string& text, int64_t& unixSeconds)
{
    unsigned year, month, day, hour, minute, second;
    char end = 0;
    if (text.size() != 20 || std::sscanf(text.c_str(), "%4u-%2u-%2uT%2u:%2u:%2u%c", &year, &month, &day, &hour,
                                         &minute, &second, &end) != 7 || end != 'Z')
        return false;
    SYSTEMTIME time = {};
    time.wYear = static_cast<WORD>(year);
    time.wMonth = static_cast<WORD>(month);
    time.wDay = static_cast<WORD>(day);
    time.wHour = static_cast<WORD>(hour);
    time.wMinute = static_cast<WORD>(minute);
    time.wSecond = static_cast<WORD>(second);
    FILETIME file;
    if (!::SystemTimeToFileTime(&time, &file)) return false;
    const uint64_t ticks = (static_cast<uint64_t>(file.dwHighDateTime) << 32) | file.dwLowDateTime;
    unixSeconds = static_cast<int64_t>(ticks / kFileTimeTicksPerSecond) - kUnixEpochInFileTimeSeconds;
    return true;
}

// A path that stays under the menu folder: not empty, not rooted, no "..".
bool IsPathUnderMenuFolder(const std::wstring& path)
{
    if (path.empty() || path[0] == L'\\' || path[0] == L'/' || path.find(L':') != std::wstring::npos) return false;
    for (size_t at = 0; at <= path.size();) {
        const size_t end = std::min(path.find(L'\\', at), path.size());
        const std::wstring part = path.substr(at, end - at);
        if (part.empty() || part == L"." || part == L"..") return false;
        at = end + 1;
    }
    return true;
}

bool ParseLine(const std::string& line, UseRecord& record)
{
    const size_t firstSpace = line.find(' ');
    if (firstSpace == std::string::npos) return false;
    const size_t secondSpace = line.find(' ', firstSpace + 1);
    if (secondSpace == std::string::npos) return false;
    return ParseCount(line.substr(0, firstSpace), record.count) &&
           ParseTime(line.substr(firstSpace + 1, secondSpace - firstSpace - 1), record.lastUse) &&
           FromUtf8(line.substr(secondSpace + 1), record.path) && IsPathUnderMenuFolder(record.path);
}

std::string LineOf(const UseRecord& record)
{
    return CountText(record.count) + " " + TimeText(record.lastUse) + " " + ToUtf8(record.path) + "\r\n";
}

}  // namespace

int64_t UnixTimeNow()
{
    FILETIME file;
    ::GetSystemTimeAsFileTime(&file);
    const uint64_t ticks = (static_cast<uint64_t>(file.dwHighDateTime) << 32) | file.dwLowDateTime;
    return static_cast<int64_t>(ticks / kFileTimeTicksPerSecond) - kUnixEpochInFileTimeSeconds;
}

double ScoreAt(const UseRecord& record, int64_t now)
{
    const double age = static_cast<double>(std::max<int64_t>(now - record.lastUse, 0));
    return record.count * std::exp2(-age / static_cast<double>(kUseHalfLifeSeconds));
}

UsageFileContent ReadUsageBytes(const std::string& bytes)
{
    UsageFileContent content;
    size_t at = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    while (at < bytes.size()) {
        size_t end = bytes.find('\n', at);
        if (end == std::string::npos) end = bytes.size();
        std::string line = bytes.substr(at, end - at);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        at = end + 1;
        if (line.empty()) continue;
        UseRecord record;
        if (ParseLine(line, record))
            content.records.push_back(std::move(record));
        else
            content.whole = false;
    }
    return content;
}

std::string UsageFileBytes(std::vector<UseRecord> records, int64_t now)
{
    std::stable_sort(records.begin(), records.end(), [now](const UseRecord& a, const UseRecord& b) {
        const double scoreA = ScoreAt(a, now), scoreB = ScoreAt(b, now);
        return scoreA != scoreB ? scoreA > scoreB : a.lastUse > b.lastUse;
    });
    std::string bytes;
    for (const UseRecord& record : records) {
        const std::string line = LineOf(record);
        if (bytes.size() + line.size() > kUsageFileMostBytes) break;  // the rest are used less
        bytes += line;
    }
    return bytes;
}

std::wstring UsageFilePath() { return static_cast<LPCWSTR>(ExecutableSibling(L".use")); }

UsageFileRead ReadUsageFromDisk(const std::wstring& path, DWORD retryMs)
{
    UsageFileRead read;
    static_cast<FileReading&>(read) = ReadFileSafely(path, retryMs);
    if (read.read) read.content = ReadUsageBytes(read.bytes);
    return read;
}

UsageSaveResult SaveUsageToDisk(const UsageFileRead& before, std::vector<UseRecord> records,
                                const std::wstring& menuFolder, int64_t now, SaveCancel* cancel)
{
    UsageSaveResult result;
    std::vector<UseRecord> kept;
    for (UseRecord& record : records) {
        const std::wstring full = menuFolder + L"\\" + record.path;
        if (::GetFileAttributesW(full.c_str()) == INVALID_FILE_ATTRIBUTES &&
            ::GetLastError() != ERROR_ACCESS_DENIED)
            result.gone.push_back(record.path);
        else
            kept.push_back(std::move(record));
    }
    FileSave save;
    save.bytes = UsageFileBytes(std::move(kept), now);
    // Lines the reader did not understand were the user's: kept in a backup.
    save.keepAsRead = !before.content.whole;
    const FileSaveResult saved = SaveFileSafely(before, save, cancel);
    static_cast<FileReading&>(result.now) = saved.now;
    result.saved = saved.outcome == FileSaveResult::Saved;
    result.now.content = result.saved ? ReadUsageBytes(saved.now.bytes) : before.content;
    return result;
}

void UsageLog::Start(std::wstring path, std::wstring menuFolder)
{
    m_menuFolder = std::move(menuFolder);
    m_reading.path = path;
    auto read = [this, path]() -> CWorkerThread::Task {
        auto reading = std::make_shared<UsageFileRead>(ReadUsageFromDisk(path, kReadRetryMs));
        return [this, reading] {
            UsageLog& log = *this;
            log.m_reading = *reading;
            // m_records runs from the least recent to the most: the file lists
            // the most used first.
            log.m_records.assign(reading->content.records.rbegin(), reading->content.records.rend());
            log.m_loaded = true;
            for (const Change& change : log.m_beforeLoad) log.Apply(change);
            log.m_dirty = !log.m_beforeLoad.empty();
            log.m_beforeLoad.clear();
            ++log.m_version;
            if (log.m_dirty) log.ScheduleSave();
        };
    };
    if (TheShellWorker().Act(CShellWorker::ActionLane::Launches, std::move(read)) != CJobQueue::Added::Queued)
        m_loaded = true;  // no reading: what is counted now is kept in memory only
}

std::wstring UsageLog::FromMenuFolder(const std::wstring& fullPath) const
{
    const size_t rootLength = m_menuFolder.size();
    if (rootLength == 0 || fullPath.size() <= rootLength + 1 || fullPath[rootLength] != L'\\' ||
        !SamePath(fullPath.substr(0, rootLength), m_menuFolder))
        return std::wstring();
    std::wstring path = fullPath.substr(rootLength + 1);
    while (!path.empty() && path.back() == L'\\') path.pop_back();
    return IsPathUnderMenuFolder(path) ? path : std::wstring();
}

void UsageLog::CountOpened(const std::wstring& fullPath, int64_t now)
{
    const std::wstring path = FromMenuFolder(fullPath);
    if (!path.empty()) Changed({ false, path, now });
}

void UsageLog::Forget(const std::wstring& pathFromMenuFolder) { Changed({ true, pathFromMenuFolder, 0 }); }

void UsageLog::Changed(const Change& change)
{
    if (!m_loaded) {
        m_beforeLoad.push_back(change);
        return;
    }
    Apply(change);
    ++m_version;
    m_dirty = true;
    ScheduleSave();
}

std::vector<UseRecord>::iterator UsageLog::FindRecord(const std::wstring& path)
{
    return std::find_if(m_records.begin(), m_records.end(),
                        [&](const UseRecord& record) { return SamePath(record.path, path); });
}

void UsageLog::Apply(const Change& change)
{
    auto found = FindRecord(change.path);
    if (change.forget) {
        if (found != m_records.end()) m_records.erase(found);
        return;
    }
    // The record used last goes to the end: two uses in the same second
    // (the file keeps seconds) are then still told apart by Recent.
    UseRecord used = found == m_records.end() ? UseRecord{ 0, change.at, change.path } : *found;
    if (found != m_records.end()) m_records.erase(found);
    used.count = ScoreAt(used, change.at) + 1;
    used.lastUse = std::max(used.lastUse, change.at);
    m_records.push_back(std::move(used));
}

std::vector<UseRecord> UsageLog::Recent(size_t most) const
{
    // Newest first; of two in the same second, the one used later.
    std::vector<UseRecord> recent(m_records.rbegin(), m_records.rend());
    std::stable_sort(recent.begin(), recent.end(),
                     [](const UseRecord& a, const UseRecord& b) { return a.lastUse > b.lastUse; });
    if (recent.size() > most) recent.resize(most);
    return recent;
}

void UsageLog::ForEachScore(const std::function<void(const std::wstring&, double)>& visit) const
{
    const int64_t now = UnixTimeNow();
    for (const UseRecord& record : m_records) {
        const double score = ScoreAt(record, now);
        if (score > 0) visit(record.path, score);
    }
}

// At most once a minute: a save waits for the minute since the last one.
void UsageLog::ScheduleSave()
{
    if (m_timer || m_saving) return;
    const DWORD since = ::GetTickCount() - m_lastSaveTick;
    const DWORD wait = m_lastSaveTick == 0 || since >= m_saveEveryMs ? USER_TIMER_MINIMUM : m_saveEveryMs - since;
    m_timer = ::SetTimer(nullptr, 0, wait, OnSaveTimer);
    if (m_timer) gTimerOwners[m_timer] = this;
}

void CALLBACK UsageLog::OnSaveTimer(HWND, UINT, UINT_PTR timer, DWORD)
{
    ::KillTimer(nullptr, timer);
    const auto owner = gTimerOwners.find(timer);
    if (owner == gTimerOwners.end()) return;
    UsageLog& log = *owner->second;
    gTimerOwners.erase(owner);
    log.m_timer = 0;
    log.SaveNow();
}

void UsageLog::SaveNow()
{
    if (!m_dirty || !m_loaded || m_saving || !m_reading.read) return;
    m_dirty = false;
    m_saving = true;
    m_lastSaveTick = ::GetTickCount();
    auto save = [this, before = m_reading, records = m_records, root = m_menuFolder]() -> CWorkerThread::Task {
        auto result = std::make_shared<UsageSaveResult>(SaveUsageToDisk(before, records, root, UnixTimeNow()));
        return [this, result] {
            UsageLog& log = *this;
            log.m_saving = false;
            if (result->saved) log.m_reading = result->now;
            for (const std::wstring& gone : result->gone) {
                auto found = log.FindRecord(gone);
                if (found != log.m_records.end()) log.m_records.erase(found);
            }
            if (!result->gone.empty()) ++log.m_version;
            if (log.m_dirty) log.ScheduleSave();
        };
    };
    if (TheShellWorker().Act(CShellWorker::ActionLane::Launches, std::move(save)) != CJobQueue::Added::Queued) {
        m_saving = false;
        m_dirty = true;
        ScheduleSave();
    }
}

// The last save waits for one on its way, then runs on the launch lane;
// the exit waits for it a few seconds at most (a drive that hangs does not
// hold the program up).
void UsageLog::SaveAtExit()
{
    StopTimer();
    // A save on its way replaces the file the last one reads: its reply
    // is waited for (the lane runs saves side by side).
    const DWORD start = ::GetTickCount();
    MSG message;
    while (m_saving && ::GetTickCount() - start < kExitSaveWaitMs) {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);
    }
    if (!m_dirty || !m_loaded || m_saving || !m_reading.read) return;
    m_dirty = false;
    auto done = std::make_shared<UniqueKernelHandle>(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    auto save = [before = m_reading, records = m_records, root = m_menuFolder, done]() -> CWorkerThread::Task {
        SaveUsageToDisk(before, records, root, UnixTimeNow());
        ::SetEvent(done->Get());
        return nullptr;
    };
    if (TheShellWorker().Act(CShellWorker::ActionLane::Launches, std::move(save)) == CJobQueue::Added::Queued &&
        done->Get())
        ::WaitForSingleObject(done->Get(), kExitSaveWaitMs);
}

void UsageLog::StopTimer()
{
    if (!m_timer) return;
    ::KillTimer(nullptr, m_timer);
    gTimerOwners.erase(m_timer);
    m_timer = 0;
}

UsageLog::~UsageLog() { StopTimer(); }

UsageLog& TheUsageLog()
{
    static UsageLog log;
    return log;
}
