// libpq's connection and result as owned handles: every request waits a bounded time for its
// answer, and failures throw PostgresError with the password left out.
#include "server/store/postgres/postgres_handles.h"

#include <libpq-fe.h>

#include <poll.h>

#include <algorithm>
#include <cstdlib>

namespace {

using Clock = std::chrono::steady_clock;

// The password a URI gives in its user part or its query, as written.
std::vector<std::string> passwords_in(const std::string& uri) {
    std::vector<std::string> passwords;
    const size_t scheme = uri.find("://");
    const size_t authority = scheme == std::string::npos ? 0 : scheme + 3;
    const size_t authority_end = std::min(uri.find('/', authority), uri.find('?', authority));
    const size_t at = uri.rfind('@', authority_end);
    if (at != std::string::npos && at >= authority) {
        const size_t colon = uri.find(':', authority);
        if (colon < at) {
            passwords.push_back(uri.substr(colon + 1, at - colon - 1));
        }
    }
    for (size_t found = uri.find("password="); found != std::string::npos;
         found = uri.find("password=", found + 1)) {
        const size_t value = found + 9;
        passwords.push_back(uri.substr(value, uri.find('&', value) - value));
    }
    if (PQconninfoOption* options = PQconninfoParse(uri.c_str(), nullptr)) {
        for (const PQconninfoOption* option = options; option->keyword; ++option) {
            if (std::string_view(option->keyword) == "password" && option->val) {
                passwords.emplace_back(option->val);
            }
        }
        PQconninfoFree(options);
    }
    std::erase_if(passwords, [](const std::string& password) { return password.empty(); });
    return passwords;
}

// libpq's messages run over several lines; the service's log and its refusal to start take
// one, without the password whatever the message quotes.
std::string one_line(std::string text, const std::string& uri) {
    for (const std::string& password : passwords_in(uri)) {
        for (size_t at = text.find(password); at != std::string::npos;
             at = text.find(password, at)) {
            text.replace(at, password.size(), "***");
        }
    }
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\n' || c == '\t'; }, ' ');
    text.erase(
        std::unique(text.begin(), text.end(), [](char a, char b) { return a == ' ' && b == ' '; }),
        text.end());
    while (!text.empty() && text.back() == ' ') {
        text.pop_back();
    }
    return text;
}

// Waits until the socket is ready for what libpq asks (poll's events), or the deadline passes
// (false).
bool wait_for(pg_conn* connection, short events, Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) {
        return false;
    }
    pollfd ready{PQsocket(connection), events, 0};
    return poll(&ready, 1, int(std::min<int64_t>(left, 60000))) > 0 || Clock::now() < deadline;
}

} // namespace

std::string shown_uri(const std::string& uri) {
    std::string shown = uri;
    for (const std::string& password : passwords_in(uri)) {
        for (size_t at = shown.find(password); at != std::string::npos;
             at = shown.find(password, at)) {
            shown.replace(at, password.size(), "***");
        }
    }
    return shown;
}

void PostgresResult::Clear::operator()(pg_result* result) const { PQclear(result); }

int PostgresResult::rows() const { return handle_ ? PQntuples(handle_.get()) : 0; }

bool PostgresResult::null(int row, int column) const {
    return PQgetisnull(handle_.get(), row, column) != 0;
}

std::string PostgresResult::text(int row, int column) const {
    return std::string(PQgetvalue(handle_.get(), row, column),
                       size_t(PQgetlength(handle_.get(), row, column)));
}

int64_t PostgresResult::integer(int row, int column) const {
    return std::strtoll(PQgetvalue(handle_.get(), row, column), nullptr, 10);
}

int64_t PostgresResult::changed() const {
    return handle_ ? std::strtoll(PQcmdTuples(handle_.get()), nullptr, 10) : 0;
}

void PostgresConnection::Finish::operator()(pg_conn* connection) const { PQfinish(connection); }

PostgresConnection::PostgresConnection(const std::string& uri, std::chrono::milliseconds db_timeout)
    : uri_(uri), db_timeout_(db_timeout) {
    // The URI's own settings come first; the encoding after them, since every text the
    // service stores and shows is UTF-8.
    const char* const keywords[] = {"dbname", "fallback_application_name", "client_encoding",
                                    nullptr};
    const char* const values[] = {uri.c_str(), "trivelle-results", "UTF8", nullptr};
    handle_.reset(PQconnectStartParams(keywords, values, 1));
    if (!handle_) {
        fail("cannot connect: out of memory", "", true);
    }
    // Connected without blocking, so that a server that takes the connection and never
    // answers cannot hold the service past db_timeout.
    const Clock::time_point deadline = Clock::now() + db_timeout_;
    PostgresPollingStatusType state = PGRES_POLLING_WRITING;
    while (PQstatus(handle_.get()) != CONNECTION_BAD && state != PGRES_POLLING_OK &&
           state != PGRES_POLLING_FAILED) {
        if (!wait_for(handle_.get(), state == PGRES_POLLING_WRITING ? POLLOUT : POLLIN, deadline)) {
            fail("cannot connect: no answer within " + std::to_string(db_timeout_.count()) + " ms",
                 "", true);
        }
        state = PQconnectPoll(handle_.get());
    }
    if (PQstatus(handle_.get()) != CONNECTION_OK) {
        fail(std::string("cannot connect: ") + PQerrorMessage(handle_.get()), "", true);
    }
    if (PQsetnonblocking(handle_.get(), 1) != 0) {
        fail("cannot connect: " + std::string(PQerrorMessage(handle_.get())), "", true);
    }
}

