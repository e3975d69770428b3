// The results in one SQLite file: results stored by one writer that commits together what
// arrives together, their places, and the best results of each settings class.
#include "server/results_store.h"

#include "server/sqlite_handles.h"

#include <sqlite3.h>

#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <future>
#include <initializer_list>
#include <optional>
#include <string_view>

namespace {

using Clock = std::chrono::steady_clock;

// The shape of the tables below, kept in the file as PRAGMA user_version. 0 is a file of an
// earlier version: the results alone, or counts of an earlier shape. It gets its counts once.
constexpr int schema_version = 1;

// A batch is everything queued, up to this many: one transaction and one sync.
constexpr size_t most_in_a_batch = 512;
// The WAL's pages between two checkpoints, which a thread of their own makes so that no
// result waits for one; past wal_limit the writer completes one itself between two batches,
// so that the WAL starts again from its beginning even under unbroken load.
constexpr int checkpoint_step = 1000;
constexpr int wal_limit = 16384;

// The place of a result among a million in one class must take milliseconds, whatever the
// moves: a link may carry any count of moves, so a class may hold a million distinct ones.
// So the results are counted by moves at four levels: level L counts the results whose moves
// shifted right by 8 × L bits are its bucket. The results with fewer moves than m are then
// at most 256 buckets of each level: at level L those below m >> 8L that share m's bucket
// one level up (at level 3, every bucket below m >> 24; moves are below 2^31). A tie (the
// same moves) goes behind the earlier results (smaller ids): the results of m's level-0
// bucket less those with a larger id, which the index finds at once for a new result, whose
// id is the largest. For a link sent again it reads the later ties from the index.
constexpr int move_levels = 4;
constexpr int level_bits = 8;

// The page cache of the writer, in KiB: the index pages a new result touches.
constexpr int writer_cache_kib = 32768;
constexpr int reader_cache_kib = 8192;

constexpr const char* class_columns =
    "initial_ball_count, colour_count, round_count, lines_per_round";
constexpr const char* class_match = "initial_ball_count = ?1 AND colour_count = ?2 AND "
                                    "round_count = ?3 AND lines_per_round = ?4";

// Appends the parts to the SQL text being built.
void append(std::string& sql, std::initializer_list<std::string_view> parts) {
    for (const std::string_view part : parts) {
        sql.append(part);
    }
}

// The class of a trigger's row ("new" or "old") as a condition, and as values.
std::string class_of(std::string_view row) {
    std::string sql;
    append(sql, {"initial_ball_count = ", row, ".initial_ball_count AND colour_count = ", row,
                 ".colour_count AND round_count = ", row,
                 ".round_count AND lines_per_round = ", row, ".lines_per_round"});
    return sql;
}

std::string class_values(std::string_view row) {
    std::string sql;
    append(sql, {row, ".initial_ball_count, ", row, ".colour_count, ", row, ".round_count, ", row,
                 ".lines_per_round"});
    return sql;
}

// The bucket of a trigger's row at a level of moves.
std::string bucket_of(std::string_view row, int level) {
    std::string sql;
    append(sql, {"(", row, ".total_moves >> ", std::to_string(level_bits * level), ")"});
    return sql;
}

// The statements a trigger runs to count its row in, or out.
std::string counted_in(std::string_view row) {
    const std::string values = class_values(row);
    std::string sql;
    append(sql, {"INSERT INTO class_counts VALUES (", values, ", 1) ON CONFLICT (", class_columns,
                 ") DO UPDATE SET result_count = result_count + 1;\n"});
    for (int level = 0; level < move_levels; ++level) {
        append(sql, {"INSERT INTO move_counts VALUES (", values, ", ", std::to_string(level), ", ",
                     bucket_of(row, level), ", 1) ON CONFLICT (", class_columns,
                     ", level, bucket) DO UPDATE SET result_count = result_count + 1;\n"});
    }
    return sql;
}

std::string counted_out(std::string_view row) {
    const std::string match = class_of(row);
    std::string sql;
    append(sql, {"UPDATE class_counts SET result_count = result_count - 1 WHERE ", match,
                 ";\nDELETE FROM class_counts WHERE ", match, " AND result_count <= 0;\n"});
    for (int level = 0; level < move_levels; ++level) {
        std::string bucket = match;
        append(bucket,
               {" AND level = ", std::to_string(level), " AND bucket = ", bucket_of(row, level)});
        append(sql, {"UPDATE move_counts SET result_count = result_count - 1 WHERE ", bucket,
                     ";\nDELETE FROM move_counts WHERE ", bucket, " AND result_count <= 0;\n"});
    }
    return sql;
}

// The results, and their counts, kept by triggers in the same transaction as every insert,
// delete and change of a result (an operator's too): of each class, and of each class at
// each level of moves (above). Nothing here is built from what arrives.
std::string schema() {
    std::string sql(R"sql(
CREATE TABLE IF NOT EXISTS results (
    id INTEGER PRIMARY KEY,
    link_key TEXT NOT NULL UNIQUE,
    received_at INTEGER NOT NULL,
    initial_ball_count INTEGER NOT NULL,
    colour_count INTEGER NOT NULL,
    round_count INTEGER NOT NULL,
    lines_per_round INTEGER NOT NULL,
    total_moves INTEGER NOT NULL,
    nickname TEXT NOT NULL,
    country TEXT NOT NULL,
    city TEXT NOT NULL,
    hidden_text TEXT NOT NULL,
    birth_year TEXT NOT NULL,
    email TEXT NOT NULL
);
CREATE INDEX IF NOT EXISTS results_by_place ON results (
    initial_ball_count, colour_count, round_count, lines_per_round, total_moves, id);
CREATE TABLE IF NOT EXISTS class_counts (
    initial_ball_count INTEGER NOT NULL,
    colour_count INTEGER NOT NULL,
    round_count INTEGER NOT NULL,
    lines_per_round INTEGER NOT NULL,
    result_count INTEGER NOT NULL,
    PRIMARY KEY (initial_ball_count, colour_count, round_count, lines_per_round)
) WITHOUT ROWID;
CREATE INDEX IF NOT EXISTS classes_by_size ON class_counts (
    result_count DESC, initial_ball_count, colour_count, round_count, lines_per_round);
CREATE TABLE IF NOT EXISTS move_counts (
    initial_ball_count INTEGER NOT NULL,
    colour_count INTEGER NOT NULL,
    round_count INTEGER NOT NULL,
    lines_per_round INTEGER NOT NULL,
    level INTEGER NOT NULL,
    bucket INTEGER NOT NULL,
    result_count INTEGER NOT NULL,
    PRIMARY KEY (initial_ball_count, colour_count, round_count, lines_per_round, level, bucket)
) WITHOUT ROWID;
CREATE TRIGGER IF NOT EXISTS results_counted AFTER INSERT ON results BEGIN
)sql");
    append(sql,
           {counted_in("new"), "END;\n",
            "CREATE TRIGGER IF NOT EXISTS results_uncounted AFTER DELETE ON results BEGIN\n",
            counted_out("old"), "END;\n",
            "CREATE TRIGGER IF NOT EXISTS results_recounted AFTER UPDATE OF ", class_columns,
            ", total_moves ON results BEGIN\n", counted_out("old"), counted_in("new"), "END;\n"});
    return sql;
}

// The counts of an earlier version go, with their triggers.
constexpr const char* drop_counts = R"sql(
DROP TRIGGER IF EXISTS results_counted;
DROP TRIGGER IF EXISTS results_uncounted;
DROP TRIGGER IF EXISTS results_recounted;
DROP TABLE IF EXISTS class_counts;
DROP TABLE IF EXISTS move_counts;
)sql";

