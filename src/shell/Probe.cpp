// Probes: each on a thread of its own, which a drive that never answers
// keeps; such threads are left behind and end with the process.
#include "shell/Probe.h"

#include "framework/ShellFiles.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <unordered_set>

namespace {

struct Question {
    std::mutex lock;
    std::condition_variable answered;
    bool done = false;
    DWORD attributes = INVALID_FILE_ATTRIBUTES;
};

// The paths whose questions are unanswered, shared by every thread. Never
// destroyed: a probe thread still waiting for a drive at exit comes back
// to them after the program's own objects have gone.
struct Unanswered {
    std::mutex lock;
    std::unordered_set<std::wstring> paths;
};
Unanswered& TheUnanswered()
{
    static Unanswered* unanswered = new Unanswered;
    return *unanswered;
}


}  // namespace

ProbeAnswer TimedAttributes(const std::wstring& path, DWORD budgetMs)
{
    const DWORD start = ::GetTickCount();
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
    const std::wstring key = PathKey(path);
    Unanswered& unanswered = TheUnanswered();
    {
        std::lock_guard<std::mutex> hold(unanswered.lock);
        if (!unanswered.paths.insert(key).second) return ProbeAnswer();
    }
    auto question = std::make_shared<Question>();
    std::thread([question, path, key, &unanswered] {
        DWORD attributes = ::GetFileAttributesW(path.c_str());
        {
            std::lock_guard<std::mutex> hold(unanswered.lock);
            unanswered.paths.erase(key);
        }
        std::lock_guard<std::mutex> hold(question->lock);
        question->attributes = attributes;
        question->done = true;
        question->answered.notify_all();
    }).detach();
    std::unique_lock<std::mutex> wait(question->lock);
    ProbeAnswer answer;
    answer.prompt =
        question->answered.wait_for(wait, std::chrono::milliseconds(budgetMs), [&] { return question->done; });
    if (answer.prompt) answer.attributes = question->attributes;
    return answer;
}

int UnansweredProbes()
{
    std::lock_guard<std::mutex> hold(TheUnanswered().lock);
    return static_cast<int>(TheUnanswered().paths.size());
}
