#include "framework/ExecutablePath.h"

CString ExecutablePath()
{
    wchar_t path[kLongPathBuffer] = {};
    ::GetModuleFileNameW(nullptr, path, kLongPathBuffer - 1);
    return CString(path);
}

CString ExecutableSibling(LPCWSTR extension)
{
    // Room for an extension longer than the one removed.
    wchar_t path[kLongPathBuffer + 16] = {};
    lstrcpynW(path, ExecutablePath(), kLongPathBuffer);
    ::PathRemoveExtensionW(path);
    int used = lstrlenW(path);
    lstrcpynW(path + used, extension, ARRAYSIZE(path) - used);
    return CString(path);
}

CString ExecutableBaseName()
{
    CString path = ExecutableSibling(L"");
    return path.Mid(path.ReverseFind(L'\\') + 1);
}
