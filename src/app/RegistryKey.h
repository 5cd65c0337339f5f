// One open registry key, closed when the object goes.
#pragma once

#include "framework/CObject.h"
#include "framework/CString.h"
#include "framework/Handles.h"

class CRegistryKey : public CObject {
public:
    explicit CRegistryKey(HKEY) {}

    // Opens root\path with the access asked for (full access unless told):
    // a key that is only read should ask for KEY_QUERY_VALUE alone, which
    // every account has where it may not write.
    BOOL Open(HKEY root, LPCWSTR path, REGSAM access = KEY_ALL_ACCESS);
    // Reads a string value of any length; on failure out is left unchanged.
    BOOL QueryString(LPCWSTR name, CString& out) const;
    BOOL SetString(LPCWSTR name, LPCWSTR value);
    BOOL DeleteValue(LPCWSTR name);
    void Close() { m_key.Reset(); }

private:
    UniqueRegistryKey m_key;
};
