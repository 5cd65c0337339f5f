// A window handle wrapper whose window procedure dispatches through the
// class's message table. Attaching an object to an existing window
// subclasses it; unhandled messages go to the window's previous procedure.
#pragma once

#include "framework/Afx.h"
#include "framework/CObject.h"
#include "framework/CString.h"
#include "framework/MessageMap.h"

// A window's text, whole.
CString WindowText(HWND window);
// The font a control draws with: its own, or the system's for controls.
HFONT WindowFont(HWND window);
// The work area of the monitor that holds the point (or the nearest one).
RECT WorkAreaAt(POINT point);

class CWnd : public CObject {
public:
    CWnd() = default;
    ~CWnd() override;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND m_hWnd = nullptr;
    HWND GetSafeHwnd() const { return m_hWnd; }

    // The object attached to a window by this framework, or nullptr.
    static CWnd* FromHandle(HWND hwnd);

    // Creates a window of a class registered with RegisterFrameworkClass.
    BOOL CreateEx(DWORD exStyle, LPCWSTR className, LPCWSTR title, DWORD style, int x, int y,
                  int width, int height, HWND parent, HMENU idOrMenu);
    // Registers a window class whose procedure is the framework's.
    static BOOL RegisterFrameworkClass(LPCWSTR className, UINT classStyle, HCURSOR cursor);

    BOOL SubclassWindow(HWND hwnd);
    BOOL SubclassDlgItem(UINT id, CWnd* parent);
    HWND UnsubclassWindow();
    BOOL DestroyWindow();

    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return ::SendMessageW(m_hWnd, message, wParam, lParam);
    }
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return ::PostMessageW(m_hWnd, message, wParam, lParam);
    }
    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
    // Centres the window on the work area of the monitor under the pointer.
    void CenterOnPointerMonitor() const;
    // Centres the window over another window, kept wholly inside the work
    // area of that window's monitor.
    void CenterOver(HWND other) const;
    // Centres the window on the point, kept wholly inside the work area of
    // the point's monitor.
    void CenterAt(POINT at) const;
    // How much wider and taller the window is than the work area of its
    // monitor (0 where it fits).
    SIZE OverflowOfWorkArea() const;
    // Gives the window a taskbar button of its own while it is open.
    void ShowInTaskbar() const;
    void ShowWindow(int command) const { ::ShowWindow(m_hWnd, command); }

    // Called by the application for messages bound to this window or its
    // descendants before they are dispatched; TRUE consumes the message.
    virtual BOOL PreTranslateMessage(MSG* message);

    // Offers a message that the parent reflected back to this control.
    // Returns TRUE (and the result) when the control's table handled it.
    virtual BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);

    static const MessageMap* GetThisMessageMap();

protected:
    virtual const MessageMap* GetMessageMap() const;
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Default processing of the message being handled now.
    LRESULT Default();
    // The message being handled now, for a handler that serves several.
    UINT MessageBeingHandled() const { return m_current.message; }
    // Hook run when the object is attached to a window by subclassing.
    virtual void PreSubclassWindow() {}
    // Hook run after the window's last message.
    virtual void PostNcDestroy() {}

    // Offers a message to the framework object of a child window as a
    // reflected message; FALSE when there is none or it did not handle it.
    static BOOL ReflectToChild(HWND child, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);

    static LRESULT CALLBACK FrameworkWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void Attach(HWND hwnd, WNDPROC previous);
    HWND Detach();

private:
    const MessageEntry* FindEntry(MessageKind kind, UINT message, UINT id) const;
    LRESULT Call(const MessageEntry& entry, WPARAM wParam, LPARAM lParam);
    BOOL Dispatch(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
    BOOL DispatchCommand(WPARAM wParam, LPARAM lParam, LRESULT* result);
    BOOL DispatchNotify(WPARAM wParam, LPARAM lParam, LRESULT* result);
    void HandleNcDestroy();

    WNDPROC m_previousProc = nullptr;
    struct CurrentMessage { UINT message; WPARAM wParam; LPARAM lParam; };
    CurrentMessage m_current = {};
};