// The counts made again from the results: each level from the one below.
std::string count_results() {
    std::string sql;
    append(sql,
           {"DELETE FROM class_counts;\nDELETE FROM move_counts;\n",
            "INSERT INTO class_counts SELECT ", class_columns, ", count(*) FROM results GROUP BY ",
            class_columns, ";\n", "INSERT INTO move_counts SELECT ", class_columns,
            ", 0, total_moves, count(*) FROM results GROUP BY ", class_columns,
            ", total_moves;\n"});
    const std::string bucket = "bucket >> " + std::to_string(level_bits);
    for (int level = 1; level < move_levels; ++level) {
        append(sql, {"INSERT INTO move_counts SELECT ", class_columns, ", ", std::to_string(level),
                     ", ", bucket, ", sum(result_count) FROM move_counts WHERE level = ",
                     std::to_string(level - 1), " GROUP BY ", class_columns, ", ", bucket, ";\n"});
    }
    return sql;
}

// Whether the counts agree with the results in all: a check at each start, after which an
// operator's unusual edit (one that bypassed the triggers) is counted again.
std::string counts_agree() {
    std::string sql;
    append(sql, {"SELECT count(*) = (SELECT coalesce(sum(result_count), 0) FROM class_counts) "
                 "AND count(*) * ",
                 std::to_string(move_levels),
                 " = (SELECT coalesce(sum(result_count), 0) FROM move_counts) FROM results"});
    return sql;
}

