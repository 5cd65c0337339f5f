// A dialog that pops up the short-cut menu. While the menu is tracked the
// system asks its owner to measure the owner-drawn entries (WM_MEASUREITEM)
// and what a typed letter chooses (WM_MENUCHAR), and tells it when a
// submenu opens (WM_INITMENUPOPUP), which entry is highlighted
// (WM_MENUSELECT) and where the right button was released
// (WM_MENURBUTTONUP); while the shell's menu of an entry is open, its
// messages go to it. This class answers through the menu objects, so every
// owner answers alike.
#pragma once

#include <string>

#include "framework/CDialog.h"

class CShortcutMenuOwner : public CDialog {
public:
    using CDialog::CDialog;

protected:
    LRESULT OnMeasureItem(MEASUREITEMSTRUCT& measure);
    LRESULT OnMenuChar(WPARAM, LPARAM);
    LRESULT OnInitMenuPopup(WPARAM, LPARAM);
    LRESULT OnDrawItem(WPARAM, LPARAM);
    LRESULT OnMenuSelect(WPARAM, LPARAM);
    LRESULT OnMenuRButtonUp(WPARAM, LPARAM);
    DECLARE_MESSAGE_MAP()
};
