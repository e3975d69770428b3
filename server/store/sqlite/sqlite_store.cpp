// The results in one SQLite file: results stored by one writer that commits together what
// arrives together, their places, and the best results of each settings class.
#include "server/store/sqlite/sqlite_store.h"

#include "server/row/log_error.h"
#include "server/row/utf8_text.h"
#include "server/store/class_places.h"
#include "server/store/move_blocks.h"
#include "server/store/result_columns.h"
#include "server/store/result_sql.h"
#include "server/store/sqlite/sqlite_handles.h"
#include "server/store/sqlite/sqlite_running_tests.h"

#include <sqlite3.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

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

// The results, and three counts kept by triggers in the same transaction as every insert (and
// every delete an operator makes): the results of each class, of each number of moves within
// it, and of each block of move counts (see move_blocks.h). A place is then the results with
// fewer moves (a few hundred rows of those counts) plus the earlier ones with the same moves,
// found through the index without reading the class; the records read the largest classes
// from an index too.
constexpr const char* tables = R"sql(
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
    email TEXT NOT NULL,
    verified INTEGER NOT NULL DEFAULT 0
);
CREATE INDEX IF NOT EXISTS results_by_place ON results (
    initial_ball_count, colour_count, round_count, lines_per_round, total_moves, id);
-- Only the verified results, few beside the others: their pages read it alone. The mark is
-- among its columns too, so that they are counted from the index without the table.
CREATE INDEX IF NOT EXISTS results_verified_by_place ON results (
    initial_ball_count, colour_count, round_count, lines_per_round, total_moves, id, verified)
    WHERE verified;
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
CREATE TABLE IF NOT EXISTS move_blocks (
    initial_ball_count INTEGER NOT NULL,
    colour_count INTEGER NOT NULL,
    round_count INTEGER NOT NULL,
    lines_per_round INTEGER NOT NULL,
    shift INTEGER NOT NULL,
    block INTEGER NOT NULL, -- total_moves >> shift
    result_count INTEGER NOT NULL,
    PRIMARY KEY (initial_ball_count, colour_count, round_count, lines_per_round, shift, block)
) WITHOUT ROWID;
)sql";

// The triggers; each delete touches only the counts rows of the deleted result.
std::string triggers() {
    const std::string shifts = block_shifts_values();
    return R"sql(
CREATE TRIGGER IF NOT EXISTS results_counted AFTER INSERT ON results BEGIN
    INSERT INTO class_counts VALUES (new.initial_ball_count, new.colour_count,
        new.round_count, new.lines_per_round, 1)
    ON CONFLICT (initial_ball_count, colour_count, round_count, lines_per_round)
    DO UPDATE SET result_count = result_count + 1;
    INSERT INTO move_counts VALUES (new.initial_ball_count, new.colour_count,
        new.round_count, new.lines_per_round, new.total_moves, 1)
    ON CONFLICT (initial_ball_count, colour_count, round_count, lines_per_round, total_moves)
    DO UPDATE SET result_count = result_count + 1;
    INSERT INTO move_blocks SELECT new.initial_ball_count, new.colour_count, new.round_count,
        new.lines_per_round, column1, new.total_moves >> column1, 1 FROM (VALUES )sql" +
           shifts + R"sql() WHERE true
    ON CONFLICT (initial_ball_count, colour_count, round_count, lines_per_round, shift, block)
    DO UPDATE SET result_count = result_count + 1;
END;
CREATE TRIGGER IF NOT EXISTS results_uncounted AFTER DELETE ON results BEGIN
    UPDATE class_counts SET result_count = result_count - 1
    WHERE initial_ball_count = old.initial_ball_count AND colour_count = old.colour_count
        AND round_count = old.round_count AND lines_per_round = old.lines_per_round;
    DELETE FROM class_counts
    WHERE initial_ball_count = old.initial_ball_count AND colour_count = old.colour_count
        AND round_count = old.round_count AND lines_per_round = old.lines_per_round
        AND result_count = 0;
    UPDATE move_counts SET result_count = result_count - 1
    WHERE initial_ball_count = old.initial_ball_count AND colour_count = old.colour_count
        AND round_count = old.round_count AND lines_per_round = old.lines_per_round
        AND total_moves = old.total_moves;
    DELETE FROM move_counts
    WHERE initial_ball_count = old.initial_ball_count AND colour_count = old.colour_count
        AND round_count = old.round_count AND lines_per_round = old.lines_per_round
        AND total_moves = old.total_moves AND result_count = 0;
    UPDATE move_blocks SET result_count = result_count - 1
    WHERE initial_ball_count = old.initial_ball_count AND colour_count = old.colour_count
        AND round_count = old.round_count AND lines_per_round = old.lines_per_round
        AND (shift, block) IN (SELECT column1, old.total_moves >> column1 FROM (VALUES )sql" +
           shifts + R"sql());
    DELETE FROM move_blocks
    WHERE initial_ball_count = old.initial_ball_count AND colour_count = old.colour_count
        AND round_count = old.round_count AND lines_per_round = old.lines_per_round
        AND (shift, block) IN (SELECT column1, old.total_moves >> column1 FROM (VALUES )sql" +
           shifts + R"sql()) AND result_count = 0;
END;
)sql";
}

// A file made before the counts existed gets them once, counted from its results.
constexpr const char* count_existing = R"sql(
INSERT INTO class_counts SELECT initial_ball_count, colour_count, round_count, lines_per_round,
    count(*) FROM results GROUP BY 1, 2, 3, 4;
INSERT INTO move_counts SELECT initial_ball_count, colour_count, round_count, lines_per_round,
    total_moves, count(*) FROM results GROUP BY 1, 2, 3, 4, 5;
)sql";

