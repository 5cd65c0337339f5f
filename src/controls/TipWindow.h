// The program's own tooltip: a small top-most popup drawn by the program
// that shows a tool's text beside the pointer after it rests on the tool,
// and hides after a while, when the pointer leaves, or on a click or key.
// A text may hold a short and a long form, split by a carriage return; a
// click on the tip switches between them.
#pragma once

#include <memory>
#include <vector>

#include "framework/CString.h"
#include "framework/Controls.h"
#include "framework/Dpi.h"
#include "framework/Handles.h"

constexpr COLORREF kSystemTipColour = 0xFF000000;

struct TipTool : public CObject {
    HWND window = nullptr;
    UINT id = 0;
    RECT rect = {};         // in the owner's client coordinates
    int callbackMarker = 0; // -1: the text is asked of the owner
    CString text;
    int wrapWidth = 0;      // 0: automatic
    COLORREF textColour = kSystemTipColour;
    COLORREF backgroundColour = kSystemTipColour;
    int reserved = 0;
};

struct TipToolInfo {
    UINT size;
    UINT flags;
    HWND window;
    UINT id;
    RECT rect;
    HINSTANCE instance;
    LPCWSTR text;  // the tool's text, or LPSTR_TEXTCALLBACKW
    int reserved;
    int wrapWidth;
    COLORREF textColour;
    COLORREF backgroundColour;
};

class CTipWindow : public CWnd {
public:
    static constexpr UINT kDelayTimer = 1;
    static constexpr UINT kPollTimer = 2;

    CTipWindow();
    ~CTipWindow() override;

    BOOL Create(CWnd* owner);
    BOOL AddTool(CWnd* window, LPCWSTR text, const RECT* rect, UINT id);
    void RelayEvent(MSG* message);
    BOOL HitTest(CWnd* window, int x, int y, TipToolInfo* info);
    CString GetToolText(TipTool* tool);

    virtual RECT* Position(RECT* out, const POINT* at, TipTool* tool, const RECT* size);
    virtual RECT* Measure(RECT* out, const CString& text, int wrapWidth);

    TipTool* GetCurrentTool() const { return m_currentTool; }
    BOOL IsSuppressed() const { return m_suppressed; }
    BOOL IsExpanded() const { return m_expanded; }

protected:
    LRESULT OnPaint(WPARAM, LPARAM);
    LRESULT OnTimer(WPARAM, LPARAM);
    LRESULT OnLeftButtonDown(WPARAM, LPARAM);
    LRESULT OnLeftButtonUp(WPARAM, LPARAM);
    LRESULT OnSetFocus(WPARAM, LPARAM);
    LRESULT OnMouseActivate(WPARAM, LPARAM);
    LRESULT OnDestroy(WPARAM, LPARAM);
    LRESULT OnSettingChange(WPARAM, LPARAM);
    LRESULT OnSetFont(WPARAM, LPARAM);
    LRESULT OnGetFont(WPARAM, LPARAM);
    DECLARE_MESSAGE_MAP()

private:
    void PaintTip(HDC dc, const CString& text);
    void PaintTriangle(HDC dc, const RECT& inner) const;
    void Hide();
    void Arm(TipTool* tool);
    TipTool* ToolAt(POINT screen);
    bool CursorOverVisibleTip() const;
    bool CursorOnCurrentTool();
    void ShowAt(POINT anchor);
    void LoadStatusFont();
    void MakeFont();
    HWND OwnerWindow() const { return m_owner ? m_owner->m_hWnd : nullptr; }

    CWnd* m_owner = nullptr;
    // At 96 DPI; scaled to the system's.
    RECT m_margins = { ScaleToDpi(2), ScaleToDpi(2), ScaleToDpi(3), ScaleToDpi(3) };
    int m_defaultWrapWidth = 0;
    POINT m_pointerOffset = { 0, ScaleToDpi(20) };
    CFont m_font;
    LOGFONTW m_logicalFont = {};
    UINT m_drawFlags = DT_NOPREFIX | DT_EXTERNALLEADING | DT_EXPANDTABS | DT_WORDBREAK;
    BOOL m_usesSystemFont = TRUE;
    TipTool* m_currentTool = nullptr;
    UINT m_pollPeriod = 500;
    UINT m_autoHideTime = 5000;
    UINT m_shownTime = 0;
    UINT m_initialDelay = 500;
    BOOL m_active = TRUE;
    BOOL m_suppressed = FALSE;
    BOOL m_hasLongForm = FALSE;
    BOOL m_expanded = FALSE;
    COLORREF m_defaultBackground = kSystemTipColour;
    COLORREF m_defaultTextColour = kSystemTipColour;
    HWND m_focusToRestore = nullptr;
    std::vector<std::unique_ptr<TipTool>> m_tools;  // in the order of registration
};
