// Measures the short-cut menu against the floor of any menu of the same
// tree (its bare enumeration), the real program's start-up and memory, and
// the hotkey file load. Every figure is a ratio of two measurements taken
// side by side in this one run. Prints a table; not a test.
//
//   quillop_bench [--popups N] [--only menus|icons|memory|find|program|startups|hotkeys|huge] [--exe PATH] [--baseline PATH]
//     N popups for the memory check (default 1000); one part of the table
//     (huge, menu subfolders of 20,000 and 200,000 files, and startups, the
//     program's start-up and press rows without the rest, only when asked);
//     another Quillop.exe to start instead of this build's; an earlier
//     build to start side by side with it
#include "BenchTrees.h"
#include "FindBench.h"
#include "ProgramBench.h"
#include "ProgramRuns.h"
#include "framework/CMenu.h"
#include "framework/CWnd.h"
#include "framework/ExecutablePath.h"
#include "framework/IconPicture.h"
#include "hotkeys/HotkeyFile.h"
#include "hotkeys/HotkeyTable.h"
#include "menu/IconCache.h"
#include "menu/MenuFolder.h"
#include "menu/ShortcutMenu.h"
#include "shell/FolderModel.h"
#include "shell/ShellWorker.h"

#include <psapi.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

using namespace bench;

namespace {

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

// A hidden owner for the popups: it measures and draws their entries and
// fills their submenus as the tray window does, and ends each menu as soon
// as it is idle on the screen (or, timing a submenu, once that one is).
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
        m_trackedAt = 0;
        m_handlersMs = 0;
        ::SetCursorPos(200, 150);
        m_startAt = Milliseconds();
        PopupShortcutMenu(m_hWnd, FALSE, full);
        return m_idleAt - m_startAt;
    }
    // Of the last popup, the program's own work on the UI thread: the menu
    // made before it was tracked, and the handlers measuring, filling and
    // drawing its entries (the rest is the platform's menu on the screen).
    double OwnWorkOfLastPopup() const { return m_trackedAt - m_startAt + m_handlersMs; }
    // Milliseconds from Right on the bare menu's first entry, a folder,
    // until its submenu was idle on the screen; of them, the submenu's
    // entries being made (when asked for).
    double SubmenuToIdle(double* makingMs = nullptr, double* ownMs = nullptr)
    {
        m_stage = Stage::HighlightFolder;
        m_idleAt = 0;
        m_initMs = 0;
        ::SetCursorPos(200, 150);
        PopupShortcutMenu(m_hWnd, FALSE, FALSE);
        m_stage = Stage::None;
        if (makingMs) *makingMs = m_initMs;
        if (ownMs) *ownMs = m_handlersMs;  // since Right
        return m_idleAt - m_rightAt;
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
        const double start = Milliseconds();
        LRESULT result = 0;
        RouteMeasureItem(m_hWnd, measure, &result);
        m_handlersMs += Milliseconds() - start;
        return TRUE;
    }
    LRESULT OnInitMenuPopup(WPARAM menu, LPARAM)
    {
        const double start = Milliseconds();
        if (m_trackedAt == 0) m_trackedAt = start;
        RouteInitMenuPopup(reinterpret_cast<HMENU>(menu));
        const double spent = Milliseconds() - start;
        m_initMs += spent;
        m_handlersMs += spent;
        return 0;
    }
    LRESULT OnDrawItem(WPARAM, LPARAM lParam)
    {
        const double start = Milliseconds();
        auto* draw = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
        if (CMenu* menu = CMenu::FromHandle(reinterpret_cast<HMENU>(draw->hwndItem))) menu->DrawItem(draw);
        m_handlersMs += Milliseconds() - start;
        return TRUE;
    }
    LRESULT OnEnterIdle(WPARAM, LPARAM)
    {
        // Each key is taken before the menu is idle again.
        if (m_stage == Stage::HighlightFolder) {
            m_stage = Stage::OpenFolder;
            ::PostMessageW(m_hWnd, WM_KEYDOWN, VK_DOWN, 1);
            return 0;
        }
        if (m_stage == Stage::OpenFolder) {
            m_stage = Stage::SubmenuShown;
            m_rightAt = Milliseconds();
            m_handlersMs = 0;
            ::PostMessageW(m_hWnd, WM_KEYDOWN, VK_RIGHT, 1);
            return 0;
        }
        if (m_idleAt == 0) {
            m_idleAt = Milliseconds();
            ::EndMenu();
        }
        return 0;
    }
    DECLARE_MESSAGE_MAP()

