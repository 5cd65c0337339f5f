#include "framework/CDialog.h"

#include "framework/CWinApp.h"

BEGIN_MESSAGE_MAP(CDialog, CWnd)
    ON_COMMAND(IDOK, HandleOk)
    ON_COMMAND(IDCANCEL, HandleCancel)
    ON_MESSAGE(WM_CTLCOLORBTN, OnControlColour)
    ON_MESSAGE(WM_CTLCOLORDLG, OnControlColour)
    ON_MESSAGE(WM_CTLCOLOREDIT, OnControlColour)
    ON_MESSAGE(WM_CTLCOLORLISTBOX, OnControlColour)
    ON_MESSAGE(WM_CTLCOLORSTATIC, OnControlColour)
    ON_NOTIFY_FROM_ANY(NM_CUSTOMDRAW, OnCustomDraw)
    ON_MESSAGE(WM_SETTINGCHANGE, OnLookChange)
    ON_MESSAGE(WM_SYSCOLORCHANGE, OnLookChange)
    ON_MESSAGE(WM_THEMECHANGED, OnLookChange)
END_MESSAGE_MAP()

CDialog::CDialog(UINT templateId, CWnd* parent) : m_templateId(templateId), m_parent(parent) {}

HWND CDialog::CreateFromTemplate(HWND owner)
{
    HINSTANCE instance = AfxGetResourceHandle();
    HRSRC resource = ::FindResourceW(instance, MAKEINTRESOURCEW(m_templateId), RT_DIALOG);
    HGLOBAL loaded = resource ? ::LoadResource(instance, resource) : nullptr;
    auto* dialogTemplate = loaded ? static_cast<const DLGTEMPLATE*>(::LockResource(loaded)) : nullptr;
    if (!dialogTemplate) return nullptr;
    return ::CreateDialogIndirectParamW(instance, dialogTemplate, owner, DialogProc,
                                        reinterpret_cast<LPARAM>(this));
}

// Subclasses the dialog at WM_INITDIALOG, so that from then on its messages
// pass through the message table; the dialog manager's own handling stays
// as the default processing.
INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT message, WPARAM, LPARAM lParam)
{
    if (message != WM_INITDIALOG) return FALSE;
    auto* dialog = reinterpret_cast<CDialog*>(lParam);
    if (!dialog->SubclassWindow(hwnd)) return FALSE;
    return dialog->OnInitDialog();
}

BOOL CDialog::Create(UINT templateId, CWnd* parent)
{
    m_templateId = templateId;
    m_parent = parent;
    return CreateFromTemplate(parent ? parent->m_hWnd : nullptr) != nullptr;
}

INT_PTR CDialog::DoModal()
{
    HWND owner = m_parent ? m_parent->m_hWnd : nullptr;
    if (!owner && !m_standAlone) {
        CWnd* main = AfxGetMainWnd();
        if (main && main != this) owner = main->m_hWnd;
    }
    m_modalOwner = owner && ::IsWindowEnabled(owner) ? owner : nullptr;
    if (m_modalOwner) ::EnableWindow(m_modalOwner, FALSE);

    m_modalResult = -1;
    if (!CreateFromTemplate(owner) || !m_hWnd) {
        EnableModalOwner();
        return -1;
    }
    if (!::IsWindowVisible(m_hWnd)) ::ShowWindow(m_hWnd, SW_SHOWNORMAL);

    m_inModalLoop = true;
    MSG message;
    while (m_inModalLoop && m_hWnd) {
        BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) {
            ::PostQuitMessage(static_cast<int>(message.wParam));  // let the outer loop end too
            break;
        }
        if (got == -1) break;
        if (!AfxPreTranslateMessage(&message)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    }
    m_inModalLoop = false;

    EnableModalOwner();
    if (owner && m_hWnd && ::GetActiveWindow() == m_hWnd) ::SetActiveWindow(owner);
    DestroyWindow();
    return m_modalResult;
}

void CDialog::EnableModalOwner()
{
    if (m_modalOwner) ::EnableWindow(m_modalOwner, TRUE);
    m_modalOwner = nullptr;
}

void CDialog::EndDialog(int result)
{
    m_modalResult = result;
    if (!m_inModalLoop) return;
    m_inModalLoop = false;
    // As the system's own: the owner comes back first, so that activation
    // returns to it, and the dialog disappears at once.
    EnableModalOwner();
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                   SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    PostMessage(WM_NULL);  // wake the modal loop
}

BOOL CDialog::UpdateData(BOOL saveAndValidate)
{
    CDataExchange exchange(this, saveAndValidate);
    DoDataExchange(&exchange);
    return TRUE;
}

BOOL CDialog::PreTranslateMessage(MSG* message)
{
    // Tab, Enter and Esc work as in any dialog.
    if (message->message >= WM_KEYFIRST && message->message <= WM_KEYLAST)
        return ::IsDialogMessageW(m_hWnd, message);
    return FALSE;
}

BOOL CDialog::OnInitDialog()
{
    m_look.Take(m_hWnd);
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK()
{
    UpdateData(TRUE);
    EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

LRESULT CDialog::HandleOk(WPARAM, LPARAM)
{
    OnOK();
    return 0;
}

LRESULT CDialog::HandleCancel(WPARAM, LPARAM)
{
    OnCancel();
    return 0;
}

LRESULT CDialog::OnControlColour(WPARAM dc, LPARAM)
{
    HBRUSH brush = m_look.ControlColour(MessageBeingHandled(), reinterpret_cast<HDC>(dc));
    return brush ? reinterpret_cast<LRESULT>(brush) : Default();
}

LRESULT CDialog::OnCustomDraw(WPARAM, LPARAM draw)
{
    LRESULT result = CDRF_DODEFAULT;
    m_look.CustomDraw(*reinterpret_cast<NMCUSTOMDRAW*>(draw), &result);
    return result;
}

LRESULT CDialog::OnLookChange(WPARAM wParam, LPARAM lParam)
{
    if (ChangesTheLook(MessageBeingHandled(), wParam, lParam)) m_look.Take(m_hWnd);
    return Default();
}

void DDX_Control(CDataExchange* dx, int id, CWnd& control)
{
    if (!control.m_hWnd) control.SubclassDlgItem(static_cast<UINT>(id), dx->m_pDlgWnd);
}

void DDX_Text(CDataExchange* dx, int id, CString& value)
{
    HWND control = ::GetDlgItem(dx->m_pDlgWnd->m_hWnd, id);
    if (!control) return;
    if (dx->m_bSaveAndValidate) {
        value = WindowText(control);
    } else {
        ::SetWindowTextW(control, value);
    }
}

void DDX_Check(CDataExchange* dx, int id, BOOL& value)
{
    HWND control = ::GetDlgItem(dx->m_pDlgWnd->m_hWnd, id);
    if (!control) return;
    if (dx->m_bSaveAndValidate)
        value = ::SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
    else
        ::SendMessageW(control, BM_SETCHECK, value ? BST_CHECKED : BST_UNCHECKED, 0);
}

void DDX_CBIndex(CDataExchange* dx, int id, int& index)
{
    HWND control = ::GetDlgItem(dx->m_pDlgWnd->m_hWnd, id);
    if (!control) return;
    if (dx->m_bSaveAndValidate)
        index = static_cast<int>(::SendMessageW(control, CB_GETCURSEL, 0, 0));
    else
        ::SendMessageW(control, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void BringToFront(HWND window)
{
    if (!window) return;
    if (::IsIconic(window)) ::ShowWindow(window, SW_RESTORE);
    ::SetForegroundWindow(window);
}
