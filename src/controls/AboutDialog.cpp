#include "AboutDialog.h"

#include "../../res/resource.h"

CAboutDialog::CAboutDialog() : CDialog(IDD_ABOUT) {}

BOOL CAboutDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    // The template's text is read afresh for every box.
    wchar_t version[260 + 32] = {};
    ::GetDlgItemTextW(m_hWnd, IDC_ABOUT_VERSION, version, 260);
    lstrcatW(version, L" Unicode Edition");
    ::SetDlgItemTextW(m_hWnd, IDC_ABOUT_VERSION, version);
    return TRUE;
}

void RunAboutBox()
{
    CAboutDialog about;
    about.DoModal();
}
