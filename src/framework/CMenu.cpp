#include "framework/CMenu.h"

#include <unordered_map>

namespace {

std::unordered_map<HMENU, CMenu*>& Registry()
{
    static std::unordered_map<HMENU, CMenu*> menus;
    return menus;
}

}  // namespace

bool IsWinesMenuLoop()
{
    static const bool wine =
        ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
    return wine;
}

CMenu::~CMenu() { DestroyMenu(); }

CMenu* CMenu::FromHandle(HMENU menu)
{
    auto found = Registry().find(menu);
    return found == Registry().end() ? nullptr : found->second;
}

BOOL CMenu::CreatePopupMenu() { return Attach(::CreatePopupMenu()); }

BOOL CMenu::Attach(HMENU menu)
{
    if (!menu || m_hMenu) return FALSE;
    m_hMenu = menu;
    Registry()[menu] = this;
    return TRUE;
}

HMENU CMenu::Detach()
{
    HMENU menu = m_hMenu;
    if (menu) Registry().erase(menu);
    m_hMenu = nullptr;
    return menu;
}

BOOL CMenu::DestroyMenu()
{
    HMENU menu = Detach();
    return menu && ::DestroyMenu(menu);
}

void CMenu::DrawItem(DRAWITEMSTRUCT*) {}

void CMenu::MeasureItem(MEASUREITEMSTRUCT*) {}
