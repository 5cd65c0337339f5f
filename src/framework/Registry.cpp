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

CRegistryWatch::CRegistryWatch(HKEY root, LPCWSTR path) : m_event(::CreateEventW(nullptr, FALSE, FALSE, nullptr))
{
    HKEY key = nullptr;
    if (::RegOpenKeyExW(root, path, 0, KEY_NOTIFY, &key) == ERROR_SUCCESS) m_key.Reset(key);
    Arm();
}

void CRegistryWatch::Arm()
{
    if (m_key && m_event)
        ::RegNotifyChangeKeyValue(m_key.Get(), TRUE, REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET, m_event.Get(),
                                  TRUE);
}

bool CRegistryWatch::Changed()
{
    if (!m_event || ::WaitForSingleObject(m_event.Get(), 0) != WAIT_OBJECT_0) return false;
    Arm();
    return true;
}
