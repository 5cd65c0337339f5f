// Wrappers of the list-view and header controls, holding the calls the
// program's report list makes.
#pragma once

#include "framework/CString.h"
#include "framework/CWnd.h"

class CHeaderCtrl : public CWnd {
public:
    int GetItemCount() const { return static_cast<int>(SendMessage(HDM_GETITEMCOUNT)); }
};

class CListCtrl : public CWnd {
public:
    int GetItemCount() const { return static_cast<int>(SendMessage(LVM_GETITEMCOUNT)); }
    HWND GetHeaderCtrl() const { return reinterpret_cast<HWND>(SendMessage(LVM_GETHEADER)); }
    DWORD GetExtendedStyle() const { return static_cast<DWORD>(SendMessage(LVM_GETEXTENDEDLISTVIEWSTYLE)); }
    void SetExtendedStyle(DWORD style) const { SendMessage(LVM_SETEXTENDEDLISTVIEWSTYLE, 0, style); }
    int InsertColumn(int index, LPCWSTR title, int format, int width) const;
    int InsertItem(int index, LPCWSTR text) const;
    BOOL SetItemText(int row, int column, LPCWSTR text) const;
    CString GetItemText(int row, int column) const;
    BOOL SetItemData(int row, LPARAM data) const;
    LPARAM GetItemData(int row) const;
    BOOL SetItemState(int row, UINT state, UINT mask) const;
    UINT GetItemState(int row, UINT mask) const
    {
        return static_cast<UINT>(SendMessage(LVM_GETITEMSTATE, static_cast<WPARAM>(row), mask));
    }
    BOOL DeleteItem(int row) const { return static_cast<BOOL>(SendMessage(LVM_DELETEITEM, static_cast<WPARAM>(row))); }
    BOOL EnsureVisible(int row, BOOL partialOk) const
    {
        return static_cast<BOOL>(SendMessage(LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), partialOk));
    }
    int GetColumnWidth(int column) const { return static_cast<int>(SendMessage(LVM_GETCOLUMNWIDTH, column)); }
    // The framework's tooltip support for the control.
    void EnableToolTips(BOOL enable) { m_toolTips = enable; }
    BOOL ToolTipsEnabled() const { return m_toolTips; }

private:
    BOOL m_toolTips = FALSE;
};
