// Probes: each on a thread of its own, which a drive that never answers
// keeps; such threads are left behind and end with the process. A network
// share or drive is asked one question at a time while one is on its way,
// so a share that never answers keeps one thread, however many of its
// paths are asked for.
#include "shell/Probe.h"

#include "framework/Handles.h"
#include "framework/ShellFiles.h"

#include <algorithm>
#include <cwctype>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace {

struct Question {
    std::mutex lock;
    std::condition_variable answered;
    bool done = false;
    bool overdue = false;  // an asker's patience ran out before the answer
    DWORD attributes = INVALID_FILE_ATTRIBUTES;
};

// The questions on their way, by path, and the one that holds up each
// network share (by its key), shared by every thread. Never destroyed: a
// probe thread still waiting for a drive at exit comes back to them after
// the program's own objects have gone.
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

// A probe thread: a thread of the system's own, not a std::thread, which
// the MinGW threads library starts unreliably when many detached ones come
// and go (one ran with a null argument and brought the program down).
DWORD WINAPI AskForAttributes(void* parameter)
{
    const std::unique_ptr<ProbeJob> job(static_cast<ProbeJob*>(parameter));
    const DWORD attributes = ::GetFileAttributesW(job->path.c_str());
    {
        Unanswered& unanswered = TheUnanswered();
        std::lock_guard<std::mutex> hold(unanswered.lock);
        unanswered.questions.erase(job->key);
        auto share = unanswered.shares.find(job->share);
        if (share != unanswered.shares.end() && share->second == job->question) unanswered.shares.erase(share);
    }
    std::lock_guard<std::mutex> hold(job->question->lock);
    job->question->attributes = attributes;
    job->question->done = true;
    job->question->answered.notify_all();
    return 0;
}

// Starts the question's thread, left to end on its own.
bool StartProbe(const std::shared_ptr<Question>& question, const std::wstring& path, const std::wstring& key,
                const std::wstring& share)
{
    auto job = std::make_unique<ProbeJob>(ProbeJob{ question, path, key, share });
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
    ProbeAnswer answer;
    if (question.overdue) return answer;
    answer.prompt = question.answered.wait_for(wait, std::chrono::milliseconds(budgetMs), [&] { return question.done; });
    if (answer.prompt)
        answer.attributes = question.attributes;
    else
        question.overdue = true;
    return answer;
}

// A share with a question on its way about another of its paths: that
// answer comes first, and none within the budget means the share is not
// prompt.
bool ShareAnswers(const std::wstring& share, const std::wstring& key, DWORD budgetMs)
{
    std::shared_ptr<Question> ahead;
    {
        Unanswered& unanswered = TheUnanswered();
        std::lock_guard<std::mutex> hold(unanswered.lock);
        auto found = unanswered.shares.find(share);
        auto same = unanswered.questions.find(key);
        if (found != unanswered.shares.end() && (same == unanswered.questions.end() || same->second != found->second))
            ahead = found->second;
    }
    return !ahead || Await(*ahead, budgetMs).prompt;
}

bool StartsWith(const std::wstring& text, const wchar_t* start) { return text.compare(0, wcslen(start), start) == 0; }

}  // namespace

std::wstring NetworkShareOf(const std::wstring& path)
{
    std::wstring name = path;
    if (StartsWith(name, L"\\\\?\\UNC\\"))
        name = L"\\\\" + name.substr(8);
    else if (StartsWith(name, L"\\\\?\\"))
        name = name.substr(4);
    std::wstring share;
    if (StartsWith(name, L"\\\\")) {
        // "\\server\share": up to the separator after the share's name.
        const size_t server = name.find(L'\\', 2);
        if (server == std::wstring::npos || server == 2) return std::wstring();
        share = name.substr(0, name.find(L'\\', server + 1));
        if (share.size() == server + 1) return std::wstring();
    } else if (name.size() >= 2 && name[1] == L':' && std::iswalpha(name[0])) {
        // A drive letter, known as a network drive by the device behind it:
        // the system's own table, never the drive itself.
        const wchar_t drive[] = { name[0], L':', 0 };
        wchar_t device[512] = {};
        if (!::QueryDosDeviceW(drive, device, ARRAYSIZE(device))) return std::wstring();
        std::wstring target(device);
        std::transform(target.begin(), target.end(), target.begin(), ::towupper);
        if (target.find(L"REDIRECTOR") == std::wstring::npos && !StartsWith(target, L"\\DEVICE\\MUP"))
            return std::wstring();
        share = drive;
    } else {
        return std::wstring();
    }
    return PathKey(share);
}

ProbeAnswer TimedAttributes(const std::wstring& path, DWORD budgetMs)
{
    const DWORD start = ::GetTickCount();
    // On a share the calling thread never waits for: a probe thread does.
    if (!NetworkShareOf(path).empty())
        if (ProbeAnswer probed = ProbeFolder(path, budgetMs); !probed.prompt) return probed;
    ProbeAnswer answer;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!path.empty() && ::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
        answer.attributes = data.dwFileAttributes;
        answer.written = data.ftLastWriteTime;
        answer.size = (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    }
    answer.prompt = ::GetTickCount() - start <= budgetMs;
    return answer;
}

ProbeAnswer ProbeFolder(const std::wstring& path, DWORD budgetMs)
{
    const DWORD start = ::GetTickCount();
    const std::wstring key = PathKey(path), share = NetworkShareOf(path);
    if (!share.empty() && !ShareAnswers(share, key, budgetMs)) return ProbeAnswer();
    const DWORD spent = ::GetTickCount() - start;
    Unanswered& unanswered = TheUnanswered();

    std::shared_ptr<Question> question;
    bool ask = false;
    {
        std::lock_guard<std::mutex> hold(unanswered.lock);
        std::shared_ptr<Question>& onItsWay = unanswered.questions[key];
        ask = !onItsWay;
        if (ask) {
            onItsWay = std::make_shared<Question>();
            if (!share.empty()) unanswered.shares.emplace(share, onItsWay);
        }
        question = onItsWay;
    }
    if (ask && !StartProbe(question, path, key, share)) {
        std::lock_guard<std::mutex> hold(unanswered.lock);
        unanswered.questions.erase(key);
        auto found = unanswered.shares.find(share);
        if (found != unanswered.shares.end() && found->second == question) unanswered.shares.erase(found);
        return ProbeAnswer();
    }
    return Await(*question, spent < budgetMs ? budgetMs - spent : 0);
}

int UnansweredProbes()
{
    std::lock_guard<std::mutex> hold(TheUnanswered().lock);
    return static_cast<int>(TheUnanswered().questions.size());
}
