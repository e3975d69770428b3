// The results in a PostgreSQL database that several services may share: each service's
// writer commits together what arrives together, and the places and records are read from
// counts that triggers keep in the same transactions.
#include "server/store/postgres/postgres_store.h"

#include "server/row/log_error.h"
#include "server/row/utf8_text.h"
#include "server/store/class_places.h"
#include "server/store/move_blocks.h"
#include "server/store/postgres/postgres_handles.h"
#include "server/store/postgres/postgres_running_tests.h"
#include "server/store/result_columns.h"
#include "server/store/result_sql.h"

#include <algorithm>
#include <type_traits>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace {

// The same tables as the SQLite file's, with the counts kept by statement triggers that see
// all of a statement's rows at once: each counts row is then locked once a batch, and always
// in the same order, so that two services storing at once wait for each other at most for a
// commit and never deadlock. The link keys are inserted in their order for the same reason.
// result_changes counts the changes of the results; every service reads its sum to know when
// its cached records are out of date. Its row is chosen by the server process, so that two
// services seldom wait for the same one.
constexpr const char* tables = R"sql(
CREATE TABLE results (
    id bigserial PRIMARY KEY,
    link_key text COLLATE "C" NOT NULL UNIQUE,
    received_at bigint NOT NULL,
    initial_ball_count integer NOT NULL,
    colour_count integer NOT NULL,
    round_count integer NOT NULL,
    lines_per_round integer NOT NULL,
    total_moves integer NOT NULL,
    nickname text NOT NULL,
    country text NOT NULL,
    city text NOT NULL,
    hidden_text text NOT NULL,
    birth_year text NOT NULL,
    email text NOT NULL,
    verified boolean NOT NULL DEFAULT false
);
CREATE INDEX results_by_place ON results (
    initial_ball_count, colour_count, round_count, lines_per_round, total_moves, id);
CREATE TABLE class_counts (
    initial_ball_count integer NOT NULL,
    colour_count integer NOT NULL,
    round_count integer NOT NULL,
    lines_per_round integer NOT NULL,
    result_count bigint NOT NULL,
    PRIMARY KEY (initial_ball_count, colour_count, round_count, lines_per_round)
);
CREATE INDEX classes_by_size ON class_counts (
    result_count DESC, initial_ball_count, colour_count, round_count, lines_per_round);
CREATE TABLE move_counts (
    initial_ball_count integer NOT NULL,
    colour_count integer NOT NULL,
    round_count integer NOT NULL,
    lines_per_round integer NOT NULL,
    total_moves integer NOT NULL,
    result_count bigint NOT NULL,
    PRIMARY KEY (initial_ball_count, colour_count, round_count, lines_per_round, total_moves)
);
CREATE TABLE result_changes (
    shard integer PRIMARY KEY,
    changes bigint NOT NULL
);
)sql";

// Only the verified results, few beside the others: their pages read it alone, and count them
// from it without the table. Made in a database of an earlier version too, where no result is
// verified.
constexpr const char* verified_index = R"sql(
CREATE INDEX results_verified_by_place ON results (
    initial_ball_count, colour_count, round_count, lines_per_round, total_moves, id, verified)
    WHERE verified;
)sql";

// The counts of each block of move counts (see move_blocks.h); made in a database of an
// earlier version too, and filled once from its move counts.
constexpr const char* block_table = R"sql(
CREATE TABLE move_blocks (
    initial_ball_count integer NOT NULL,
    colour_count integer NOT NULL,
    round_count integer NOT NULL,
    lines_per_round integer NOT NULL,
    shift integer NOT NULL,
    block integer NOT NULL, -- total_moves >> shift
    result_count bigint NOT NULL,
    PRIMARY KEY (initial_ball_count, colour_count, round_count, lines_per_round, shift, block)
);
)sql";

std::string block_existing() {
    return "INSERT INTO move_blocks SELECT initial_ball_count, colour_count, round_count, "
           "lines_per_round, s.shift, total_moves >> s.shift, sum(result_count) "
           "FROM move_counts CROSS JOIN (VALUES " +
           block_shifts_values() + ") AS s(shift) GROUP BY 1, 2, 3, 4, 5, 6";
}

