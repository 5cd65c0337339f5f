// Dialogs from resource templates, modeless (Create) or modal (DoModal, with
// its own message loop so that messages are pre-translated), and the data
// exchange between fields and controls.
#pragma once

#include "framework/CString.h"
#include "framework/CWnd.h"
#include "framework/DialogLook.h"

class CDialog;

class CDataExchange {
public:
    CDataExchange(CDialog* dialog, BOOL saveAndValidate)
        : m_bSaveAndValidate(saveAndValidate), m_pDlgWnd(dialog)
    {
    }
    BOOL m_bSaveAndValidate;  // TRUE: controls to fields
    CDialog* m_pDlgWnd;
};

void DDX_Control(CDataExchange* dx, int id, CWnd& control);
void DDX_Text(CDataExchange* dx, int id, CString& value);
void DDX_Check(CDataExchange* dx, int id, BOOL& value);
void DDX_CBIndex(CDataExchange* dx, int id, int& index);

class CDialog : public CWnd {
public:
    explicit CDialog(UINT templateId, CWnd* parent = nullptr);

    // Creates the dialog as a modeless window.
    BOOL Create(UINT templateId, CWnd* parent = nullptr);
    // Runs the dialog modally: the owner is disabled meanwhile. Returns the
    // value given to EndDialog, or -1 when the dialog cannot be created.
    virtual INT_PTR DoModal();
    void EndDialog(int result);

    BOOL UpdateData(BOOL saveAndValidate = TRUE);
    BOOL PreTranslateMessage(MSG* message) override;

    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();

protected:
    virtual void DoDataExchange(CDataExchange*) {}
    CWnd* GetParentWindow() const { return m_parent; }
    // A dialog opened from the notification icon stands on its own, owned
    // by no window: it gets a taskbar button of its own (Wine gives an owned
    // window none, whatever its style) and is found again behind others.
    void StandAlone() { m_standAlone = true; }

    LRESULT HandleOk(WPARAM, LPARAM);
    LRESULT HandleCancel(WPARAM, LPARAM);
    // The light or dark look, followed while the dialog is open.
    LRESULT OnControlColour(WPARAM dc, LPARAM);
    LRESULT OnCustomDraw(WPARAM, LPARAM draw);
    LRESULT OnLookChange(WPARAM, LPARAM);
    DECLARE_MESSAGE_MAP()

private:
    void EnableModalOwner();
    HWND CreateFromTemplate(HWND owner);
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    UINT m_templateId;
    CWnd* m_parent;
    bool m_inModalLoop = false;
    bool m_standAlone = false;
    HWND m_modalOwner = nullptr;  // disabled while the dialog runs modally
    INT_PTR m_modalResult = -1;
    CDialogLook m_look;
};

// Brings a window to the front, restored if it was minimised.
void BringToFront(HWND window);

// Runs a modal dialog of a kind that is open once at most: asked for again
// while it is open, the open one comes to the front instead. -1 then.
template <class Dialog>
INT_PTR DoModalOnce()
{
    static Dialog* open = nullptr;
    if (open) {
        BringToFront(open->m_hWnd);
        return -1;
    }
    Dialog dialog;
    open = &dialog;
    INT_PTR result = dialog.DoModal();
    open = nullptr;
    return result;
}
