// Reading a shortcut file back through the shell's link object.
#include "support/ReadLink.h"

#include "framework/Afx.h"

namespace test {

Link ReadLink(const std::wstring& path)
{
    Link link;
    IShellLinkW* shell = nullptr;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  reinterpret_cast<void**>(&shell))))
        return link;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(shell->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        if (SUCCEEDED(file->Load(path.c_str(), 0))) {
            wchar_t buffer[MAX_PATH] = {};
            shell->GetPath(buffer, MAX_PATH, nullptr, SLGP_RAWPATH);
            link.target = buffer;
            buffer[0] = 0;
            shell->GetWorkingDirectory(buffer, MAX_PATH);
            link.directory = buffer;
        }
        file->Release();
    }
    shell->Release();
    return link;
}

}  // namespace test
