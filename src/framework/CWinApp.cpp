#include "framework/CWinApp.h"

#include <algorithm>

#include "framework/DialogLook.h"
#include "framework/ExecutablePath.h"

namespace {

CWinApp* gApplication = nullptr;

}  // namespace

CWinApp::CWinApp(LPCWSTR appName)
{
    gApplication = this;
    INITCOMMONCONTROLSEX controls = { sizeof(controls), ICC_WIN95_CLASSES };
    ::InitCommonControlsEx(&controls);
    m_hInstance = ::GetModuleHandleW(nullptr);
    m_appName = appName ? CString(appName) : ExecutableBaseName();
}

CWinApp::~CWinApp()
{
    if (gApplication == this) gApplication = nullptr;
}

int CWinApp::Run()
{
    MSG message;
    for (;;) {
        BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) {
            m_exitCode = static_cast<int>(message.wParam);
            break;
        }
        if (got == -1) break;
        if (!PreTranslateMessage(&message)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    }
    return ExitInstance();
}

BOOL CWinApp::PreTranslateMessage(MSG* message)
{
    for (HWND hwnd = message->hwnd; hwnd; hwnd = ::GetParent(hwnd)) {
        CWnd* wnd = CWnd::FromHandle(hwnd);
        if (wnd && wnd->PreTranslateMessage(message)) return TRUE;
        if (m_pMainWnd && hwnd == m_pMainWnd->m_hWnd) break;
    }
    return FALSE;
}

void CWinApp::SetRegistryKey(LPCWSTR company)
{
    m_profileKey = L"Software\\";
    m_profileKey += company;
    m_profileKey += L"\\";
    m_profileKey += m_appName;
}

UINT CWinApp::GetProfileInt(LPCWSTR section, LPCWSTR entry, int defaultValue) const
{
    CString path = m_profileKey + L"\\" + section;
    DWORD value = 0;
    DWORD size = sizeof(value);
    DWORD type = 0;
    if (m_profileKey.IsEmpty() ||
        ::RegGetValueW(HKEY_CURRENT_USER, path, entry, RRF_RT_REG_DWORD, &type, &value, &size) != ERROR_SUCCESS)
        return static_cast<UINT>(defaultValue);
    return value;
}

BOOL CWinApp::WriteProfileInt(LPCWSTR section, LPCWSTR entry, int value) const
{
    if (m_profileKey.IsEmpty()) return FALSE;
    CString path = m_profileKey + L"\\" + section;
    HKEY created = nullptr;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_WRITE, nullptr, &created, nullptr) !=
        ERROR_SUCCESS)
        return FALSE;
    UniqueRegistryKey key(created);
    DWORD data = static_cast<DWORD>(value);
    return ::RegSetValueExW(key.Get(), entry, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof(data)) ==
           ERROR_SUCCESS;
}

bool CWinApp::SettingsExist() const
{
    HKEY opened = nullptr;
    if (m_profileKey.IsEmpty() ||
        ::RegOpenKeyExW(HKEY_CURRENT_USER, m_profileKey, 0, KEY_READ, &opened) != ERROR_SUCCESS)
        return false;
    UniqueRegistryKey key(opened);
    return true;
}

CWinApp* AfxGetApp() { return gApplication; }

CWnd* AfxGetMainWnd() { return gApplication ? gApplication->m_pMainWnd : nullptr; }

HINSTANCE AfxGetInstanceHandle() { return gApplication ? gApplication->m_hInstance : ::GetModuleHandleW(nullptr); }

HINSTANCE AfxGetResourceHandle() { return AfxGetInstanceHandle(); }

UniqueIcon AfxLoadIcon(UINT id, int width, int height)
{
    return UniqueIcon(static_cast<HICON>(
        ::LoadImageW(AfxGetResourceHandle(), MAKEINTRESOURCEW(id), IMAGE_ICON, width, height, 0)));
}

UniqueCursor AfxLoadCursor(UINT id)
{
    return UniqueCursor(
        static_cast<HCURSOR>(::LoadImageW(AfxGetResourceHandle(), MAKEINTRESOURCEW(id), IMAGE_CURSOR, 0, 0,
                                          LR_DEFAULTSIZE)));
}

BOOL AfxPreTranslateMessage(MSG* message) { return gApplication && gApplication->PreTranslateMessage(message); }

namespace {

// The box being shown, arranged once it is activated, before it is drawn:
// its look, its labels and its place.
bool gBoxPending = false;
const ButtonLabel* gButtonLabels = nullptr;
size_t gButtonLabelCount = 0;
HWND gKeepClear = nullptr;

// Below the window, or above it where the screen ends, never over it.
void PlaceClearOf(HWND box, HWND keepClear)
{
    RECT boxRect, clear;
    if (!::GetWindowRect(box, &boxRect) || !::GetWindowRect(keepClear, &clear)) return;
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof(monitor);
    ::GetMonitorInfoW(::MonitorFromWindow(keepClear, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT& work = monitor.rcWork;
    const int height = boxRect.bottom - boxRect.top, width = boxRect.right - boxRect.left;
    int y = clear.bottom;
    if (y + height > work.bottom) y = clear.top - height;
    if (y < work.top) return;  // no room either side: where the system put it
    const int x = std::max<int>(work.left, std::min<int>(boxRect.left, work.right - width));
    ::SetWindowPos(box, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CALLBACK ArrangeBox(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_ACTIVATE && gBoxPending) {
        const auto box = reinterpret_cast<HWND>(wParam);
        FollowLookInMessageBox(box);
        for (size_t i = 0; i < gButtonLabelCount; ++i)
            if (HWND button = ::GetDlgItem(box, gButtonLabels[i].id)) ::SetWindowTextW(button, gButtonLabels[i].text);
        if (gKeepClear) PlaceClearOf(box, gKeepClear);
        gBoxPending = false;
        gButtonLabelCount = 0;
        gKeepClear = nullptr;
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

int ArrangedMessageBox(LPCWSTR text, UINT type, std::initializer_list<ButtonLabel> labels, HWND keepClear)
{
    HWND owner = ::GetActiveWindow();
    if (!owner && AfxGetMainWnd()) owner = AfxGetMainWnd()->m_hWnd;
    LPCWSTR caption = gApplication ? static_cast<LPCWSTR>(gApplication->m_appName) : L"";
    gBoxPending = true;
    gButtonLabels = labels.begin();
    gButtonLabelCount = labels.size();
    gKeepClear = keepClear;
    UniqueHook hook(::SetWindowsHookExW(WH_CBT, ArrangeBox, nullptr, ::GetCurrentThreadId()));
    const int answer = ::MessageBoxW(owner, text, caption, type);
    gBoxPending = false;
    gButtonLabelCount = 0;
    gKeepClear = nullptr;
    return answer;
}

}  // namespace

// Every box follows the light or dark look.
int AfxMessageBox(LPCWSTR text, UINT type) { return ArrangedMessageBox(text, type, {}, nullptr); }

int AfxMessageBox(LPCWSTR text, UINT type, std::initializer_list<ButtonLabel> labels)
{
    return ArrangedMessageBox(text, type, labels, nullptr);
}

int AfxMessageBoxClearOf(HWND window, LPCWSTR text, UINT type)
{
    return ArrangedMessageBox(text, type, {}, window);
}

void RestrictDllSearchToSystem()
{
    using SetDirectories = BOOL(WINAPI*)(DWORD);
    auto set = reinterpret_cast<SetDirectories>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
    if (set) set(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

int AfxWinMain(CWinApp* app)
{
    if (!app) return -1;
    if (!app->InitInstance()) return app->ExitInstance();
    return app->Run();
}