// A result's place: the results of its class with fewer moves, the results with its moves,
// those of them with a larger id, and the size of its class. ?5 is its moves, ?6 its id.
std::string place_query() {
    std::string sql = "SELECT ";
    for (int level = 0; level < move_levels; ++level) {
        const std::string lowest = level + 1 < move_levels
                                       ? "((?5 >> " + std::to_string(level_bits * (level + 1)) +
                                             ") << " + std::to_string(level_bits) + ")"
                                       : std::string("0");
        append(sql, {level > 0 ? " + " : "",
                     "(SELECT coalesce(sum(result_count), 0) FROM move_counts WHERE ", class_match,
                     " AND level = ", std::to_string(level), " AND bucket BETWEEN ", lowest,
                     " AND (?5 >> ", std::to_string(level_bits * level), ") - 1)"});
    }
    append(sql,
           {", (SELECT result_count FROM move_counts WHERE ", class_match,
            " AND level = 0 AND bucket = ?5), (SELECT count(*) FROM results WHERE ", class_match,
            " AND total_moves = ?5 AND id > ?6), (SELECT result_count FROM class_counts WHERE ",
            class_match, ")"});
    return sql;
}

// One line, as an operator reads it.
std::string one_line(std::string text) {
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
}

void set_busy_timeout(SqliteConnection& connection, std::chrono::milliseconds wait) {
    sqlite3_busy_timeout(connection.get(), int(std::clamp<int64_t>(wait.count(), 0, INT32_MAX)));
}

// WAL lets the reader read while the writer writes; FULL makes every answered result reach
// the disk before its answer goes out.
void use_wal(SqliteConnection& connection, int cache_kib) {
    {
        const SqliteStatement wal(connection, "PRAGMA journal_mode = WAL");
        SqliteQuery mode(wal);
        if (!mode.step() || mode.text(0) != "wal") {
            throw SqliteError("the file cannot be used in WAL mode", SQLITE_CANTOPEN);
        }
    }
    connection.execute("PRAGMA synchronous = FULL");
    connection.execute(("PRAGMA cache_size = -" + std::to_string(cache_kib)).c_str());
}

SqliteConnection other_connection(const std::string& path, std::chrono::milliseconds lock_wait,
                                  int cache_kib) {
    SqliteConnection connection(path);
    set_busy_timeout(connection, lock_wait);
    use_wal(connection, cache_kib);
    return connection;
}

// The file holds e-mails and birth years: a new one is its owner's alone, and SQLite gives
// its -wal and -shm files the same mode.
void create_private(const std::string& path) {
    const int file = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (file >= 0) {
        close(file);
    } else if (errno != EEXIST) {
        throw StoreOpenError("cannot create " + path + ": " + std::strerror(errno));
    }
}