// The triggers' functions, replaced in a database of an earlier version.
std::string trigger_functions() {
    const std::string shifts = block_shifts_values();
    return R"sql(
CREATE OR REPLACE FUNCTION results_counted() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN
    -- A statement that changed no row (a link stored before) changes nothing to show.
    IF NOT EXISTS (SELECT 1 FROM new_rows) THEN
        RETURN NULL;
    END IF;
    INSERT INTO class_counts AS c
        SELECT initial_ball_count, colour_count, round_count, lines_per_round, count(*)
        FROM new_rows GROUP BY 1, 2, 3, 4 ORDER BY 1, 2, 3, 4
    ON CONFLICT (initial_ball_count, colour_count, round_count, lines_per_round)
    DO UPDATE SET result_count = c.result_count + excluded.result_count;
    INSERT INTO move_counts AS m
        SELECT initial_ball_count, colour_count, round_count, lines_per_round, total_moves,
            count(*)
        FROM new_rows GROUP BY 1, 2, 3, 4, 5 ORDER BY 1, 2, 3, 4, 5
    ON CONFLICT (initial_ball_count, colour_count, round_count, lines_per_round, total_moves)
    DO UPDATE SET result_count = m.result_count + excluded.result_count;
    INSERT INTO move_blocks AS b
        SELECT initial_ball_count, colour_count, round_count, lines_per_round, s.shift,
            total_moves >> s.shift, count(*)
        FROM new_rows CROSS JOIN (VALUES )sql" +
           shifts + R"sql() AS s(shift)
        GROUP BY 1, 2, 3, 4, 5, 6 ORDER BY 1, 2, 3, 4, 5, 6
    ON CONFLICT (initial_ball_count, colour_count, round_count, lines_per_round, shift, block)
    DO UPDATE SET result_count = b.result_count + excluded.result_count;
    INSERT INTO result_changes AS r VALUES (pg_backend_pid() % 16, 1)
    ON CONFLICT (shard) DO UPDATE SET changes = r.changes + 1;
    RETURN NULL;
END $$;
CREATE OR REPLACE FUNCTION results_uncounted() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN
    -- A statement that changed no row (a link stored before) changes nothing to show.
    IF NOT EXISTS (SELECT 1 FROM old_rows) THEN
        RETURN NULL;
    END IF;
    INSERT INTO class_counts AS c
        SELECT initial_ball_count, colour_count, round_count, lines_per_round, -count(*)
        FROM old_rows GROUP BY 1, 2, 3, 4 ORDER BY 1, 2, 3, 4
    ON CONFLICT (initial_ball_count, colour_count, round_count, lines_per_round)
    DO UPDATE SET result_count = c.result_count + excluded.result_count;
    INSERT INTO move_counts AS m
        SELECT initial_ball_count, colour_count, round_count, lines_per_round, total_moves,
            -count(*)
        FROM old_rows GROUP BY 1, 2, 3, 4, 5 ORDER BY 1, 2, 3, 4, 5
    ON CONFLICT (initial_ball_count, colour_count, round_count, lines_per_round, total_moves)
    DO UPDATE SET result_count = m.result_count + excluded.result_count;
    INSERT INTO move_blocks AS b
        SELECT initial_ball_count, colour_count, round_count, lines_per_round, s.shift,
            total_moves >> s.shift, -count(*)
        FROM old_rows CROSS JOIN (VALUES )sql" +
           shifts + R"sql() AS s(shift)
        GROUP BY 1, 2, 3, 4, 5, 6 ORDER BY 1, 2, 3, 4, 5, 6
    ON CONFLICT (initial_ball_count, colour_count, round_count, lines_per_round, shift, block)
    DO UPDATE SET result_count = b.result_count + excluded.result_count;
    DELETE FROM class_counts WHERE result_count <= 0;
    DELETE FROM move_counts m USING (SELECT DISTINCT initial_ball_count, colour_count,
            round_count, lines_per_round, total_moves FROM old_rows) o
        WHERE m.initial_ball_count = o.initial_ball_count AND m.colour_count = o.colour_count
            AND m.round_count = o.round_count AND m.lines_per_round = o.lines_per_round
            AND m.total_moves = o.total_moves AND m.result_count <= 0;
    DELETE FROM move_blocks b USING (SELECT DISTINCT initial_ball_count, colour_count,
            round_count, lines_per_round, s.shift, total_moves >> s.shift AS block
            FROM old_rows CROSS JOIN (VALUES )sql" +
           shifts + R"sql() AS s(shift)) o
        WHERE b.initial_ball_count = o.initial_ball_count AND b.colour_count = o.colour_count
            AND b.round_count = o.round_count AND b.lines_per_round = o.lines_per_round
            AND b.shift = o.shift AND b.block = o.block AND b.result_count <= 0;
    INSERT INTO result_changes AS r VALUES (pg_backend_pid() % 16, 1)
    ON CONFLICT (shard) DO UPDATE SET changes = r.changes + 1;
    RETURN NULL;
END $$;
CREATE OR REPLACE FUNCTION results_emptied() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN
    DELETE FROM class_counts;
    DELETE FROM move_counts;
    DELETE FROM move_blocks;
    INSERT INTO result_changes AS r VALUES (pg_backend_pid() % 16, 1)
    ON CONFLICT (shard) DO UPDATE SET changes = r.changes + 1;
    RETURN NULL;
END $$;
)sql";
}

