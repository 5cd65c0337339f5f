#include "app/RegistryKey.h"

BOOL CRegistryKey::Open(HKEY root, LPCWSTR path)
{
    Close();
    m_path = path;
    HKEY opened = nullptr;
    m_lastStatus = ::RegOpenKeyExW(root, path, 0, KEY_ALL_ACCESS, &opened);
    m_lastType = m_lastSize = 0;
    if (m_lastStatus != ERROR_SUCCESS) return FALSE;
    m_key = opened;
    m_opened = true;
    return TRUE;
}

BOOL CRegistryKey::QueryString(LPCWSTR name, CString& out)
{
    if (!m_opened) return FALSE;
    wchar_t buffer[256] = {};
    DWORD size = sizeof(buffer);
    DWORD type = 0;
    m_lastStatus = ::RegQueryValueExW(m_key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    m_lastType = type;
    m_lastSize = size;
    if (m_lastStatus != ERROR_SUCCESS) return FALSE;
    // A value stored without its terminator must not be read past the buffer.
    out = CString(buffer, static_cast<int>(wcsnlen(buffer, 256)));
    return TRUE;
}

BOOL CRegistryKey::SetString(LPCWSTR name, LPCWSTR value)
{
    if (!m_opened) return FALSE;
    DWORD characters = static_cast<DWORD>(lstrlenW(value)) + 1;
    m_lastStatus = ::RegSetValueExW(m_key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                                    characters * sizeof(wchar_t));
    m_lastType = REG_SZ;
    m_lastSize = characters;
    return m_lastStatus == ERROR_SUCCESS;
}

BOOL CRegistryKey::DeleteValue(LPCWSTR name)
{
    if (!m_opened) return FALSE;
    m_lastStatus = ::RegDeleteValueW(m_key, name);
    m_lastType = m_lastSize = 0;
    return m_lastStatus == ERROR_SUCCESS;
}

void CRegistryKey::Close()
{
    if (m_opened && m_key) ::RegCloseKey(m_key);
    m_opened = false;
    m_key = nullptr;
}
