#include "app/RegistryKey.h"

BOOL CRegistryKey::Open(HKEY root, LPCWSTR path, REGSAM access)
{
    HKEY opened = nullptr;
    LONG status = ::RegOpenKeyExW(root, path, 0, access, &opened);
    m_key.Reset(status == ERROR_SUCCESS ? opened : nullptr);
    return m_key ? TRUE : FALSE;
}

BOOL CRegistryKey::QueryString(LPCWSTR name, CString& out) const
{
    if (!m_key) return FALSE;
    wchar_t buffer[256] = {};
    DWORD size = sizeof(buffer);
    if (::RegQueryValueExW(m_key.Get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size) !=
        ERROR_SUCCESS)
        return FALSE;
    // A value stored without its terminator must not be read past the buffer.
    out = CString(buffer, static_cast<int>(wcsnlen(buffer, ARRAYSIZE(buffer))));
    return TRUE;
}

BOOL CRegistryKey::SetString(LPCWSTR name, LPCWSTR value)
{
    if (!m_key) return FALSE;
    DWORD bytes = (static_cast<DWORD>(lstrlenW(value)) + 1) * sizeof(wchar_t);
    return ::RegSetValueExW(m_key.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), bytes) ==
           ERROR_SUCCESS;
}

BOOL CRegistryKey::DeleteValue(LPCWSTR name)
{
    return m_key && ::RegDeleteValueW(m_key.Get(), name) == ERROR_SUCCESS;
}
