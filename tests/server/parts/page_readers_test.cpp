// The reading pool: jobs run side by side, a full queue refuses at once, a stop drops what waits.
#include "server/site/page_readers.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <thread>

namespace {

constexpr auto patience = std::chrono::seconds(10);

// Holds a pool's thread inside a job until released.
struct Blocker {
    std::promise<void> started;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();

    std::function<void()> job() {
        return [this] {
            started.set_value();
            released.wait_for(patience);
        };
    }
};

// Polls until done() holds, for at most patience.
template <typename Done> bool eventually(Done done) {
    const auto until = std::chrono::steady_clock::now() + patience;
    while (!done()) {
        if (std::chrono::steady_clock::now() > until) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

TEST(PageReaders, RunsEveryJobOnItsThreadsSideBySide) {
    PageReaders pool(2, 8);
    // Each of the first two waits for the other to start: only two threads at once finish them.
    std::promise<void> first_started;
    std::promise<void> second_started;
    std::shared_future<void> first = first_started.get_future().share();
    std::shared_future<void> second = second_started.get_future().share();
    std::atomic<int> met{0};
    ASSERT_TRUE(pool.post([&] {
        first_started.set_value();
        if (second.wait_for(patience) == std::future_status::ready) {
            ++met;
        }
    }));
    ASSERT_TRUE(pool.post([&] {
        second_started.set_value();
        if (first.wait_for(patience) == std::future_status::ready) {
            ++met;
        }
    }));
    std::atomic<int> ran{0};
    for (int i = 0; i < 6; ++i) {
        ASSERT_TRUE(pool.post([&ran] { ++ran; }));
    }
    EXPECT_TRUE(eventually([&] { return met == 2 && ran == 6; }));
}

TEST(PageReaders, FullQueueRefusesAtOnceAndTakesJobsAgainOnceItDrains) {
    PageReaders pool(1, 2);
    Blocker blocker;
    ASSERT_TRUE(pool.post(blocker.job()));
    ASSERT_EQ(blocker.started.get_future().wait_for(patience), std::future_status::ready);
    std::atomic<int> ran{0};
    EXPECT_TRUE(pool.post([&ran] { ++ran; }));
    EXPECT_TRUE(pool.post([&ran] { ++ran; }));
    // The reader is busy and two wait: the third is refused, not queued, and never runs.
    EXPECT_FALSE(pool.post([&ran] { ran += 100; }));
    blocker.release.set_value();
    EXPECT_TRUE(eventually([&] { return ran == 2; }));
    EXPECT_TRUE(pool.post([&ran] { ++ran; }));
    EXPECT_TRUE(eventually([&] { return ran == 3; }));
    EXPECT_EQ(ran, 3);
}

TEST(PageReaders, StopFinishesTheRunningJobAndDropsTheWaitingOnesUnrun) {
    PageReaders pool(1, 4);
    Blocker blocker;
    ASSERT_TRUE(pool.post(blocker.job()));
    ASSERT_EQ(blocker.started.get_future().wait_for(patience), std::future_status::ready);
    // Stands for what a waiting job holds, such as a client's reply.
    const auto held = std::make_shared<int>(0);
    std::atomic<int> ran{0};
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(pool.post([held, &ran] { ++ran; }));
    }
    std::future<void> stopped = std::async(std::launch::async, [&pool] { pool.stop(); });
    // The waiting jobs are let go while the running one still runs.
    EXPECT_TRUE(eventually([&] { return held.use_count() == 1; }));
    EXPECT_EQ(stopped.wait_for(std::chrono::milliseconds(0)), std::future_status::timeout);
    blocker.release.set_value();
    ASSERT_EQ(stopped.wait_for(patience), std::future_status::ready);
    EXPECT_EQ(ran, 0);
    EXPECT_FALSE(pool.post([&ran] { ++ran; }));
    EXPECT_EQ(ran, 0);
}

TEST(PageReaders, RunAtALowerPriorityThanTheThreadThatMadeThem) {
    const int own = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
    PageReaders pool(1, 1);
    std::promise<int> niceness;
    ASSERT_TRUE(pool.post([&niceness] {
        niceness.set_value(getpriority(PRIO_PROCESS, static_cast<id_t>(gettid())));
    }));
    std::future<int> read = niceness.get_future();
    ASSERT_EQ(read.wait_for(patience), std::future_status::ready);
    EXPECT_EQ(read.get(), std::min(own + page_reader_niceness, 19));
    EXPECT_EQ(getpriority(PRIO_PROCESS, static_cast<id_t>(gettid())), own) << "the caller's own";
}

} // namespace
