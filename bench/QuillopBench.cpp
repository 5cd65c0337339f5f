// Measures the short-cut menu against the floor of any menu of the same
// tree (its bare enumeration), the real program's start-up and memory, and
// the hotkey file load. Every figure is a ratio of two measurements taken
// side by side in this one run. Prints a table; not a test.
//
//   quillop_bench [--popups N] [--only menus|memory|find|program|hotkeys] [--exe PATH] [--baseline PATH]
//     N popups for the memory check (default 1000); one part of the table;
//     another Quillop.exe to start instead of this build's; an earlier
//     build to start side by side with it
#include "BenchTrees.h"
#include "FindBench.h"
#include "ProgramRuns.h"
#include "framework/CWnd.h"
#include "framework/ExecutablePath.h"
#include "hotkeys/HotkeyFile.h"
#include "hotkeys/HotkeyTable.h"
#include "menu/IconCache.h"
#include "menu/MenuFolder.h"
#include "shell/ShellWorker.h"
#include "menu/ShortcutMenu.h"
#include "shell/FolderModel.h"
#include "support/IconFile.h"
#include "support/SlowVolume.h"

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

using namespace bench;

namespace {

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double MedianOf(int runs, const std::function<double()>& measure)
{
    std::vector<double> values;
    for (int i = 0; i < runs; ++i) values.push_back(measure());
    return Median(values);
}

double TimeOf(const std::function<void()>& work)
{
    double start = Milliseconds();
    work();
    return Milliseconds() - start;
}

// A hidden owner for the popups: it measures their entries as the tray
// window does and ends each menu as soon as it is idle on the screen.
class PopupOwner : public CWnd {
public:
    PopupOwner()
    {
        RegisterFrameworkClass(L"QuillopBenchOwner", 0, nullptr);
        CreateEx(0, L"QuillopBenchOwner", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr);
    }
    // Milliseconds from the popup's start until its menu was idle.
    double PopupToIdle(BOOL full)
    {
        m_idleAt = 0;
        ::SetCursorPos(200, 150);
        double start = Milliseconds();
        PopupShortcutMenu(m_hWnd, FALSE, full);
        return m_idleAt - start;
    }

    // Milliseconds to append and track to idle a plain menu of text
    // entries: what the platform's menus cost before any file is looked at.
    double PlainMenuToIdle(int entries)
    {
        double start = Milliseconds();
        HMENU menu = ::CreatePopupMenu();
        for (int i = 0; i < entries; ++i) ::AppendMenuW(menu, MF_STRING, 1000 + static_cast<UINT>(i), L"A menu entry");
        m_idleAt = 0;
        ::SetCursorPos(200, 150);
        ::TrackPopupMenuEx(menu, TPM_RETURNCMD | TPM_NONOTIFY, 200, 150, m_hWnd, nullptr);
        ::DestroyMenu(menu);
        return m_idleAt - start;
    }

protected:
    LRESULT OnMeasureItem(MEASUREITEMSTRUCT& measure)
    {
        LRESULT result = 0;
        RouteMeasureItem(m_hWnd, measure, &result);
        return TRUE;
    }
    LRESULT OnEnterIdle(WPARAM, LPARAM)
    {
        if (m_idleAt == 0) {
            m_idleAt = Milliseconds();
            ::EndMenu();
        }
        return 0;
    }
    DECLARE_MESSAGE_MAP()

private:
    double m_idleAt = 0;
};

BEGIN_MESSAGE_MAP(PopupOwner, CWnd)
    ON_MESSAGE_RECORD(WM_MEASUREITEM, MEASUREITEMSTRUCT, OnMeasureItem)
    ON_MESSAGE(WM_ENTERIDLE, OnEnterIdle)
END_MESSAGE_MAP()

double WorkingSetMB()
{
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof(memory);
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &memory, sizeof(memory));
    return static_cast<double>(memory.WorkingSetSize) / (1024.0 * 1024.0);
}

std::wstring Beside(const wchar_t* name) { return static_cast<LPCWSTR>(ExecutableSibling(L"")) + std::wstring(L" ") + name; }

