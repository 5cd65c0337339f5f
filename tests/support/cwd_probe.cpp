// A tiny program that the launch tests start through the shell: it appends
// its working directory and its own path to the file named by
// QUILLOP_PROBE_OUT, one line each, UTF-8. Arguments, when it has any (it
// was started for a document), follow its path on the same line, each
// after a TAB. With QUILLOP_PROBE_EXIT set it then ends with that code, as
// a browser starter that found no browser does.
#include <windows.h>

#include <cstdio>
#include <share.h>

int wmain(int argc, wchar_t** argv)
{
    wchar_t out[MAX_PATH] = {};
    if (!GetEnvironmentVariableW(L"QUILLOP_PROBE_OUT", out, MAX_PATH)) return 1;
    wchar_t directory[MAX_PATH] = {}, self[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, directory);
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    // Several probes may report at once: open shared, and wait for a turn.
    FILE* file = nullptr;
    for (int attempt = 0; attempt < 200 && !file; ++attempt) {
        file = _wfsopen(out, L"a, ccs=UTF-8", _SH_DENYWR);
        if (!file) Sleep(25);
    }
    if (!file) return 1;
    fwprintf(file, L"%ls\n%ls", directory, self);
    for (int i = 1; i < argc; ++i) fwprintf(file, L"\t%ls", argv[i]);
    fwprintf(file, L"\n");
    fclose(file);
    wchar_t code[16] = {};
    return GetEnvironmentVariableW(L"QUILLOP_PROBE_EXIT", code, 16) ? _wtoi(code) : 0;
}
