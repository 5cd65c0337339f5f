// The registry key the auto start reads and writes.
#include "app/RegistryKey.h"

#include <vector>

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
    // Whatever its length: a path near the system's limit, quoted, is
    // longer than the classic buffer.
    DWORD size = 0;
    if (::RegQueryValueExW(m_key.Get(), name, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS) return FALSE;
    std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1, L'\0');
    size = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    if (::RegQueryValueExW(m_key.Get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer.data()), &size) !=
        ERROR_SUCCESS)
        return FALSE;
    // A value stored without its terminator must not be read past the buffer.
    out = CString(buffer.data(), static_cast<int>(wcsnlen(buffer.data(), buffer.size())));
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
