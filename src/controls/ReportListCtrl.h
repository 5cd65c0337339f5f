// A report-view list that keeps beside every row a record of its cell texts
// and an integer value, with columns set up from a one-line column list
// such as "Key, 150; Command, 400".
#pragma once

#include <initializer_list>
#include <memory>
#include <vector>

#include "framework/CListCtrl.h"

class CReportHeaderCtrl : public CHeaderCtrl {};

struct RowRecord {
    std::vector<CString> cells;
    int value = 0;
};

class CReportListCtrl : public CListCtrl {
public:
    using Filter = BOOL (*)(int value, int user);

    BOOL SetupColumns(const CString& columns);
    // Inserts a row with one text per column (nullptr: empty); -1 on failure.
    int AddRow(int index, std::initializer_list<LPCWSTR> texts);
    BOOL SetRowValue(int row, int value);
    int GetRowValue(int row) const;
    void GetCellText(int row, int column, CString& out) const;
    BOOL SetCellText(int row, int column, LPCWSTR text);
    BOOL SelectRow(int row, BOOL clamp);
    int GetSelectedCount() const { return static_cast<int>(SendMessage(LVM_GETSELECTEDCOUNT)); }
    int GetNextSelected(int after) const;
    int DeleteSelected(Filter filter, int user);
    int DeleteAll(Filter filter, int user);
    void SetGridLines(BOOL on);
    int GetColumnCount() const { return m_header.GetItemCount(); }

protected:
    void PreSubclassWindow() override;
    LRESULT OnColumnClick(WPARAM, LPARAM);
    LRESULT OnCustomDraw(NMLVCUSTOMDRAW& draw);

    LRESULT OnEraseBackground(WPARAM, LPARAM);
    LRESULT OnDestroy(WPARAM, LPARAM);
    DECLARE_MESSAGE_MAP()

private:
    // The rows' colours: black on white, or the dark look's; the selected
    // row in the highlight either way, whether the list has the focus or not.
    struct RowColours {
        COLORREF text, background, selectedText, selected;
    };
    static RowColours CurrentRowColours();

    RowRecord* Record(int row) const { return reinterpret_cast<RowRecord*>(GetItemData(row)); }
    BOOL DeleteRow(int row);

    CReportHeaderCtrl m_header;
    RowColours m_rowColours = {};  // taken as each paint begins
    // The rows' records, each the item data of its row.
    std::vector<std::unique_ptr<RowRecord>> m_records;
};
