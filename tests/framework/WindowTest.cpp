// The message table, reflection, dialogs and the profile on real windows.
#include "framework/CDialog.h"
#include "framework/CWinApp.h"

#include <gtest/gtest.h>

namespace {

CWinApp testApp(L"FrameworkTests");

constexpr UINT WM_PING = WM_APP + 1;
UINT registeredPing = ::RegisterWindowMessageW(L"Quillop.Tests.Ping");

class Control : public CWnd {
public:
    int clicks = 0;
    int notifications = 0;

protected:
    LRESULT OnClicked(WPARAM, LPARAM)
    {
        ++clicks;
        return 0;
    }
    LRESULT OnNotify(WPARAM, LPARAM)
    {
        ++notifications;
        return 42;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(Control, CWnd)
    ON_CONTROL_REFLECT(BN_CLICKED, OnClicked)
    ON_NOTIFY_REFLECT(NM_CLICK, OnNotify)
END_MESSAGE_MAP()

class Base : public CWnd {
public:
    int pings = 0;

protected:
    LRESULT OnPing(WPARAM wParam, LPARAM)
    {
        pings += static_cast<int>(wParam);
        return 7;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(Base, CWnd)
    ON_MESSAGE(WM_PING, OnPing)
END_MESSAGE_MAP()

class Derived : public Base {
public:
    int registered = 0;
    int commands = 0;

protected:
    LRESULT OnRegistered(WPARAM, LPARAM)
    {
        ++registered;
        return 9;
    }
    LRESULT OnCommand5(WPARAM, LPARAM)
    {
        ++commands;
        return 0;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(Derived, Base)
    ON_REGISTERED_MESSAGE(registeredPing, OnRegistered)
    ON_COMMAND(5, OnCommand5)
END_MESSAGE_MAP()

TEST(MessageTable, DispatchesThroughTheChainAndDefaults)
{
    ASSERT_TRUE(CWnd::RegisterFrameworkClass(L"QuillopTestWindow", 0, nullptr));
    Derived window;
    ASSERT_TRUE(window.CreateEx(0, L"QuillopTestWindow", L"t", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
    EXPECT_EQ(CWnd::FromHandle(window.m_hWnd), &window);
    EXPECT_EQ(window.SendMessage(WM_PING, 3), 7);  // found in the base class's table
    EXPECT_EQ(window.pings, 3);
    EXPECT_EQ(window.SendMessage(registeredPing), 9);
    window.SendMessage(WM_COMMAND, MAKEWPARAM(5, 0), 0);
    EXPECT_EQ(window.commands, 1);
    // Unhandled messages get the default processing.
    window.SendMessage(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"title"));
    wchar_t title[16] = {};
    ::GetWindowTextW(window.m_hWnd, title, 16);
    EXPECT_STREQ(title, L"title");
    HWND hwnd = window.m_hWnd;
    window.DestroyWindow();
    EXPECT_EQ(window.m_hWnd, nullptr);
    EXPECT_EQ(CWnd::FromHandle(hwnd), nullptr);
}

TEST(MessageTable, ReflectsCommandsAndNotificationsToTheControl)
{
    Derived parent;
    ASSERT_TRUE(CWnd::RegisterFrameworkClass(L"QuillopTestWindow", 0, nullptr));
    ASSERT_TRUE(parent.CreateEx(0, L"QuillopTestWindow", L"p", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr));
    HWND button = ::CreateWindowExW(0, L"BUTTON", L"b", WS_CHILD | BS_PUSHBUTTON, 0, 0, 20, 20, parent.m_hWnd,
                                    reinterpret_cast<HMENU>(5), nullptr, nullptr);
    Control control;
    ASSERT_TRUE(control.SubclassWindow(button));
    parent.SendMessage(WM_COMMAND, MAKEWPARAM(5, BN_CLICKED), reinterpret_cast<LPARAM>(button));
    EXPECT_EQ(control.clicks, 1);
    EXPECT_EQ(parent.commands, 0);  // the control took it

    NMHDR header = { button, 5, static_cast<UINT>(NM_CLICK) };
    EXPECT_EQ(parent.SendMessage(WM_NOTIFY, 5, reinterpret_cast<LPARAM>(&header)), 42);
    EXPECT_EQ(control.notifications, 1);
    parent.DestroyWindow();
    EXPECT_EQ(control.m_hWnd, nullptr);  // detached with its window
}

class NameDialog : public CDialog {
public:
    NameDialog() : CDialog(134) {}
    CString text = L"start";
    bool initialised = false;
    BOOL OnInitDialog() override
    {
        initialised = true;
        CDialog::OnInitDialog();
        PostMessage(WM_COMMAND, IDOK);  // the user presses OK at once
        return TRUE;
    }

protected:
    void DoDataExchange(CDataExchange* dx) override { DDX_Text(dx, 1013, text); }
};

TEST(Dialog, RunsModallyAndExchangesData)
{
    NameDialog dialog;
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_TRUE(dialog.initialised);
    EXPECT_EQ(dialog.text, L"start");  // shown, then read back by OK
    EXPECT_EQ(dialog.m_hWnd, nullptr);
}

TEST(Dialog, DisablesTheOwnerWhileModal)
{
    ASSERT_TRUE(CWnd::RegisterFrameworkClass(L"QuillopTestWindow", 0, nullptr));
    Derived owner;
    ASSERT_TRUE(owner.CreateEx(0, L"QuillopTestWindow", L"o", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
    struct Probe : CDialog {
        HWND owner = nullptr;
        BOOL ownerEnabledInside = TRUE;
        explicit Probe(CWnd* parent) : CDialog(134, parent) {}
        BOOL OnInitDialog() override
        {
            ownerEnabledInside = ::IsWindowEnabled(owner);
            PostMessage(WM_COMMAND, IDCANCEL);
            return TRUE;
        }
    } probe(&owner);
    probe.owner = owner.m_hWnd;
    EXPECT_EQ(probe.DoModal(), IDCANCEL);
    EXPECT_FALSE(probe.ownerEnabledInside);
    EXPECT_TRUE(::IsWindowEnabled(owner.m_hWnd));
}

TEST(Application, KeepsProfileIntegersUnderItsKey)
{
    testApp.SetRegistryKey(L"Quillop Tests");
    EXPECT_EQ(testApp.GetProfileKeyPath(), L"Software\\Quillop Tests\\FrameworkTests");
    ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Quillop Tests");
    EXPECT_EQ(testApp.GetProfileInt(L"Option", L"Value", 5), 5u);
    EXPECT_TRUE(testApp.WriteProfileInt(L"Option", L"Value", 1));
    EXPECT_EQ(testApp.GetProfileInt(L"Option", L"Value", 5), 1u);
    DWORD stored = 0, size = sizeof(stored);
    EXPECT_EQ(::RegGetValueW(HKEY_CURRENT_USER, L"Software\\Quillop Tests\\FrameworkTests\\Option", L"Value",
                             RRF_RT_REG_DWORD, nullptr, &stored, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(stored, 1u);
}

}  // namespace
