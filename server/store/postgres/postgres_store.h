// The results in a PostgreSQL database that several services may share: each service's
// writer commits together what arrives together, and the places and records are read from
// counts that triggers keep in the same transactions.
#pragma once

#include "server/store/postgres/postgres_lender.h"
#include "server/store/queued_writer.h"
#include "server/store/results_store.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>

class PostgresConnection;

class PostgresStore final : public ResultsStore, private BatchBackend, private PostgresLender {
  public:
    // Connects and makes the tables if they are missing; throws StoreOpenError, without the
    // password, unless the database answers and can be written.
    PostgresStore(const std::string& uri, StoreLimits limits = {});
    // Answers what is still queued, then ends the writer.
    ~PostgresStore() override;
    PostgresStore(const PostgresStore&) = delete;
    PostgresStore& operator=(const PostgresStore&) = delete;

    void store_async(ResultRow row, int64_t received_at,
                     std::function<void(StoreOutcome)> done) override;
    std::vector<ClassRecords> records(int per_class, int max_classes) override;
    ClassRecords class_results(const TestSettings& settings, int64_t first_place,
                               int count) override;
    ClassRecords verified_class_results(const TestSettings& settings, int64_t first_place,
                                        int count) override;
    void look_up_moves(const TestSettings& settings,
                       const std::function<void(MovesLookup&)>& look_up) override;
    int64_t result_count() override;
    int64_t size_bytes() override;
    uint64_t generation() override;
    int64_t erase_player(PlayerField field, std::string_view value) override;
    void each_published(
        const std::function<void(const TestSettings&, const PublishedResult&)>& each) override;
    // On the connections for reading, within their bound.
    RunningTests& running_tests() override;

  private:
    // Connections for reading and for an operator's erase, at most limits.db_connections - 1
    // of them (the writer holds the last), opened when first needed and again after a loss.
    class Lease;
    Lease lease();
    void give_back(std::unique_ptr<PostgresConnection> connection);
    // Runs read on a leased connection; PostgreSQL's failures become StoreError.
    template <typename Read> auto reading(Read read, bool again_if_lost = true);
    std::unique_ptr<PostgresConnection> connect() const;
    void lend(const std::function<void(PostgresConnection&)>& use, bool again_if_lost) override;

    std::vector<StoredResult> store_batch(const std::vector<const PendingResult*>& rows) override;

    std::string uri_;
    StoreLimits limits_;
    std::unique_ptr<PostgresConnection> writer_; // queued_'s thread's alone once it runs
    // The writer's last reading of size_bytes, and when it was taken.
    int64_t size_read_ = 0;
    std::optional<std::chrono::steady_clock::time_point> size_read_at_;

    std::mutex pool_mutex_;
    std::condition_variable pool_ready_;
    std::vector<std::unique_ptr<PostgresConnection>> idle_;
    size_t open_readers_ = 0;

    std::unique_ptr<RunningTests> running_tests_;

    std::optional<QueuedWriter> queued_; // started once the tables exist; last, so ended first
};
