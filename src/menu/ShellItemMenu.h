// The shell's own context menu for one file or folder of the short-cut menu
// ("Open with", "Send to", Cut, Copy, Delete, Rename, Properties...), shown
// over the open short-cut menu and run on the shell's item. While it is
// open, the owner window hands its owner-drawn and dynamic submenus'
// messages on to it (IContextMenu2 and IContextMenu3).
#pragma once

#include <string>
#include <wrl/client.h>

#include "framework/Handles.h"

class CShellItemMenu {
public:
    CShellItemMenu() = default;
    ~CShellItemMenu();
    CShellItemMenu(const CShellItemMenu&) = delete;
    CShellItemMenu& operator=(const CShellItemMenu&) = delete;

    // Asks the item's folder for the item's menu; extended: the verbs shown
    // with Shift held.
    bool Load(LPCWSTR path, bool extended, HWND owner);
    // Tracks the menu at the point, nested in the menu open now; the
    // command chosen, or 0 (Escape: back to the short-cut menu).
    UINT Track(HWND owner, POINT point);
    // Runs the command on the item.
    void Invoke(UINT command, HWND owner, POINT point);

    // The menu open now, if any: its messages are handed on to it.
    static CShellItemMenu* Open();
    // Whether the command id is one of the shell menu's: they lie above
    // every id the short-cut menu gives its entries.
    static bool OwnsCommand(UINT id);
    BOOL HandleMenuMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);

private:
    Microsoft::WRL::ComPtr<IContextMenu> m_menu;
    Microsoft::WRL::ComPtr<IContextMenu2> m_menu2;
    Microsoft::WRL::ComPtr<IContextMenu3> m_menu3;
    UniqueMenu m_popup;
    std::wstring m_folder;
};
