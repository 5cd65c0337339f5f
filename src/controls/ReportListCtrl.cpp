#include "controls/ReportListCtrl.h"

#include <algorithm>
#include <cwchar>

#include "framework/Dpi.h"
#include "framework/Theme.h"

namespace {

// Decimal as atoi reads it: leading blanks, digits up to the first other
// character, 0 without digits.
int ParseNumber(const CString& text) { return static_cast<int>(wcstol(text, nullptr, 10)); }

}  // namespace

CReportListCtrl::RowColours CReportListCtrl::CurrentRowColours()
{
    const ThemeColours theme = CurrentThemeColours();
    if (theme.dark) return { theme.menuText, theme.menu, theme.highlightText, theme.highlight };
    return { RGB(0, 0, 0), RGB(255, 255, 255), ::GetSysColor(COLOR_HIGHLIGHTTEXT), ::GetSysColor(COLOR_HIGHLIGHT) };
}

BEGIN_MESSAGE_MAP(CReportListCtrl, CListCtrl)
    ON_NOTIFY_REFLECT(LVN_COLUMNCLICK, OnColumnClick)
    ON_NOTIFY_REFLECT_RECORD(NM_CUSTOMDRAW, NMLVCUSTOMDRAW, OnCustomDraw)
    ON_MESSAGE(WM_ERASEBKGND, OnEraseBackground)
    ON_MESSAGE(WM_DESTROY, OnDestroy)
END_MESSAGE_MAP()

void CReportListCtrl::PreSubclassWindow()
{
    m_header.SubclassWindow(GetHeaderCtrl());
    SetExtendedStyle(GetExtendedStyle() | LVS_EX_FULLROWSELECT);
    EnableToolTips(TRUE);
}

BOOL CReportListCtrl::SetupColumns(const CString& columns)
{
    int position = 0;
    for (;;) {
        int end = columns.Find(L';', position);
        CString description = end < 0 ? columns.Mid(position) : columns.Mid(position, end - position);
        int comma = description.Find(L',');
        if (comma < 0) return TRUE;
        CString title = description.Left(comma);
        int second = description.Find(L',', comma + 1);
        int format = LVCFMT_LEFT;
        CString widthText;
        if (second >= 0) {
            int alignment = ParseNumber(description.Mid(comma + 1, second - comma - 1));
            format = alignment == 1 ? LVCFMT_CENTER : alignment == 2 ? LVCFMT_RIGHT : LVCFMT_LEFT;
            widthText = description.Mid(second + 1);
        } else {
            widthText = description.Mid(comma + 1);
        }
        int width = ParseNumber(widthText);
        if (width < 1) width = 1;
        // Widths are given at 96 DPI.
        if (InsertColumn(m_header.GetItemCount(), title, format, ScaleToDpi(width)) < 0) return FALSE;

        int columnCount = m_header.GetItemCount();
        for (int row = 0; row < GetItemCount(); ++row) {
            RowRecord* record = Record(row);
            if (!record) continue;
            record->cells.resize(static_cast<size_t>(columnCount));
            for (int column = 0; column < columnCount; ++column) record->cells[column] = GetItemText(row, column);
        }
        if (end < 0) return TRUE;
        position = end + 1;
    }
}

int CReportListCtrl::AddRow(int index, std::initializer_list<LPCWSTR> texts)
{
    const wchar_t* first = texts.size() ? *texts.begin() : nullptr;
    int row = InsertItem(index, first ? first : L"");
    if (row < 0) return -1;
    m_records.push_back(std::make_unique<RowRecord>());
    RowRecord* record = m_records.back().get();
    int columns = m_header.GetItemCount();
    record->cells.resize(static_cast<size_t>(columns > 0 ? columns : 1));
    int column = 0;
    for (LPCWSTR text : texts) {
        if (column >= columns) break;
        if (column > 0) SetItemText(row, column, text ? text : L"");
        record->cells[column] = text ? text : L"";
        ++column;
    }
    SetItemData(row, reinterpret_cast<LPARAM>(record));
    return row;
}

BOOL CReportListCtrl::SetRowValue(int row, int value)
{
    if (row < 0 || row >= GetItemCount() || !Record(row)) return FALSE;
    Record(row)->value = value;
    return TRUE;
}

int CReportListCtrl::GetRowValue(int row) const
{
    RowRecord* record = Record(row);
    return record ? record->value : 0;
}