// Runs the replies of the shell worker until it has nothing more to do.
void WaitForShellWorker()
{
    while (!TheShellWorker().IsIdle()) {
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);
        ::Sleep(1);
    }
}

struct PopupFigures {
    double enumeration, first, warm;
};

// The enumeration floor, the first popup of the tree and the median warm one.
PopupFigures MeasurePopups(PopupOwner& owner, int separator)
{
    folderAsSeparator = separator;
    PopupFigures figures;
    figures.enumeration = MedianOf(5, [] { return TimeOf([] { EnumerateTree(MenuFolderPath()); }); });
    figures.first = owner.PopupToIdle(TRUE);
    WaitForShellWorker();
    figures.warm = MedianOf(5, [&owner] { return owner.PopupToIdle(TRUE); });
    folderAsSeparator = 0;
    return figures;
}

// The shell icon lookups that the next popup makes after one change.
unsigned LookupsForOneAddedFile(PopupOwner& owner, const std::function<void()>& addFile)
{
    addFile();
    unsigned before = TheShellWorker().GetLookupCount();
    owner.PopupToIdle(TRUE);
    WaitForShellWorker();
    return TheShellWorker().GetLookupCount() - before;
}

void PrintPopupRow(const char* tree, const char* shape, const PopupFigures& f, double goal)
{
    std::printf("%-20s %-12s %9.1f %10.1f %9.1f %8.2fx %6s%.0fx\n", tree, shape, f.enumeration, f.first, f.warm,
                f.warm / f.enumeration, "<= ", goal);
}

void MeasureMenus(PopupOwner& owner)
{
    std::printf("Short-cut menu, click to idle menu, 2,000 entries in 100 folders (ms; warm: median of 5)\n");
    std::printf("%-20s %-12s %9s %10s %9s %9s %8s\n", "tree", "shape", "enumerate", "first", "warm", "warm/enum",
                "goal");
    MakeDocumentTree(MenuFolderPath());
    PrintPopupRow("documents", "submenus", MeasurePopups(owner, 0), 4);
    PopupFigures documentsFlat = MeasurePopups(owner, 1);
    PrintPopupRow("documents", "flat", documentsFlat, 8);
    const double plain = MedianOf(5, [&owner] { return owner.PlainMenuToIdle(2000); });
    unsigned addedDocument = LookupsForOneAddedFile(owner, [] { AddOneFile(MenuFolderPath()); });

    MakeShortcutTree(MenuFolderPath(), Beside(L"icons"));
    PrintPopupRow("own-icon shortcuts", "submenus", MeasurePopups(owner, 0), 4);
    PopupFigures shortcutsFlat = MeasurePopups(owner, 1);
    PrintPopupRow("own-icon shortcuts", "flat", shortcutsFlat, 8);
    const double plainAgain = MedianOf(5, [&owner] { return owner.PlainMenuToIdle(2000); });
    unsigned addedShortcut = LookupsForOneAddedFile(owner, [] { AddOneShortcut(MenuFolderPath(), Beside(L"icons")); });
    std::printf("One file added since the last popup, shell icon lookups at the next popup: a shortcut with its own "
                "icon %u (goal: 1), a document of a type already seen %u\n",
                addedShortcut, addedDocument);
    std::printf("The platform alone: a plain menu of 2,000 text entries, appended and tracked to idle, %.1f ms: "
                "%.2fx the documents' enumeration\n",
                plain, plain / documentsFlat.enumeration);
    std::printf("Warm flat menu of 2,000 own-icon shortcuts against that plain menu (measured beside it): %.1f ms "
                "against %.1f ms: %.2fx (goal: <= 1.2x)\n\n",
                shortcutsFlat.warm, plainAgain, shortcutsFlat.warm / plainAgain);
}

constexpr int kProgramRounds = 3;