bool PostgresConnection::lost() const {
    return !handle_ || PQstatus(handle_.get()) != CONNECTION_OK;
}

void PostgresConnection::fail(const std::string& what, std::string sqlstate, bool connection_lost) {
    if (connection_lost) {
        handle_.reset();
        prepared_.clear();
    }
    throw PostgresError(one_line(what, uri_), std::move(sqlstate), connection_lost);
}

PostgresResult PostgresConnection::await(const std::string& what) {
    pg_conn* connection = handle_.get();
    const Clock::time_point deadline = Clock::now() + db_timeout_;
    PostgresResult last;
    std::string error;
    std::string sqlstate;
    for (;;) {
        const int flushed = PQflush(connection);
        if (flushed < 0) {
            fail(what + ": " + PQerrorMessage(connection), "", true);
        }
        if (flushed == 0 && PQisBusy(connection) == 0) {
            PGresult* result = PQgetResult(connection);
            if (result == nullptr) {
                break;
            }
            const ExecStatusType status = PQresultStatus(result);
            if ((status == PGRES_FATAL_ERROR || status == PGRES_BAD_RESPONSE) && error.empty()) {
                const char* state = PQresultErrorField(result, PG_DIAG_SQLSTATE);
                sqlstate = state ? state : "";
                error = PQresultErrorMessage(result);
            }
            last = PostgresResult(result);
            continue;
        }
        // While libpq still has to send, the server's answer is read too, so that neither
        // side waits for the other to read.
        if (!wait_for(connection, flushed == 1 ? POLLIN | POLLOUT : POLLIN, deadline)) {
            fail(what + ": no answer from PostgreSQL within " +
                     std::to_string(db_timeout_.count()) + " ms",
                 "", true);
        }
        if (PQconsumeInput(connection) == 0) {
            fail(what + ": " + PQerrorMessage(connection), "", true);
        }
    }
    if (!error.empty() || lost()) {
        fail(what + ": " + (error.empty() ? PQerrorMessage(connection) : error), sqlstate, lost());
    }
    return last;
}

PostgresResult PostgresConnection::run(const std::string& sql,
                                       const std::vector<std::string>& parameters) {
    if (lost()) {
        fail("the connection to PostgreSQL was lost", "", true);
    }
    auto found = prepared_.find(sql);
    if (found == prepared_.end()) {
        // Appended, not "literal" + text: GCC 12 warns falsely about the latter (-Wrestrict).
        std::string name = "s";
        name += std::to_string(prepared_.size());
        if (PQsendPrepare(handle_.get(), name.c_str(), sql.c_str(), int(parameters.size()),
                          nullptr) == 0) {
            fail(PQerrorMessage(handle_.get()), "", lost());
        }
        await("preparing a statement");
        found = prepared_.emplace(sql, name).first;
    }
    std::vector<const char*> values;
    values.reserve(parameters.size());
    for (const std::string& parameter : parameters) {
        values.push_back(parameter.c_str());
    }
    if (PQsendQueryPrepared(handle_.get(), found->second.c_str(), int(values.size()), values.data(),
                            nullptr, nullptr, 0) == 0) {
        fail(PQerrorMessage(handle_.get()), "", lost());
    }
    return await("a statement");
}

PostgresResult PostgresConnection::execute(const std::string& sql) {
    if (lost()) {
        fail("the connection to PostgreSQL was lost", "", true);
    }
    if (PQsendQuery(handle_.get(), sql.c_str()) == 0) {
        fail(PQerrorMessage(handle_.get()), "", lost());
    }
    return await("a statement");
}

PostgresTransaction::PostgresTransaction(PostgresConnection& connection, const char* begin)
    : connection_(connection) {
    try {
        connection_.execute(begin);
    } catch (const PostgresError&) {
        // A statement after BEGIN failed (a lock not had in time): the transaction is open,
        // and must not stay open on a connection used again.
        roll_back();
        throw;
    }
}

PostgresTransaction::~PostgresTransaction() {
    if (open_) {
        roll_back();
    }
}

void PostgresTransaction::roll_back() {
    if (!connection_.lost()) {
        try {
            connection_.execute("ROLLBACK");
        } catch (const PostgresError&) {
            // The connection is dropped, and the server rolls back with it.
        }
    }
}

void PostgresTransaction::commit() {
    open_ = false;
    connection_.execute("COMMIT");
}

std::string postgres_array(const std::vector<std::string>& elements) {
    std::string literal = "{";
    for (const std::string& element : elements) {
        if (literal.size() > 1) {
            literal += ',';
        }
        literal += '"';
        for (const char c : element) {
            if (c == '"' || c == '\\') {
                literal += '\\';
            }
            literal += c;
        }
        literal += '"';
    }
    return literal + "}";
}
