// The About box: name and version, author, e-mail and home page.
#pragma once

#include "controls/LinkStatic.h"
#include "framework/CDialog.h"

class CAboutDialog : public CDialog {
public:
    CAboutDialog();
    BOOL OnInitDialog() override;

    CLinkStatic& GetEmailLink() { return m_email; }
    CLinkStatic& GetHomePageLink() { return m_homePage; }

private:
    CLinkStatic m_email;
    CLinkStatic m_homePage;
};

extern const wchar_t kAboutEmail[];

// Runs the About box modally with no parent; one already open comes to
// the front instead.
void RunAboutBox();
