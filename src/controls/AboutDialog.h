// The About box: name and version, author, e-mail and home page.
#pragma once

#include "../framework/CDialog.h"

class CAboutDialog : public CDialog {
public:
    CAboutDialog();
    BOOL OnInitDialog() override;
};

// Runs the About box modally with no parent.
void RunAboutBox();