// The median of each figure of the runs, and their worst answer.
ProgramRun Typical(const std::vector<ProgramRun>& runs)
{
    ProgramRun typical;
    std::vector<double> startups, workingSets, cold, warm;
    for (const ProgramRun& run : runs) {
        startups.push_back(run.startupMs);
        workingSets.push_back(run.workingSetMB);
        cold.push_back(run.coldMenuMs);
        warm.push_back(run.warmMenuMs);
        typical.worstAnswerMs = std::max(typical.worstAnswerMs, run.worstAnswerMs);
    }
    typical.startupMs = Median(startups);
    typical.workingSetMB = Median(workingSets);
    typical.coldMenuMs = Median(cold);
    typical.warmMenuMs = Median(warm);
    return typical;
}

// A folder holding a copy of the program and its menu folder.
std::wstring ProgramFolder(const wchar_t* name, const std::wstring& exe)
{
    std::wstring folder = Beside(name);
    RemoveTree(folder);
    ::CreateDirectoryW(folder.c_str(), nullptr);
    ::CopyFileW(exe.c_str(), (folder + L"\\Quillop.exe").c_str(), FALSE);
    ::CreateDirectoryW((folder + L"\\Quillop").c_str(), nullptr);
    return folder;
}

std::wstring Variable(const wchar_t* name)
{
    wchar_t value[MAX_PATH] = {};
    return ::GetEnvironmentVariableW(name, value, MAX_PATH) ? value : L"";
}

// A menu folder of 200 documents with a subfolder linked onto a drive that
// answers in 3 s: a warm press against the same press with the drive awake.
void MeasureSlowSubfolder(const std::wstring& exe, const std::function<void(const char*)>& setDelay)
{
    std::wstring folder = ProgramFolder(L"slow subfolder", exe);
    MakeDocumentTree(folder + L"\\Quillop", 200, 10);
    ::CreateDirectoryW((folder + L"\\Quillop\\Network").c_str(), nullptr);
    test::SlowVolume volume;
    if (!volume.PlaceLink(folder + L"\\Quillop\\Network\\share")) {
        std::printf("The slow volume could not be linked into the menu folder: that row is left out.\n\n");
        RemoveTree(folder);
        return;
    }
    setDelay("0");
    ProgramRun awake = bench::MeasureProgram(folder + L"\\Quillop.exe");
    setDelay("3");
    ProgramRun slow = bench::MeasureProgram(folder + L"\\Quillop.exe", 8000);
    setDelay("0");
    std::printf("A menu subfolder linked onto a drive that answers in 3 s: warm press %.1f ms against %.1f ms awake: "
                "%.2fx (goal: <= 2x); worst answer over 8 s %.1f ms\n\n",
                slow.warmMenuMs, awake.warmMenuMs, slow.warmMenuMs / awake.warmMenuMs, slow.worstAnswerMs);
    RemoveTree(folder);
}

// One shortcut whose target and icon sit on a drive that answers each file
// operation in 3 s: the worst answer over the first 8 s.
void MeasureSlowVolume(const std::wstring& exe)
{
    const std::wstring mount = Variable(L"QUILLOP_SLOW_VOLUME"), backing = Variable(L"QUILLOP_SLOW_BACKING");
    if (mount.empty()) {
        std::printf("No slow volume (%ls): that row is left out.\n\n", Variable(L"QUILLOP_SLOW_VOLUME_ERROR").c_str());
        return;
    }
    std::wstring folder = ProgramFolder(L"slow", exe);
    ::CopyFileW(exe.c_str(), (backing + L"\\tool.exe").c_str(), FALSE);
    AddIconFile(backing + L"\\tool.ico");
    test::MakeShortcutWithIcon(mount + L"\\tool.exe", mount + L"\\tool.ico", folder + L"\\Quillop\\Tool.lnk");
    std::function<void(const char*)> setDelay = [](const char* seconds) {
        HANDLE file = ::CreateFileW(Variable(L"QUILLOP_SLOW_DELAY").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    0, nullptr);
        DWORD written = 0;
        ::WriteFile(file, seconds, static_cast<DWORD>(strlen(seconds)), &written, nullptr);
        ::CloseHandle(file);
    };
    setDelay("3");
    ProgramRun run = bench::MeasureProgram(folder + L"\\Quillop.exe", 8000);
    setDelay("0");
    std::printf("A shortcut on a drive that answers in 3 s: worst answer to a sent message over 8 s %.1f ms (goal: "
                "<= 25), press to menu %.1f ms\n",
                run.worstAnswerMs, run.coldMenuMs);
    RemoveTree(folder);
    MeasureSlowSubfolder(exe, setDelay);
}