constexpr const char* triggers = R"sql(
CREATE TRIGGER results_counted AFTER INSERT ON results REFERENCING NEW TABLE AS new_rows
    FOR EACH STATEMENT EXECUTE FUNCTION results_counted();
CREATE TRIGGER results_uncounted AFTER DELETE ON results REFERENCING OLD TABLE AS old_rows
    FOR EACH STATEMENT EXECUTE FUNCTION results_uncounted();
CREATE TRIGGER results_emptied AFTER TRUNCATE ON results
    FOR EACH STATEMENT EXECUTE FUNCTION results_emptied();
)sql";

// A batch in one statement, each column an array. Ids are drawn in the order of arrival,
// which decides ties; the rows are inserted in the order of their keys (see the schema).
std::string insert_batch() {
    const std::string columns(result_columns);
    return R"sql(
WITH arrivals AS MATERIALIZED (
    SELECT nextval('results_id_seq') AS id, a.*
    FROM unnest($1::text[], $2::bigint[], $3::integer[], $4::integer[], $5::integer[],
            $6::integer[], $7::integer[], $8::text[], $9::text[], $10::text[], $11::text[],
            $12::text[], $13::text[], $14::boolean[])
        WITH ORDINALITY AS a()sql" +
           columns + R"sql(, arrival)
    ORDER BY arrival)
INSERT INTO results (id, )sql" +
           columns + R"sql()
SELECT id, )sql" +
           columns +
           R"sql(
FROM arrivals ORDER BY link_key COLLATE "C"
ON CONFLICT (link_key) DO NOTHING
RETURNING link_key)sql";
}

// How many results of one class have fewer moves than each of $5, in their order.
std::string below_each() {
    return "SELECT " + results_below_sql({"$1", "$2", "$3", "$4"}, "m.moves") +
           " FROM unnest($5::integer[]) WITH ORDINALITY AS m(moves, n) ORDER BY m.n";
}

// The blocks holding results in each range of one class ($5 the shifts, $6 and $7 the ends),
// at most $8 of each, in order. Each table limited on its own, so that the server reads no more
// of a wide range than the limit.
constexpr const char* blocks_in_ranges = R"sql(
SELECT q.n, b.block, b.result_count
FROM unnest($5::integer[], $6::bigint[], $7::bigint[]) WITH ORDINALITY AS q(shift, low, high, n)
CROSS JOIN LATERAL (
    (SELECT total_moves AS block, result_count FROM move_counts
     WHERE q.shift = 0 AND initial_ball_count = $1 AND colour_count = $2 AND round_count = $3
        AND lines_per_round = $4 AND total_moves >= q.low AND total_moves < q.high
     ORDER BY total_moves LIMIT $8)
    UNION ALL
    (SELECT block, result_count FROM move_blocks
     WHERE q.shift > 0 AND initial_ball_count = $1 AND colour_count = $2 AND round_count = $3
        AND lines_per_round = $4 AND shift = q.shift AND block >= q.low AND block < q.high
     ORDER BY block LIMIT $8)) b
