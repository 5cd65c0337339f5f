// The launch tests' probe and fixture.
#include "support/LaunchSupport.h"

#include "menu/MenuFolder.h"
#include "menu/MenuTestSupport.h"
#include "support/TestSupport.h"

namespace test {

std::wstring ProbeProgram() { return ExecutableFolder() + L"\\cwd_probe.exe"; }
std::wstring ProbeOutput() { return ExecutableFolder() + L"\\cwd_probe.out"; }

std::vector<std::wstring> WaitForProbe(size_t runs, DWORD timeoutMs)
{
    return WaitForProbeLines(ProbeOutput(), runs, timeoutMs);
}

bool MakeShortcut(const std::wstring& target, const std::wstring& directory, const std::wstring& at)
{
    IShellLinkW* link = nullptr;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  reinterpret_cast<void**>(&link))))
        return false;
    link->SetPath(target.c_str());
    link->SetWorkingDirectory(directory.c_str());
    IPersistFile* file = nullptr;
    bool saved = SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
                 SUCCEEDED(file->Save(at.c_str(), TRUE));
    if (file) file->Release();
    link->Release();
    return saved;
}

void LaunchTest::SetUp()
{
    ::CoInitialize(nullptr);
    folder = FreshMenuFolder();
    folderAsSeparator = 0;
    ::DeleteFileW(ProbeOutput().c_str());
    ::SetEnvironmentVariableW(L"QUILLOP_PROBE_OUT", ProbeOutput().c_str());
}

void LaunchTest::TearDown()
{
    WaitForShellWorker();
    ::CoUninitialize();
}

}  // namespace test
