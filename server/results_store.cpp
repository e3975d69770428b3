// The results in one SQLite file: results stored by one writer that commits together what
// arrives together, their places, and the best results of each settings class.
#include "server/results_store.h"

#include "server/sqlite_handles.h"

#include <sqlite3.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <future>

namespace {

// Opens the file for one of the store's connections. WAL lets the reader read while the
// writer writes; FULL makes every acknowledged result reach the disk before its answer goes
// out. The busy timeout bounds the wait for another program (an operator's sqlite3) that
// holds the file.
SqliteConnection configured(const std::string& path, std::chrono::milliseconds lock_wait) {
    SqliteConnection connection(path);
    connection.execute(("PRAGMA busy_timeout = " + std::to_string(lock_wait.count())).c_str());
    {
        const SqliteStatement wal(connection, "PRAGMA journal_mode = WAL");
        SqliteQuery mode(wal);
        if (!mode.step() || mode.text(0) != "wal") {
            throw SqliteError("the file cannot be used in WAL mode", 0);
        }
    }
    connection.execute("PRAGMA synchronous = FULL");
    // The indexes a new result touches stay in memory well past a million results.
    connection.execute("PRAGMA cache_size = -16384");
    return connection;
}

// The results, and two counts kept by triggers in the same transaction as every insert (and
// every delete an operator makes): the results of each class, and of each number of moves
// within it. A place is then the results with fewer moves (a sum over the distinct move
// counts below) plus the earlier ones with the same moves, found through the index without
// reading the class; the records read the largest classes from an index too.
constexpr const char* schema = R"sql(
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
    total_moves INTEGER NOT NULL,
    result_count INTEGER NOT NULL,
    PRIMARY KEY (initial_ball_count, colour_count, round_count, lines_per_round, total_moves)
) WITHOUT ROWID;
CREATE TRIGGER IF NOT EXISTS results_counted AFTER INSERT ON results BEGIN
    INSERT INTO class_counts VALUES (new.initial_ball_count, new.colour_count,
        new.round_count, new.lines_per_round, 1)
    ON CONFLICT (initial_ball_count, colour_count, round_count, lines_per_round)
    DO UPDATE SET result_count = result_count + 1;
    INSERT INTO move_counts VALUES (new.initial_ball_count, new.colour_count,
        new.round_count, new.lines_per_round, new.total_moves, 1)
    ON CONFLICT (initial_ball_count, colour_count, round_count, lines_per_round, total_moves)
    DO UPDATE SET result_count = result_count + 1;
END;
CREATE TRIGGER IF NOT EXISTS results_uncounted AFTER DELETE ON results BEGIN
    UPDATE class_counts SET result_count = result_count - 1
    WHERE initial_ball_count = old.initial_ball_count AND colour_count = old.colour_count
        AND round_count = old.round_count AND lines_per_round = old.lines_per_round;
    DELETE FROM class_counts WHERE result_count = 0;
    UPDATE move_counts SET result_count = result_count - 1
    WHERE initial_ball_count = old.initial_ball_count AND colour_count = old.colour_count
        AND round_count = old.round_count AND lines_per_round = old.lines_per_round
        AND total_moves = old.total_moves;
    DELETE FROM move_counts WHERE result_count = 0;
END;
)sql";

// A file made before the counts existed gets them once, counted from its results.
constexpr const char* count_existing = R"sql(
INSERT INTO class_counts SELECT initial_ball_count, colour_count, round_count, lines_per_round,
    count(*) FROM results GROUP BY 1, 2, 3, 4;
INSERT INTO move_counts SELECT initial_ball_count, colour_count, round_count, lines_per_round,
    total_moves, count(*) FROM results GROUP BY 1, 2, 3, 4, 5;
)sql";

constexpr const char* class_match = "initial_ball_count = ?1 AND colour_count = ?2 AND "
                                    "round_count = ?3 AND lines_per_round = ?4";

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

bool table_exists(SqliteConnection& connection, const char* name) {
    const SqliteStatement find(connection,
                               "SELECT 1 FROM sqlite_schema WHERE type = 'table' AND name = ?1");
    SqliteQuery query(find);
    query.bind(1, std::string(name));
    return query.step();
}

