// The application manifest in the built program, and what it gives the
// process that carries it (the tests carry the same resources).
#include "framework/Afx.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string ProgramManifest()
{
    HMODULE program = ::LoadLibraryExW(test::BuiltProgram().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!program) return {};
    std::string text;
    // The process's manifest: id 1 of type RT_MANIFEST (24).
    HRSRC resource = ::FindResourceW(program, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    if (HGLOBAL loaded = resource ? ::LoadResource(program, resource) : nullptr)
        text.assign(static_cast<const char*>(::LockResource(loaded)), ::SizeofResource(program, resource));
    ::FreeLibrary(program);
    return text;
}

TEST(Manifest, AsksForThemedControlsSystemDpiAndTheInvokersRights)
{
    std::string manifest = ProgramManifest();
    ASSERT_FALSE(manifest.empty()) << "Quillop.exe carries no manifest";
    for (const char* wanted :
         { "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"", "level=\"asInvoker\"",
           "<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true</dpiAware>",
           "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",
           "{1f676c76-80e1-4239-95bb-83d0f6d0da78}", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}" })
        EXPECT_NE(manifest.find(wanted), std::string::npos) << wanted;
}

// Version 6 of the common controls lives side by side, in the system's
// assembly store, named with its version.
TEST(Manifest, GivesTheProcessVersion6ControlsAndDpiAwareness)
{
    INITCOMMONCONTROLSEX controls = { sizeof(controls), ICC_WIN95_CLASSES };
    ASSERT_TRUE(::InitCommonControlsEx(&controls));
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(::GetModuleHandleW(L"comctl32.dll"), path, MAX_PATH);
    ::CharLowerW(path);
    EXPECT_NE(std::wstring(path).find(L"microsoft.windows.common-controls_6595b64144ccf1df_6."), std::wstring::npos)
        << static_cast<const wchar_t*>(path);
    EXPECT_TRUE(::IsProcessDPIAware());
}

}  // namespace
