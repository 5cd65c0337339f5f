// Chooses one existing file: the system's open dialog, with a chosen path
// that holds a question mark or does not exist refused.
#pragma once

#include "framework/CFileDialog.h"

class CSingleFileSel : public CFileDialog {
public:
    CSingleFileSel(BOOL openDialog, LPCWSTR defaultExtension, LPCWSTR fileName, DWORD flags, LPCWSTR filter,
                   CWnd* parent);
    INT_PTR DoModal() override;
    // The checks on a path the system dialog gave back.
    INT_PTR CheckChosenPath();
};
