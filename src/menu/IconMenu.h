// A popup menu whose owner-drawn entries carry an image from a shared image
// list and an optional right-aligned hotkey text after a TAB. Owns its
// entries' records and the objects of its submenus.
//
// One menu tree (a top-level menu and its submenus) shares one set of
// drawing objects, made when the tree is, and one index that finds the
// menu object of any entry by id at once.
#pragma once

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "framework/CMenu.h"
#include "framework/Handles.h"
#include "framework/Theme.h"

#include <oleacc.h>

struct MenuItemData {
    static constexpr int kLabelLength = 72;  // 71 characters and a terminator
    // First, as screen readers expect of an owner-drawn entry's data: the
    // label, for them to read.
    MSAAMENUINFO msaa;
    wchar_t label[kLabelLength];
    int normalImage;
    int selectedImage;  // -1: the normal image
    int grayedImage;    // -1: the normal image
};

class CIconMenu : public CMenu {
public:
    // A top-level menu drawing from the image list.
    explicit CIconMenu(HIMAGELIST imageList);
    ~CIconMenu() override;

    // Appends an entry; owner-drawn when the flags ask for it or an image
    // is given. A separator stays a plain system separator.
    BOOL AppendItem(UINT flags, UINT_PTR id, LPCWSTR text, int normalImage, int selectedImage = -1,
                    int grayedImage = -1);
    // Appends a submenu entry and returns the submenu's object to fill.
    CIconMenu* AppendPopup(UINT flags, LPCWSTR text, int normalImage, int selectedImage = -1,
                           int grayedImage = -1);

    void DrawItem(DRAWITEMSTRUCT* draw) override;
    void MeasureItem(MEASUREITEMSTRUCT* measure) override;
    // Destroys the child menus, records, drawing objects and the handle.
    virtual void DestroyAll();
    // Takes every entry out (its submenus' objects and records go), so
    // that the menu can be filled anew.
    void RemoveAllItems();
    // Shown on the screen now, the menu opens again, so that the system
    // measures its entries anew (keys to the owner's menu loop).
    void Reshow(HWND owner) const;

    // WM_MENUCHAR's answer for a letter or digit typed into this menu: the
    // next entry whose label starts with it, or whose mnemonic it is, is
    // selected (case aside, wrapping round); the only one is chosen.
    LRESULT MenuChar(wchar_t typed) const;
    // How many presses of Down take the highlight from where it is (or
    // from the entry at from, -1 for none) to the entry at the position
    // (separators are passed over).
    int StepsDownTo(int position) const;
    int StepsDownBetween(int from, int position) const;
    // Gives the menu (this one or one of its tree) the entries' background
    // colour where the system draws: between and around the entries.
    void PaintBackground(HMENU menu) const;
    // The menu opens on the screen (its handle is not used again).
    void NoteOpened() { m_opened = true; }
    // The position of the highlighted entry, -1 for none.
    int HighlightedPosition() const;

    // The entry just appended shows a stand-in until the icon known by key
    // arrives.
    void AwaitIcon(const std::wstring& key);
    // The icon known by key arrived: the entries of the tree that wait for
    // it show it; their menus, where open, are drawn again with the next
    // frame (at most one redraw per frame however many icons arrive).
    void IconArrived(const std::wstring& key, int image);
    // The keys that entries of one menu of the tree still wait for.
    std::vector<std::wstring> AwaitedIn(HMENU menu) const;

    // The menu object of this tree that measures the entry with that id (a
    // submenu's entry in its parent is identified by the submenu's handle).
    CIconMenu* FindOwner(UINT id) const;
    // Whether an entry's data is one of this menu's (or its submenus')
    // records, and not another menu's value that came with the same id.
    bool OwnsItemData(ULONG_PTR data) const;

    HIMAGELIST GetImageList() const { return m_imageList; }
    int GetIconWidth() const { return m_iconWidth; }
    int GetIconHeight() const { return m_iconHeight; }
    // The colours the tree draws with.
    const ThemeColours& GetColours() const;

private:
    struct Tree;
    CIconMenu(HIMAGELIST imageList, Tree* tree);
    MenuItemData* NewRecord(LPCWSTR text, int normalImage, int selectedImage, int grayedImage);
    int ChooseImage(const MenuItemData* data, UINT state) const;
    void DrawIcon(HDC dc, int image, int x, int y, bool selected) const;
    void ShowImage(UINT position, int image);
    void CollectTree(std::vector<const CIconMenu*>& menus) const;
    void DrawSubmenuArrow(HDC dc, const RECT& entry, bool selected) const;
    // A dark menu's separators are owner-drawn, without id or data.
    static bool IsOwnDrawnSeparator(UINT id, ULONG_PTR data);
    void DrawSeparator(HDC dc, const RECT& entry) const;

    std::unique_ptr<Tree> m_ownTree;  // the top-level menu's
    Tree* m_tree;
    std::vector<std::unique_ptr<MenuItemData>> m_records;
    std::vector<std::unique_ptr<CIconMenu>> m_children;
    HIMAGELIST m_imageList;
    bool m_opened = false;
    int m_iconWidth = 0;
    int m_iconHeight = 0;
};

// The menu object that measures the entry with that id in the tree of
// menu, or nullptr.
CIconMenu* FindOwnerMenu(CIconMenu* menu, UINT id);
// The window that shows the menu, when it is open on this thread.
HWND OpenMenuWindow(HMENU menu);