int64_t single_integer(SqliteConnection& connection, const char* sql) {
    const SqliteStatement statement(connection, sql);
    SqliteQuery query(statement);
    return query.step() ? query.integer(0) : 0;
}

// Makes the tables, or completes those of an earlier version, and writes the file once
// (its schema version), which proves a commit reaches it.
void prepare_tables(SqliteConnection& connection, const std::string& path) {
    SqliteTransaction transaction(connection);
    const int64_t version = single_integer(connection, "PRAGMA user_version");
    if (version > schema_version) {
        throw StoreOpenError(
            path + " was made by a later version of trivelle-results (its schema " +
            std::to_string(version) + ", this one knows " + std::to_string(schema_version) + ")");
    }
    if (version < schema_version) {
        connection.execute(drop_counts);
    }
    connection.execute(schema().c_str());
    if (version < schema_version || single_integer(connection, counts_agree().c_str()) == 0) {
        connection.execute(count_results().c_str());
    }
    connection.execute(("PRAGMA user_version = " + std::to_string(schema_version)).c_str());
    transaction.commit();
}

// Refuses a file that cannot be written or whose pages are damaged, before anyone is told
// the service listens.
SqliteConnection sound_writer(const std::string& path, std::chrono::milliseconds lock_wait) {
    create_private(path);
    std::optional<SqliteConnection> opened;
    try {
        opened.emplace(path, WalWrites::gathered);
    } catch (const SqliteError& e) {
        throw StoreOpenError(e.code == SQLITE_CORRUPT || e.code == SQLITE_NOTADB
                                 ? path + " is damaged: " + sqlite3_errstr(e.code)
                                 : "cannot open " + path + ": " + sqlite3_errstr(e.code));
    }
    SqliteConnection& connection = *opened;
    if (sqlite3_db_readonly(connection.get(), "main") == 1) {
        throw StoreOpenError("cannot write " + path +
                             ": it opens read-only (its mode, owner or file system)");
    }
    try {
        set_busy_timeout(connection, lock_wait);
        {
            // Before anything is written to it.
            const SqliteStatement check(connection, "PRAGMA quick_check");
            SqliteQuery query(check);
            if (!query.step() || query.text(0) != "ok") {
                // Its first finding.
                throw StoreOpenError(one_line(path + " is damaged: " + query.text(0)));
            }
        }
        use_wal(connection, writer_cache_kib);
        prepare_tables(connection, path);
    } catch (const SqliteError& e) {
        if (e.code == SQLITE_CORRUPT || e.code == SQLITE_NOTADB) {
            throw StoreOpenError(path + " is damaged: " + sqlite3_errstr(e.code));
        }
        if (e.code == SQLITE_BUSY || e.code == SQLITE_LOCKED) {
            throw StoreOpenError("cannot write " + path + ": another program held it for " +
                                 std::to_string(lock_wait.count()) + " ms");
        }
        throw StoreOpenError(one_line("cannot write " + path + ": " + e.what()));
    }
    return std::move(connection);
}

void bind_class(SqliteQuery& query, const ResultRow& row) {
    query.bind(1, row.initial_ball_count).bind(2, row.colour_count);
    query.bind(3, row.round_count).bind(4, row.lines_per_round);
}

struct Pending {
    ResultRow row;
    int64_t received_at = 0;
    Clock::time_point queued;
    std::function<void(StoreOutcome)> done;
};

} // namespace

SettingsClass settings_class_of(const ResultRow& row) {
    return {row.initial_ball_count, row.colour_count, row.round_count, row.lines_per_round};
}

