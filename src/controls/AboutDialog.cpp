#include "controls/AboutDialog.h"

#include "framework/ExecutablePath.h"
#include "res/resource.h"

CAboutDialog::CAboutDialog() : CDialog(IDD_ABOUT) { StandAlone(); }

BOOL CAboutDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    CenterOnPointerMonitor();
    ShowInTaskbar();  // behind another window, it is found again
    m_homePage.SubclassDlgItem(IDC_ABOUT_HOMEPAGE, this);
    // The program's home is its help page, which ships beside it.
    m_homePage.SetLinkTarget(ExecutableSibling(L".htm"));
    // The template's text is read afresh for every box.
    CString version = WindowText(GetDlgItem(IDC_ABOUT_VERSION));
    version += L" Unicode Edition";
    ::SetDlgItemTextW(m_hWnd, IDC_ABOUT_VERSION, version);
    return TRUE;
}

void RunAboutBox() { DoModalOnce<CAboutDialog>(); }
