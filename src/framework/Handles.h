// Owning handle types: each holds one handle and releases it in its
// destructor, so that no exit path has to remember to. Move-only.
//
// Also two scoped helpers for device contexts: a DC taken from a window
// with GetDC, and an object selected into a DC until the scope ends.
#pragma once

#include <utility>

#include "framework/Afx.h"

template <typename Traits>
class UniqueHandle {
public:
    using Handle = typename Traits::Handle;

    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : m_handle(handle) {}
    ~UniqueHandle() { Reset(); }
    UniqueHandle(UniqueHandle&& other) noexcept : m_handle(other.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept
    {
        if (this != &other) Reset(other.Release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    Handle Get() const { return m_handle; }
    explicit operator bool() const { return m_handle != Traits::Invalid(); }
    // Gives the handle up without releasing it.
    Handle Release() { return std::exchange(m_handle, Traits::Invalid()); }
    void Reset(Handle handle = Traits::Invalid())
    {
        Handle old = std::exchange(m_handle, handle);
        if (old != Traits::Invalid()) Traits::Close(old);
    }

private:
    Handle m_handle = Traits::Invalid();
};

namespace HandleTraits {

template <typename H>
struct Null {
    using Handle = H;
    static Handle Invalid() { return nullptr; }
};

struct Icon : Null<HICON> {
    static void Close(HICON icon) { ::DestroyIcon(icon); }
};
struct Cursor : Null<HCURSOR> {
    static void Close(HCURSOR cursor) { ::DestroyCursor(cursor); }
};
template <typename H>
struct GdiObject : Null<H> {
    static void Close(H object) { ::DeleteObject(object); }
};
struct MemoryDC : Null<HDC> {
    static void Close(HDC dc) { ::DeleteDC(dc); }
};
struct ImageList : Null<HIMAGELIST> {
    static void Close(HIMAGELIST list) { ::ImageList_Destroy(list); }
};
struct RegistryKey : Null<HKEY> {
    static void Close(HKEY key) { ::RegCloseKey(key); }
};
struct Kernel : Null<HANDLE> {
    static void Close(HANDLE handle) { ::CloseHandle(handle); }
};
// File and find handles are "invalid" as INVALID_HANDLE_VALUE, not null.
struct File {
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE file) { ::CloseHandle(file); }
};
struct Find {
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE find) { ::FindClose(find); }
};
struct MappedView : Null<const void*> {
    static void Close(const void* view) { ::UnmapViewOfFile(view); }
};
struct Menu : Null<HMENU> {
    static void Close(HMENU menu) { ::DestroyMenu(menu); }
};
// An item id list from the shell's allocator.
struct ItemIdList : Null<PIDLIST_ABSOLUTE> {
    static void Close(PIDLIST_ABSOLUTE list) { ::CoTaskMemFree(list); }
};
struct Hook : Null<HHOOK> {
    static void Close(HHOOK hook) { ::UnhookWindowsHookEx(hook); }
};
struct Window : Null<HWND> {
    static void Close(HWND window) { ::DestroyWindow(window); }
};
struct Library : Null<HMODULE> {
    static void Close(HMODULE library) { ::FreeLibrary(library); }
};

}  // namespace HandleTraits

using UniqueIcon = UniqueHandle<HandleTraits::Icon>;
using UniqueCursor = UniqueHandle<HandleTraits::Cursor>;
using UniqueBrush = UniqueHandle<HandleTraits::GdiObject<HBRUSH>>;
using UniqueFont = UniqueHandle<HandleTraits::GdiObject<HFONT>>;
using UniquePen = UniqueHandle<HandleTraits::GdiObject<HPEN>>;
using UniqueBitmap = UniqueHandle<HandleTraits::GdiObject<HBITMAP>>;
using UniqueMemoryDC = UniqueHandle<HandleTraits::MemoryDC>;
using UniqueImageList = UniqueHandle<HandleTraits::ImageList>;
using UniqueRegistryKey = UniqueHandle<HandleTraits::RegistryKey>;
using UniqueKernelHandle = UniqueHandle<HandleTraits::Kernel>;
using UniqueFile = UniqueHandle<HandleTraits::File>;
using UniqueFind = UniqueHandle<HandleTraits::Find>;
using UniqueMappedView = UniqueHandle<HandleTraits::MappedView>;
using UniqueLibrary = UniqueHandle<HandleTraits::Library>;
using UniqueMenu = UniqueHandle<HandleTraits::Menu>;
using UniqueWindow = UniqueHandle<HandleTraits::Window>;
using UniqueHook = UniqueHandle<HandleTraits::Hook>;
using UniqueItemIdList = UniqueHandle<HandleTraits::ItemIdList>;

// A window's DC (GetDC), released when the scope ends.
class WindowDC {
public:
    explicit WindowDC(HWND window) : m_window(window), m_dc(::GetDC(window)) {}
    ~WindowDC()
    {
        if (m_dc) ::ReleaseDC(m_window, m_dc);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    operator HDC() const { return m_dc; }

private:
    HWND m_window;
    HDC m_dc;
};

// An object selected into a DC; the one it replaced comes back when the
// scope ends.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ object) : m_dc(dc), m_previous(::SelectObject(dc, object)) {}
    ~SelectedObject() { ::SelectObject(m_dc, m_previous); }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;

private:
    HDC m_dc;
    HGDIOBJ m_previous;
};

// Pixels of 32 bits, top row first: the format of the bitmaps the program
// reads and blends in memory.
inline BITMAPINFO TopDownPixels(int width, int height)
{
    BITMAPINFO format = {};
    format.bmiHeader = { sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0 };
    return format;
}

// A bitmap of such pixels that the program writes and reads itself at
// bits (null when it could not be made).
template <typename Pixel>
UniqueBitmap TopDownBitmap(int width, int height, Pixel*& bits)
{
    const BITMAPINFO format = TopDownPixels(width, height);
    void* made = nullptr;
    UniqueBitmap bitmap(::CreateDIBSection(nullptr, &format, DIB_RGB_COLORS, &made, nullptr, 0));
    bits = static_cast<Pixel*>(made);
    return bitmap;
}