void MeasureStartUps(const std::wstring& exe, const std::wstring& baseline)
{
    std::wstring empty = ProgramFolder(L"empty", exe), full = ProgramFolder(L"shortcuts", exe);
    MakeShortcutTree(full + L"\\Quillop", full + L"\\icons");
    std::wstring earlier;
    if (!baseline.empty()) {
        earlier = ProgramFolder(L"baseline", baseline);
        MakeShortcutTree(earlier + L"\\Quillop", earlier + L"\\icons");
    }
    // Three runs of each, taken in turn so that all meet the same machine.
    std::vector<ProgramRun> idleRuns, loadedRuns, earlierRuns;
    for (int round = 0; round < kProgramRounds; ++round) {
        idleRuns.push_back(bench::MeasureProgram(empty + L"\\Quillop.exe"));
        loadedRuns.push_back(bench::MeasureProgram(full + L"\\Quillop.exe"));
        if (!earlier.empty()) earlierRuns.push_back(bench::MeasureProgram(earlier + L"\\Quillop.exe"));
    }
    const ProgramRun idle = Typical(idleRuns), loaded = Typical(loadedRuns);
    std::printf("Quillop.exe, empty menu folder against 2,000 own-icon shortcuts (median of %d runs each)\n",
                kProgramRounds);
    std::printf("%-52s %10s %10s %8s %10s\n", "", "empty", "shortcuts", "ratio", "goal");
    std::printf("%-52s %10.1f %10.1f %7.2fx %10s\n", "start-up to icon (ms)", idle.startupMs, loaded.startupMs,
                loaded.startupMs / idle.startupMs, "<= 2x");
    std::printf("%-52s %10.1f %10.1f %8s %10s\n", "worst answer to a sent message, icons loading (ms)",
                idle.worstAnswerMs, loaded.worstAnswerMs, "", "<= 25");
    std::printf("%-52s %10.1f %10.1f %7.2fx %10s\n", "working set once idle (MB)", idle.workingSetMB,
                loaded.workingSetMB, loaded.workingSetMB / idle.workingSetMB, "<= 2x");
    std::printf("Worst answer while 2,000 icons arrive against the empty program's: %.2fx (goal: <= 1.5x)\n",
                loaded.worstAnswerMs / idle.worstAnswerMs);
    std::printf("Press to menu, 2,000 own-icon shortcuts: as soon as the icon shows %.1f ms, warm %.1f ms (median of "
                "15 presses): %.2fx (goal: <= 2x)\n",
                loaded.coldMenuMs, loaded.warmMenuMs, loaded.coldMenuMs / loaded.warmMenuMs);
    if (!earlier.empty()) {
        const ProgramRun before = Typical(earlierRuns);
        std::printf("Warm press, 2,000 own-icon shortcuts, against the baseline build run beside it: %.1f ms "
                    "against %.1f ms: %.2fx (goal: <= 1x)\n",
                    loaded.warmMenuMs, before.warmMenuMs, loaded.warmMenuMs / before.warmMenuMs);
        RemoveTree(earlier);
    }
    std::printf("\n");
    RemoveTree(empty);
    RemoveTree(full);
}

void MeasureMemoryOverPopups(PopupOwner& owner, int popups)
{
    MakeDocumentTree(MenuFolderPath(), 200, 10);
    for (int i = 0; i < 20; ++i) owner.PopupToIdle(TRUE);
    double before = WorkingSetMB();
    for (int i = 0; i < popups; ++i) owner.PopupToIdle(TRUE);
    double after = WorkingSetMB();
    std::printf("Working set over %d popups of a 200-entry menu: %.1f MB before, %.1f MB after: %+.2f MB (goal: "
                "within 1 MB)\n\n",
                popups, before, after, after - before);
}

