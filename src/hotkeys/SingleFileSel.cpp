#include "hotkeys/SingleFileSel.h"

#include "framework/CWinApp.h"

CSingleFileSel::CSingleFileSel(BOOL openDialog, LPCWSTR defaultExtension, LPCWSTR fileName, DWORD flags,
                               LPCWSTR filter, CWnd* parent)
    : CFileDialog(openDialog, defaultExtension, fileName, flags, filter, parent)
{
}

INT_PTR CSingleFileSel::DoModal()
{
    // The system's own dialog, without a hook.
    m_ofn.Flags &= ~static_cast<DWORD>(OFN_ENABLEHOOK);
    m_ofn.lpfnHook = nullptr;
    m_ofn.lpTemplateName = nullptr;
    if (!RunSystemDialog()) return IDCANCEL;
    return CheckChosenPath();
}

INT_PTR CSingleFileSel::CheckChosenPath()
{
    CString path = GetPathName();
    if (path.Find(L'?') >= 0) {
        AfxMessageBox(CString(L"Invalid path:\r\n") + path, MB_OK | MB_ICONEXCLAMATION);
        return IDCANCEL;
    }
    if (m_openDialog && !::PathFileExistsW(path)) {
        AfxMessageBox(L"Nonexistent or invalid path.", MB_OK | MB_ICONEXCLAMATION);
        return IDCANCEL;
    }
    return IDOK;
}
