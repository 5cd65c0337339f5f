#include "menu/ShortcutMenuOwner.h"

#include "menu/ShortcutMenu.h"

BEGIN_MESSAGE_MAP(CShortcutMenuOwner, CDialog)
    ON_MESSAGE_RECORD(WM_MEASUREITEM, MEASUREITEMSTRUCT, OnMeasureItem)
    ON_MESSAGE(WM_MENUCHAR, OnMenuChar)
    ON_MESSAGE(WM_INITMENUPOPUP, OnInitMenuPopup)
END_MESSAGE_MAP()

LRESULT CShortcutMenuOwner::OnMeasureItem(MEASUREITEMSTRUCT& measure)
{
    LRESULT result = 0;
    return RouteMeasureItem(m_hWnd, measure, &result) ? result : Default();
}

LRESULT CShortcutMenuOwner::OnMenuChar(WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    return RouteMenuChar(wParam, lParam, &result) ? result : Default();
}

LRESULT CShortcutMenuOwner::OnInitMenuPopup(WPARAM menu, LPARAM)
{
    RouteInitMenuPopup(reinterpret_cast<HMENU>(menu));
    return Default();
}