ORDER BY q.n, b.block)sql";

// The largest classes with their best results, in one statement and so one snapshot.
constexpr const char* records_sql = R"sql(
SELECT c.initial_ball_count, c.colour_count, c.round_count, c.lines_per_round, c.result_count,
    b.nickname, b.country, b.city, b.total_moves, b.received_at, b.verified
FROM (SELECT * FROM class_counts
      ORDER BY result_count DESC, initial_ball_count, colour_count, round_count, lines_per_round
      LIMIT $2) c
LEFT JOIN LATERAL (
    SELECT nickname, country, city, total_moves, received_at, verified, id FROM results r
    WHERE r.initial_ball_count = c.initial_ball_count AND r.colour_count = c.colour_count
        AND r.round_count = c.round_count AND r.lines_per_round = c.lines_per_round
    ORDER BY total_moves, id LIMIT $1) b ON true
ORDER BY c.result_count DESC, c.initial_ball_count, c.colour_count, c.round_count,
    c.lines_per_round, b.total_moves, b.id)sql";

// Every result of every class in order, public fields only; read a cursor's part at a time.
std::string published_cursor() {
    return "DECLARE published NO SCROLL CURSOR FOR " + every_published_sql();
}

// The results' tables with their indexes and the TOAST of their long texts: the disk the
// results take. Space an erase frees is reused by later rows but counted until VACUUM FULL.
constexpr const char* tables_size = R"sql(
SELECT coalesce(sum(pg_total_relation_size(t)), 0)::bigint
FROM unnest(ARRAY['results', 'class_counts', 'move_counts', 'result_changes']::regclass[]) t)sql";

// Measuring the tables asks the server to look at each of their files: at most once a second
// before a batch, so that a store at its bound costs no more than one at rest, and one beyond
// it takes at most a second's results more.
constexpr std::chrono::seconds size_reading_interval{1};

// Waiting for a lock beyond the bound, a deadlock broken by the server, a statement over its
// time: the database is busy, and the result may be sent again.
bool busy_state(const std::string& sqlstate) {
    return sqlstate == "55P03" || sqlstate == "40P01" || sqlstate == "40001" || sqlstate == "57014";
}

// A server that cannot be reached or does not answer in time, that is shutting down or
// starting, out of disk, memory or connections, failing at its disk, or read-only (a standby
// after a failover): it lasts until the server is back, and the results meanwhile may be
// sent again. Anything else the server refuses would be refused again.
bool unavailable(const PostgresError& e) {
    const std::string_view state = e.sqlstate;
    return e.connection_lost || state.starts_with("08") || state.starts_with("53") ||
           state.starts_with("57P") || state.starts_with("58") || state == "25006";
}

std::vector<std::string> settings_parameters(const TestSettings& s) {
    return {std::to_string(s.initial_ball_count), std::to_string(s.colour_count),
            std::to_string(s.round_count), std::to_string(s.lines_per_round)};
}

// One row of an answer, as the row mapping reads it.
struct PostgresRow {
    const PostgresResult& rows;
    int row;
    int64_t integer(int column) const { return rows.integer(row, column); }
    std::string text(int column) const { return rows.text(row, column); }
    bool flag(int column) const { return rows.text(row, column) == "t"; }
};

