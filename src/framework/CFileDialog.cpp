#include "framework/CFileDialog.h"

CFileDialog::CFileDialog(BOOL openDialog, LPCWSTR defaultExtension, LPCWSTR fileName, DWORD flags, LPCWSTR filter,
                         CWnd* parent)
    : m_openDialog(openDialog)
{
    if (fileName) lstrcpynW(m_file, fileName, ARRAYSIZE(m_file));
    if (filter) {
        // "|" separates the parts; the system wants NULs.
        m_filter = filter;
        LPWSTR buffer = m_filter.GetBuffer(m_filter.GetLength());
        for (LPWSTR p = buffer; *p; ++p)
            if (*p == L'|') *p = 0;
        m_filter.ReleaseBuffer(m_filter.GetLength());
    }
    if (defaultExtension) m_defaultExtension = defaultExtension;
    m_ofn.lStructSize = sizeof(m_ofn);
    m_ofn.hwndOwner = parent ? parent->m_hWnd : nullptr;
    m_ofn.lpstrFilter = filter ? static_cast<LPCWSTR>(m_filter) : nullptr;
    m_ofn.lpstrFile = m_file;
    m_ofn.nMaxFile = ARRAYSIZE(m_file);
    m_ofn.lpstrDefExt = defaultExtension ? static_cast<LPCWSTR>(m_defaultExtension) : nullptr;
    m_ofn.Flags = flags | OFN_EXPLORER;
}

INT_PTR CFileDialog::DoModal() { return RunSystemDialog() ? IDOK : IDCANCEL; }
