// SQLite's connection and prepared statement as owned handles; failures throw SqliteError.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

struct sqlite3;
struct sqlite3_stmt;

struct SqliteError : std::runtime_error {
    SqliteError(const std::string& what, int code) : std::runtime_error(what), code(code) {}
    int code; // SQLite's primary result code
};

class SqliteConnection {
  public:
    // Opens, or creates unless read_only, the file.
    explicit SqliteConnection(const std::string& path, bool read_only = false);
    sqlite3* get() const { return handle_.get(); }
    void execute(const char* sql);
    // Rows the last INSERT, UPDATE or DELETE changed.
    int64_t changes() const;

  private:
    struct Close {
        void operator()(sqlite3* db) const;
    };
    std::unique_ptr<sqlite3, Close> handle_;
};

// A prepared statement, made once and used many times.
class SqliteStatement {
  public:
    SqliteStatement(const SqliteConnection& connection, const char* sql);
    sqlite3_stmt* get() const { return handle_.get(); }

  private:
    struct Finalize {
        void operator()(sqlite3_stmt* statement) const;
    };
    std::unique_ptr<sqlite3_stmt, Finalize> handle_;
};

// One use of a prepared statement: bound, stepped, and reset with its bindings cleared when
// the use ends, so that no finished read keeps its snapshot of the file open.
class SqliteQuery {
  public:
    explicit SqliteQuery(const SqliteStatement& statement);
    ~SqliteQuery();
    SqliteQuery(const SqliteQuery&) = delete;
    SqliteQuery& operator=(const SqliteQuery&) = delete;

    SqliteQuery& bind(int index, int64_t value);
    SqliteQuery& bind(int index, const std::string& text);
    SqliteQuery& bind_blob(int index, const std::string& bytes);
    bool step(); // true while a row is ready
    int64_t integer(int column) const;
    bool flag(int column) const { return integer(column) != 0; }
    std::string text(int column) const;
    std::string blob(int column) const;

  private:
    sqlite3_stmt* statement_;
};

// BEGIN IMMEDIATE at once, COMMIT by commit(), ROLLBACK if the scope ends before.
class SqliteTransaction {
  public:
    explicit SqliteTransaction(SqliteConnection& connection);
    ~SqliteTransaction();
    SqliteTransaction(const SqliteTransaction&) = delete;
    SqliteTransaction& operator=(const SqliteTransaction&) = delete;
    void commit();

  private:
    SqliteConnection& connection_;
    bool open_ = true;
};
