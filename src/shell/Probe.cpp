// Probes: each on a thread of its own, which a drive that never answers
// keeps; such threads are left behind and end with the process.
#include "shell/Probe.h"

#include "framework/Handles.h"
#include "framework/ShellFiles.h"

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

// The questions on their way, by path, shared by every thread. Never
// destroyed: a probe thread still waiting for a drive at exit comes back
// to them after the program's own objects have gone.
struct Unanswered {
    std::mutex lock;
    std::unordered_map<std::wstring, std::shared_ptr<Question>> questions;
};
Unanswered& TheUnanswered()
{
    static Unanswered* unanswered = new Unanswered;
    return *unanswered;
}

// What a probe thread asks, and where the answer goes.
struct ProbeJob {
    std::shared_ptr<Question> question;
    std::wstring path, key;
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
    }
    std::lock_guard<std::mutex> hold(job->question->lock);
    job->question->attributes = attributes;
    job->question->done = true;
    job->question->answered.notify_all();
    return 0;
}

// Starts the question's thread, left to end on its own.
bool StartProbe(const std::shared_ptr<Question>& question, const std::wstring& path, const std::wstring& key)
{
    auto job = std::make_unique<ProbeJob>(ProbeJob{ question, path, key });
    UniqueKernelHandle thread(::CreateThread(nullptr, 0, AskForAttributes, job.get(), 0, nullptr));
    if (!thread) return false;
    job.release();  // the thread's now
    return true;
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
    std::shared_ptr<Question> question;
    bool ask = false;
    {
        std::lock_guard<std::mutex> hold(unanswered.lock);
        std::shared_ptr<Question>& onItsWay = unanswered.questions[key];
        ask = !onItsWay;
        if (ask) onItsWay = std::make_shared<Question>();
        question = onItsWay;
    }
    if (ask && !StartProbe(question, path, key)) {
        std::lock_guard<std::mutex> hold(unanswered.lock);
        unanswered.questions.erase(key);
        return ProbeAnswer();
    }
    std::unique_lock<std::mutex> wait(question->lock);
    ProbeAnswer answer;
    // A question that already kept someone waiting too long is not waited
    // for again: its drive is not prompt.
    if (question->overdue) return answer;
    answer.prompt =
        question->answered.wait_for(wait, std::chrono::milliseconds(budgetMs), [&] { return question->done; });
    if (answer.prompt)
        answer.attributes = question->attributes;
    else
        question->overdue = true;
    return answer;
}

int UnansweredProbes()
{
    std::lock_guard<std::mutex> hold(TheUnanswered().lock);
    return static_cast<int>(TheUnanswered().questions.size());
}
