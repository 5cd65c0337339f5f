// A popup menu whose owner-drawn entries carry a 16 x 16 image from a shared
// image list and an optional right-aligned hotkey text after a TAB. Owns
// its entries' records and the objects of its submenus.
#pragma once

#include <vector>

#include "framework/CMenu.h"

struct MenuItemData {
    static constexpr int kLabelLength = 72;  // 71 characters and a terminator
    wchar_t label[kLabelLength];
    int normalImage;
    int selectedImage;  // -1: the normal image
    int grayedImage;    // -1: the normal image
};

class CIconMenu : public CMenu {
public:
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
    // Destroys the child menus, drawing objects, records and the handle.
    virtual void DestroyAll();

    HIMAGELIST GetImageList() const { return m_imageList; }
    int GetIconWidth() const { return m_iconWidth; }
    int GetIconHeight() const { return m_iconHeight; }

private:
    MenuItemData* NewRecord(LPCWSTR text, int normalImage, int selectedImage, int grayedImage);
    HICON ChooseIcon(const MenuItemData* data, UINT state) const;

    std::vector<MenuItemData*> m_records;
    std::vector<CIconMenu*> m_children;
    COLORREF m_menuColour;
    COLORREF m_menuTextColour;
    COLORREF m_highlightColour;
    COLORREF m_highlightTextColour;
    LOGFONTW m_menuFontDescription = {};
    HFONT m_menuFont = nullptr;
    HIMAGELIST m_imageList;
    int m_iconWidth = 0;
    int m_iconHeight = 0;
    HBRUSH m_menuBrush = nullptr;
    HBRUSH m_highlightBrush = nullptr;
};

// The menu object that measures the entry with that id (a submenu's entry
// in its parent is identified by the submenu's handle), or nullptr.
CIconMenu* FindOwnerMenu(CIconMenu* menu, UINT id);

// The index of the file's small shell icon in the image list, or -1 when
// no icon could be had. The icon is appended the first time the list meets
// it; files that share a shell icon (most of one kind do) share the image,
// since copying an icon into the list costs about as much as asking the
// shell for it.
int AddFileIcon(LPCWSTR path, HIMAGELIST imageList);
// Forgets which shell icons a list holds: for a list about to be filled.
void ForgetFileIcons();
