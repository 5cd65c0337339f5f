// The About box: name and version, author and home page.
#pragma once

#include "controls/LinkStatic.h"
#include "framework/CDialog.h"

class CAboutDialog : public CDialog {
public:
    CAboutDialog();
    BOOL OnInitDialog() override;

    CLinkStatic& GetHomePageLink() { return m_homePage; }

private:
    CLinkStatic m_homePage;
};

// Runs the About box modally with no parent; one already open comes to
// the front instead.
void RunAboutBox();
