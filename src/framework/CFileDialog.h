// The system's open and save dialogs over one OPENFILENAMEW record.
#pragma once

#include "framework/CString.h"
#include "framework/CWnd.h"
#include "framework/ExecutablePath.h"

class CFileDialog : public CObject {
public:
    // filter: "Name|pattern|...||", as the framework writes it.
    CFileDialog(BOOL openDialog, LPCWSTR defaultExtension, LPCWSTR fileName, DWORD flags, LPCWSTR filter,
                CWnd* parent);
    virtual INT_PTR DoModal();
    CString GetPathName() const { return CString(m_file); }
    void SetTitle(LPCWSTR title) { m_title = title; m_ofn.lpstrTitle = m_title; }

    OPENFILENAMEW m_ofn = {};

protected:
    BOOL RunSystemDialog() { return m_openDialog ? ::GetOpenFileNameW(&m_ofn) : ::GetSaveFileNameW(&m_ofn); }
    BOOL m_openDialog;

private:
    wchar_t m_file[kLongPathBuffer] = {};
    CString m_filter;
    CString m_defaultExtension;
    CString m_title;
};
