// The writer both stores share, over a backend kept in memory: each result of a batch is
// answered as the store stood when it arrived, a refused batch refuses each of its results,
// and a full queue answers busy at once.
#include "server/store/queued_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <future>
#include <map>
#include <mutex>
#include <optional>
#include <thread>

namespace {

using namespace std::chrono_literals;

ResultRow row(const std::string& link, int32_t moves, int32_t balls = 42) {
    ResultRow r;
    r.link_key = link;
    r.settings = {balls, 7, 5, 12};
    r.total_moves = moves;
    return r;
}

// Results in a list, each placed by counting those ahead of it. The first batch waits until
// released, so that what is sent meanwhile is taken as one batch.
struct ListBackend : BatchBackend {
    std::promise<void> entered;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::optional<StoreStatus> refuse;
    std::vector<ResultRow> rows; // in order of their ids
    std::vector<size_t> batch_sizes;

    std::vector<StoredResult> store_batch(const std::vector<const PendingResult*>& batch) override {
        if (batch_sizes.empty()) {
            entered.set_value();
        }
        EXPECT_EQ(released.wait_for(10s), std::future_status::ready);
        batch_sizes.push_back(batch.size());
        if (refuse) {
            throw BatchRefused(*refuse, "refused");
        }
        std::vector<bool> new_rows;
        for (const PendingResult* pending : batch) {
            const bool stored_before =
                std::any_of(rows.begin(), rows.end(), [&](const ResultRow& r) {
                    return r.link_key == pending->row.link_key;
                });
            new_rows.push_back(!stored_before);
            if (!stored_before) {
                rows.push_back(pending->row);
            }
        }
        std::vector<StoredResult> stored;
        for (size_t i = 0; i < batch.size(); ++i) {
            StoredResult result;
            result.new_row = new_rows[i];
            for (size_t id = 0; id < rows.size(); ++id) {
                if (rows[id].link_key == batch[i]->row.link_key) {
                    result.row = rows[id];
                    result.place = 1;
                    for (size_t other = 0; other < rows.size(); ++other) {
                        const ResultRow& o = rows[other];
                        if (o.settings == rows[id].settings &&
                            (o.total_moves < rows[id].total_moves ||
                             (o.total_moves == rows[id].total_moves && other < id))) {
                            ++result.place;
                        }
                    }
                }
            }
            for (const ResultRow& o : rows) {
                result.class_size += o.settings == result.row.settings ? 1 : 0;
            }
            stored.push_back(result);
        }
        return stored;
    }
};

struct Answers {
    std::mutex mutex;
    std::map<int, StoreOutcome> by_result;
    std::condition_variable all;

    std::function<void(StoreOutcome)> to(int result) {
        return [this, result](StoreOutcome outcome) {
            const std::lock_guard lock(mutex);
            by_result[result] = std::move(outcome);
            all.notify_all();
        };
    }
    bool wait_for(size_t count) {
        std::unique_lock lock(mutex);
        return all.wait_for(lock, 10s, [&] { return by_result.size() >= count; });
    }
};

TEST(QueuedWriter, EachResultOfABatchIsAnsweredAsTheStoreStoodWhenItArrived) {
    ListBackend backend;
    Answers answers;
    {
        QueuedWriter writer(backend, 100);
        std::future<void> entered = backend.entered.get_future();
        writer.push(row("x", 120), 1, answers.to(0));
        ASSERT_EQ(entered.wait_for(10s), std::future_status::ready);
        // While the first batch waits: A 100, B 80, A again, C of another class, D 90.
        writer.push(row("a", 100), 2, answers.to(1));
        writer.push(row("b", 80), 3, answers.to(2));
        writer.push(row("a", 100), 4, answers.to(3));
        writer.push(row("c", 100, 35), 5, answers.to(4));
        writer.push(row("d", 90), 6, answers.to(5));
        backend.release.set_value();
        ASSERT_TRUE(answers.wait_for(6));
    }
    EXPECT_EQ(backend.batch_sizes, (std::vector<size_t>{1, 4})) << "the repeat is stored once";
    struct Expected {
        bool new_row;
        int64_t place;
        int64_t class_size;
    };
    const Expected expected[] = {{true, 1, 1},  {true, 1, 2}, {true, 1, 3},
                                 {false, 2, 3}, {true, 1, 1}, {true, 2, 4}};
    for (int i = 0; i < 6; ++i) {
        const StoreOutcome& outcome = answers.by_result.at(i);
        ASSERT_EQ(outcome.status, StoreStatus::stored) << i;
        EXPECT_EQ(outcome.result.new_row, expected[i].new_row) << i;
        EXPECT_EQ(outcome.result.place, expected[i].place) << i;
        EXPECT_EQ(outcome.result.class_size, expected[i].class_size) << i;
    }
}

TEST(QueuedWriter, ARefusedBatchRefusesEachResultAndAFullQueueAnswersBusyAtOnce) {
    ListBackend backend;
    backend.refuse = StoreStatus::unavailable;
    Answers answers;
    {
        QueuedWriter writer(backend, 2);
        std::future<void> entered = backend.entered.get_future();
        writer.push(row("x", 120), 1, answers.to(0));
        ASSERT_EQ(entered.wait_for(10s), std::future_status::ready);
        writer.push(row("a", 100), 2, answers.to(1));
        writer.push(row("b", 80), 3, answers.to(2));
        writer.push(row("c", 90), 4, answers.to(3));
        {
            const std::lock_guard lock(answers.mutex);
            ASSERT_EQ(answers.by_result.count(3), 1u) << "answered before the writer is free";
            EXPECT_EQ(answers.by_result.at(3).status, StoreStatus::busy);
        }
        backend.release.set_value();
        ASSERT_TRUE(answers.wait_for(4));
    }
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(answers.by_result.at(i).status, StoreStatus::unavailable) << i;
    }
    EXPECT_TRUE(backend.rows.empty());
}

} // namespace