// Makes the tables once, whichever of several services starting together comes first.
void make_tables(PostgresConnection& connection, const std::string& uri) {
    if (connection.run("SELECT current_setting('transaction_read_only')").text(0, 0) == "on") {
        throw StoreOpenError("cannot use PostgreSQL at " + shown_uri(uri) +
                             ": the database is read-only");
    }
    PostgresTransaction transaction(connection);
    connection.execute("SELECT pg_advisory_xact_lock(7166147)");
    if (connection.run("SELECT to_regclass('results') IS NULL").text(0, 0) == "t") {
        connection.execute(tables);
        connection.execute(verified_index);
        connection.execute(block_table);
        connection.execute(trigger_functions());
        connection.execute(triggers);
    } else if (connection.run("SELECT to_regclass('move_blocks') IS NULL").text(0, 0) == "t") {
        // A database of an earlier version: no result is stored while its blocks are counted,
        // and its triggers count them too from then on. Services of that version sharing it
        // go on working with the new triggers.
        connection.execute("LOCK TABLE results IN SHARE ROW EXCLUSIVE MODE");
        connection.execute(block_table);
        connection.execute(block_existing());
        connection.execute(trigger_functions());
    }
    if (connection
            .run("SELECT count(*) FROM pg_attribute WHERE attrelid = 'results'::regclass "
                 "AND attname = 'verified' AND NOT attisdropped")
            .integer(0, 0) == 0) {
        // A database of an earlier version: its results were all sent by links. A constant
        // default rewrites no row; services of that version sharing it store false.
        connection.execute(
            "ALTER TABLE results ADD COLUMN verified boolean NOT NULL DEFAULT false");
        connection.execute(verified_index);
    }
    if (connection.run("SELECT to_regclass('running_tests') IS NULL").text(0, 0) == "t") {
        make_postgres_running_tests(connection);
    }
    transaction.commit();
}

} // namespace

class PostgresStore::Lease {
  public:
    Lease(PostgresStore& store, std::unique_ptr<PostgresConnection> connection)
        : store_(&store), connection_(std::move(connection)) {}
    Lease(Lease&& other) noexcept
        : store_(std::exchange(other.store_, nullptr)), connection_(std::move(other.connection_)) {}
    Lease& operator=(Lease&&) = delete;
    ~Lease() {
        if (store_) {
            store_->give_back(std::move(connection_));
        }
    }
    PostgresConnection& operator*() const { return *connection_; }

  private:
    PostgresStore* store_;
    std::unique_ptr<PostgresConnection> connection_;
};

PostgresStore::PostgresStore(const std::string& uri, StoreLimits limits)
    : uri_(uri), limits_(limits) {
    try {
        writer_ = connect();
        make_tables(*writer_, uri_);
    } catch (const PostgresError& e) {
        throw StoreOpenError("cannot use PostgreSQL at " + shown_uri(uri_) + ": " + e.what());
    }
    running_tests_ = std::make_unique<PostgresRunningTests>(static_cast<PostgresLender&>(*this));
    queued_.emplace(static_cast<BatchBackend&>(*this), limits.max_pending);
}

PostgresStore::~PostgresStore() = default;

std::unique_ptr<PostgresConnection> PostgresStore::connect() const {
    auto connection = std::make_unique<PostgresConnection>(uri_, limits_.db_timeout);
    // PostgreSQL waits for ever at a lock_timeout of 0; 1 ms is the nearest to no wait. The
    // server ends a statement at the same time as the service gives up on it. Results are
    // answered only once they are on disk, whatever the server's default says.
    const auto lock_wait = std::max<int64_t>(1, limits_.lock_wait.count());
    connection->execute(
        "SET lock_timeout = " + std::to_string(lock_wait) +
        "; SET statement_timeout = " + std::to_string(limits_.db_timeout.count()) +
        "; SELECT set_config('synchronous_commit', 'on', false)"
        " WHERE current_setting('synchronous_commit') IN ('off', 'local', 'remote_write')");
    return connection;
}

PostgresStore::Lease PostgresStore::lease() {
    std::unique_lock lock(pool_mutex_);
    const size_t most = limits_.db_connections > 1 ? limits_.db_connections - 1 : 1;
    if (!pool_ready_.wait_for(lock, limits_.db_timeout,
                              [&] { return !idle_.empty() || open_readers_ < most; })) {
        throw StoreError("the store is busy");
    }
    if (!idle_.empty()) {
        std::unique_ptr<PostgresConnection> connection = std::move(idle_.back());
        idle_.pop_back();
        return Lease(*this, std::move(connection));
    }
    ++open_readers_;
    lock.unlock();
    try {
        return Lease(*this, connect());
    } catch (const PostgresError& e) {
        give_back(nullptr);
        throw StoreError(e.what());
    }
}

void PostgresStore::give_back(std::unique_ptr<PostgresConnection> connection) {
    {
        const std::lock_guard lock(pool_mutex_);
        if (connection && !connection->lost()) {
            idle_.push_back(std::move(connection));
        } else {
            --open_readers_;
        }
    }
    pool_ready_.notify_one();
}