void CReportListCtrl::GetCellText(int row, int column, CString& out) const
{
    RowRecord* record = Record(row);
    if (record && column >= 0 && static_cast<size_t>(column) < record->cells.size()) out = record->cells[column];
}

BOOL CReportListCtrl::SetCellText(int row, int column, LPCWSTR text)
{
    if (!SetItemText(row, column, text)) return FALSE;
    RowRecord* record = Record(row);
    if (record && column >= 0 && static_cast<size_t>(column) < record->cells.size()) record->cells[column] = text;
    return TRUE;
}

BOOL CReportListCtrl::SelectRow(int row, BOOL clamp)
{
    int count = GetItemCount();
    if (row < 0 || row >= count) {
        if (!clamp || count == 0) return FALSE;
        row = row < 0 ? 0 : count - 1;
    }
    return SetItemState(row, LVIS_SELECTED, LVIS_SELECTED);
}

int CReportListCtrl::GetNextSelected(int after) const
{
    if (after < -1) after = -1;
    return static_cast<int>(SendMessage(LVM_GETNEXTITEM, static_cast<WPARAM>(after), LVNI_SELECTED));
}

BOOL CReportListCtrl::DeleteRow(int row)
{
    RowRecord* record = Record(row);
    if (!DeleteItem(row)) return FALSE;
    m_records.erase(std::remove_if(m_records.begin(), m_records.end(),
                                   [record](const std::unique_ptr<RowRecord>& owned) { return owned.get() == record; }),
                    m_records.end());
    return TRUE;
}

int CReportListCtrl::DeleteSelected(Filter filter, int user)
{
    int deleted = 0;
    while (GetItemCount() > 0) {
        int row = GetNextSelected(-1);
        if (row < 0) break;
        if (filter && !filter(GetRowValue(row), user)) break;
        if (!DeleteRow(row)) break;
        ++deleted;
    }
    return deleted;
}

int CReportListCtrl::DeleteAll(Filter filter, int user)
{
    int deleted = 0;
    while (GetItemCount() > 0) {
        if (filter && !filter(GetRowValue(0), user)) break;
        if (!DeleteRow(0)) break;
        ++deleted;
    }
    return deleted;
}

void CReportListCtrl::SetGridLines(BOOL on)
{
    DWORD style = GetExtendedStyle();
    SetExtendedStyle(on ? style | LVS_EX_GRIDLINES : style & ~static_cast<DWORD>(LVS_EX_GRIDLINES));
}

LRESULT CReportListCtrl::OnColumnClick(WPARAM, LPARAM) { return 0; }

LRESULT CReportListCtrl::OnCustomDraw(NMLVCUSTOMDRAW& draw)
{
    switch (draw.nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        m_rowColours = CurrentRowColours();
        return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT:
        draw.clrText = m_rowColours.text;
        return CDRF_NOTIFYSUBITEMDRAW;
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM: {
        // The selected row in the highlight colours whether the list has the
        // focus or not: a row clicked is seen to be chosen.
        const int row = static_cast<int>(draw.nmcd.dwItemSpec);
        const bool selected = (GetItemState(row, LVIS_SELECTED) & LVIS_SELECTED) != 0;
        draw.clrText = selected ? m_rowColours.selectedText : m_rowColours.text;
        draw.clrTextBk = selected ? m_rowColours.selected : m_rowColours.background;
        // The list must not paint its own selection over these colours.
        draw.nmcd.uItemState &= ~static_cast<UINT>(CDIS_SELECTED | CDIS_FOCUS);
        return CDRF_NEWFONT;
    }
    default:
        return CDRF_DODEFAULT;
    }
}

LRESULT CReportListCtrl::OnEraseBackground(WPARAM dc, LPARAM)
{
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    int left = client.left - ::GetScrollPos(m_hWnd, SB_HORZ);
    UniqueBrush background(::CreateSolidBrush(CurrentRowColours().background));
    for (int column = 0; column < m_header.GetItemCount(); ++column) {
        int width = GetColumnWidth(column);
        RECT strip = { left, client.top, left + width, client.bottom };
        ::FillRect(reinterpret_cast<HDC>(dc), &strip, background.Get());
        left += width;
    }
    return 0;
}

LRESULT CReportListCtrl::OnDestroy(WPARAM, LPARAM)
{
    for (int row = 0; row < GetItemCount(); ++row) SetItemData(row, 0);
    m_records.clear();
    return Default();
}
