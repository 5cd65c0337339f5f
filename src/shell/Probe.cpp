// Probes: each on a thread of its own, which a drive that never answers
// keeps; such threads are left behind and end with the process. A network
// share or drive is asked one question at a time, so a share that never
// answers keeps one thread, however many of its paths are asked for.
#include "shell/Probe.h"

#include "framework/Handles.h"
#include "framework/ShellFiles.h"

#include <shlwapi.h>

#include <algorithm>
#include <condition_variable>
#include <cwctype>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace {

struct Question {
    std::mutex lock;
    std::condition_variable answered;
    bool done = false;
    bool overdue = false;  // an asker's patience ran out before the answer
    ProbeAnswer found;     // once done
};

// The questions on their way, by path, and the one each network share (by
// its key) is asked now, shared by every thread. Never destroyed: a probe
// thread still waiting for a drive at exit comes back to them after the
// program's own objects have gone.
struct Unanswered {
    std::mutex lock;
    std::unordered_map<std::wstring, std::shared_ptr<Question>> questions;
    std::unordered_map<std::wstring, std::shared_ptr<Question>> shares;
};
Unanswered& TheUnanswered()
{
    static Unanswered* unanswered = new Unanswered;
    return *unanswered;
}

// What a probe thread asks, and where the answer goes.
struct ProbeJob {
    std::shared_ptr<Question> question;
    std::wstring path, key, share;
};

// The question is no longer on its way, for its path nor for its share.
void Forget(const ProbeJob& job)
{
    Unanswered& unanswered = TheUnanswered();
    std::lock_guard<std::mutex> hold(unanswered.lock);
    auto path = unanswered.questions.find(job.key);
    if (path != unanswered.questions.end() && path->second == job.question) unanswered.questions.erase(path);
    auto share = unanswered.shares.find(job.share);
    if (share != unanswered.shares.end() && share->second == job.question) unanswered.shares.erase(share);
}

ProbeAnswer ReadAttributes(const std::wstring& path)
{
    ProbeAnswer answer;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!path.empty() && ::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
        answer.attributes = data.dwFileAttributes;
        answer.written = data.ftLastWriteTime;
        answer.size = (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    }
    return answer;
}

// A probe thread: a thread of the system's own, not a std::thread, which
// the MinGW threads library starts unreliably when many detached ones come
// and go (one ran with a null argument and brought the program down).
DWORD WINAPI AskForAttributes(void* parameter)
{
    const std::unique_ptr<ProbeJob> job(static_cast<ProbeJob*>(parameter));
    const ProbeAnswer found = ReadAttributes(job->path);
    // Gone from the maps before anyone is told: an asker woken by the answer
    // finds the share free.
    Forget(*job);
    std::lock_guard<std::mutex> hold(job->question->lock);
    job->question->found = found;
    job->question->done = true;
    job->question->answered.notify_all();
    return 0;
}

// Starts the question's thread, left to end on its own.
bool StartProbe(const ProbeJob& asked)
{
    auto job = std::make_unique<ProbeJob>(asked);
    UniqueKernelHandle thread(::CreateThread(nullptr, 0, AskForAttributes, job.get(), 0, nullptr));
    if (!thread) return false;
    job.release();  // the thread's now
    return true;
}

// Waits at most budgetMs for the question's answer. A question that already
// kept someone waiting too long is not waited for again: its drive is not
// prompt.
ProbeAnswer Await(Question& question, DWORD budgetMs)
{
    std::unique_lock<std::mutex> wait(question.lock);
    if (!question.done && !question.overdue)
        question.answered.wait_for(wait, std::chrono::milliseconds(budgetMs), [&] { return question.done; });
    if (!question.done) {
        question.overdue = true;
        return ProbeAnswer();
    }
    ProbeAnswer answer = question.found;
    answer.prompt = true;
    return answer;
}

