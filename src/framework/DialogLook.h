// A dialog's look in the light or dark mode in force. In light mode and
// under high contrast the controls draw themselves in the system's colours.
// In dark mode the standard controls have no dark look of their own on
// every system (Wine's have none), so the dialog hands them dark colours
// (WM_CTLCOLOR*, a list view's colours) and draws its push buttons itself
// (their NM_CUSTOMDRAW). Used by every dialog and by the message boxes.
// UI thread.
#pragma once

#include "framework/Afx.h"
#include "framework/Handles.h"
#include "framework/Theme.h"

class CDialogLook {
public:
    // Takes the look in force for the dialog and its controls and repaints
    // them: at start and when the setting changes while it is open.
    void Take(HWND dialog);
    bool IsDark() const { return m_dark; }

    // The answer to a WM_CTLCOLOR* message: nullptr leaves the colours to
    // the system.
    HBRUSH ControlColour(UINT message, HDC dc) const;
    // Answers the NM_CUSTOMDRAW of a control of the dialog by drawing it:
    // push buttons in dark mode, disabled picture buttons' pictures in any
    // mode; false leaves the drawing to the control.
    bool CustomDraw(NMCUSTOMDRAW& draw, LRESULT* result) const;

private:
    bool DrawButton(const NMCUSTOMDRAW& draw, LRESULT* result) const;
    bool DrawDisabledPicture(const NMCUSTOMDRAW& draw, LRESULT* result) const;
    // A list view's header, drawn dark from the list view's own messages
    // (the header tells it, not the dialog).
    bool DrawHeader(NMCUSTOMDRAW& draw, LRESULT* result) const;
    static LRESULT CALLBACK ListViewProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                         DWORD_PTR look);

    bool m_dark = false;
    ThemeColours m_colours{};
    UniqueBrush m_dialogBrush, m_fieldBrush;
};

// Whether the WM_SETTINGCHANGE, WM_SYSCOLORCHANGE or WM_THEMECHANGED
// changes what the look is.
bool ChangesTheLook(UINT message, WPARAM wParam, LPARAM lParam);

// Makes the message box being activated (from a WH_CBT hook's
// HCBT_ACTIVATE) follow the look in force until it closes.
void FollowLookInMessageBox(HWND box);
