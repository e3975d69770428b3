// SQLite's connection and prepared statement as owned handles; failures throw SqliteError.
#include "server/store/sqlite/sqlite_handles.h"

#include <sqlite3.h>

namespace {

[[noreturn]] void fail(sqlite3* db, const std::string& doing, int code) {
    throw SqliteError(doing + ": " + (db ? sqlite3_errmsg(db) : sqlite3_errstr(code)), code & 0xFF);
}

void check(sqlite3* db, int code, const char* doing) {
    if (code != SQLITE_OK) {
        fail(db, doing, code);
    }
}

} // namespace

SqliteConnection::SqliteConnection(const std::string& path, bool read_only) {
    sqlite3* db = nullptr;
    const int access =
        read_only ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
    const int code = sqlite3_open_v2(path.c_str(), &db,
                                     access | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_EXRESCODE, nullptr);
    handle_.reset(db); // sqlite3_open_v2 may give a handle even when it fails
    check(db, code, ("opening " + path).c_str());
}

void SqliteConnection::Close::operator()(sqlite3* db) const { sqlite3_close_v2(db); }

void SqliteConnection::execute(const char* sql) {
    check(get(), sqlite3_exec(get(), sql, nullptr, nullptr, nullptr), sql);
}

int64_t SqliteConnection::changes() const { return sqlite3_changes64(get()); }

SqliteStatement::SqliteStatement(const SqliteConnection& connection, const char* sql) {
    sqlite3_stmt* statement = nullptr;
    check(connection.get(),
          sqlite3_prepare_v3(connection.get(), sql, -1, SQLITE_PREPARE_PERSISTENT, &statement,
                             nullptr),
          sql);
    handle_.reset(statement);
}

void SqliteStatement::Finalize::operator()(sqlite3_stmt* statement) const {
    sqlite3_finalize(statement);
}

SqliteQuery::SqliteQuery(const SqliteStatement& statement) : statement_(statement.get()) {}

SqliteQuery::~SqliteQuery() {
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
}

SqliteQuery& SqliteQuery::bind(int index, int64_t value) {
    check(sqlite3_db_handle(statement_), sqlite3_bind_int64(statement_, index, value), "binding");
    return *this;
}

SqliteQuery& SqliteQuery::bind(int index, const std::string& text) {
    check(sqlite3_db_handle(statement_),
          sqlite3_bind_text(statement_, index, text.data(), int(text.size()), SQLITE_TRANSIENT),
          "binding");
    return *this;
}

SqliteQuery& SqliteQuery::bind_blob(int index, const std::string& bytes) {
    check(sqlite3_db_handle(statement_),
          sqlite3_bind_blob64(statement_, index, bytes.data(), bytes.size(), SQLITE_TRANSIENT),
          "binding");
    return *this;
}

bool SqliteQuery::step() {
    const int code = sqlite3_step(statement_);
    if (code == SQLITE_ROW) {
        return true;
    }
    if (code != SQLITE_DONE) {
        fail(sqlite3_db_handle(statement_), sqlite3_sql(statement_), code);
    }
    return false;
}

int64_t SqliteQuery::integer(int column) const { return sqlite3_column_int64(statement_, column); }

std::string SqliteQuery::text(int column) const {
    const auto* bytes = sqlite3_column_text(statement_, column);
    const int size = sqlite3_column_bytes(statement_, column);
    return bytes ? std::string(reinterpret_cast<const char*>(bytes), size_t(size)) : std::string();
}

std::string SqliteQuery::blob(int column) const {
    const auto* bytes = static_cast<const char*>(sqlite3_column_blob(statement_, column));
    const int size = sqlite3_column_bytes(statement_, column);
    return bytes ? std::string(bytes, size_t(size)) : std::string();
}

SqliteTransaction::SqliteTransaction(SqliteConnection& connection) : connection_(connection) {
    connection_.execute("BEGIN IMMEDIATE");
}

SqliteTransaction::~SqliteTransaction() {
    if (open_) {
        sqlite3_exec(connection_.get(), "ROLLBACK", nullptr, nullptr, nullptr);
    }
}

void SqliteTransaction::commit() {
    connection_.execute("COMMIT");
    open_ = false;
}