void WriteHotkeyFile(int groups)
{
    std::wstring text = L"\xFEFF";
    for (int i = 0; i < groups; ++i) {
        unsigned code = (0x1Bu << 16) | (0x70u + static_cast<unsigned>(i % 12));  // Alt+Ctrl+F1..F12
        text += std::to_wstring(code) + L"\r\nC:\\Tools\\command " + std::to_wstring(i) + L".txt\r\n\r\n";
    }
    wchar_t path[MAX_PATH];
    HotkeyFilePath(path, MAX_PATH);
    HANDLE file = ::CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    ::WriteFile(file, text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)), &written, nullptr);
    ::CloseHandle(file);
}

double LoadTime(int groups)
{
    WriteHotkeyFile(groups);
    return MedianOf(3, [] {
        return TimeOf([] {
            LoadHotkeys(nullptr, FALSE);
            ReleaseHotkeys();
        });
    });
}

// A popup of the 2,000 documents with no hotkey file, against one with
// 100,000 groups (each entry's hotkey text is looked up among them).
void MeasurePopupWithManyHotkeys(PopupOwner& owner)
{
    MakeDocumentTree(MenuFolderPath());
    owner.PopupToIdle(TRUE);
    WaitForShellWorker();
    const double none = MedianOf(5, [&owner] { return owner.PopupToIdle(TRUE); });
    WriteHotkeyFile(100000);
    LoadHotkeys(nullptr, FALSE);
    const double first = owner.PopupToIdle(TRUE);
    const double many = MedianOf(5, [&owner] { return owner.PopupToIdle(TRUE); });
    ReleaseHotkeys();
    std::printf("Popup of 2,000 documents (median of 5, ms): no hotkey file %.1f, 100,000 hotkeys %.1f (first %.1f): "
                "%.2fx (goal: <= 2x)\n",
                none, many, first, many / none);
}

void MeasureHotkeyLoad(PopupOwner& owner)
{
    double small = LoadTime(1000), large = LoadTime(10000);
    std::printf("Hotkey file load (median of 3, ms): 1,000 groups %.1f, 10,000 groups %.1f: %.2fx for 10x the "
                "groups\n",
                small, large, large / small);
    MeasurePopupWithManyHotkeys(owner);
    wchar_t path[MAX_PATH];
    HotkeyFilePath(path, MAX_PATH);
    ::DeleteFileW(path);
    RemoveTree(MenuFolderPath());
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    int popups = 1000;
    std::wstring only;
    std::wstring exe = static_cast<LPCWSTR>(ExecutableSibling(L"")) + std::wstring(L"\\..\\..\\Quillop.exe");
    std::wstring baseline;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (lstrcmpW(argv[i], L"--popups") == 0) popups = _wtoi(argv[i + 1]);
        if (lstrcmpW(argv[i], L"--only") == 0) only = argv[i + 1];
        if (lstrcmpW(argv[i], L"--exe") == 0) exe = argv[i + 1];
        if (lstrcmpW(argv[i], L"--baseline") == 0) baseline = argv[i + 1];
    }
    auto wanted = [&only](const wchar_t* part) { return only.empty() || only == part; };
    ::CoInitialize(nullptr);
    theRecordList.Configure(sizeof(HotkeyRecord), kHotkeyRecordStep);
    ::CreateDirectoryW(MenuFolderPath(), nullptr);
    PopupOwner owner;
    if (wanted(L"menus")) MeasureMenus(owner);
    if (wanted(L"memory")) MeasureMemoryOverPopups(owner, popups);
    if (wanted(L"find")) MeasureFind([&owner] { return MedianOf(5, [&owner] { return owner.PopupToIdle(FALSE); }); });
    RemoveTree(MenuFolderPath());
    RemoveTree(Beside(L"icons"));
    if (wanted(L"program")) {
        MeasureStartUps(exe, baseline);
        MeasureSlowVolume(exe);
    }
    if (wanted(L"hotkeys")) MeasureHotkeyLoad(owner);
    ::CoUninitialize();
    return 0;
}
