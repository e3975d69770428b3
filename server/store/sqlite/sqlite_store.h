// The results in one SQLite file: results stored by one writer that commits together what
// arrives together, their places, and the best results of each settings class.
#pragma once

#include "server/store/queued_writer.h"
#include "server/store/results_store.h"

#include <condition_variable>
#include <mutex>

class SqliteStore final : public ResultsStore, private BatchBackend {
  public:
    // Opens or creates the file (readable by its owner only), with its tables, in WAL mode;
    // throws StoreOpenError unless it can be written and passes SQLite's quick check.
    explicit SqliteStore(const std::string& path, StoreLimits limits = {});
    // Answers what is still queued, then ends the writer.
    ~SqliteStore() override;
    SqliteStore(const SqliteStore&) = delete;
    SqliteStore& operator=(const SqliteStore&) = delete;

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
    RunningTests& running_tests() override;

  private:
    struct Writer;
    struct Reader;
    struct Changes;
    class ClassBlocks;
    class ReaderLease;
    // A free reader for one read, opened when none is free and fewer than
    // limits_.db_connections - 1 are open; waits for one at most limits_.lock_wait, then throws
    // StoreError.
    ReaderLease lease();
    void give_back(std::unique_ptr<Reader> reader);
    std::vector<StoredResult> store_batch(const std::vector<const PendingResult*>& rows) override;

    std::string path_;
    StoreLimits limits_;
    std::mutex writer_mutex_; // the writer's connection: the writer thread's, or an erase's
    std::unique_ptr<Writer> writer_;
    std::mutex changes_mutex_;
    std::unique_ptr<Changes> changes_; // the connection that tells the generation

    // Readers, so that reads run side by side (WAL lets each read its own snapshot).
    std::mutex readers_mutex_;
    std::condition_variable reader_free_;
    std::vector<std::unique_ptr<Reader>> idle_readers_;
    size_t open_readers_ = 0;

    // On a connection of their own, whose commits need not wait for the disk.
    std::unique_ptr<RunningTests> running_tests_;

    QueuedWriter queued_; // last: its thread ends before the connections close
};

// A consistent copy of a SQLite results file into a new file, made while services may write
// to it; throws StoreError.
void back_up_sqlite_file(const std::string& path, const std::string& copy);
