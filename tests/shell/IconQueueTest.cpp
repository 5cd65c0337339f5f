// The order in which the shell worker looks icons up: what an open menu
// shows first, a file asked for twice looked up once, a changed one again,
// and the preload waiting while a menu is open.
#include "shell/IconQueue.h"

#include <gtest/gtest.h>

namespace {

IconRequest Request(const std::wstring& key, ULONGLONG size = 1)
{
    IconRequest request;
    request.key = request.path = key;
    request.stamp.size = size;
    return request;
}

// The keys in the order the worker takes them, each taken one finished.
std::vector<std::wstring> Drain(CIconQueue& queue)
{
    std::vector<std::wstring> keys;
    CIconQueue::Work work;
    while (queue.Take(work)) {
        keys.push_back(work.tree ? L"tree" : work.request.key);
        queue.Finish(work);
    }
    return keys;
}

using Keys = std::vector<std::wstring>;

TEST(IconQueue, WhatAMenuShowsGoesFirstAndNothingIsLookedUpTwice)
{
    CIconQueue queue;
    queue.Add(Request(L"preloaded"), CIconQueue::Preload);
    queue.Add(Request(L"a"), CIconQueue::Menu);
    queue.Add(Request(L"b"), CIconQueue::Menu);
    queue.Add(Request(L"c"), CIconQueue::Menu);
    queue.Add(Request(L"b"), CIconQueue::Menu);          // asked again: once
    queue.Add(Request(L"preloaded"), CIconQueue::Menu);  // now a menu wants it
    queue.Raise({ L"c", L"a" });                         // what the open menu shows
    EXPECT_EQ(Drain(queue), (Keys{ L"c", L"a", L"b", L"preloaded" }));
    EXPECT_TRUE(queue.IsIdle());
}

TEST(IconQueue, AChangedFileIsLookedUpAgainWithItsNewStamp)
{
    CIconQueue queue;
    queue.Add(Request(L"a", 1), CIconQueue::Menu);
    queue.Add(Request(L"a", 2), CIconQueue::Menu);  // changed while queued
    CIconQueue::Work work;
    ASSERT_TRUE(queue.Take(work));
    EXPECT_EQ(work.request.stamp.size, 2u);
    queue.Add(Request(L"a", 2), CIconQueue::Menu);  // the same, while looked up
    queue.Finish(work);
    queue.Add(Request(L"a", 2), CIconQueue::Menu);  // the same, while the answer is on its way
    EXPECT_FALSE(queue.Take(work));
    queue.Add(Request(L"a", 3), CIconQueue::Menu);  // changed again
    EXPECT_EQ(Drain(queue), Keys{ L"a" });
}

TEST(IconQueue, ThePreloadWaitsWhileAMenuIsOpenAndSkipsWhatIsKnown)
{
    CIconQueue queue;
    queue.Add(Request(L"known"), CIconQueue::Menu);
    EXPECT_EQ(Drain(queue), Keys{ L"known" });
    queue.Delivered(Request(L"known"));
    queue.SetPreloadPaused(true);
    queue.AddTree(std::make_shared<FolderSnapshot>(L"C:\\", 1));
    queue.Add(Request(L"new"), CIconQueue::Preload);
    queue.Add(Request(L"known"), CIconQueue::Preload);
    queue.Add(Request(L"shown"), CIconQueue::Shown);
    EXPECT_EQ(Drain(queue), Keys{ L"shown" });
    EXPECT_FALSE(queue.IsIdle());
    queue.SetPreloadPaused(false);
    EXPECT_EQ(Drain(queue), (Keys{ L"new", L"tree" }));
    // The cache may ask again for what it had: a dropped answer is not final.
    queue.Add(Request(L"known"), CIconQueue::Menu);
    EXPECT_EQ(Drain(queue), Keys{ L"known" });
}

}  // namespace