namespace {

// The writer's connection and statements, used on the writer's thread alone.
struct Writer {
    // The statements are prepared after the tables exist.
    Writer(const std::string& path, std::chrono::milliseconds lock_wait)
        : connection(sound_writer(path, lock_wait)) {}
    SqliteConnection connection;
    SqliteStatement insert{connection, R"sql(
        INSERT INTO results (link_key, received_at, initial_ball_count, colour_count,
            round_count, lines_per_round, total_moves, nickname, country, city, hidden_text,
            birth_year, email)
        VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13)
        ON CONFLICT (link_key) DO NOTHING RETURNING id)sql"};
    SqliteStatement find{connection, R"sql(
        SELECT id, received_at, initial_ball_count, colour_count, round_count, lines_per_round,
            total_moves, nickname, country, city, hidden_text, birth_year, email
        FROM results WHERE link_key = ?1)sql"};
    SqliteStatement place{connection, place_query().c_str()};

    // Stores one row in the open transaction and reads its result and place, which count
    // the rows stored before it in the same transaction.
    StoredResult store(const ResultRow& row, int64_t received_at) {
        StoredResult stored;
        int64_t id = 0;
        {
            SqliteQuery query(insert);
            query.bind(1, row.link_key).bind(2, received_at).bind(3, row.initial_ball_count);
            query.bind(4, row.colour_count).bind(5, row.round_count);
            query.bind(6, row.lines_per_round).bind(7, row.total_moves).bind(8, row.nickname);
            query.bind(9, row.country).bind(10, row.city).bind(11, row.hidden_text);
            query.bind(12, row.birth_year).bind(13, row.email);
            stored.new_row = query.step();
            id = stored.new_row ? query.integer(0) : 0;
        }
        if (stored.new_row) {
            stored.row = row;
            stored.received_at = received_at;
        } else {
            // The same link again: the result as first stored.
            SqliteQuery query(find);
            query.bind(1, row.link_key);
            if (!query.step()) {
                throw SqliteError("the stored result is missing", SQLITE_INTERNAL);
            }
            id = query.integer(0);
            stored.received_at = query.integer(1);
            ResultRow& r = stored.row;
            r.link_key = row.link_key;
            r.initial_ball_count = int32_t(query.integer(2));
            r.colour_count = int32_t(query.integer(3));
            r.round_count = int32_t(query.integer(4));
            r.lines_per_round = int32_t(query.integer(5));
            r.total_moves = int32_t(query.integer(6));
            r.nickname = query.text(7);
            r.country = query.text(8);
            r.city = query.text(9);
            r.hidden_text = query.text(10);
            r.birth_year = query.text(11);
            r.email = query.text(12);
        }
        SqliteQuery query(place);
        bind_class(query, stored.row);
        query.bind(5, stored.row.total_moves).bind(6, id);
        query.step();
        const int64_t fewer_moves = query.integer(0);
        const int64_t earlier_ties = query.integer(1) - 1 - query.integer(2);
        stored.place = 1 + fewer_moves + std::max<int64_t>(0, earlier_ties);
        stored.class_size = query.integer(3);
        return stored;
    }
};

struct Reader {
    Reader(const std::string& path, std::chrono::milliseconds lock_wait)
        : connection(other_connection(path, lock_wait, reader_cache_kib)) {}
    SqliteConnection connection;
    SqliteStatement largest{connection, R"sql(
        SELECT initial_ball_count, colour_count, round_count, lines_per_round, result_count
        FROM class_counts
        ORDER BY result_count DESC, initial_ball_count, colour_count, round_count,
            lines_per_round
        LIMIT ?1)sql"};
    SqliteStatement best{connection, (std::string(R"sql(
        SELECT nickname, country, city, total_moves, received_at FROM results
        WHERE )sql") + class_match + " ORDER BY total_moves, id LIMIT ?5")
                                         .c_str()};
    SqliteStatement count{connection, "SELECT coalesce(sum(result_count), 0) FROM class_counts"};
};

void report(const char* what, const char* why) {
    std::fprintf(stderr, "trivelle-results: %s: %s\n", what, why);
}

// A failure that repeats (a full disk fails every batch) is told when it first comes, then
// at most once a minute with how often it came meanwhile, so that it cannot fill the log.
class Reports {
  public:
    void failed(const char* what, const std::string& why) {
        const Clock::time_point now = Clock::now();
        if (why == last_ && now - told_ < std::chrono::minutes(1)) {
            ++untold_;
            return;
        }
        std::string line = why;
        if (untold_ > 0) {
            line += " (and " + std::to_string(untold_) + " times since the last report)";
        }
        report(what, line.c_str());
        last_ = why;
        told_ = now;
        untold_ = 0;
    }