template <typename Read> auto PostgresStore::reading(Read read, bool again_if_lost) {
    for (int attempt = 0;; ++attempt) {
        Lease connection = lease();
        try {
            return read(*connection);
        } catch (const PostgresError& e) {
            // An idle connection the server has dropped since (a restart): once more, on a
            // new one.
            if (!e.connection_lost || !again_if_lost || attempt > 0) {
                throw StoreError(e.what());
            }
        }
    }
}

RunningTests& PostgresStore::running_tests() { return *running_tests_; }

void PostgresStore::lend(const std::function<void(PostgresConnection&)>& use, bool again_if_lost) {
    reading(
        [&](PostgresConnection& connection) {
            use(connection);
            return 0;
        },
        again_if_lost);
}

void PostgresStore::store_async(ResultRow row, int64_t received_at,
                                std::function<void(StoreOutcome)> done) {
    queued_->push(std::move(row), received_at, std::move(done));
}

std::vector<StoredResult>
PostgresStore::store_batch(const std::vector<const PendingResult*>& rows) {
    std::vector<std::vector<std::string>> columns(result_column_count);
    for (const PendingResult* pending : rows) {
        put_columns(pending->row, pending->received_at, [&](int column, const auto& value) {
            if constexpr (std::is_same_v<std::decay_t<decltype(value)>, int64_t>) {
                columns[size_t(column)].push_back(std::to_string(value));
            } else {
                columns[size_t(column)].push_back(value);
            }
        });
    }
    std::vector<std::string> parameters;
    parameters.reserve(columns.size());
    for (const std::vector<std::string>& column : columns) {
        parameters.push_back(postgres_array(column));
    }

    static const std::string insert = insert_batch();
    static const std::string find = stored_sql("r.link_key = ANY ($1::text[])");
    for (int attempt = 0;; ++attempt) {
        bool committing = false;
        try {
            if (!writer_ || writer_->lost()) {
                writer_ = connect();
            }
            const auto now = std::chrono::steady_clock::now();
            if (!size_read_at_ || now - *size_read_at_ >= size_reading_interval) {
                size_read_ = writer_->run(tables_size).integer(0, 0);
                size_read_at_ = now;
            }
            if (size_read_ >= limits_.max_db_bytes) {
                throw BatchRefused(StoreStatus::full, "the store is full");
            }
            PostgresTransaction transaction(*writer_);
            std::unordered_set<std::string> new_keys;
            const PostgresResult inserted = writer_->run(insert, parameters);
            for (int i = 0; i < inserted.rows(); ++i) {
                new_keys.insert(inserted.text(i, 0));
            }
            const PostgresResult found = writer_->run(find, {parameters[0]});
            std::unordered_map<std::string, StoredResult> by_key;
            for (int i = 0; i < found.rows(); ++i) {
                StoredResult result = stored_from(PostgresRow{found, i}, 0);
                result.place = found.integer(i, result_column_count);
                result.class_size = found.integer(i, result_column_count + 1);
                result.new_row = new_keys.contains(result.row.link_key);
                std::string key = result.row.link_key;
                by_key.emplace(std::move(key), std::move(result));
            }
            if (by_key.size() != rows.size()) {
                // An operator erased one between the statements: none of the batch is told
                // it is stored.
                throw PostgresError("a stored result is missing", "", false);
            }
            committing = true;
            transaction.commit();
            std::vector<StoredResult> stored;
            stored.reserve(rows.size());
            for (const PendingResult* pending : rows) {
                stored.push_back(std::move(by_key.at(pending->row.link_key)));
            }
            return stored;
        } catch (const PostgresError& e) {
            // A connection lost before COMMIT was sent stored nothing: once more, on a new one.
            if (e.connection_lost && !committing && attempt == 0) {
                continue;
            }
            throw BatchRefused(busy_state(e.sqlstate) ? StoreStatus::busy
                               : unavailable(e)       ? StoreStatus::unavailable
                                                      : StoreStatus::failed,
                               e.what());
        }
    }
}