// Refuses a file that cannot be written or whose pages are damaged, before anyone is told
// the service listens; makes the tables in the same stroke.
SqliteConnection sound_writer(const std::string& path, std::chrono::milliseconds lock_wait) {
    create_private(path);
    try {
        SqliteConnection connection = configured(path, lock_wait);
        if (sqlite3_db_readonly(connection.get(), "main") != 0) {
            throw StoreOpenError("cannot write " + path + ": the file is read-only");
        }
        {
            const SqliteStatement check(connection, "PRAGMA quick_check");
            SqliteQuery query(check);
            if (!query.step() || query.text(0) != "ok") {
                // Its first finding, on the one line an operator reads.
                std::string finding = query.text(0);
                std::replace(finding.begin(), finding.end(), '\n', ' ');
                throw StoreOpenError(path + " is damaged: " + finding);
            }
        }
        SqliteTransaction transaction(connection);
        const bool counted = table_exists(connection, "class_counts");
        connection.execute(schema);
        if (!counted) {
            connection.execute(count_existing);
        }
        transaction.commit();
        return connection;
    } catch (const SqliteError& e) {
        const bool damaged = e.code == SQLITE_CORRUPT || e.code == SQLITE_NOTADB;
        throw StoreOpenError(damaged ? path + " is damaged: " + sqlite3_errstr(e.code)
                                     : "cannot use " + path + ": " + e.what());
    }
}

StoredResult stored_from(SqliteQuery& find, const std::string& link_key) {
    StoredResult stored;
    stored.received_at = find.integer(1);
    ResultRow& r = stored.row;
    r.link_key = link_key;
    r.initial_ball_count = int32_t(find.integer(2));
    r.colour_count = int32_t(find.integer(3));
    r.round_count = int32_t(find.integer(4));
    r.lines_per_round = int32_t(find.integer(5));
    r.total_moves = int32_t(find.integer(6));
    r.nickname = find.text(7);
    r.country = find.text(8);
    r.city = find.text(9);
    r.hidden_text = find.text(10);
    r.birth_year = find.text(11);
    r.email = find.text(12);
    return stored;
}

void bind_class(SqliteQuery& query, const ResultRow& row) {
    query.bind(1, row.initial_ball_count).bind(2, row.colour_count);
    query.bind(3, row.round_count).bind(4, row.lines_per_round);
}

} // namespace

SettingsClass settings_class_of(const ResultRow& row) {
    return {row.initial_ball_count, row.colour_count, row.round_count, row.lines_per_round};
}

struct ResultsStore::Writer {
    // The statements are prepared after the tables exist.
    Writer(const std::string& path, std::chrono::milliseconds lock_wait)
        : connection(sound_writer(path, lock_wait)) {}
    SqliteConnection connection;
    SqliteStatement insert{connection, R"sql(
        INSERT INTO results (link_key, received_at, initial_ball_count, colour_count,
            round_count, lines_per_round, total_moves, nickname, country, city, hidden_text,
            birth_year, email)
        VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13)
        ON CONFLICT (link_key) DO NOTHING)sql"};
    SqliteStatement find{connection, R"sql(
        SELECT id, received_at, initial_ball_count, colour_count, round_count, lines_per_round,
            total_moves, nickname, country, city, hidden_text, birth_year, email
        FROM results WHERE link_key = ?1)sql"};
    SqliteStatement ahead{
        connection,
        (std::string("SELECT (SELECT coalesce(sum(result_count), 0) FROM move_counts WHERE ") +
         class_match + " AND total_moves < ?5) + (SELECT count(*) FROM results WHERE " +
         class_match + " AND total_moves = ?5 AND id < ?6)")
            .c_str()};
    SqliteStatement class_size{
        connection,
        (std::string("SELECT result_count FROM class_counts WHERE ") + class_match).c_str()};

    // Stores one row of the open transaction and reads back its result and place.
    StoredResult store(const ResultRow& row, int64_t received_at) {
        bool new_row = false;
        {
            SqliteQuery query(insert);
            query.bind(1, row.link_key).bind(2, received_at).bind(3, row.initial_ball_count);
            query.bind(4, row.colour_count).bind(5, row.round_count);
            query.bind(6, row.lines_per_round).bind(7, row.total_moves).bind(8, row.nickname);
            query.bind(9, row.country).bind(10, row.city).bind(11, row.hidden_text);
            query.bind(12, row.birth_year).bind(13, row.email);
            query.step();
            new_row = connection.changes() > 0;
        }
        StoredResult stored;
        int64_t id = 0;
        {
            SqliteQuery query(find);
            query.bind(1, row.link_key);
            if (!query.step()) {
                throw SqliteError("the stored result is missing", SQLITE_INTERNAL);
            }
            id = query.integer(0);
            stored = stored_from(query, row.link_key);
        }
        stored.new_row = new_row;
        {
            SqliteQuery query(ahead);
            bind_class(query, stored.row);
            query.bind(5, stored.row.total_moves).bind(6, id);
            query.step();
            stored.place = query.integer(0) + 1;
        }
        {
            SqliteQuery query(class_size);
            bind_class(query, stored.row);
            query.step();
            stored.class_size = query.integer(0);
        }
        return stored;
    }
};

