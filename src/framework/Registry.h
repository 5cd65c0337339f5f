// Reading the registry without keeping a key open.
#pragma once

#include "framework/CString.h"

// A key's default string value, of at most 260 characters; false when it
// cannot be read.
bool ReadDefaultString(HKEY root, LPCWSTR path, CString& value);
// Whether the key exists (and may be read).
bool RegistryKeyExists(HKEY root, LPCWSTR path);