private:
    enum class Stage { None, HighlightFolder, OpenFolder, SubmenuShown };
    double m_idleAt = 0, m_rightAt = 0, m_initMs = 0;
    double m_startAt = 0, m_trackedAt = 0, m_handlersMs = 0;
    Stage m_stage = Stage::None;
};

BEGIN_MESSAGE_MAP(PopupOwner, CWnd)
    ON_MESSAGE_RECORD(WM_MEASUREITEM, MEASUREITEMSTRUCT, OnMeasureItem)
    ON_MESSAGE(WM_INITMENUPOPUP, OnInitMenuPopup)
    ON_MESSAGE(WM_DRAWITEM, OnDrawItem)
    ON_MESSAGE(WM_ENTERIDLE, OnEnterIdle)
END_MESSAGE_MAP()

double WorkingSetMB()
{
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof(memory);
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &memory, sizeof(memory));
    return static_cast<double>(memory.WorkingSetSize) / (1024.0 * 1024.0);
}

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
    double ownWork;  // of the warm popups, the program's own UI-thread work (median)
};

// The enumeration floor, the first popup of the tree and the median warm one.
PopupFigures MeasurePopups(PopupOwner& owner, int separator)
{
    folderAsSeparator = separator;
    PopupFigures figures;
    figures.enumeration = MedianOf(5, [] { return TimeOf([] { EnumerateTree(MenuFolderPath()); }); });
    figures.first = owner.PopupToIdle(TRUE);
    WaitForShellWorker();
    std::vector<double> own;
    figures.warm = MedianOf(5, [&owner, &own] {
        const double shown = owner.PopupToIdle(TRUE);
        own.push_back(owner.OwnWorkOfLastPopup());
        return shown;
    });
    figures.ownWork = Median(own);
    folderAsSeparator = 0;
    return figures;
}

// The shell icon lookups that the next popup makes after one change in the
// first folder, opened.
unsigned LookupsForOneAddedFile(PopupOwner& owner, const std::function<void()>& addFile)
{
    addFile();
    // Listed first: the row counts the icon cache's questions, not whether
    // the listing came within the press's wait.
    TheFolderModel().RefreshAndWait();
    unsigned before = TheShellWorker().GetLookupCount();
    owner.SubmenuToIdle();
    WaitForShellWorker();
    return TheShellWorker().GetLookupCount() - before;
}

void PrintPopupRow(const char* tree, const char* shape, const PopupFigures& f, double goal)
{
    std::printf("%-20s %-12s %9.1f %10.1f %9.1f %8.2fx %6s%.0fx\n", tree, shape, f.enumeration, f.first, f.warm,
                f.warm / f.enumeration, "<= ", goal);
}