// A file made before the blocks existed gets them once, summed from its move counts.
std::string block_existing() {
    return "INSERT INTO move_blocks SELECT initial_ball_count, colour_count, round_count, "
           "lines_per_round, column1, total_moves >> column1, sum(result_count) FROM move_counts, "
           "(VALUES " +
           block_shifts_values() + ") GROUP BY 1, 2, 3, 4, 5, 6";
}

const std::string settings_match = class_match(class_parameters('?'));

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

// A copy that holds e-mails too: made new, and its owner's alone.
void create_private_new(const std::string& path) {
    const int file = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (file < 0) {
        throw SqliteError(std::strerror(errno), SQLITE_CANTOPEN);
    }
    close(file);
}

bool table_exists(SqliteConnection& connection, const char* name) {
    const SqliteStatement find(connection,
                               "SELECT 1 FROM sqlite_schema WHERE type = 'table' AND name = ?1");
    SqliteQuery query(find);
    query.bind(1, std::string(name));
    return query.step();
}

bool column_exists(SqliteConnection& connection, const char* table, const char* column) {
    const SqliteStatement find(connection, "SELECT 1 FROM pragma_table_info(?1) WHERE name = ?2");
    SqliteQuery query(find);
    query.bind(1, std::string(table)).bind(2, std::string(column));
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
        const bool blocked = table_exists(connection, "move_blocks");
        if (table_exists(connection, "results") &&
            !column_exists(connection, "results", "verified")) {
            // A file of an earlier version: its results were all sent by links. Adding a
            // column with a constant default rewrites no row.
            connection.execute(
                "ALTER TABLE results ADD COLUMN verified INTEGER NOT NULL DEFAULT 0");
        }
        connection.execute(tables);
        if (!blocked) {
            // A file of an earlier version: its triggers do not yet count the blocks.
            connection.execute("DROP TRIGGER IF EXISTS results_counted; "
                               "DROP TRIGGER IF EXISTS results_uncounted");
        }
        connection.execute(triggers().c_str());
        if (!counted) {
            connection.execute(count_existing);
        }
        if (!blocked) {
            connection.execute(block_existing().c_str());
        }
        make_sqlite_running_tests(connection);
        transaction.commit();
        return connection;
    } catch (const SqliteError& e) {
        const bool damaged = e.code == SQLITE_CORRUPT || e.code == SQLITE_NOTADB;
        throw StoreOpenError(damaged ? path + " is damaged: " + sqlite3_errstr(e.code)
                                     : "cannot use " + path + ": " + e.what());
    }
}

