// A menu handle wrapper. Every object attached to a handle is registered
// under it, so that owner-drawn entries reach the object that drew them.
#pragma once

#include "framework/Afx.h"
#include "framework/CObject.h"

// Whether menus are tracked by Wine's menu loop, which differs from
// Windows': it ignores MNC_SELECT, sends no WM_MENURBUTTONUP, and chooses
// an entry only on a typed carriage return (none comes with Ctrl held).
bool IsWinesMenuLoop();

class CMenu : public CObject {
public:
    CMenu() = default;
    ~CMenu() override;
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;

    HMENU m_hMenu = nullptr;

    static CMenu* FromHandle(HMENU menu);

    BOOL CreatePopupMenu();
    BOOL Attach(HMENU menu);
    HMENU Detach();
    BOOL DestroyMenu();

    BOOL AppendMenu(UINT flags, UINT_PTR idOrSubmenu, LPCWSTR text)
    {
        return ::AppendMenuW(m_hMenu, flags, idOrSubmenu, text);
    }
    int GetMenuItemCount() const { return ::GetMenuItemCount(m_hMenu); }
    UINT GetMenuItemID(int position) const { return ::GetMenuItemID(m_hMenu, position); }
    HMENU GetSubMenu(int position) const { return ::GetSubMenu(m_hMenu, position); }

    // Owner-drawn entries.
    virtual void DrawItem(DRAWITEMSTRUCT* draw);
    virtual void MeasureItem(MEASUREITEMSTRUCT* measure);
};
