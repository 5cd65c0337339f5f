// Thread timers: each calls back its own owner from the message loop, a
// callback may start its timer again with another callback, and neither a
// stopped nor a destroyed timer calls back again.
#include "framework/ThreadTimer.h"

#include <gtest/gtest.h>

#include "support/TestSupport.h"

#include <memory>

namespace {

TEST(ThreadTimer, EachTimerCallsItsOwnCallbackUntilStopped)
{
    CThreadTimer first, second;
    int firstTicks = 0, secondTicks = 0;
    first.Start(10, [&] { ++firstTicks; });
    second.Start(10, [&] {
        if (++secondTicks == 3) second.Stop();
    });
    EXPECT_TRUE(test::WaitFor([&] { return firstTicks >= 3 && !second.IsRunning(); }, 10000));
    first.Stop();
    const int firstAtStop = firstTicks;
    test::Pump(100);  // ticks that were already due are dropped, not run
    EXPECT_EQ(firstTicks, firstAtStop);
    EXPECT_EQ(secondTicks, 3);
}

TEST(ThreadTimer, ACallbackStartsItsTimerAgainWithAnother)
{
    CThreadTimer timer;
    int oneShots = 0, repeats = 0;
    timer.Start(10, [&] {
        ++oneShots;
        timer.Start(10, [&] { ++repeats; });
    });
    EXPECT_TRUE(test::WaitFor([&] { return repeats >= 2; }, 10000));
    EXPECT_EQ(oneShots, 1);
}

TEST(ThreadTimer, ADestroyedTimerNeverCallsBack)
{
    int ticks = 0;
    auto timer = std::make_unique<CThreadTimer>();
    timer->Start(1, [&] { ++ticks; });
    ::Sleep(20);  // its tick is due, waiting in the queue
    timer.reset();
    test::Pump(100);
    EXPECT_EQ(ticks, 0);
}

}  // namespace