std::vector<ClassRecords> PostgresStore::records(int per_class, int max_classes) {
    return reading([&](PostgresConnection& connection) {
        const PostgresResult rows =
            connection.run(records_sql, {std::to_string(per_class), std::to_string(max_classes)});
        std::vector<ClassRecords> classes;
        for (int i = 0; i < rows.rows(); ++i) {
            const TestSettings settings = settings_from(PostgresRow{rows, i}, 0);
            if (classes.empty() || !(classes.back().settings == settings)) {
                classes.push_back({settings, rows.integer(i, 4), {}});
            }
            if (!rows.null(i, 5)) {
                ClassRecords& c = classes.back();
                c.results.push_back(published_from(PostgresRow{rows, i}, 5, 0));
            }
        }
        for (ClassRecords& c : classes) {
            number_places(c.results, 1);
        }
        return classes;
    });
}

namespace {

// The counts of one class as the connection's open transaction shows them: each look-up one
// round trip.
class PostgresClassBlocks final : public MoveBlocksReader {
  public:
    PostgresClassBlocks(PostgresConnection& connection, const TestSettings& settings)
        : connection_(connection), match_(settings_parameters(settings)) {}

    std::vector<int64_t> results_below(const std::vector<int32_t>& moves) override {
        std::vector<std::string> values;
        values.reserve(moves.size());
        for (const int32_t m : moves) {
            values.push_back(std::to_string(m));
        }
        std::vector<std::string> parameters = match_;
        parameters.push_back(postgres_array(values));
        const PostgresResult rows = connection_.run(below_each(), parameters);
        std::vector<int64_t> below;
        below.reserve(size_t(rows.rows()));
        for (int i = 0; i < rows.rows(); ++i) {
            below.push_back(rows.integer(i, 0));
        }
        return below;
    }

    std::vector<std::vector<BlockCount>> blocks(const std::vector<BlockRange>& ranges,
                                                int64_t most) override {
        std::vector<std::string> shifts;
        std::vector<std::string> lows;
        std::vector<std::string> highs;
        for (const BlockRange& range : ranges) {
            shifts.push_back(std::to_string(range.shift));
            lows.push_back(std::to_string(range.low));
            highs.push_back(std::to_string(range.high));
        }
        std::vector<std::string> parameters = match_;
        parameters.push_back(postgres_array(shifts));
        parameters.push_back(postgres_array(lows));
        parameters.push_back(postgres_array(highs));
        parameters.push_back(std::to_string(most));
        const PostgresResult rows = connection_.run(blocks_in_ranges, parameters);
        std::vector<std::vector<BlockCount>> found(ranges.size());
        for (int i = 0; i < rows.rows(); ++i) {
            found.at(size_t(rows.integer(i, 0) - 1))
                .push_back({rows.integer(i, 1), rows.integer(i, 2)});
        }
        return found;
    }

  private:
    PostgresConnection& connection_;
    std::vector<std::string> match_;
};

// One snapshot for a class's look-ups. Each is a range of a key whatever its values, so its
// plan is made once per connection: planned again for every run, as the server otherwise
// may, it would cost more than it reads.
constexpr const char* look_up_begin = "BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY; "
                                      "SET LOCAL plan_cache_mode = force_generic_plan";

int64_t class_size(PostgresConnection& connection, const TestSettings& settings) {
    static const std::string sql = class_size_sql('$');
    const PostgresResult size = connection.run(sql, settings_parameters(settings));
    return size.rows() > 0 ? size.integer(0, 0) : 0;
}

} // namespace

ClassRecords PostgresStore::class_results(const TestSettings& settings, int64_t first_place,
                                          int count) {
    return reading([&](PostgresConnection& connection) {
        // One snapshot for the size, the counts and the page.
        PostgresTransaction transaction(connection, look_up_begin);
        PostgresClassBlocks blocks(connection, settings);
        static const std::string page = page_sql('$');
        ClassRecords records =
            class_page(settings, class_size(connection, settings), blocks, first_place, count,
                       [&](int32_t from_moves, int64_t skipped, int most) {
                           std::vector<std::string> parameters = settings_parameters(settings);
                           parameters.push_back(std::to_string(from_moves));
                           parameters.push_back(std::to_string(most));
                           parameters.push_back(std::to_string(skipped));
                           const PostgresResult rows = connection.run(page, parameters);
                           std::vector<PublishedResult> results;
                           results.reserve(size_t(rows.rows()));
                           for (int i = 0; i < rows.rows(); ++i) {
                               results.push_back(published_from(PostgresRow{rows, i}, 0, 0));
                           }
                           return results;
                       });
        transaction.commit();
        return records;
    });
}

