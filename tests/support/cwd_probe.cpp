// A tiny program that the launch tests start through the shell: it appends
// its working directory and its own path to the file named by
// QUILLOP_PROBE_OUT, one line each, UTF-8.
#include <windows.h>

#include <cstdio>

int main()
{
    wchar_t out[MAX_PATH] = {};
    if (!GetEnvironmentVariableW(L"QUILLOP_PROBE_OUT", out, MAX_PATH)) return 1;
    wchar_t directory[MAX_PATH] = {}, self[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, directory);
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    FILE* file = _wfopen(out, L"a, ccs=UTF-8");
    if (!file) return 1;
    fwprintf(file, L"%ls\n%ls\n", directory, self);
    fclose(file);
    return 0;
}
