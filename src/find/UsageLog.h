// What the user opened, and how much lately: every entry opened from the
// menu or from Find counts, and the count halves every 14 days. Find
// orders the entries of one tier by it and lists the recent ones when
// nothing is typed.
//
// Kept in the usage file beside the hotkey file (Quillop.use), UTF-8, one
// line per entry: the count as of the last use, the last use in UTC, the
// path from the menu folder down:
//
//     3.5 2026-12-09T10:53:50Z Work\2024\Note.txt
//
// Read and saved through the safe file store (shell/SafeFile.h) on the
// launch lane, at most once a minute and at exit, at most 64 KB (the least
// used dropped first); entries whose files are gone drop out at the save.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "find/UseScores.h"
#include "shell/SafeFile.h"

constexpr int64_t kUseHalfLifeSeconds = 14 * 24 * 60 * 60;
constexpr size_t kUsageFileMostBytes = 64 * 1024;
constexpr DWORD kUsageSaveEveryMs = 60 * 1000;

struct UseRecord {
    double count = 0;     // as of the last use
    int64_t lastUse = 0;  // seconds since 1970-01-01 UTC
    std::wstring path;    // from the menu folder down
};

// Seconds since 1970-01-01 UTC.
int64_t UnixTimeNow();
// The record's count halved for every 14 days since its last use.
double ScoreAt(const UseRecord& record, int64_t now);

// What a usage file holds, as far as it could be read.
struct UsageFileContent {
    std::vector<UseRecord> records;
    bool whole = true;  // every line was understood
};
UsageFileContent ReadUsageBytes(const std::string& bytes);
// The file's bytes: the most used first, as many as fit in 64 KB.
std::string UsageFileBytes(std::vector<UseRecord> records, int64_t now);

// The usage file's path: the executable's with ".use" as its extension.
std::wstring UsageFilePath();

// Disk side (the launch lane): one reading of the usage file.
struct UsageFileRead : FileReading {
    UsageFileContent content;
};
UsageFileRead ReadUsageFromDisk(const std::wstring& path, DWORD retryMs);
struct UsageSaveResult {
    bool saved = false;
    std::vector<std::wstring> gone;  // records left out: their files are gone
    UsageFileRead now;               // the reading the next save compares with
};
// Saves the records over the reading `before`, leaving out those whose
// files under the menu folder are gone.
UsageSaveResult SaveUsageToDisk(const UsageFileRead& before, std::vector<UseRecord> records,
                                const std::wstring& menuFolder, int64_t now, SaveCancel* cancel = nullptr);

// The program's usage log. UI thread only; the disk work goes to the
// launch lane.
class UsageLog : public UseScores {
public:
    // Saves come at most once in saveEveryMs (tests take less than a minute).
    explicit UsageLog(DWORD saveEveryMs = kUsageSaveEveryMs) : m_saveEveryMs(saveEveryMs) {}
    ~UsageLog() override;
    UsageLog(const UsageLog&) = delete;
    UsageLog& operator=(const UsageLog&) = delete;

    // Reads the file on the launch lane; uses counted before it arrives
    // are added to what it holds.
    void Start(std::wstring path, std::wstring menuFolder);
    // An entry was opened (its full path; one outside the menu folder is
    // not counted).
    void CountOpened(const std::wstring& fullPath, int64_t now = UnixTimeNow());
    // Forgets an entry (its path from the menu folder down).
    void Forget(const std::wstring& pathFromMenuFolder);
    // The entries used last, the newest first.
    std::vector<UseRecord> Recent(size_t most) const;
    // The entry's path from the menu folder down, "" when it lies outside.
    std::wstring FromMenuFolder(const std::wstring& fullPath) const;
    // Saves what changed since the last save now and waits for it a while.
    void SaveAtExit();
    // Whether the file's reading has arrived and no save is on its way.
    bool IsSettled() const { return m_loaded && !m_saving; }

    void ForEachScore(const std::function<void(const std::wstring&, double)>& visit) const override;
    unsigned Version() const override { return m_version; }

private:
    struct Change {
        bool forget;
        std::wstring path;
        int64_t at;
    };
    void Apply(const Change& change);
    void Changed(const Change& change);
    void ScheduleSave();
    void StopTimer();
    void SaveNow();
    static void CALLBACK OnSaveTimer(HWND, UINT, UINT_PTR, DWORD);
    std::vector<UseRecord>::iterator FindRecord(const std::wstring& path);

    DWORD m_saveEveryMs;
    std::wstring m_menuFolder;
    std::vector<UseRecord> m_records;
    std::vector<Change> m_beforeLoad;  // changes made before the reading came
    UsageFileRead m_reading;
    bool m_loaded = false, m_dirty = false, m_saving = false;
    DWORD m_lastSaveTick = 0;
    UINT_PTR m_timer = 0;
    unsigned m_version = 0;
};

UsageLog& TheUsageLog();
