#include "menu/ShellItemMenu.h"

#include "framework/Keyboard.h"

namespace {

// Far above the short-cut menu's ids (11 and one more for each file entry).
constexpr UINT kFirstCommand = 0x10000000, kLastCommand = kFirstCommand + 0x7FFF;

CShellItemMenu* gOpenMenu = nullptr;

}  // namespace

CShellItemMenu::~CShellItemMenu()
{
    if (gOpenMenu == this) gOpenMenu = nullptr;
}

bool CShellItemMenu::Load(LPCWSTR path, bool extended, HWND owner)
{
    PIDLIST_ABSOLUTE parsed = nullptr;
    if (FAILED(::SHParseDisplayName(path, nullptr, &parsed, 0, nullptr))) return false;
    UniqueItemIdList item(parsed);
    Microsoft::WRL::ComPtr<IShellFolder> folder;
    PCUITEMID_CHILD child = nullptr;
    if (FAILED(::SHBindToParent(item.Get(), IID_PPV_ARGS(folder.GetAddressOf()), &child)) ||
        FAILED(folder->GetUIObjectOf(owner, 1, &child, IID_IContextMenu, nullptr,
                                     reinterpret_cast<void**>(m_menu.GetAddressOf()))))
        return false;
    m_popup.Reset(::CreatePopupMenu());
    if (!m_popup || FAILED(m_menu->QueryContextMenu(m_popup.Get(), 0, kFirstCommand, kLastCommand,
                                                    CMF_NORMAL | (extended ? CMF_EXTENDEDVERBS : 0))))
        return false;
    m_menu.As(&m_menu2);
    m_menu.As(&m_menu3);
    wchar_t directory[MAX_PATH];
    lstrcpynW(directory, path, MAX_PATH);
    ::PathRemoveFileSpecW(directory);
    m_folder = directory;
    return true;
}

UINT CShellItemMenu::Track(HWND owner, POINT point)
{
    gOpenMenu = this;
    UINT command = static_cast<UINT>(::TrackPopupMenuEx(m_popup.Get(), TPM_RETURNCMD | TPM_RECURSE | TPM_RIGHTBUTTON,
                                                        point.x, point.y, owner, nullptr));
    gOpenMenu = nullptr;
    return command;
}

void CShellItemMenu::Invoke(UINT command, HWND owner, POINT point)
{
    CMINVOKECOMMANDINFOEX info = {};
    info.cbSize = sizeof(info);
    info.fMask = CMIC_MASK_UNICODE | CMIC_MASK_PTINVOKE;
    if (IsKeyDown(VK_SHIFT)) info.fMask |= CMIC_MASK_SHIFT_DOWN;
    if (IsKeyDown(VK_CONTROL)) info.fMask |= CMIC_MASK_CONTROL_DOWN;
    info.hwnd = owner;
    info.lpVerb = MAKEINTRESOURCEA(command - kFirstCommand);
    info.lpVerbW = MAKEINTRESOURCEW(command - kFirstCommand);
    info.lpDirectoryW = m_folder.c_str();
    info.nShow = SW_SHOWNORMAL;
    info.ptInvoke = point;
    m_menu->InvokeCommand(reinterpret_cast<CMINVOKECOMMANDINFO*>(&info));
}

CShellItemMenu* CShellItemMenu::Open() { return gOpenMenu; }

bool CShellItemMenu::OwnsCommand(UINT id) { return id >= kFirstCommand && id <= kLastCommand; }

BOOL CShellItemMenu::HandleMenuMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    *result = 0;
    if (m_menu3) return SUCCEEDED(m_menu3->HandleMenuMsg2(message, wParam, lParam, result));
    if (m_menu2) return SUCCEEDED(m_menu2->HandleMenuMsg(message, wParam, lParam));
    return FALSE;
}
