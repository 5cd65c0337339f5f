// The hotkey file's reading and saving through the safe file store, and
// what the user is told of it.
#include "hotkeys/HotkeyStore.h"

#include "shell/ShellWorker.h"

namespace {

LPCWSTR NameOf(const std::wstring& path) { return ::PathFindFileNameW(path.c_str()); }

}  // namespace

HotkeyFileRead ReadHotkeysFromDisk(const std::wstring& path, DWORD retryMs)
{
    HotkeyFileRead read;
    static_cast<FileReading&>(read) = ReadFileSafely(path, retryMs);
    if (read.read && !read.bytes.empty()) read.content = ReadHotkeyBytes(read.bytes);
    return read;
}

HotkeySaveResult SaveHotkeysToDisk(const HotkeyFileRead& before, const std::vector<Hotkey>& wanted,
                                   SaveCancel* cancel)
{
    FileSave save;
    save.bytes = HotkeyFileBytes(wanted);
    save.remove = save.bytes.empty();
    // Writing the file anew would lose what the reader did not understand,
    // or fix its guess at the letters of another code page.
    save.keepAsRead = !before.content.whole || before.content.guessedLetters;
    const FileSaveResult saved = SaveFileSafely(before, save, cancel);

    HotkeySaveResult result;
    static_cast<FileReading&>(result.now) = saved.now;
    result.now.content = before.content;
    const LPCWSTR name = NameOf(before.path);
    wchar_t text[1024];
    switch (saved.outcome) {
    case FileSaveResult::Saved: break;
    case FileSaveResult::Cancelled: result.cancelled = true; return result;
    case FileSaveResult::InTheWay:
    case FileSaveResult::Held:
        wnsprintfW(text, ARRAYSIZE(text), L"Falied to save keys.\n\n%s is %s: nothing was written.", name,
                   saved.now.spot.inTheWay.c_str());
        result.message = text;
        return result;
    case FileSaveResult::NotReadBefore:
        wnsprintfW(text, ARRAYSIZE(text),
                   L"%s could not be read when Quillop started, so it is left as it is. Start Quillop again to "
                   L"load it.",
                   name);
        result.message = text;
        return result;
    case FileSaveResult::BackupFailed:
    case FileSaveResult::WriteFailed: break;
    }
    // What was kept, and why.
    std::wstring note;
    if (!saved.backup.empty()) {
        LPCWSTR why = saved.changedSinceRead ? L"%s was changed since Quillop read it."
                      : before.content.cutShort ? L"%s ends in the middle of a hotkey: it may have been cut short."
                      : !before.content.whole   ? L"Part of %s could not be read."
                                                : L"%s is written anew as Unicode text.";
        const std::wstring sentence = std::wstring(why) + L" The file as it was is kept as %s.";
        wnsprintfW(text, ARRAYSIZE(text), sentence.c_str(), name, NameOf(saved.backup));
        note = text;
    }
    if (saved.outcome != FileSaveResult::Saved) {
        result.message = note.empty() ? L"Falied to save keys." : note + L"\n\nFalied to save keys.";
        return result;
    }
    result.saved = true;
    result.message = note;
    result.now.content = ReadHotkeyBytes(saved.now.bytes);
    return result;
}

namespace {

// UI thread only: the save on its way, and who is told of changes.
std::shared_ptr<SaveCancel> gSaving;
std::function<void()> gListener;

}  // namespace

HotkeyFileRead& TheHotkeyFile()
{
    static HotkeyFileRead file;
    return file;
}

bool IsHotkeyFileSaving() { return gSaving != nullptr; }

bool IsHotkeyFileReady() { return !TheHotkeyFile().path.empty() && !gSaving; }

void ListenToHotkeyFile(std::function<void()> listener) { gListener = std::move(listener); }

void TellHotkeyFileChanged()
{
    if (gListener) gListener();
}

std::shared_ptr<SaveCancel> SaveHotkeysLater(const HotkeyFileRead& before, const std::vector<Hotkey>& wanted,
                                             std::function<void(const HotkeySaveResult&)> done)
{
    auto cancel = std::make_shared<SaveCancel>();
    auto save = [before, wanted, cancel, done]() -> CWorkerThread::Task {
        auto result = std::make_shared<HotkeySaveResult>(SaveHotkeysToDisk(before, wanted, cancel.get()));
        return [result, cancel, done] {
            if (result->saved) TheHotkeyFile() = result->now;
            if (gSaving == cancel) gSaving.reset();
            if (done) done(*result);
            TellHotkeyFileChanged();
        };
    };
    if (TheShellWorker().Act(CShellWorker::ActionLane::Launches, std::move(save)) != CJobQueue::Added::Queued)
        return nullptr;
    gSaving = cancel;
    TellHotkeyFileChanged();
    return cancel;
}

bool CancelHotkeysSave(const std::shared_ptr<SaveCancel>& save)
{
    if (!save || !save->Cancel()) return false;
    if (gSaving == save) gSaving.reset();
    TellHotkeyFileChanged();
    return true;
}

std::wstring HotkeyFileNotReadText(const HotkeyFileRead& file)
{
    if (file.read) return std::wstring();
    wchar_t text[512];
    wnsprintfW(text, ARRAYSIZE(text), L"%s is %s: no hotkeys were loaded from it, and OK will not change it.",
               NameOf(file.path), file.spot.inTheWay.c_str());
    return text;
}
