#include "framework/RecordArray.h"
#include "framework/StringPool.h"
#include "framework/Heap.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Refuses the reallocation numbered failAt (counting from 1), lets the
// others through.
int allocationsLeft = -1;
void* FailingReallocator(void* block, std::size_t bytes)
{
    if (allocationsLeft == 0) return nullptr;
    if (allocationsLeft > 0) --allocationsLeft;
    return std::realloc(block, bytes);
}

struct FailingHeap {
    Heap::Reallocator previous;
    explicit FailingHeap(int succeedFirst)
    {
        allocationsLeft = succeedFirst;
        previous = Heap::SetReallocator(FailingReallocator);
    }
    ~FailingHeap() { Heap::SetReallocator(previous); }
};

TEST(StringPool, StoresStringsUpToTheLimit)
{
    CStringPool pool;
    EXPECT_EQ(pool.Add(nullptr), 0);
    EXPECT_EQ(pool.GetCount(), 0u);
    EXPECT_EQ(pool.Get(1), nullptr);

    std::wstring longest(4094, L'x');
    EXPECT_EQ(pool.Add(longest.c_str()), 1);
    EXPECT_EQ(pool.Add(std::wstring(4095, L'y').c_str()), -2);
    EXPECT_EQ(pool.GetCount(), 1u);
    EXPECT_EQ(pool.Add(L""), 2);
    EXPECT_STREQ(pool.Get(2), L"");
    EXPECT_EQ(pool.Get(1), longest);
    for (int bad : { 0, -1, -2, 3 }) EXPECT_EQ(pool.Get(bad), nullptr) << bad;
}

TEST(StringPool, RebuildsSlotsWhenTheTextBlockMoves)
{
    CStringPool pool;
    std::wstring chunk(1000, L'a');
    for (int i = 0; i < 20; ++i) {
        chunk[0] = static_cast<wchar_t>(L'A' + i);
        ASSERT_EQ(pool.Add(chunk.c_str()), i + 1);
    }
    for (int i = 0; i < 20; ++i) {
        ASSERT_EQ(pool.Get(i + 1)[0], static_cast<wchar_t>(L'A' + i));
        ASSERT_EQ(wcslen(pool.Get(i + 1)), 1000u);
    }
}

TEST(StringPool, GrowsSlotsAtTheLastFreeSlot)
{
    CStringPool pool;
    for (int i = 1; i <= 1023; ++i) ASSERT_EQ(pool.Add(L"s"), i);
    {
        // The 1023rd needed no slot growth; the 1024th needs it.
        FailingHeap heap(0);
        EXPECT_EQ(pool.Add(L"s"), -1);
    }
    EXPECT_EQ(pool.GetCount(), 1023u);
    EXPECT_EQ(pool.Add(L"last"), 1024);
    EXPECT_STREQ(pool.Get(1024), L"last");
    pool.Clear();
    EXPECT_EQ(pool.Add(L"again"), 1);
}

TEST(StringPool, FirstAllocationFailureLeavesItEmptyAndRetries)
{
    CStringPool pool;
    {
        FailingHeap heap(1);  // text block yes, slot block no
        EXPECT_EQ(pool.Add(L"a"), -1);
    }
    EXPECT_EQ(pool.GetCount(), 0u);
    EXPECT_EQ(pool.Add(L"a"), 1);
}

TEST(StringPool, FailedTextGrowthKeepsEveryEntry)
{
    CStringPool pool;
    std::wstring chunk(3000, L'k');
    ASSERT_EQ(pool.Add(chunk.c_str()), 1);
    {
        FailingHeap heap(0);
        EXPECT_EQ(pool.Add(chunk.c_str()), -1);
    }
    EXPECT_EQ(pool.GetCount(), 1u);
    EXPECT_EQ(pool.Get(1), chunk);
}

TEST(RecordArray, ConfiguresOnce)
{
    CRecordArray records;
    long long record = 1;
    EXPECT_EQ(records.Add(&record), -2);
    EXPECT_EQ(records.Configure(0, 256), 0);
    EXPECT_EQ(records.Configure(8, 0), 0);
    EXPECT_EQ(records.Configure(8, 256), 1);
    EXPECT_EQ(records.Configure(4, 16), 0);
    EXPECT_EQ(records.Add(nullptr), 0);
    EXPECT_EQ(records.Add(&record), 1);
    EXPECT_EQ(*static_cast<long long*>(records.Get(1)), 1);
    for (int bad : { 0, -1, -2, 2 }) EXPECT_EQ(records.Get(bad), nullptr) << bad;
}

TEST(RecordArray, GrowsByItsStepAndKeepsRecords)
{
    CRecordArray records;
    records.Configure(8, 256);
    for (long long i = 1; i <= 257; ++i) ASSERT_EQ(records.Add(&i), i);
    EXPECT_EQ(records.GetCapacity(), 512u);
    for (int i = 1; i <= 257; ++i) ASSERT_EQ(*static_cast<long long*>(records.Get(i)), i);

    long long more = 9;
    for (int i = 258; i <= 512; ++i) records.Add(&more);
    {
        FailingHeap heap(0);
        EXPECT_EQ(records.Add(&more), -1);
    }
    EXPECT_EQ(records.GetCount(), 512u);
    EXPECT_EQ(*static_cast<long long*>(records.Get(100)), 100);

    records.Clear();
    EXPECT_EQ(records.Get(1), nullptr);
    EXPECT_EQ(records.Add(&more), 1);  // no new Configure needed
}

}  // namespace
