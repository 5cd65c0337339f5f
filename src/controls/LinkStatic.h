// A static text turned into a hyperlink: underlined link colours, a hand
// cursor, a tooltip naming the target, a hover colour, and on a click the
// target opened through the shell, falling back to the registered browser
// command for ".htm" files.
#pragma once

#include "framework/CString.h"
#include "framework/Controls.h"
#include "framework/Handles.h"

class CLinkStatic : public CStatic {
public:
    CLinkStatic();
    ~CLinkStatic() override;

    void SetLinkTarget(const CString& target);
    const CString& GetLinkTarget() const { return m_target; }
    void FitToText();
    BOOL PreTranslateMessage(MSG* message) override;

    BOOL IsHovering() const { return m_hovering; }
    BOOL IsVisited() const { return m_visited; }
    // The colour the text is drawn in now.
    COLORREF CurrentColour() const;
    // Opens the target as a click does; TRUE when it opened.
    BOOL OpenTarget();
    HCURSOR GetCursor() const { return m_cursor.Get(); }

protected:
    void PreSubclassWindow() override;
    LRESULT OnClicked(WPARAM, LPARAM);
    LRESULT OnControlColour(WPARAM, LPARAM);
    LRESULT OnSetCursor(WPARAM, LPARAM);
    LRESULT OnMouseMove(WPARAM, LPARAM);
    DECLARE_MESSAGE_MAP()

private:
    void Redraw();

    COLORREF m_linkColour = RGB(0, 0, 238);
    COLORREF m_visitedColour = RGB(85, 26, 139);
    COLORREF m_hoverColour;
    BOOL m_hovering = FALSE;
    BOOL m_visited = FALSE;
    BOOL m_underline = TRUE;
    BOOL m_fitToText = TRUE;
    CString m_target;
    CFont m_linkFont;
    UniqueCursor m_cursor;
    CToolTipCtrl m_tooltip;
};

// The text shown for a failed ShellExecuteW result.
CString HyperlinkErrorText(int code);