ClassRecords PostgresStore::verified_class_results(const TestSettings& settings,
                                                   int64_t first_place, int count) {
    return reading([&](PostgresConnection& connection) {
        // One snapshot for the count and the page.
        PostgresTransaction transaction(connection, look_up_begin);
        static const std::string size = verified_size_sql('$');
        static const std::string page = verified_page_sql('$');
        ClassRecords records = verified_page(
            settings, connection.run(size, settings_parameters(settings)).integer(0, 0),
            first_place, count, [&](int64_t skipped, int most) {
                std::vector<std::string> parameters = settings_parameters(settings);
                parameters.push_back(std::to_string(most));
                parameters.push_back(std::to_string(skipped));
                const PostgresResult rows = connection.run(page, parameters);
                std::vector<PublishedResult> results;
                results.reserve(size_t(rows.rows()));
                for (int i = 0; i < rows.rows(); ++i) {
                    results.push_back(published_from(PostgresRow{rows, i}, 0, 0));
                }
                return results;
            });
        transaction.commit();
        return records;
    });
}

void PostgresStore::look_up_moves(const TestSettings& settings,
                                  const std::function<void(MovesLookup&)>& look_up) {
    reading([&](PostgresConnection& connection) {
        PostgresTransaction transaction(connection, look_up_begin);
        PostgresClassBlocks blocks(connection, settings);
        BlockMoves moves(blocks, class_size(connection, settings));
        look_up(moves);
        transaction.commit();
        return 0;
    });
}

int64_t PostgresStore::result_count() {
    return reading([](PostgresConnection& connection) {
        return connection.run("SELECT coalesce(sum(result_count), 0) FROM class_counts")
            .integer(0, 0);
    });
}

int64_t PostgresStore::size_bytes() {
    return reading(
        [](PostgresConnection& connection) { return connection.run(tables_size).integer(0, 0); });
}

uint64_t PostgresStore::generation() {
    // Every change of the results, by any service or an operator, adds one in the same
    // transaction, so the sum grows with every commit that changes what the pages show.
    return reading([](PostgresConnection& connection) {
        return uint64_t(
            connection.run("SELECT coalesce(sum(changes), 0) FROM result_changes").integer(0, 0));
    });
}

int64_t PostgresStore::erase_player(PlayerField field, std::string_view value) {
    // The e-mail rule of erase_player: translate, since lower() would fold more than the
    // Latin letters in some of the server's locales.
    const bool email = field == PlayerField::email;
    const char* sql = email ? "DELETE FROM results WHERE translate(btrim(email, $2), "
                              "'ABCDEFGHIJKLMNOPQRSTUVWXYZ', 'abcdefghijklmnopqrstuvwxyz') = "
                              "translate(btrim($1, $2), 'ABCDEFGHIJKLMNOPQRSTUVWXYZ', "
                              "'abcdefghijklmnopqrstuvwxyz')"
                            : "DELETE FROM results WHERE nickname = $1";
    std::vector<std::string> parameters = {std::string(value)};
    if (email) {
        parameters.push_back(blank_characters());
    }
    return reading(
        [&](PostgresConnection& connection) { return connection.run(sql, parameters).changed(); },
        false);
}

void PostgresStore::each_published(
    const std::function<void(const TestSettings&, const PublishedResult&)>& each) {
    reading(
        [&](PostgresConnection& connection) {
            PostgresTransaction transaction(connection,
                                            "BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY");
            connection.execute(published_cursor());
            PlaceCounter places;
            for (;;) {
                const PostgresResult rows = connection.execute("FETCH 1000 FROM published");
                if (rows.rows() == 0) {
                    break;
                }
                for (int i = 0; i < rows.rows(); ++i) {
                    const TestSettings settings = settings_from(PostgresRow{rows, i}, 0);
                    each(settings, published_from(PostgresRow{rows, i}, 4, places.next(settings)));
                }
            }
            transaction.commit();
            return 0;
        },
        false);
}