void bind_settings(SqliteQuery& query, const TestSettings& s) {
    query.bind(1, s.initial_ball_count).bind(2, s.colour_count);
    query.bind(3, s.round_count).bind(4, s.lines_per_round);
}

// Another connection's lock is a moment's wait; a disk that fails or is full, or a file that
// can no longer be opened or written, lasts until an operator mends it, and the results
// meanwhile may be sent again; anything else (a damaged page, a row the schema refuses)
// would fail again the same way.
StoreStatus failure_of(int code) {
    switch (code) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return StoreStatus::busy;
    case SQLITE_IOERR:
    case SQLITE_FULL:
    case SQLITE_CANTOPEN:
    case SQLITE_READONLY:
    case SQLITE_NOMEM:
    case SQLITE_PROTOCOL:
        return StoreStatus::unavailable;
    default:
        return StoreStatus::failed;
    }
}

} // namespace

struct SqliteStore::Writer {
    // The statements are prepared after the tables exist.
    Writer(const std::string& path, std::chrono::milliseconds lock_wait)
        : connection(sound_writer(path, lock_wait)) {}
    SqliteConnection connection;
    SqliteStatement insert{connection,
                           (std::string("INSERT INTO results (") + std::string(result_columns) +
                            ") VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, "
                            "?11, ?12, ?13, ?14) ON CONFLICT (link_key) DO NOTHING")
                               .c_str()};
    SqliteStatement find{connection, stored_sql("r.link_key = ?1").c_str()};
    SqliteStatement pages_in_use{connection, R"sql(
        SELECT (c.page_count - f.freelist_count) * s.page_size
        FROM pragma_page_count() c, pragma_freelist_count() f, pragma_page_size() s)sql"};

    // The pages in use, since an erased result's pages take the next results, and the
    // write-ahead log, which keeps the largest size it reached. Read from the file's header
    // and one stat: cheap enough for every batch.
    int64_t size_bytes() {
        int64_t bytes = 0;
        {
            SqliteQuery query(pages_in_use);
            query.step();
            bytes = query.integer(0);
        }
        const std::string wal = std::string(sqlite3_db_filename(connection.get(), "main")) + "-wal";
        struct stat file {};
        if (stat(wal.c_str(), &file) == 0) {
            bytes += file.st_size;
        }
        return bytes;
    }

    // Stores one row in the open transaction; false when its link was stored before.
    bool insert_row(const ResultRow& row, int64_t received_at) {
        SqliteQuery query(insert);
        put_columns(row, received_at,
                    [&](int column, const auto& value) { query.bind(column + 1, value); });
        query.step();
        return connection.changes() > 0;
    }

    // The row of a link as stored, with its place and class size.
    StoredResult stored(const std::string& link_key) {
        SqliteQuery query(find);
        query.bind(1, link_key);
        if (!query.step()) {
            throw SqliteError("the stored result is missing", SQLITE_INTERNAL);
        }
        StoredResult result = stored_from(query, 0);
        result.place = query.integer(result_column_count);
        result.class_size = query.integer(result_column_count + 1);
        return result;
    }
};

struct SqliteStore::Reader {
    Reader(const std::string& path, std::chrono::milliseconds lock_wait)
        : connection(configured(path, lock_wait)) {}
    SqliteConnection connection;
    SqliteStatement largest{connection, R"sql(
        SELECT initial_ball_count, colour_count, round_count, lines_per_round, result_count
        FROM class_counts
        ORDER BY result_count DESC, initial_ball_count, colour_count, round_count,
            lines_per_round
        LIMIT ?1)sql"};
    SqliteStatement best{connection, (std::string("SELECT ") + std::string(published_columns) +
                                      " FROM results WHERE " + settings_match +
                                      " ORDER BY total_moves, id LIMIT ?5")
                                         .c_str()};
    SqliteStatement count{connection, result_count_sql};
    SqliteStatement size{connection, class_size_sql('?').c_str()};
    SqliteStatement below{connection,
                          ("SELECT " + results_below_sql(class_parameters('?'), "?5")).c_str()};
    SqliteStatement move_counts{connection, (std::string(R"sql(
        SELECT total_moves, result_count FROM move_counts WHERE )sql") +
                                             settings_match +
                                             " AND total_moves >= ?5 AND total_moves < ?6 "
                                             "ORDER BY total_moves LIMIT ?7")
                                                .c_str()};
    SqliteStatement move_blocks{connection, (std::string(R"sql(
        SELECT block, result_count FROM move_blocks WHERE )sql") +
                                             settings_match +
                                             " AND shift = ?5 AND block >= ?6 AND block < ?7 "
                                             "ORDER BY block LIMIT ?8")
                                                .c_str()};
    SqliteStatement from_moves{connection, page_sql('?').c_str()};
    SqliteStatement verified_size{connection, verified_size_sql('?').c_str()};
    SqliteStatement verified_page{connection, verified_page_sql('?').c_str()};
    SqliteStatement all{connection, every_published_sql().c_str()};

