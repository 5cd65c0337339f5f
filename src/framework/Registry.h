// Reading the registry without keeping a key open.
#pragma once

#include "framework/CString.h"
#include "framework/Handles.h"

// A key's default string value, of at most 260 characters; false when it
// cannot be read.
bool ReadDefaultString(HKEY root, LPCWSTR path, CString& value);
// Whether the key exists (and may be read).
bool RegistryKeyExists(HKEY root, LPCWSTR path);

// Tells whether anything under a registry key has changed since it was
// last asked: the system signals an event, so that asking costs nothing.
// Asked on the thread that made it (the system ties the watch to it).
class CRegistryWatch {
public:
    CRegistryWatch(HKEY root, LPCWSTR path);
    bool Changed();

private:
    void Arm();

    UniqueRegistryKey m_key;
    UniqueKernelHandle m_event;
};
