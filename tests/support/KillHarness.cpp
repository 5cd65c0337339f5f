#include "support/KillHarness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <thread>
#include <vector>

#include "framework/Handles.h"
#include "shell/SafeFile.h"
#include "support/TestSupport.h"

namespace test {

namespace {

// What the step hook throws: the save ends there, its handles closed, as
// the system closes a killed program's.
struct Killed {
    std::string step;
};

// The step hook for the time the object lives.
class StepHook {
public:
    explicit StepHook(std::function<void(const char*)> hook) { SetSafeFileStepHook(std::move(hook)); }
    ~StepHook() { SetSafeFileStepHook(nullptr); }
    StepHook(const StepHook&) = delete;
    StepHook& operator=(const StepHook&) = delete;
};

std::wstring FolderOf(const std::wstring& path) { return path.substr(0, path.rfind(L'\\') + 1); }

// The files beside the file whose names begin with its own and end so.
std::vector<std::wstring> Beside(const std::wstring& path, const wchar_t* ending)
{
    std::vector<std::wstring> found;
    WIN32_FIND_DATAW data;
    UniqueFind find(::FindFirstFileW((path + L"*" + ending).c_str(), &data));
    if (!find) return found;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) found.push_back(FolderOf(path) + data.cFileName);
    } while (::FindNextFileW(find.Get(), &data));
    return found;
}

void RemoveBeside(const std::wstring& path)
{
    for (const wchar_t* ending : { L".tmp", L".bak" })
        for (const std::wstring& name : Beside(path, ending)) ::DeleteFileW(name.c_str());
}

// How many steps a save takes, with and without a hand edit before it.
int CountSteps(const SavedFile& file, int version, bool edit)
{
    int steps = 0;
    bool edited = false;
    StepHook hook([&](const char* name) {
        if (edit && !edited && std::string(name) == "read") {
            edited = true;
            WriteFile(file.path, file.bytes(-1));
        }
        ++steps;
    });
    file.save(version);
    return steps;
}

}  // namespace

KillTally KillSavesAtRandomSteps(const SavedFile& file, int runs, unsigned seed)
{
    KillTally tally;
    std::mt19937 random(seed);
    RemoveBeside(file.path);
    WriteFile(file.path, file.bytes(1));
    const int plainSteps = CountSteps(file, 2, false), editedSteps = CountSteps(file, 3, true);
    RemoveBeside(file.path);
    WriteFile(file.path, file.bytes(1));
    std::string now = file.bytes(1);
    std::set<std::string> edits;
    for (int run = 0; run < runs; ++run, ++tally.runs) {
        const int version = run + 2;
        const bool editing = run % 3 == 2;
        const std::string edit = file.bytes(-1 - run % 3);
        // Every step, and the end of the save (no kill).
        const int killAt = static_cast<int>(random() % static_cast<unsigned>((editing ? editedSteps : plainSteps) + 1));
        int step = 0;
        bool saved = false, killed = false, edited = false;
        try {
            StepHook hook([&](const char* name) {
                if (editing && !edited && std::string(name) == "read") {
                    edited = true;
                    WriteFile(file.path, edit);  // the user's edit, made after the save's reading
                    edits.insert(edit);
                }
                if (step++ == killAt) throw Killed{ name };
            });
            saved = file.save(version);
        } catch (const Killed& kill) {
            killed = true;
            ++tally.kills;
            tally.stepsKilledAt.insert(kill.step);
        }
        // What a restart finds.
        if (!Exists(file.path)) {
            ++tally.lost;
            WriteFile(file.path, now = file.bytes(version));
        } else {
            const std::string there = ReadFile(file.path);
            if (there.empty())
                ++tally.empty;
            else if (there != now && there != file.bytes(version) && !(editing && there == edit))
                ++tally.halfWritten;
            now = there;
        }
        if (!killed) {
            if (!saved) ++tally.failedSaves;
            tally.leftTemporaries += static_cast<int>(Beside(file.path, L".tmp").size());
        }
        for (const std::wstring& backup : Beside(file.path, L".bak"))
            if (!edits.count(ReadFile(backup))) ++tally.badBackups;
    }
    RemoveBeside(file.path);
    return tally;
}

HoldTally HoldDuringSaves(const SavedFile& file, int saves, unsigned seed)
{
    HoldTally tally;
    std::mt19937 random(seed);
    RemoveBeside(file.path);
    WriteFile(file.path, file.bytes(1));
    const int steps = CountSteps(file, 2, false);
    for (int save = 0; save < saves; ++save, ++tally.saves) {
        const int version = save + 3;
        const int holdAt = static_cast<int>(random() % static_cast<unsigned>(steps));
        const DWORD holdMs = 50 + random() % 251;
        // Without delete sharing; half the holders do not let others read either.
        const DWORD share = random() % 2 ? FILE_SHARE_READ | FILE_SHARE_WRITE : 0;
        std::thread holder;
        UniqueKernelHandle held(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
        int step = 0;
        bool saved = false;
        const DWORD start = ::GetTickCount();
        {
            StepHook hook([&](const char*) {
                if (step++ != holdAt) return;
                holder = std::thread([&] {
                    UniqueFile handle(::CreateFileW(file.path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                                                    0, nullptr));
                    ::SetEvent(held.Get());
                    ::Sleep(holdMs);
                });
                ::WaitForSingleObject(held.Get(), 5000);
            });
            saved = file.save(version);
        }
        tally.longestMs = std::max(tally.longestMs, ::GetTickCount() - start);
        if (holder.joinable()) holder.join();
        if (!saved) ++tally.failed;
        if (ReadFile(file.path) != file.bytes(version)) ++tally.wrong;
    }
    RemoveBeside(file.path);
    return tally;
}

std::set<int> KillSavingProgram(const std::wstring& commandLine, const std::wstring& path, int kills, unsigned seed,
                                const std::function<int(const std::string& bytes)>& versionOf)
{
    std::set<int> versions;
    std::mt19937 random(seed);
    const std::wstring marker = path + L".saving";
    for (int kill = 0; kill < kills; ++kill) {
        ::DeleteFileW(marker.c_str());
        std::wstring command = commandLine;
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION saver = {};
        if (!::CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &saver)) {
            ADD_FAILURE() << "the saving program did not start";
            break;
        }
        EXPECT_TRUE(WaitFor([&] { return Exists(marker); }, 20000)) << "its first save did not finish";
        ::Sleep(random() % 300);  // a random moment of a later save
        ::TerminateProcess(saver.hProcess, 9);
        ::WaitForSingleObject(saver.hProcess, 5000);
        ::CloseHandle(saver.hThread);
        ::CloseHandle(saver.hProcess);
        versions.insert(Exists(path) ? versionOf(ReadFile(path)) : -1);
    }
    ::DeleteFileW(marker.c_str());
    RemoveBeside(path);
    return versions;
}

void ExpectEveryKillLeftTheFileWhole(const KillTally& tally)
{
    EXPECT_EQ(tally.lost, 0);
    EXPECT_EQ(tally.empty, 0);
    EXPECT_EQ(tally.halfWritten, 0);
    EXPECT_EQ(tally.badBackups, 0);
    EXPECT_EQ(tally.failedSaves, 0);
    EXPECT_EQ(tally.leftTemporaries, 0);
    // The kills fell between each two disk calls.
    for (const char* step : { "read", "backup", "write", "flush", "replace", "read back" })
        EXPECT_EQ(tally.stepsKilledAt.count(step), 1u) << step;
}

}  // namespace test
