#include "menu/ShortcutMenuOwner.h"

#include "framework/CMenu.h"
#include "menu/EntryMenu.h"
#include "menu/ShortcutMenu.h"

BEGIN_MESSAGE_MAP(CShortcutMenuOwner, CDialog)
    ON_MESSAGE_RECORD(WM_MEASUREITEM, MEASUREITEMSTRUCT, OnMeasureItem)
    ON_MESSAGE(WM_MENUCHAR, OnMenuChar)
    ON_MESSAGE(WM_INITMENUPOPUP, OnInitMenuPopup)
    ON_MESSAGE(WM_DRAWITEM, OnDrawItem)
    ON_MESSAGE(WM_MENUSELECT, OnMenuSelect)
    ON_MESSAGE(WM_MENURBUTTONUP, OnMenuRButtonUp)
END_MESSAGE_MAP()

LRESULT CShortcutMenuOwner::OnMeasureItem(MEASUREITEMSTRUCT& measure)
{
    LRESULT result = 0;
    if (RouteShellMenuMessage(WM_MEASUREITEM, measure.CtlID, reinterpret_cast<LPARAM>(&measure), &result))
        return result;
    return RouteMeasureItem(m_hWnd, measure, &result) ? result : Default();
}

LRESULT CShortcutMenuOwner::OnMenuChar(WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (RouteShellMenuMessage(WM_MENUCHAR, wParam, lParam, &result)) return result;
    return RouteMenuChar(wParam, lParam, &result) ? result : Default();
}

LRESULT CShortcutMenuOwner::OnInitMenuPopup(WPARAM menu, LPARAM lParam)
{
    LRESULT result = 0;
    if (RouteShellMenuMessage(WM_INITMENUPOPUP, menu, lParam, &result)) return result;
    RouteInitMenuPopup(reinterpret_cast<HMENU>(menu));
    return Default();
}

LRESULT CShortcutMenuOwner::OnDrawItem(WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (RouteShellMenuMessage(WM_DRAWITEM, wParam, lParam, &result)) return result;
    auto* draw = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
    if (draw->CtlType == ODT_MENU) {
        if (CMenu* menu = CMenu::FromHandle(reinterpret_cast<HMENU>(draw->hwndItem))) {
            menu->DrawItem(draw);
            return TRUE;
        }
    } else if (ReflectToChild(draw->hwndItem, WM_DRAWITEM, wParam, lParam, &result)) {
        return result;
    }
    return Default();
}

LRESULT CShortcutMenuOwner::OnMenuSelect(WPARAM wParam, LPARAM lParam)
{
    NoteHighlightedEntry(wParam, lParam);
    return Default();
}

LRESULT CShortcutMenuOwner::OnMenuRButtonUp(WPARAM position, LPARAM menu)
{
    RequestEntryMenu(reinterpret_cast<HMENU>(menu), static_cast<UINT>(position));
    return Default();
}

