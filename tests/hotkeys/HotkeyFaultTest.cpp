// The hotkey file and the Hotkeys dialog on a disk that misbehaves: a file
// held at start, a drive that answers in seconds or never, a file gone
// between two steps of a save. The dialog answers within 250 ms
// throughout, Cancel always closes it, and no hotkey the user wrote is
// lost. (Rows of the fault matrix in tests/README.md.)
#include "framework/CWnd.h"
#include "hotkeys/HotkeyFile.h"
#include "hotkeys/HotkeyStore.h"
#include "hotkeys/HotkeyTable.h"
#include "hotkeys/HotkeyTestSupport.h"
#include "hotkeys/HotkeysDlg.h"
#include "support/AnswerTime.h"
#include "support/RequireSlowVolume.h"
#include "support/TestSupport.h"
#include "../res/resource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <thread>

namespace {

using namespace test;

std::wstring Group(unsigned code, const std::wstring& command)
{
    return std::to_wstring(code) + L"\r\n" + command + L"\r\n\r\n";
}

const std::wstring kNotes = Group(1769588, L"C:\\Tools\\notes.txt"), kMenu = Group(2293872, L"Quillop");

std::wstring Title(HWND window) { return static_cast<LPCWSTR>(WindowText(window)); }

// Sends the window a message from another thread every few milliseconds,
// as the system and other programs do, and keeps the longest answer that
// was the program's own (what the machine or Wine's server held every
// sender up by, on a busy machine, taken out).
class Pinger {
public:
    explicit Pinger(HWND window)
        : m_thread([this, window] {
              while (!m_stop) {
                  const test::Answer answer = test::TimeAnswer(window, 5000);
                  m_longest = std::max<DWORD>(m_longest, static_cast<DWORD>(answer.own));
                  ++m_pings;
                  ::Sleep(20);
              }
              m_done = true;
          })
    {
    }
    ~Pinger() { Stop(); }
    int Pings() const { return m_pings; }
    // The pinger may be waiting for this thread: it answers meanwhile.
    DWORD Stop()
    {
        m_stop = true;
        WaitFor([this] { return m_done.load(); }, 10000);
        if (m_thread.joinable()) m_thread.join();
        return m_longest;
    }

private:
    std::atomic<bool> m_stop{ false };
    std::atomic<DWORD> m_longest{ 0 };
    std::atomic<int> m_pings{ 0 };
    std::atomic<bool> m_done{ false };
    std::thread m_thread;
};

// The step hook for as long as the object lives; a step it holds up is
// let go first.
class HeldStep {
public:
    explicit HeldStep(const char* step) : m_step(step)
    {
        SetSafeFileStepHook([this](const char* name) {
            if (m_step != name) return;
            ::SetEvent(m_reached.Get());
            ::WaitForSingleObject(m_go.Get(), 30000);
        });
    }
    ~HeldStep()
    {
        Go();
        SetSafeFileStepHook(nullptr);
    }
    HeldStep(const HeldStep&) = delete;
    HeldStep& operator=(const HeldStep&) = delete;
    bool Reached() const { return ::WaitForSingleObject(m_reached.Get(), 0) == WAIT_OBJECT_0; }
    void Go() { ::SetEvent(m_go.Get()); }

private:
    std::string m_step;
    UniqueKernelHandle m_reached{ ::CreateEventW(nullptr, TRUE, FALSE, nullptr) };
    UniqueKernelHandle m_go{ ::CreateEventW(nullptr, TRUE, FALSE, nullptr) };
};

using HotkeyFault = HotkeyTableTest;

// The hotkey file held by another program for a moment at start: a dialog
// opened meanwhile says it is reading and OK waits; once the reading has
// come, its rows are the file's and OK keeps every hotkey. (Its rows were
// once made before the reading, and OK deleted every hotkey.)
TEST_F(HotkeyFault, ADialogOpenedBeforeTheStartUpReadWaitsForIt)
{
    const std::string file = Utf16(kNotes + kMenu);
    WriteFile(HotkeyFile(), file);
    UniqueFile held(::CreateFileW(HotkeyFile().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);
    LoadHotkeysLater(nullptr, nullptr);
    CHotkeysDlg dialog;
    std::wstring reading, read, early;
    BOOL okWhileReading = TRUE;
    int rows = -1;
    INT_PTR result = DriveModal<CHotkeysDlg>(dialog, [&](CHotkeysDlg& d) {
        reading = Title(d.m_hWnd);
        okWhileReading = ::IsWindowEnabled(d.GetDlgItem(IDOK));
        HoldForScreenshot("Hotkeys dialog reading");
        {
            MessageBoxAnswer answer(L"hotkeys_tests");
            d.SendMessage(WM_COMMAND, IDOK);  // waits: nothing is saved
            early = answer.Text(0);
        }
        held.Reset();
        ASSERT_TRUE(WaitFor([] { return TheHotkeyFile().read; }, 10000));
        rows = d.GetList().GetItemCount();
        read = Title(d.m_hWnd);
        d.SendMessage(WM_COMMAND, IDOK);
        EXPECT_TRUE(WaitFor([&] { return !::IsWindowVisible(d.m_hWnd); }, 20000));
    });
    EXPECT_EQ(reading, L"Hotkeys - Reading hotkeys_tests.key\x2026");
    EXPECT_FALSE(okWhileReading);
    EXPECT_EQ(early, L"");
    EXPECT_EQ(rows, 1);
    EXPECT_EQ(read, L"Hotkeys");
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(ReadFile(HotkeyFile()), file) << "OK lost hotkeys";
    EXPECT_EQ(theRecordList.GetCount(), 2u);
}

// A hotkey another program holds as the program starts (the copy that has
// just ended may still hold it a moment) works once it is freed; it was
// given up for the whole run.
TEST_F(HotkeyFault, AHotkeyHeldAtStartWorksOnceFreed)
{
    constexpr unsigned kAltCtrlF8 = 0x1B0077;
    auto holder = std::make_unique<HeldElsewhere>();
    ASSERT_TRUE(holder->held);
    WriteFile(HotkeyFile(), Utf16(Group(kAltCtrlF8, L"C:\\Tools\\notes.txt")));
    LoadHotkeysLater(nullptr, nullptr);
    ASSERT_TRUE(WaitFor([] { return theRecordList.GetCount() == 1; }, 10000)) << "the reading never came";
    holder.reset();
    // The check registers the combination for a moment itself: on this
    // thread, which is the program's, it cannot take it from the program.
    EXPECT_TRUE(WaitFor([] { return !HotkeyIsFree(MOD_ALT | MOD_CONTROL, VK_F8); }, 15000))
        << "the hotkey was never registered once freed";
}

// The start-up read held up on its drive, 3 s, or for good (a real drive
// that never answers): a dialog opened meanwhile says it is reading and
// answers; Cancel closes it at once; once the drive answers, the rows come.
TEST_F(HotkeyFault, AStartUpReadFromASlowOrDeadDriveKeepsTheDialogAnswering)
{
    for (const bool never : { false, true }) {
        ReleaseHotkeys();
        std::unique_ptr<SlowVolume> volume;
        if (never) {
            REQUIRE_SLOW_VOLUME();
            volume = std::make_unique<SlowVolume>();
            // A name of its own: nothing the system keeps of an earlier one answers for it.
            const std::wstring name = L"\\dead-" + std::to_wstring(::GetTickCount()) + L".key";
            WriteFile(volume->backing + name, Utf16(kNotes));
            ::DeleteFileW(HotkeyFile().c_str());
            ASSERT_TRUE(volume->MakeLink(volume->mount + name, HotkeyFile()));
            volume->NeverAnswer();
        } else {
            WriteFile(HotkeyFile(), Utf16(kNotes));
            SetSafeFileStepHook([](const char* step) {
                if (std::string(step) == "open") ::Sleep(3000);  // the drive answers in 3 s
            });
        }
        LoadHotkeysLater(nullptr, nullptr);
        CHotkeysDlg dialog;
        std::wstring title;
        DWORD longest = 0, closing = 0;
        int rows = -1;
        INT_PTR result = DriveModal<CHotkeysDlg>(dialog, [&](CHotkeysDlg& d) {
            Pinger pinger(d.m_hWnd);
            title = Title(d.m_hWnd);
            if (never) {
                EXPECT_TRUE(WaitFor([&] { return pinger.Pings() >= 20; }));  // answering while the read waits
                EXPECT_TRUE(d.IsBusy());
                const DWORD start = ::GetTickCount();
                d.SendMessage(WM_COMMAND, IDCANCEL);
                closing = ::GetTickCount() - start;
            } else {
                EXPECT_TRUE(WaitFor([&] { return !d.IsBusy(); }, 30000)) << "the reading never came";
                rows = d.GetList().GetItemCount();
            }
            longest = pinger.Stop();
        });
        SetSafeFileStepHook(nullptr);
        EXPECT_EQ(title, L"Hotkeys - Reading hotkeys_tests.key\x2026");
        EXPECT_LT(longest, 250u) << (never ? "never" : "3 s");
        if (never) {
            EXPECT_EQ(result, IDCANCEL);
            EXPECT_LT(closing, 250u);
            volume->SetDelay(0);
        } else {
            EXPECT_EQ(rows, 1);
        }
        WaitForShellWorker();
        ::DeleteFileW(HotkeyFile().c_str());
    }
}

// A save held up on its drive (in 3 s, or never): the dialog answers and
// says it is saving; Cancel closes it at once, the save stops before it
// touches the file, and the hotkeys of before stay registered. A save let
// go in time goes through and closes the dialog.
TEST_F(HotkeyFault, ASaveHeldUpOnItsDriveCanAlwaysBeCancelled)
{
    const std::string file = Utf16(kNotes);
    LoadHotkeyFile(file);
    for (const bool cancel : { true, false }) {
        HeldStep held("read");
        CHotkeysDlg dialog;
        std::wstring title;
        DWORD longest = 0, closing = 0;
        INT_PTR result = DriveModal<CHotkeysDlg>(dialog, [&](CHotkeysDlg& d) {
            Pinger pinger(d.m_hWnd);
            d.GetList().SetCellText(0, 1, L"C:\\Tools\\changed.txt");
            d.SendMessage(WM_COMMAND, IDOK);
            ASSERT_TRUE(WaitFor([&] { return held.Reached(); }));
            title = Title(d.m_hWnd);
            if (cancel) {
                const DWORD start = ::GetTickCount();
                d.SendMessage(WM_COMMAND, IDCANCEL);
                closing = ::GetTickCount() - start;
            } else {
                // The drive answers after 3 s.
                EXPECT_FALSE(WaitFor([&] { return !::IsWindowVisible(d.m_hWnd); }, 3000));
                held.Go();
                EXPECT_TRUE(WaitFor([&] { return !::IsWindowVisible(d.m_hWnd); }, 20000));
            }
            longest = pinger.Stop();
        });
        held.Go();
        WaitForShellWorker();
        EXPECT_EQ(title, L"Hotkeys - Saving hotkeys_tests.key\x2026");
        EXPECT_LT(longest, 250u);
        if (cancel) {
            EXPECT_EQ(result, IDCANCEL);
            EXPECT_LT(closing, 250u);
            EXPECT_EQ(ReadFile(HotkeyFile()), file) << "a cancelled save wrote the file";
            EXPECT_STREQ(GetHotkeyCommand(GetHotkeyRecord(1)), L"C:\\Tools\\notes.txt");
            EXPECT_FALSE(HotkeyIsFree(MOD_ALT | MOD_CONTROL, VK_F5));
        } else {
            EXPECT_EQ(result, IDOK);
            EXPECT_EQ(ReadFile(HotkeyFile()), Utf16(Group(1769588, L"C:\\Tools\\changed.txt")));
        }
    }
}

// The file gone between two steps of a save (deleted by hand, moved by a
// sync tool): the save makes it anew with what the user asked for.
TEST_F(HotkeyFault, AFileGoneBetweenTwoStepsOfASaveIsMadeAnew)
{
    for (const char* step : { "backup", "write", "replace" }) {
        LoadHotkeyFile(Utf16(kNotes) + "\x01");  // not whole: the save keeps a backup first
        const std::wstring backup = HotkeyFile() + L".bak";
        ScratchFiles scratch({ backup });
        SetSafeFileStepHook([step](const char* name) {
            if (std::string(name) == step) ::DeleteFileW(HotkeyFile().c_str());
        });
        const HotkeySaveResult result = SaveHotkeysToDisk(TheHotkeyFile(), { { 2293872, L"Quillop" } });
        SetSafeFileStepHook(nullptr);
        EXPECT_TRUE(result.saved) << step;
        EXPECT_EQ(ReadFile(HotkeyFile()), Utf16(kMenu)) << step;
        EXPECT_EQ(ReadFile(backup), Utf16(kNotes) + "\x01") << step;
    }
}

}  // namespace