struct ResultsStore::Reader {
    Reader(const std::string& path, std::chrono::milliseconds lock_wait)
        : connection(configured(path, lock_wait)) {}
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

// The writer makes the file and its tables before the reader opens it.
ResultsStore::ResultsStore(const std::string& path, StoreLimits limits)
    : limits_(limits), writer_(std::make_unique<Writer>(path, limits.lock_wait)),
      reader_(std::make_unique<Reader>(path, limits.lock_wait)),
      writer_thread_([this] { write_batches(); }) {}

ResultsStore::~ResultsStore() {
    {
        const std::lock_guard lock(queue_mutex_);
        stopping_ = true;
    }
    queue_ready_.notify_one();
    writer_thread_.join();
}

void ResultsStore::store_async(ResultRow row, int64_t received_at,
                               std::function<void(StoreOutcome)> done) {
    {
        const std::lock_guard lock(queue_mutex_);
        if (queue_.size() < limits_.max_pending && !stopping_) {
            queue_.push_back(
                {std::move(row), received_at, std::chrono::steady_clock::now(), std::move(done)});
            // Woken only when there is work for it: the first result, or a batch as large as
            // the last, which it may be gathering for. Every other wake-up would be wasted.
            if (queue_.size() == 1 || queue_.size() == last_batch_) {
                queue_ready_.notify_one();
            }
            return;
        }
    }
    done({StoreStatus::busy, {}});
}

StoredResult ResultsStore::store(const ResultRow& row, int64_t received_at) {
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
void ResultsStore::write_batches() {
    // The clients answered by the last commit send their next results a moment later; a
    // batch begun before they arrive would leave them a whole sync behind. So a batch smaller
    // than the last waits briefly for the rest, as a database's commit delay does: far less
    // than the sync it saves.
    constexpr auto gathering = std::chrono::microseconds(500);
    std::vector<Pending> batch;
    for (;;) {
        {
            std::unique_lock lock(queue_mutex_);
            queue_ready_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
            if (queue_.empty()) {
                return;
            }
            queue_ready_.wait_for(lock, gathering,
                                  [this] { return stopping_ || queue_.size() >= last_batch_; });
            last_batch_ = queue_.size();
            batch.assign(std::make_move_iterator(queue_.begin()),
                         std::make_move_iterator(queue_.end()));
            queue_.clear();
        }
        write_batch(batch);
        batch.clear();
    }
}

void ResultsStore::write_batch(std::vector<Pending>& batch) {
    std::vector<StoreOutcome> outcomes(batch.size());
    uint64_t new_rows = 0;
    StoreStatus failure = StoreStatus::stored;
    try {
        SqliteTransaction transaction(writer_->connection);
        for (size_t i = 0; i < batch.size(); ++i) {
            outcomes[i] = {StoreStatus::stored, writer_->store(batch[i].row, batch[i].received_at)};
            new_rows += outcomes[i].result.new_row ? 1 : 0;
        }
        transaction.commit();
    } catch (const SqliteError& e) {
        // Nothing of the batch is stored: the transaction rolled back as it unwound.
        failure = e.code == SQLITE_BUSY || e.code == SQLITE_LOCKED ? StoreStatus::busy
                                                                   : StoreStatus::failed;
        if (failure == StoreStatus::failed) {
            std::fprintf(stderr, "trivelle-results: %s\n", e.what());
        }
    }
    // Before the answers: a player who opens the records after the answer sees the result.
    generation_ += new_rows;
    for (size_t i = 0; i < batch.size(); ++i) {
        batch[i].done(failure == StoreStatus::stored ? std::move(outcomes[i])
                                                     : StoreOutcome{failure, {}});
    }
}

std::vector<ClassRecords> ResultsStore::records(int per_class, int max_classes) {
    const std::lock_guard lock(read_mutex_);
    Reader& r = *reader_;
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
        r.connection.execute("ROLLBACK");
        throw;
    }
    r.connection.execute("COMMIT");
    return classes;
}

int64_t ResultsStore::result_count() {
    const std::lock_guard lock(read_mutex_);
    SqliteQuery count(reader_->count);
    count.step();
    return count.integer(0);
}