  private:
    std::string last_;
    Clock::time_point told_;
    uint64_t untold_ = 0;
};

} // namespace

struct ResultsStore::State {
    // The writer makes the file and its tables before the others open it.
    State(const std::string& path, StoreLimits limits)
        : limits(limits), writer(path, limits.lock_wait), reader(path, limits.lock_wait),
          checkpointer(other_connection(path, limits.lock_wait, 2048)) {
        // The hook takes the place of SQLite's own checkpoints after a commit.
        sqlite3_wal_hook(writer.connection.get(), &State::committed, this);
        checkpoint_thread = std::thread([this] {
            pthread_setname_np(pthread_self(), "results-ckpt");
            make_checkpoints();
        });
        writer_thread = std::thread([this] {
            pthread_setname_np(pthread_self(), "results-writer");
            write_batches();
        });
    }

    ~State() {
        {
            const std::lock_guard lock(queue_mutex);
            stopping = true;
        }
        queue_ready.notify_one();
        writer_thread.join();
        {
            const std::lock_guard lock(checkpoint_mutex);
            checkpoints_end = true;
        }
        checkpoint_wanted.notify_one();
        checkpoint_thread.join();
    }

    State(const State&) = delete;
    State& operator=(const State&) = delete;

    void write_batches();
    void write_batch(std::vector<Pending>& batch);
    void make_checkpoints();
    void complete_checkpoint();

    // After each commit of the writer's, with the pages now in the WAL.
    static int committed(void* state, sqlite3* /*db*/, const char* /*name*/, int frames) {
        auto& s = *static_cast<State*>(state);
        s.wal_frames = frames;
        if (frames < s.frames_checkpointed) {
            s.frames_checkpointed = 0; // the WAL started again
        }
        if (frames - s.frames_checkpointed >= checkpoint_step) {
            s.frames_checkpointed = frames;
            {
                const std::lock_guard lock(s.checkpoint_mutex);
                s.checkpoint_due = true;
            }
            s.checkpoint_wanted.notify_one();
        }
        return SQLITE_OK;
    }

    StoreLimits limits;
    std::atomic<uint64_t> generation{0};
    Writer writer;
    std::mutex read_mutex;
    Reader reader;

    std::mutex queue_mutex;
    std::condition_variable queue_ready;
    std::deque<Pending> queue;
    size_t last_batch = 0; // the size of the batch the writer took last
    bool stopping = false;

    SqliteConnection checkpointer;
    std::mutex checkpoint_mutex;
    std::condition_variable checkpoint_wanted;
    bool checkpoint_due = false;
    bool checkpoints_end = false;
    std::mutex checkpointing;    // held while either thread makes a checkpoint
    Reports failures;            // the writer's
    int wal_frames = 0;          // the writer's alone
    int frames_checkpointed = 0; // the writer's alone: the WAL's pages at the last request

    std::thread checkpoint_thread;
    std::thread writer_thread;
};

ResultsStore::ResultsStore(const std::string& path, StoreLimits limits)
    : state_([&] {
          try {
              return std::make_unique<State>(path, limits);
          } catch (const SqliteError& e) {
              // The reader's or the checkpoints' connection, after the writer's checks.
              throw StoreOpenError(one_line("cannot open " + path + ": " + e.what()));
          }
      }()) {}

ResultsStore::~ResultsStore() = default;

uint64_t ResultsStore::generation() const { return state_->generation.load(); }

