#include "framework/Theme.h"

namespace {

constexpr wchar_t kPersonalizeKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";

// Dark colours close to Windows 11's dark menus, the highlight an accent
// blue under white text (about 8:1).
constexpr COLORREF kDarkMenu = RGB(43, 43, 43), kDarkText = RGB(255, 255, 255);
constexpr COLORREF kDarkHighlight = RGB(0, 84, 153), kDarkGrayText = RGB(128, 128, 128);
constexpr COLORREF kDarkWindow = RGB(32, 32, 32), kDarkFrame = RGB(110, 110, 110);

// uxtheme's app-mode functions, exported by ordinal only.
constexpr WORD kSetPreferredAppMode = 135, kFlushMenuThemes = 136;
enum PreferredAppMode { kForceDark = 2, kForceLight = 3 };

// DWMWA_USE_IMMERSIVE_DARK_MODE, and its number before Windows 10 20H1.
constexpr DWORD kDarkModeAttribute = 20, kDarkModeAttributeBefore20H1 = 19;

// A system library, loaded once for the process's life (never freed: the
// functions found in it may be called until the end).
HMODULE SystemLibrary(LPCWSTR name)
{
    wchar_t path[MAX_PATH] = {};
    const UINT length = ::GetSystemDirectoryW(path, MAX_PATH);
    if (!length || length + 1 + lstrlenW(name) >= MAX_PATH) return nullptr;
    lstrcatW(path, L"\\");
    lstrcatW(path, name);
    return ::LoadLibraryW(path);
}

template <typename Function>
Function Export(LPCWSTR library, LPCSTR name)
{
    HMODULE module = SystemLibrary(library);
    return module ? reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name))) : nullptr;
}

}  // namespace

bool AppsUseDarkTheme()
{
    DWORD light = 1, size = sizeof(light);
    if (::RegGetValueW(HKEY_CURRENT_USER, kPersonalizeKey, L"AppsUseLightTheme", RRF_RT_REG_DWORD, nullptr, &light,
                       &size) != ERROR_SUCCESS)
        return false;
    return light == 0;
}

bool IsHighContrast()
{
    HIGHCONTRASTW contrast = {};
    contrast.cbSize = sizeof(contrast);
    return ::SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(contrast), &contrast, 0) &&
           (contrast.dwFlags & HCF_HIGHCONTRASTON);
}

ThemeColours ThemeColoursFor(bool dark, bool highContrast)
{
    if (dark && !highContrast)
        return { kDarkMenu, kDarkText, kDarkHighlight, kDarkText, kDarkGrayText, kDarkMenu,
                 kDarkWindow, kDarkMenu, kDarkText, kDarkFrame, true };
    return { ::GetSysColor(COLOR_MENU),      ::GetSysColor(COLOR_MENUTEXT),  ::GetSysColor(COLOR_HIGHLIGHT),
             ::GetSysColor(COLOR_HIGHLIGHTTEXT), ::GetSysColor(COLOR_GRAYTEXT), ::GetSysColor(COLOR_BTNHIGHLIGHT),
             ::GetSysColor(COLOR_3DFACE),    ::GetSysColor(COLOR_INFOBK),    ::GetSysColor(COLOR_INFOTEXT),
             highContrast ? ::GetSysColor(COLOR_WINDOWFRAME) : RGB(0, 0, 0), false };
}

ThemeColours CurrentThemeColours() { return ThemeColoursFor(AppsUseDarkTheme(), IsHighContrast()); }

void FollowDarkModeInMenus(bool dark)
{
    using SetPreferredAppMode = int(WINAPI*)(int);
    using FlushMenuThemes = void(WINAPI*)();
    static const auto setMode = Export<SetPreferredAppMode>(L"uxtheme.dll", MAKEINTRESOURCEA(kSetPreferredAppMode));
    static const auto flush = Export<FlushMenuThemes>(L"uxtheme.dll", MAKEINTRESOURCEA(kFlushMenuThemes));
    if (!setMode || !flush) return;
    setMode(dark && !IsHighContrast() ? kForceDark : kForceLight);
    flush();
}

void FollowDarkModeInTitleBar(HWND window, bool dark)
{
    using SetAttribute = HRESULT(WINAPI*)(HWND, DWORD, LPCVOID, DWORD);
    static const auto setAttribute = Export<SetAttribute>(L"dwmapi.dll", "DwmSetWindowAttribute");
    if (!setAttribute || !window) return;
    const BOOL on = dark && !IsHighContrast();
    if (FAILED(setAttribute(window, kDarkModeAttribute, &on, sizeof(on))))
        setAttribute(window, kDarkModeAttributeBefore20H1, &on, sizeof(on));
}

bool IsColourSetChange(LPARAM lParam)
{
    auto area = reinterpret_cast<LPCWSTR>(lParam);
    return area && lstrcmpiW(area, L"ImmersiveColorSet") == 0;
}