    // One snapshot of the file for everything read inside.
    template <typename Read> auto snapshot(Read read) {
        connection.execute("BEGIN");
        try {
            auto value = read();
            connection.execute("COMMIT");
            return value;
        } catch (...) {
            connection.execute("ROLLBACK");
            throw;
        }
    }

    int64_t class_size(const TestSettings& settings) {
        SqliteQuery query(size);
        bind_settings(query, settings);
        return query.step() ? query.integer(0) : 0;
    }
};

// The counts of one class as a reader's snapshot shows them.
class SqliteStore::ClassBlocks final : public MoveBlocksReader {
  public:
    ClassBlocks(Reader& reader, const TestSettings& settings)
        : reader_(reader), settings_(settings) {}

    std::vector<int64_t> results_below(const std::vector<int32_t>& moves) override {
        std::vector<int64_t> below;
        for (const int32_t m : moves) {
            SqliteQuery query(reader_.below);
            bind_settings(query, settings_);
            query.bind(5, m);
            query.step();
            below.push_back(query.integer(0));
        }
        return below;
    }

    std::vector<std::vector<BlockCount>> blocks(const std::vector<BlockRange>& ranges,
                                                int64_t most) override {
        std::vector<std::vector<BlockCount>> found;
        for (const BlockRange& range : ranges) {
            const bool moves = range.shift == 0;
            SqliteQuery query(moves ? reader_.move_counts : reader_.move_blocks);
            bind_settings(query, settings_);
            int next = 5;
            if (!moves) {
                query.bind(next++, range.shift);
            }
            query.bind(next, range.low).bind(next + 1, range.high).bind(next + 2, most);
            std::vector<BlockCount>& rows = found.emplace_back();
            while (query.step()) {
                rows.push_back({query.integer(0), query.integer(1)});
            }
        }
        return found;
    }

  private:
    Reader& reader_;
    TestSettings settings_;
};

struct SqliteStore::Changes {
    explicit Changes(SqliteConnection opened) : connection(std::move(opened)) {}
    SqliteConnection connection;
    SqliteStatement data_version{connection, "PRAGMA data_version"};
};

// A reader taken from the free ones for one read, and given back after it.
class SqliteStore::ReaderLease {
  public:
    ReaderLease(SqliteStore& store, std::unique_ptr<Reader> reader)
        : store_(store), reader_(std::move(reader)) {}
    ReaderLease(const ReaderLease&) = delete;
    ReaderLease& operator=(const ReaderLease&) = delete;
    ~ReaderLease() { store_.give_back(std::move(reader_)); }
    Reader& operator*() const { return *reader_; }

  private:
    SqliteStore& store_;
    std::unique_ptr<Reader> reader_;
};

// The writer makes the file and its tables before any reader opens it.
SqliteStore::SqliteStore(const std::string& path, StoreLimits limits)
    : path_(path), limits_(limits), writer_(std::make_unique<Writer>(path, limits.lock_wait)),
      changes_(std::make_unique<Changes>(configured(path, limits.lock_wait))),
      // A reader at once, so that a file no reader can open is refused before the service
      // listens.
      idle_readers_([&] {
          std::vector<std::unique_ptr<Reader>> readers;
          readers.push_back(std::make_unique<Reader>(path, limits.lock_wait));
          return readers;
      }()),
      open_readers_(1), running_tests_(std::make_unique<SqliteRunningTests>(
                            configured(path, limits.lock_wait), limits.lock_wait)),
      queued_(*this, limits.max_pending) {}