void ResultsStore::store_async(ResultRow row, int64_t received_at,
                               std::function<void(StoreOutcome)> done) {
    State& s = *state_;
    {
        const std::lock_guard lock(s.queue_mutex);
        if (s.queue.size() < s.limits.max_pending && !s.stopping) {
            s.queue.push_back({std::move(row), received_at, Clock::now(), std::move(done)});
            // Woken only when there is work for it: the first result, or a batch as large as
            // the last, which it may be gathering for. Every other wake-up would be wasted.
            if (s.queue.size() == 1 || s.queue.size() == s.last_batch) {
                s.queue_ready.notify_one();
            }
            return;
        }
    }
    done({StoreStatus::busy, {}});
}

StoredResult ResultsStore::store(const ResultRow& row, int64_t received_at) {
    if (std::this_thread::get_id() == state_->writer_thread.get_id()) {
        throw std::logic_error("ResultsStore::store called on the writer's thread");
    }
    std::promise<StoreOutcome> promise;
    std::future<StoreOutcome> outcome = promise.get_future();
    store_async(row, received_at,
                [&promise](StoreOutcome answer) { promise.set_value(std::move(answer)); });
    StoreOutcome answer = outcome.get();
    if (answer.status == StoreStatus::busy) {
        throw SqliteError("the results file is busy", SQLITE_BUSY);
    }
    if (answer.status == StoreStatus::failed) {
        throw SqliteError("the result was not stored", SQLITE_ERROR);
    }
    return std::move(answer.result);
}

// Takes whatever is queued as one batch, so that results arriving together share one
// transaction and one sync; each waits at most for the batch before it and its own.
void ResultsStore::State::write_batches() {
    // The clients answered by the last commit send their next results a moment later; a
    // batch begun before they arrive would leave them a whole sync behind. So a batch smaller
    // than the last waits briefly for the rest, as a database's commit delay does: far less
    // than the sync it saves.
    constexpr auto gathering = std::chrono::microseconds(500);
    std::vector<Pending> batch;
    for (;;) {
        {
            std::unique_lock lock(queue_mutex);
            queue_ready.wait(lock, [this] { return stopping || !queue.empty(); });
            if (queue.empty()) {
                return;
            }
            queue_ready.wait_for(lock, gathering,
                                 [this] { return stopping || queue.size() >= last_batch; });
            const size_t taken = std::min(queue.size(), most_in_a_batch);
            last_batch = taken;
            const auto end = queue.begin() + std::ptrdiff_t(taken);
            batch.assign(std::make_move_iterator(queue.begin()), std::make_move_iterator(end));
            queue.erase(queue.begin(), end);
        }
        write_batch(batch);
        batch.clear();
        if (wal_frames >= wal_limit) {
            complete_checkpoint();
        }
    }
}

void ResultsStore::State::write_batch(std::vector<Pending>& batch) {
    // A result that has waited its whole time in the queue is not tried: its client has
    // waited long enough, and the writer is behind. (Whole milliseconds, so that a lock wait
    // of 0 still tries what it takes at once.) The queue is in order of arrival.
    const Clock::time_point now = Clock::now();
    const auto waited = [now](const Pending& p) {
        return std::chrono::duration_cast<std::chrono::milliseconds>(now - p.queued);
    };
    size_t first_tried = 0;
    while (first_tried < batch.size() && waited(batch[first_tried]) > limits.lock_wait) {
        ++first_tried;
    }
    std::vector<StoreOutcome> outcomes(batch.size(), StoreOutcome{StoreStatus::busy, {}});
    uint64_t new_rows = 0;
    if (first_tried < batch.size()) {
        // Another program's write lock is waited for only as long as the oldest may still
        // wait.
        set_busy_timeout(writer.connection, limits.lock_wait - waited(batch[first_tried]));
        StoreStatus failure = StoreStatus::stored;
        try {
            SqliteTransaction transaction(writer.connection);
            for (size_t i = first_tried; i < batch.size(); ++i) {
                outcomes[i] = {StoreStatus::stored,
                               writer.store(batch[i].row, batch[i].received_at)};
                new_rows += outcomes[i].result.new_row ? 1 : 0;
            }
            transaction.commit();
        } catch (const SqliteError& e) {
            // Nothing of the batch is stored: the transaction rolled back as it unwound.
            failure = e.code == SQLITE_BUSY || e.code == SQLITE_LOCKED ? StoreStatus::busy
                                                                       : StoreStatus::failed;
            if (failure == StoreStatus::failed) {
                failures.failed("storing results", e.what());
            }
        } catch (const std::exception& e) {
            failure = StoreStatus::failed;
            failures.failed("storing results", e.what());
        }
        if (failure != StoreStatus::stored) {
            new_rows = 0;
            for (size_t i = first_tried; i < batch.size(); ++i) {
                outcomes[i] = {failure, {}};
            }
        }
    }
    // Before the answers: a player who opens the records after the answer sees the result.
    generation += new_rows;
    for (size_t i = 0; i < batch.size(); ++i) {
        try {
            batch[i].done(std::move(outcomes[i]));
        } catch (const std::exception& e) {
            failures.failed("answering a result", e.what());
        } catch (...) {
            failures.failed("answering a result", "an unknown exception");
        }
    }
}

