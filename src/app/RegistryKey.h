// One open registry key, remembering the outcome of its last call.
#pragma once

#include "framework/CObject.h"
#include "framework/CString.h"

class CRegistryKey : public CObject {
public:
    explicit CRegistryKey(HKEY root) : m_key(root) {}
    ~CRegistryKey() override { Close(); }
    CRegistryKey(const CRegistryKey&) = delete;
    CRegistryKey& operator=(const CRegistryKey&) = delete;

    // Opens root\path with full access.
    BOOL Open(HKEY root, LPCWSTR path);
    // Reads a string of at most 255 characters; a longer value fails and
    // leaves out unchanged.
    BOOL QueryString(LPCWSTR name, CString& out);
    BOOL SetString(LPCWSTR name, LPCWSTR value);
    BOOL DeleteValue(LPCWSTR name);
    void Close();

private:
    LONG m_lastStatus = 0;
    DWORD m_lastType = 0;
    DWORD m_lastSize = 0;
    HKEY m_key;
    CString m_path;
    bool m_opened = false;
};