// Right into a folder of 200 own-icon shortcuts, warm, against the
// platform's plain popup of 200 text entries beside it.
void MeasureSubmenuOpening(PopupOwner& owner)
{
    MakeShortcutTree(MenuFolderPath(), Beside(L"icons"), 200, 1);
    TheFolderModel().RefreshAndWait();
    owner.SubmenuToIdle();
    WaitForShellWorker();
    std::vector<double> making, own;
    const double warm = MedianOf(5, [&owner, &making, &own] {
        double made = 0, ownWork = 0;
        const double shown = owner.SubmenuToIdle(&made, &ownWork);
        making.push_back(made);
        own.push_back(ownWork);
        return shown;
    });
    const double plain = MedianOf(5, [&owner] { return owner.PlainMenuToIdle(200); });
    std::printf("Opening a submenu of 200 own-icon shortcuts, Right to idle: warm %.1f ms, against the platform's "
                "plain 200-entry popup %.1f ms: %.2fx; the program's own work in it %.1f ms (its entries made in "
                "%.1f ms; goal: <= 16 ms)\n",
                warm, plain, warm / plain, Median(own), Median(making));
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
    const PopupFigures shortcuts = MeasurePopups(owner, 0);
    PrintPopupRow("own-icon shortcuts", "submenus", shortcuts, 4);
    PopupFigures shortcutsFlat = MeasurePopups(owner, 1);
    PrintPopupRow("own-icon shortcuts", "flat", shortcutsFlat, 8);
    const double plainAgain = MedianOf(5, [&owner] { return owner.PlainMenuToIdle(2000); });
    unsigned addedShortcut = LookupsForOneAddedFile(owner, [] { AddOneShortcut(MenuFolderPath(), Beside(L"icons")); });
    std::printf("One file added since the last popup, shell icon lookups at the next popup opening its folder: a "
                "shortcut with its own "
                "icon %u (goal: 1), a document of a type already seen %u\n",
                addedShortcut, addedDocument);
    std::printf("The platform alone: a plain menu of 2,000 text entries, appended and tracked to idle, %.1f ms: "
                "%.2fx the documents' enumeration\n",
                plain, plain / documentsFlat.enumeration);
    std::printf("Warm flat menu of 2,000 own-icon shortcuts against that plain menu (measured beside it): %.1f ms "
                "against %.1f ms: %.2fx (goal: <= 1.2x)\n",
                shortcutsFlat.warm, plainAgain, shortcutsFlat.warm / plainAgain);
    const double plainTop = MedianOf(5, [&owner] { return owner.PlainMenuToIdle(104); });
    std::printf("A press, 2,000 own-icon shortcuts in 100 folders, click to idle: warm %.1f ms (first %.1f ms), "
                "against the platform's plain popup of as many entries (104) %.1f ms: %.2fx; the program's own "
                "UI-thread work in it (made before tracking, entries measured, filled and drawn) %.1f ms (goal: <= "
                "16 ms)\n",
                shortcuts.warm, shortcuts.first, plainTop, shortcuts.warm / plainTop, shortcuts.ownWork);
    MeasureSubmenuOpening(owner);
    std::printf("\n");
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

// The UI thread's share of an icon's arrival: the icon added to the menu's
// image list as it is, against its picture made beforehand on an icon
// thread (PictureOfIcon) and copied in. The icons are the system's own for
// a few kinds of file, each added over and over.
void MeasureIconAdding()
{
    constexpr int kIcons = 2000;
    const int size = ::GetSystemMetrics(SM_CXSMICON);
    std::vector<UniqueIcon> kinds;
    for (LPCWSTR name : { L"a.txt", L"a.exe", L"a.lnk", L"a.dll", L"a.ini", L"a.bat", L"a.png", L"a.zip" }) {
        SHFILEINFOW info = {};
        auto system = reinterpret_cast<HIMAGELIST>(::SHGetFileInfoW(
            name, FILE_ATTRIBUTE_NORMAL, &info, sizeof(info), SHGFI_USEFILEATTRIBUTES | SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
        if (system) kinds.emplace_back(::ImageList_GetIcon(system, info.iIcon, ILD_NORMAL));
    }
    if (kinds.empty()) {
        std::printf("No system icons to add: the icons row is left out.\n\n");
        return;
    }
    auto newList = [size] { return UniqueImageList(::ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, 64, 64)); };
    auto icon = [&kinds](int i) { return kinds[static_cast<size_t>(i) % kinds.size()].Get(); };
    UniqueImageList byIcon = newList(), byPicture = newList();
    const double asIcons = TimeOf([&] {
        for (int i = 0; i < kIcons; ++i) ::ImageList_ReplaceIcon(byIcon.Get(), -1, icon(i));
    });
    std::vector<IconPicture> pictures;
    const double making = TimeOf([&] {
        for (int i = 0; i < kIcons; ++i) pictures.push_back(PictureOfIcon(icon(i), size));
    });
    const double asPictures = TimeOf([&] {
        for (const IconPicture& picture : pictures)
            ::ImageList_Add(byPicture.Get(), picture.colour.Get(), picture.mask.Get());
    });
    std::printf("2,000 icons into the menu's image list on the UI thread (ms): as icons %.1f, as pictures made "
                "beforehand %.1f: %.3fx; making the pictures (the icon threads' share, timed here on one) %.1f\n\n",
                asIcons, asPictures, asPictures / asIcons, making);
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
    if (wanted(L"icons")) MeasureIconAdding();
    if (wanted(L"memory")) MeasureMemoryOverPopups(owner, popups);
    if (wanted(L"find")) MeasureFind([&owner] { return MedianOf(5, [&owner] { return owner.PopupToIdle(FALSE); }); });
    RemoveTree(MenuFolderPath());
    RemoveTree(Beside(L"icons"));
    if (wanted(L"program")) MeasureRealProgram(exe, baseline);
    if (only == L"huge") MeasureHugeSubfolders(exe);
    if (only == L"startups") MeasureStartUps(exe, baseline);
    if (wanted(L"hotkeys")) MeasureHotkeyLoad(owner);
    ::CoUninitialize();
    return 0;
}
