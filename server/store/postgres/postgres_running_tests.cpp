// The referee's running tests in PostgreSQL, on connections the store lends.
#include "server/store/postgres/postgres_running_tests.h"

#include "server/store/postgres/postgres_handles.h"

#include <algorithm>

namespace {

// The index by address counts one address's tests, and the one by time counts them all and
// finds the expired ones, each without reading the tests themselves.
constexpr const char* running_tests_table = R"sql(
CREATE TABLE running_tests (
    id text COLLATE "C" PRIMARY KEY,
    address text COLLATE "C" NOT NULL,
    answered integer NOT NULL,
    state bytea NOT NULL,
    touched_at bigint NOT NULL
);
CREATE INDEX running_tests_by_address ON running_tests (address, touched_at);
CREATE INDEX running_tests_by_touch ON running_tests (touched_at);
)sql";

// A move lost in a crash is played again alike, so the tests' commits need not wait for the
// disk; SET LOCAL keeps the lent connection's own setting, on which results wait, for
// everything else.
constexpr const char* begin_unsynced = "BEGIN; SET LOCAL synchronous_commit = off";

// Admissions take turns under one lock, whichever service admits, so that the counts and the
// insert of one are never interleaved with another's; starts are rare next to moves, which
// never take it. Its number is the schema's lock's (see the store) plus one.
constexpr const char* begin_admission = "BEGIN; SET LOCAL synchronous_commit = off; "
                                        "SELECT pg_advisory_xact_lock(7166148)";

// Counted no further than the bounds ($7 for the address, $8 in all), so that an admission
// reads at most the bounds' worth of the indexes; the test is inserted when both are below.
// The statement's snapshot is taken after the lock is held, so it sees every admission before.
constexpr const char* admit = R"sql(
WITH counted AS (
    SELECT (SELECT count(*) FROM (SELECT FROM running_tests
                WHERE address = $2::text AND touched_at >= $6::bigint LIMIT $7::bigint) a)
               AS at_address,
           (SELECT count(*) FROM (SELECT FROM running_tests
                WHERE touched_at >= $6::bigint LIMIT $8::bigint) e) AS everywhere),
added AS (
    INSERT INTO running_tests (id, address, answered, state, touched_at)
    SELECT $1::text, $2::text, $3::integer, decode($4::text, 'hex'), $5::bigint FROM counted
    WHERE at_address < $7::bigint AND everywhere < $8::bigint)
SELECT at_address, everywhere FROM counted)sql";

std::string hex_of(const std::string& bytes) {
    static constexpr char digits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        hex += digits[byte >> 4];
        hex += digits[byte & 15];
    }
    return hex;
}

// PostgreSQL's encode(..., 'hex'): lowercase digits, two a byte.
std::string bytes_of_hex(const std::string& hex) {
    const auto value = [](char digit) { return digit <= '9' ? digit - '0' : digit - 'a' + 10; };
    std::string bytes;
    bytes.reserve(hex.size() / 2);
    for (size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes += char(value(hex[i]) << 4 | value(hex[i + 1]));
    }
    return bytes;
}

} // namespace

void make_postgres_running_tests(PostgresConnection& connection) {
    connection.execute(running_tests_table);
}

TestAdmission PostgresRunningTests::add(const RunningTestRecord& test, int64_t per_address,
                                    int64_t in_all, int64_t idle_before) {
    TestAdmission admission = TestAdmission::admitted;
    // Not again on a new connection: a lost commit may have admitted the test already.
    lender_.lend(
        [&](PostgresConnection& connection) {
            PostgresTransaction transaction(connection, begin_admission);
            const PostgresResult counted = connection.run(
                admit, {test.id, test.address, std::to_string(test.answered), hex_of(test.state),
                        std::to_string(test.touched_at), std::to_string(idle_before),
                        std::to_string(std::max<int64_t>(per_address, 0)),
                        std::to_string(std::max<int64_t>(in_all, 0))});
            admission = counted.integer(0, 0) >= per_address ? TestAdmission::address_full
                        : counted.integer(0, 1) >= in_all    ? TestAdmission::service_full
                                                             : TestAdmission::admitted;
            transaction.commit();
        },
        false);
    return admission;
}

std::optional<RunningTestRecord> PostgresRunningTests::find(std::string_view id,
                                                            int64_t idle_before) {
    std::optional<RunningTestRecord> found;
    lender_.lend(
        [&](PostgresConnection& connection) {
            const PostgresResult rows =
                connection.run("SELECT address, answered, encode(state, 'hex'), touched_at "
                               "FROM running_tests WHERE id = $1 AND touched_at >= $2",
                               {std::string(id), std::to_string(idle_before)});
            if (rows.rows() > 0) {
                found =
                    RunningTestRecord{std::string(id), rows.text(0, 0), int32_t(rows.integer(0, 1)),
                                      bytes_of_hex(rows.text(0, 2)), rows.integer(0, 3)};
            }
        },
        true);
    return found;
}

bool PostgresRunningTests::replace(const RunningTestRecord& test, int32_t expected_answered) {
    bool replaced = false;
    // Not again on a new connection: a lost commit may have stored the change already, and
    // the second try would then answer that another request came first.
    lender_.lend(
        [&](PostgresConnection& connection) {
            PostgresTransaction transaction(connection, begin_unsynced);
            replaced = connection
                           .run("UPDATE running_tests SET answered = $1, state = decode($2, "
                                "'hex'), touched_at = $3 WHERE id = $4 AND answered = $5",
                                {std::to_string(test.answered), hex_of(test.state),
                                 std::to_string(test.touched_at), test.id,
                                 std::to_string(expected_answered)})
                           .changed() > 0;
            transaction.commit();
        },
        false);
    return replaced;
}

int64_t PostgresRunningTests::remove_idle(int64_t idle_before) {
    int64_t removed = 0;
    lender_.lend(
        [&](PostgresConnection& connection) {
            PostgresTransaction transaction(connection, begin_unsynced);
            removed = connection
                          .run("DELETE FROM running_tests WHERE touched_at < $1",
                               {std::to_string(idle_before)})
                          .changed();
            transaction.commit();
        },
        true);
    return removed;
}