// An asker's turn at a path: the question about it already on its way, or
// the one its share is asked now (about another path), or a new one that
// is its to ask, for the path and for its share alike. Taken in one hold of
// the lock, so a share never has two questions on their way.
struct Turn {
    std::shared_ptr<Question> question;
    bool ask = false;          // a new question: start its thread
    bool behindShare = false;  // another path's: once answered, the share is free to ask
};
Turn TakeTurn(const std::wstring& key, const std::wstring& share)
{
    Unanswered& unanswered = TheUnanswered();
    std::lock_guard<std::mutex> hold(unanswered.lock);
    if (auto same = unanswered.questions.find(key); same != unanswered.questions.end()) return { same->second };
    if (!share.empty())
        if (auto held = unanswered.shares.find(share); held != unanswered.shares.end())
            return { held->second, false, true };
    Turn turn{ std::make_shared<Question>(), true };
    unanswered.questions[key] = turn.question;
    if (!share.empty()) unanswered.shares[share] = turn.question;
    return turn;
}

bool StartsWith(const std::wstring& text, const wchar_t* start)
{
    return ::StrCmpNIW(text.c_str(), start, lstrlenW(start)) == 0;
}

// The path's key with forward slashes turned back and the long or device
// prefix taken off a drive's or a share's path ("\\?\C:\x",
// "\\.\UNC\nas\music").
std::wstring PlainKey(const std::wstring& path)
{
    std::wstring key = PathKey(path);
    std::replace(key.begin(), key.end(), L'/', L'\\');
    if (StartsWith(key, L"\\\\?\\UNC\\") || StartsWith(key, L"\\\\.\\UNC\\")) return L"\\\\" + key.substr(8);
    if (StartsWith(key, L"\\\\?\\") || StartsWith(key, L"\\\\.\\")) return key.substr(4);
    return key;
}

// Whether the drive letter stands for a network drive, as the system's own
// table of devices says: never by asking the drive.
bool IsNetworkDrive(wchar_t letter)
{
    const wchar_t drive[] = { letter, L':', 0 };
    wchar_t device[512] = {};
    if (!::QueryDosDeviceW(drive, device, ARRAYSIZE(device))) return false;
    return ::StrStrIW(device, L"Redirector") || StartsWith(device, L"\\Device\\Mup");
}

// Asks about the path, on the share given ("" for a local drive's path).
ProbeAnswer Probe(const std::wstring& path, const std::wstring& share, DWORD budgetMs)
{
    const DWORD start = ::GetTickCount();
    const std::wstring key = PathKey(path);
    for (;;) {
        const DWORD spent = ::GetTickCount() - start;
        if (spent >= budgetMs) return ProbeAnswer();
        const Turn turn = TakeTurn(key, share);
        const ProbeJob asked{ turn.question, path, key, share };
        if (turn.ask && !StartProbe(asked)) {
            Forget(asked);
            return ProbeAnswer();
        }
        const ProbeAnswer answer = Await(*turn.question, budgetMs - spent);
        // Another path's answer in time: the share answers; this path is
        // asked in its own turn, within what is left of the budget.
        if (!turn.behindShare || !answer.prompt) return answer;
    }
}

}  // namespace

std::wstring NetworkShareOf(const std::wstring& path)
{
    const std::wstring name = PlainKey(path);
    if (StartsWith(name, L"\\\\")) {
        // "\\server\share": up to the separator after the share's name.
        const size_t server = name.find(L'\\', 2);
        if (server == std::wstring::npos || server == 2 || name[2] == L'?' || name[2] == L'.') return std::wstring();
        const std::wstring share = name.substr(0, name.find(L'\\', server + 1));
        return share.size() == server + 1 ? std::wstring() : share;
    }
    if (name.size() >= 2 && name[1] == L':' && std::iswalpha(name[0]) && IsNetworkDrive(name[0]))
        return name.substr(0, 2);
    return std::wstring();
}

ProbeAnswer TimedAttributes(const std::wstring& path, DWORD budgetMs)
{
    // On a share a probe thread asks, so the calling thread never waits.
    if (const std::wstring share = NetworkShareOf(path); !share.empty()) return Probe(path, share, budgetMs);
    const DWORD start = ::GetTickCount();
    ProbeAnswer answer = ReadAttributes(path);
    answer.prompt = ::GetTickCount() - start <= budgetMs;
    return answer;
}

ProbeAnswer ProbeFolder(const std::wstring& path, DWORD budgetMs)
{
    return Probe(path, NetworkShareOf(path), budgetMs);
}

int UnansweredProbes()
{
    std::lock_guard<std::mutex> hold(TheUnanswered().lock);
    return static_cast<int>(TheUnanswered().questions.size());
}
