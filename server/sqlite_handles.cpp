// SQLite's connection and prepared statement as owned handles; failures throw SqliteError.
#include "server/sqlite_handles.h"

#include <sqlite3.h>

#include <algorithm>
#include <new>
#include <string>

namespace {

[[noreturn]] void fail(sqlite3* db, const std::string& doing, int code) {
    throw SqliteError(doing + ": " + (db ? sqlite3_errmsg(db) : sqlite3_errstr(code)), code & 0xFF);
}

void check(sqlite3* db, int code, const char* doing) {
    if (code != SQLITE_OK) {
        fail(db, doing, code);
    }
}

// A VFS over the system's own that gathers the writes to a WAL file and makes them in one
// write when SQLite next syncs, reads or measures that file: a commit then costs one system
// call and one pass over the page cache instead of two small writes for each of its pages.
// Nothing is lost by it: SQLite syncs the WAL before a commit counts (synchronous = FULL), and
// only then does any connection, this one or another, read the frames a commit wrote.
namespace gathered {

constexpr const char* name = "trivelle-gathered-wal";
constexpr size_t most_gathered = size_t(4) << 20;

struct File {
    sqlite3_file base; // its methods: ours
    sqlite3_file* real;
    std::string* pending; // the gathered bytes, to be written at start
    sqlite3_int64 start;
};

sqlite3_vfs* system_vfs = nullptr;

// The system VFS writes at most 128 KiB less a byte in one call (it masks larger sizes), so
// the gathered bytes go in pieces of 64 KiB.
constexpr size_t most_in_one_write = size_t(64) << 10;

int flush(File* f) {
    int code = SQLITE_OK;
    for (size_t done = 0; done < f->pending->size() && code == SQLITE_OK;
         done += most_in_one_write) {
        const size_t size = std::min(most_in_one_write, f->pending->size() - done);
        code = f->real->pMethods->xWrite(f->real, f->pending->data() + done, int(size),
                                         f->start + sqlite3_int64(done));
    }
    f->pending->clear();
    return code;
}

File* of(sqlite3_file* file) { return reinterpret_cast<File*>(file); }

int close(sqlite3_file* file) {
    File* f = of(file);
    const int flushed = flush(f);
    const int closed = f->real->pMethods->xClose(f->real);
    delete f->pending;
    return flushed != SQLITE_OK ? flushed : closed;
}

int read(sqlite3_file* file, void* data, int size, sqlite3_int64 offset) {
    File* f = of(file);
    const int code = flush(f);
    return code != SQLITE_OK ? code : f->real->pMethods->xRead(f->real, data, size, offset);
}

int write(sqlite3_file* file, const void* data, int size, sqlite3_int64 offset) {
    File* f = of(file);
    if (!f->pending->empty() && (offset != f->start + sqlite3_int64(f->pending->size()) ||
                                 f->pending->size() + size_t(size) > most_gathered)) {
        if (const int code = flush(f); code != SQLITE_OK) {
            return code;
        }
    }
    if (f->pending->empty()) {
        f->start = offset;
    }
    try {
        f->pending->append(static_cast<const char*>(data), size_t(size));
    } catch (const std::bad_alloc&) {
        return SQLITE_NOMEM;
    }
    return SQLITE_OK;
}

int truncate(sqlite3_file* file, sqlite3_int64 size) {
    File* f = of(file);
    const int code = flush(f);
    return code != SQLITE_OK ? code : f->real->pMethods->xTruncate(f->real, size);
}

int sync(sqlite3_file* file, int flags) {
    File* f = of(file);
    const int code = flush(f);
    return code != SQLITE_OK ? code : f->real->pMethods->xSync(f->real, flags);
}

int file_size(sqlite3_file* file, sqlite3_int64* size) {
    File* f = of(file);
    const int code = flush(f);
    return code != SQLITE_OK ? code : f->real->pMethods->xFileSize(f->real, size);
}

int lock(sqlite3_file* file, int level) {
    return of(file)->real->pMethods->xLock(of(file)->real, level);
}
int unlock(sqlite3_file* file, int level) {
    return of(file)->real->pMethods->xUnlock(of(file)->real, level);
}
int check_reserved_lock(sqlite3_file* file, int* out) {
    return of(file)->real->pMethods->xCheckReservedLock(of(file)->real, out);
}
int file_control(sqlite3_file* file, int op, void* argument) {
    return of(file)->real->pMethods->xFileControl(of(file)->real, op, argument);
}
int sector_size(sqlite3_file* file) {
    return of(file)->real->pMethods->xSectorSize(of(file)->real);
}
int device_characteristics(sqlite3_file* file) {
    return of(file)->real->pMethods->xDeviceCharacteristics(of(file)->real);
}
int shm_map(sqlite3_file* file, int page, int page_size, int extend, void volatile** out) {
    return of(file)->real->pMethods->xShmMap(of(file)->real, page, page_size, extend, out);
}
int shm_lock(sqlite3_file* file, int offset, int n, int flags) {
    return of(file)->real->pMethods->xShmLock(of(file)->real, offset, n, flags);
}
void shm_barrier(sqlite3_file* file) { of(file)->real->pMethods->xShmBarrier(of(file)->real); }
int shm_unmap(sqlite3_file* file, int delete_flag) {
    return of(file)->real->pMethods->xShmUnmap(of(file)->real, delete_flag);
}
int fetch(sqlite3_file* file, sqlite3_int64 offset, int size, void** out) {
    File* f = of(file);
    const int code = flush(f);
    return code != SQLITE_OK ? code : f->real->pMethods->xFetch(f->real, offset, size, out);
}
int unfetch(sqlite3_file* file, sqlite3_int64 offset, void* pointer) {
    return of(file)->real->pMethods->xUnfetch(of(file)->real, offset, pointer);
}

const sqlite3_io_methods methods = {3,
                                    close,
                                    read,
                                    write,
                                    truncate,
                                    sync,
                                    file_size,
                                    lock,
                                    unlock,
                                    check_reserved_lock,
                                    file_control,
                                    sector_size,
                                    device_characteristics,
                                    shm_map,
                                    shm_lock,
                                    shm_barrier,
                                    shm_unmap,
                                    fetch,
                                    unfetch};

// Every file but a WAL is the system's own, in place; a WAL's real file follows ours.
int open(sqlite3_vfs* vfs, sqlite3_filename name, sqlite3_file* file, int flags, int* out_flags) {
    if ((flags & SQLITE_OPEN_WAL) == 0) {
        return system_vfs->xOpen(system_vfs, name, file, flags, out_flags);
    }
    (void)vfs;
    File* f = of(file);
    f->real = reinterpret_cast<sqlite3_file*>(reinterpret_cast<char*>(file) + sizeof(File));
    f->base.pMethods = nullptr;
    const int code = system_vfs->xOpen(system_vfs, name, f->real, flags, out_flags);
    if (code != SQLITE_OK) {
        return code;
    }
    if (f->real->pMethods == nullptr || f->real->pMethods->iVersion < 3) {
        if (f->real->pMethods != nullptr) {
            f->real->pMethods->xClose(f->real);
        }
        return SQLITE_CANTOPEN;
    }
    f->pending = new (std::nothrow) std::string();
    if (f->pending == nullptr) {
        f->real->pMethods->xClose(f->real);
        return SQLITE_NOMEM;
    }
    f->start = 0;
    f->base.pMethods = &methods;
    return SQLITE_OK;
}

sqlite3_vfs vfs{};

// Registered once, beside the system's VFS, never as the default.
const char* registered() {
    static const char* const done = [] {
        system_vfs = sqlite3_vfs_find(nullptr);
        vfs = *system_vfs;
        vfs.szOsFile = int(sizeof(File)) + system_vfs->szOsFile;
        vfs.zName = name;
        vfs.pNext = nullptr;
        vfs.xOpen = open;
        sqlite3_vfs_register(&vfs, 0);
        return name;
    }();
    return done;
}

} // namespace gathered

} // namespace

SqliteConnection::SqliteConnection(const std::string& path, WalWrites wal_writes) {
    sqlite3* db = nullptr;
    const int code = sqlite3_open_v2(
        path.c_str(), &db,
        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_EXRESCODE,
        wal_writes == WalWrites::gathered ? gathered::registered() : nullptr);
    handle_.reset(db); // sqlite3_open_v2 may give a handle even when it fails
    check(db, code, ("opening " + path).c_str());
    if (wal_writes == WalWrites::gathered) {
        // Gathered frames reach the file at the commit's sync; without it another connection
        // would read frames not yet written.
        execute("PRAGMA synchronous = FULL");
    }
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
