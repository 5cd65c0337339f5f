// Thin wrappers of a font, a static control and the system's tooltip.
#pragma once

#include "framework/CWnd.h"

class CFont : public CObject {
public:
    CFont() = default;
    ~CFont() override { DeleteObject(); }
    CFont(const CFont&) = delete;
    CFont& operator=(const CFont&) = delete;

    BOOL CreateFontIndirect(const LOGFONTW* description)
    {
        DeleteObject();
        m_hObject = ::CreateFontIndirectW(description);
        return m_hObject != nullptr;
    }
    void DeleteObject()
    {
        if (m_hObject) ::DeleteObject(m_hObject);
        m_hObject = nullptr;
    }
    operator HFONT() const { return m_hObject; }
    HFONT m_hObject = nullptr;
};

class CStatic : public CWnd {};

class CToolTipCtrl : public CWnd {
public:
    ~CToolTipCtrl() override
    {
        if (m_hWnd) ::DestroyWindow(m_hWnd);
        m_hWnd = nullptr;
    }
    BOOL Create(CWnd* parent, DWORD style = 0)
    {
        m_hWnd = ::CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | style, CW_USEDEFAULT, CW_USEDEFAULT,
                                   CW_USEDEFAULT, CW_USEDEFAULT, parent ? parent->m_hWnd : nullptr, nullptr,
                                   nullptr, nullptr);
        return m_hWnd != nullptr;
    }
    BOOL AddTool(CWnd* window, LPCWSTR text, const RECT* rect, UINT id)
    {
        TOOLINFOW info = Info(window, id);
        info.lpszText = const_cast<LPWSTR>(text);
        if (rect) info.rect = *rect;
        return static_cast<BOOL>(SendMessage(TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info)));
    }
    // A tip for a child control of the parent, shown whenever the pointer
    // rests on it: the tooltip watches the control's messages itself.
    BOOL AddControlTool(CWnd* parent, HWND control, LPCWSTR text)
    {
        TOOLINFOW info = Info(parent, reinterpret_cast<UINT_PTR>(control));
        info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        info.lpszText = const_cast<LPWSTR>(text);
        return static_cast<BOOL>(SendMessage(TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info)));
    }
    void UpdateTipText(LPCWSTR text, CWnd* window, UINT id)
    {
        TOOLINFOW info = Info(window, id);
        info.lpszText = const_cast<LPWSTR>(text);
        SendMessage(TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&info));
    }
    void RelayEvent(MSG* message) { SendMessage(TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(message)); }

private:
    static TOOLINFOW Info(CWnd* window, UINT_PTR id)
    {
        TOOLINFOW info = {};
        // The size every comctl32 takes: 5.x refuses the later, larger record.
        info.cbSize = TTTOOLINFOW_V2_SIZE;
        info.hwnd = window->m_hWnd;
        info.uId = id;
        return info;
    }
};