SqliteStore::ReaderLease SqliteStore::lease() {
    std::unique_lock lock(readers_mutex_);
    // One connection writes; the rest read, and at least one does.
    const size_t most = std::max<size_t>(limits_.db_connections, 2) - 1;
    if (!reader_free_.wait_for(lock, limits_.lock_wait,
                               [&] { return !idle_readers_.empty() || open_readers_ < most; })) {
        throw StoreError("the store is busy");
    }
    if (!idle_readers_.empty()) {
        std::unique_ptr<Reader> reader = std::move(idle_readers_.back());
        idle_readers_.pop_back();
        return ReaderLease(*this, std::move(reader));
    }
    ++open_readers_;
    lock.unlock();
    try {
        return ReaderLease(*this, std::make_unique<Reader>(path_, limits_.lock_wait));
    } catch (...) {
        lock.lock();
        --open_readers_;
        reader_free_.notify_one();
        throw;
    }
}

void SqliteStore::give_back(std::unique_ptr<Reader> reader) {
    {
        const std::lock_guard lock(readers_mutex_);
        idle_readers_.push_back(std::move(reader));
    }
    reader_free_.notify_one();
}

SqliteStore::~SqliteStore() = default;

RunningTests& SqliteStore::running_tests() { return *running_tests_; }

void SqliteStore::store_async(ResultRow row, int64_t received_at,
                              std::function<void(StoreOutcome)> done) {
    queued_.push(std::move(row), received_at, std::move(done));
}

std::vector<StoredResult> SqliteStore::store_batch(const std::vector<const PendingResult*>& rows) {
    try {
        const std::lock_guard lock(writer_mutex_);
        SqliteTransaction transaction(writer_->connection);
        // Measured once a batch, with the write lock held: what an operator erased counts.
        // A batch begun below the bound may end beyond it by at most its own results.
        if (writer_->size_bytes() >= limits_.max_db_bytes) {
            throw BatchRefused(StoreStatus::full, "the store is full");
        }
        std::vector<bool> new_rows;
        new_rows.reserve(rows.size());
        for (const PendingResult* pending : rows) {
            new_rows.push_back(writer_->insert_row(pending->row, pending->received_at));
        }
        std::vector<StoredResult> stored;
        stored.reserve(rows.size());
        for (size_t i = 0; i < rows.size(); ++i) {
            stored.push_back(writer_->stored(rows[i]->row.link_key));
            stored.back().new_row = new_rows[i];
        }
        transaction.commit();
        return stored;
    } catch (const SqliteError& e) {
        // Nothing of the batch is stored: the transaction rolled back as it unwound.
        throw BatchRefused(failure_of(e.code), e.what());
    }
}

std::vector<ClassRecords> SqliteStore::records(int per_class, int max_classes) {
    const ReaderLease lease = this->lease();
    Reader& r = *lease;
    return r.snapshot([&] {
        std::vector<ClassRecords> classes;
        {
            SqliteQuery largest(r.largest);
            largest.bind(1, max_classes);
            while (largest.step()) {
                classes.push_back({settings_from(largest, 0), largest.integer(4), {}});
            }
        }
        for (ClassRecords& c : classes) {
            SqliteQuery best(r.best);
            bind_settings(best, c.settings);
            best.bind(5, per_class);
            while (best.step()) {
                c.results.push_back(published_from(best, 0, 0));
            }
            number_places(c.results, 1);
        }
        return classes;
    });
}

ClassRecords SqliteStore::class_results(const TestSettings& settings, int64_t first_place,
                                        int count) {
    const ReaderLease lease = this->lease();
    Reader& r = *lease;
    return r.snapshot([&] {
        ClassBlocks blocks(r, settings);
        return class_page(settings, r.class_size(settings), blocks, first_place, count,
                          [&](int32_t from_moves, int64_t skipped, int most) {
                              std::vector<PublishedResult> rows;
                              SqliteQuery from(r.from_moves);
                              bind_settings(from, settings);
                              from.bind(5, from_moves).bind(6, most).bind(7, skipped);
                              while (from.step()) {
                                  rows.push_back(published_from(from, 0, 0));
                              }
                              return rows;
                          });
    });
}

