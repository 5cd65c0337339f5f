// What the entry point does first: DLLs the system loads by name come from
// the system folder, never from the program's own.
#include "framework/CWinApp.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

TEST(StartUp, APlantedDllBesideTheProgramIsNotLoaded)
{
    ASSERT_TRUE(test::Exists(test::ExecutableFolder() + L"\\quillop_planted.dll"));
    RestrictDllSearchToSystem();
    HMODULE planted = ::LoadLibraryW(L"quillop_planted.dll");
    EXPECT_EQ(planted, nullptr);
    if (planted) ::FreeLibrary(planted);
    // System DLLs still load by name.
    HMODULE system = ::LoadLibraryW(L"version.dll");
    EXPECT_NE(system, nullptr);
    if (system) ::FreeLibrary(system);
}

}  // namespace
