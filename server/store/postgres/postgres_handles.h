// libpq's connection and result as owned handles: every request waits a bounded time for its
// answer, and failures throw PostgresError with the password left out.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <vector>

struct pg_conn;
struct pg_result;

struct PostgresError : std::runtime_error {
    PostgresError(const std::string& what, std::string sqlstate, bool connection_lost)
        : std::runtime_error(what), sqlstate(std::move(sqlstate)),
          connection_lost(connection_lost) {}
    std::string sqlstate; // empty when the server sent none
    bool connection_lost; // the connection cannot be used again
};

// The URI as it may be shown: without its password.
std::string shown_uri(const std::string& uri);

class PostgresResult {
  public:
    explicit PostgresResult(pg_result* result = nullptr) : handle_(result) {}
    int rows() const;
    bool null(int row, int column) const;
    std::string text(int row, int column) const;
    int64_t integer(int row, int column) const;
    // Rows an INSERT, UPDATE or DELETE changed.
    int64_t changed() const;

  private:
    struct Clear {
        void operator()(pg_result* result) const;
    };
    std::unique_ptr<pg_result, Clear> handle_;
};

class PostgresConnection {
  public:
    // Connects within db_timeout (libpq's whole seconds, at least 2), in UTF-8; every later
    // request waits at most db_timeout for its answer before the connection is dropped.
    PostgresConnection(const std::string& uri, std::chrono::milliseconds db_timeout);
    // Runs one statement with its parameters as texts, prepared at its first use on this
    // connection.
    PostgresResult run(const std::string& sql, const std::vector<std::string>& parameters = {});
    // Runs statements without parameters; the last one's result.
    PostgresResult execute(const std::string& sql);
    bool lost() const;

  private:
    struct Finish {
        void operator()(pg_conn* connection) const;
    };
    PostgresResult await(const std::string& uri_free_what);
    [[noreturn]] void fail(const std::string& what, std::string sqlstate, bool connection_lost);

    std::unique_ptr<pg_conn, Finish> handle_;
    std::string uri_;
    std::chrono::milliseconds db_timeout_;
    std::unordered_map<std::string, std::string> prepared_; // statement text → name
};

// BEGIN at once, COMMIT by commit(), ROLLBACK if the scope ends before. begin may go on with
// statements of the transaction's own; if one fails, it is rolled back before the failure
// is thrown.
class PostgresTransaction {
  public:
    explicit PostgresTransaction(PostgresConnection& connection, const char* begin = "BEGIN");
    ~PostgresTransaction();
    PostgresTransaction(const PostgresTransaction&) = delete;
    PostgresTransaction& operator=(const PostgresTransaction&) = delete;
    void commit();

  private:
    void roll_back();

    PostgresConnection& connection_;
    bool open_ = true;
};

// Texts as one PostgreSQL array literal, each element quoted, for a parameter such as
// $1::text[].
std::string postgres_array(const std::vector<std::string>& elements);