// Checkpoints copy the WAL's pages into the file, on this thread while the writer goes on.
void ResultsStore::State::make_checkpoints() {
    Reports checkpoint_failures;
    for (;;) {
        {
            std::unique_lock lock(checkpoint_mutex);
            checkpoint_wanted.wait(lock, [this] { return checkpoint_due || checkpoints_end; });
            if (checkpoints_end) {
                return;
            }
            checkpoint_due = false;
        }
        const std::lock_guard lock(checkpointing);
        const int code = sqlite3_wal_checkpoint_v2(checkpointer.get(), "main",
                                                   SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
        // Nothing answered depends on a checkpoint: it is tried again after more commits.
        if (code != SQLITE_OK && code != SQLITE_BUSY) {
            checkpoint_failures.failed("checkpoint", sqlite3_errmsg(checkpointer.get()));
        }
    }
}

// Under unbroken load the checkpoint thread never finds the WAL still, so it never empties:
// the writer, which is then between batches, copies the rest itself; the next transaction
// starts the WAL again from its beginning.
void ResultsStore::State::complete_checkpoint() {
    const std::lock_guard lock(checkpointing);
    int frames = 0;
    int copied = 0;
    const int code = sqlite3_wal_checkpoint_v2(writer.connection.get(), "main",
                                               SQLITE_CHECKPOINT_PASSIVE, &frames, &copied);
    if (code == SQLITE_OK && copied == frames) {
        wal_frames = 0;
    }
}

std::vector<ClassRecords> ResultsStore::records(int per_class, int max_classes) {
    const std::lock_guard lock(state_->read_mutex);
    Reader& r = state_->reader;
    // One snapshot for the classes and their results.
    r.connection.execute("BEGIN");
    std::vector<ClassRecords> classes;
    try {
        {
            SqliteQuery largest(r.largest);
            largest.bind(1, max_classes);
            while (largest.step()) {
                classes.push_back({{int32_t(largest.integer(0)), int32_t(largest.integer(1)),
                                    int32_t(largest.integer(2)), int32_t(largest.integer(3))},
                                   largest.integer(4),
                                   {}});
            }
        }
        for (ClassRecords& c : classes) {
            SqliteQuery best(r.best);
            best.bind(1, c.settings.initial_ball_count).bind(2, c.settings.colour_count);
            best.bind(3, c.settings.round_count).bind(4, c.settings.lines_per_round);
            best.bind(5, per_class);
            while (best.step()) {
                c.best.push_back({int64_t(c.best.size()) + 1, best.text(0), best.text(1),
                                  best.text(2), int32_t(best.integer(3)), best.integer(4)});
            }
        }
    } catch (...) {
        sqlite3_exec(r.connection.get(), "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
    r.connection.execute("COMMIT");
    return classes;
}

int64_t ResultsStore::result_count() {
    const std::lock_guard lock(state_->read_mutex);
    SqliteQuery count(state_->reader.count);
    count.step();
    return count.integer(0);
}
