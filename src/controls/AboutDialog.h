// The About box: name and version, author, e-mail and home page.
#pragma once

#include "../framework/CDialog.h"
#include "LinkStatic.h"

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
extern const wchar_t kAboutHomePage[];

// Runs the About box modally with no parent.
void RunAboutBox();
