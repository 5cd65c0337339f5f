// What the entry point does first: DLLs the system loads by name come from
// the system folder, never from the program's own.
#include "framework/CWinApp.h"
#include "framework/Handles.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

TEST(StartUp, APlantedDllBesideTheProgramIsNotLoaded)
{
    ASSERT_TRUE(test::Exists(test::ExecutableFolder() + L"\\quillop_planted.dll"));
    RestrictDllSearchToSystem();
    UniqueLibrary planted(::LoadLibraryW(L"quillop_planted.dll"));
    EXPECT_FALSE(planted);
    // System DLLs still load by name.
    UniqueLibrary system(::LoadLibraryW(L"version.dll"));
    EXPECT_TRUE(system);
}

}  // namespace
