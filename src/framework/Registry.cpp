#include "framework/Registry.h"

#include "framework/Handles.h"

bool ReadDefaultString(HKEY root, LPCWSTR path, CString& value)
{
    wchar_t buffer[MAX_PATH + 1] = {};
    DWORD size = MAX_PATH * sizeof(wchar_t);
    if (::RegGetValueW(root, path, nullptr, RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr, buffer,
                       &size) != ERROR_SUCCESS)
        return false;
    value = buffer;
    return true;
}

bool RegistryKeyExists(HKEY root, LPCWSTR path)
{
    HKEY key = nullptr;
    bool exists = ::RegOpenKeyExW(root, path, 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS;
    UniqueRegistryKey opened(key);
    return exists;
}
