// The results in one SQLite file: storing a result in its own transaction, its place, and the
// best results of each settings class.
#include "server/results_store.h"

#include "server/sqlite_handles.h"

namespace {

// Opens the file for one of the store's two connections. WAL lets the reader read while the
// writer writes; FULL makes every acknowledged result reach the disk before its answer goes
// out. The busy timeout covers other processes (an operator's sqlite3) holding the file.
SqliteConnection configured(const std::string& path) {
    SqliteConnection connection(path);
    connection.execute("PRAGMA busy_timeout = 5000");
    {
        const SqliteStatement wal(connection, "PRAGMA journal_mode = WAL");
        SqliteQuery mode(wal);
        if (!mode.step() || mode.text(0) != "wal") {
            throw SqliteError("the file cannot be used in WAL mode", 0);
        }
    }
    connection.execute("PRAGMA synchronous = FULL");
    return connection;
}

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
)sql";

// Within a class the lines are the same, so fewer moves is the better accuracy; the
// result stored first (the smaller id) goes first on a tie.
constexpr const char* class_match = "initial_ball_count = ?1 AND colour_count = ?2 AND "
                                    "round_count = ?3 AND lines_per_round = ?4";

} // namespace

SettingsClass settings_class_of(const ResultRow& row) {
    return {row.initial_ball_count, row.colour_count, row.round_count, row.lines_per_round};
}

SqliteConnection with_schema(SqliteConnection connection) {
    connection.execute(schema);
    return connection;
}

struct ResultsStore::Writer {
    // The statements are prepared after the table exists.
    explicit Writer(const std::string& path) : connection(with_schema(configured(path))) {}
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
    SqliteStatement ahead{connection,
                          (std::string("SELECT count(*) FROM results WHERE ") + class_match +
                           " AND (total_moves < ?5 OR (total_moves = ?5 AND id < ?6))")
                              .c_str()};
    SqliteStatement class_size{
        connection, (std::string("SELECT count(*) FROM results WHERE ") + class_match).c_str()};
};

struct ResultsStore::Reader {
    explicit Reader(const std::string& path) : connection(configured(path)) {}
    SqliteConnection connection;
    // Classes with the most results first, then by their settings; in each, its best in order.
    SqliteStatement best{connection, R"sql(
        SELECT initial_ball_count, colour_count, round_count, lines_per_round, class_size,
            place, nickname, country, city, total_moves, received_at
        FROM (
            SELECT *,
                row_number() OVER (PARTITION BY initial_ball_count, colour_count, round_count,
                    lines_per_round ORDER BY total_moves, id) AS place,
                count(*) OVER (PARTITION BY initial_ball_count, colour_count, round_count,
                    lines_per_round) AS class_size
            FROM results)
        WHERE place <= ?1
        ORDER BY class_size DESC, initial_ball_count, colour_count, round_count,
            lines_per_round, place)sql"};
    SqliteStatement count{connection, "SELECT count(*) FROM results"};
};

// The writer makes the file and its table before the reader opens it.
ResultsStore::ResultsStore(const std::string& path)
    : writer_(std::make_unique<Writer>(path)), reader_(std::make_unique<Reader>(path)) {}

ResultsStore::~ResultsStore() = default;

StoredResult ResultsStore::store(const ResultRow& row, int64_t received_at) {
    const std::lock_guard lock(write_mutex_);
    Writer& w = *writer_;
    SqliteTransaction transaction(w.connection);
    StoredResult stored;
    {
        SqliteQuery insert(w.insert);
        insert.bind(1, row.link_key).bind(2, received_at).bind(3, row.initial_ball_count);
        insert.bind(4, row.colour_count).bind(5, row.round_count).bind(6, row.lines_per_round);
        insert.bind(7, row.total_moves).bind(8, row.nickname).bind(9, row.country);
        insert.bind(10, row.city).bind(11, row.hidden_text).bind(12, row.birth_year);
        insert.bind(13, row.email);
        insert.step();
        stored.new_row = w.connection.changes() > 0;
    }
    int64_t id = 0;
    {
        SqliteQuery find(w.find);
        find.bind(1, row.link_key);
        if (!find.step()) {
            throw SqliteError("the stored result is missing", 0);
        }
        id = find.integer(0);
        stored.received_at = find.integer(1);
        ResultRow& r = stored.row;
        r.link_key = row.link_key;
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
    }
    auto bind_class = [&](SqliteQuery& query) {
        query.bind(1, stored.row.initial_ball_count).bind(2, stored.row.colour_count);
        query.bind(3, stored.row.round_count).bind(4, stored.row.lines_per_round);
    };
    {
        SqliteQuery ahead(w.ahead);
        bind_class(ahead);
        ahead.bind(5, stored.row.total_moves).bind(6, id);
        ahead.step();
        stored.place = ahead.integer(0) + 1;
    }
    {
        SqliteQuery size(w.class_size);
        bind_class(size);
        size.step();
        stored.class_size = size.integer(0);
    }
    transaction.commit();
    if (stored.new_row) {
        ++generation_;
    }
    return stored;
}

std::vector<ClassRecords> ResultsStore::records(int per_class, int max_classes) {
    const std::lock_guard lock(read_mutex_);
    std::vector<ClassRecords> classes;
    SqliteQuery best(reader_->best);
    best.bind(1, per_class);
    while (best.step()) {
        const SettingsClass settings{int32_t(best.integer(0)), int32_t(best.integer(1)),
                                     int32_t(best.integer(2)), int32_t(best.integer(3))};
        if (classes.empty() || !(classes.back().settings == settings)) {
            if (int(classes.size()) == max_classes) {
                break;
            }
            classes.push_back({settings, best.integer(4), {}});
        }
        classes.back().best.push_back({best.integer(5), best.text(6), best.text(7), best.text(8),
                                       int32_t(best.integer(9)), best.integer(10)});
    }
    return classes;
}

int64_t ResultsStore::result_count() {
    const std::lock_guard lock(read_mutex_);
    SqliteQuery count(reader_->count);
    count.step();
    return count.integer(0);
}
