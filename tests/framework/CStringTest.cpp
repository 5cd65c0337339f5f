#include "framework/CMemoryException.h"
#include "framework/CString.h"
#include "framework/Heap.h"

#include <gtest/gtest.h>

namespace {

void* RefuseEverything(void*, std::size_t) { return nullptr; }

TEST(CString, GrowsFindsAndCuts)
{
    CString s(L"archive.tar");
    s += L".gz";
    s += L'!';
    EXPECT_EQ(s, L"archive.tar.gz!");
    EXPECT_EQ(s.GetLength(), 15);
    EXPECT_EQ(s.ReverseFind(L'.'), 11);
    EXPECT_EQ(s.Find(L"tar"), 8);
    EXPECT_EQ(s.Find(L'.', 8), 11);
    EXPECT_EQ(s.Left(7), L"archive");
    EXPECT_EQ(s.Mid(8, 3), L"tar");
    EXPECT_EQ(s.Mid(40), L"");
    s.Truncate(7);
    EXPECT_EQ(s, L"archive");
}

TEST(CString, AppendsAPartOfItself)
{
    CString s(L"abc");
    s += static_cast<LPCWSTR>(s);
    EXPECT_EQ(s, L"abcabc");
    s = static_cast<LPCWSTR>(s) + 3;
    EXPECT_EQ(s, L"abc");
}

TEST(CString, FormatsAndTakesBuffers)
{
    CString s;
    s.Format(L"%d|%ls", 1769588, L"x");
    EXPECT_EQ(s, L"1769588|x");
    wchar_t* buffer = s.GetBuffer(10);
    lstrcpyW(buffer, L"hi");
    s.ReleaseBuffer();
    EXPECT_EQ(s.GetLength(), 2);
    CString empty;
    empty.GetBuffer(0);
    empty.ReleaseBuffer();
    EXPECT_TRUE(empty.IsEmpty());
}

TEST(CString, RefusedGrowthThrowsTheMemoryException)
{
    CString s(L"kept");
    Heap::Reallocator previous = Heap::SetReallocator(RefuseEverything);
    bool thrown = false;
    try {
        s += L" and more";
    } catch (const CMemoryException&) {
        thrown = true;
    }
    Heap::SetReallocator(previous);
    EXPECT_TRUE(thrown);
    EXPECT_EQ(s, L"kept");
}

}  // namespace