ClassRecords SqliteStore::verified_class_results(const TestSettings& settings, int64_t first_place,
                                                 int count) {
    const ReaderLease lease = this->lease();
    Reader& r = *lease;
    return r.snapshot([&] {
        int64_t size = 0;
        {
            SqliteQuery query(r.verified_size);
            bind_settings(query, settings);
            query.step();
            size = query.integer(0);
        }
        return verified_page(settings, size, first_place, count, [&](int64_t skipped, int most) {
            std::vector<PublishedResult> rows;
            SqliteQuery page(r.verified_page);
            bind_settings(page, settings);
            page.bind(5, most).bind(6, skipped);
            while (page.step()) {
                rows.push_back(published_from(page, 0, 0));
            }
            return rows;
        });
    });
}

void SqliteStore::look_up_moves(const TestSettings& settings,
                                const std::function<void(MovesLookup&)>& look_up) {
    const ReaderLease lease = this->lease();
    Reader& r = *lease;
    r.snapshot([&] {
        ClassBlocks blocks(r, settings);
        BlockMoves moves(blocks, r.class_size(settings));
        look_up(moves);
        return 0;
    });
}

int64_t SqliteStore::result_count() {
    const ReaderLease lease = this->lease();
    SqliteQuery count((*lease).count);
    count.step();
    return count.integer(0);
}

uint64_t SqliteStore::generation() {
    // Changes with every commit of another connection: the writer's, and an operator's. Always
    // asked of the same connection, since each counts on its own.
    const std::lock_guard lock(changes_mutex_);
    SqliteQuery version(changes_->data_version);
    version.step();
    return uint64_t(version.integer(0));
}

int64_t SqliteStore::size_bytes() {
    const std::lock_guard lock(writer_mutex_);
    return writer_->size_bytes();
}

int64_t SqliteStore::erase_player(PlayerField field, std::string_view value) {
    // The e-mail rule of erase_player: SQLite's own lower() folds the Latin letters alone.
    const char* sql = field == PlayerField::email
                          ? "DELETE FROM results WHERE lower(trim(email, ?2)) = lower(trim(?1, ?2))"
                          : "DELETE FROM results WHERE nickname = ?1";
    const std::lock_guard lock(writer_mutex_);
    SqliteConnection& connection = writer_->connection;
    const SqliteStatement erase(connection, sql);
    SqliteTransaction transaction(connection);
    SqliteQuery query(erase);
    query.bind(1, std::string(value));
    if (field == PlayerField::email) {
        query.bind(2, blank_characters());
    }
    query.step();
    const int64_t erased = connection.changes();
    transaction.commit();
    return erased;
}

void SqliteStore::each_published(
    const std::function<void(const TestSettings&, const PublishedResult&)>& each) {
    const ReaderLease lease = this->lease();
    Reader& r = *lease;
    r.snapshot([&] {
        SqliteQuery all(r.all);
        PlaceCounter places;
        while (all.step()) {
            const TestSettings settings = settings_from(all, 0);
            each(settings, published_from(all, 4, places.next(settings)));
        }
        return 0;
    });
}

void back_up_sqlite_file(const std::string& path, const std::string& copy) {
    try {
        SqliteConnection source(path, true);
        create_private_new(copy);
        SqliteConnection target(copy);
        sqlite3_backup* backup = sqlite3_backup_init(target.get(), "main", source.get(), "main");
        if (!backup) {
            throw SqliteError(sqlite3_errmsg(target.get()), sqlite3_errcode(target.get()));
        }
        // All pages in one step: one read transaction, so the copy is one moment of the file.
        const int stepped = sqlite3_backup_step(backup, -1);
        const int finished = sqlite3_backup_finish(backup);
        if (stepped != SQLITE_DONE || finished != SQLITE_OK) {
            throw SqliteError(sqlite3_errstr(stepped != SQLITE_DONE ? stepped : finished),
                              stepped != SQLITE_DONE ? stepped : finished);
        }
    } catch (const SqliteError& e) {
        throw StoreError("cannot back up " + path + " to " + copy + ": " + e.what());
    }
}
