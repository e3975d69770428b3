// The service's command line: where it listens, its database, and the bounds of what clients
// may make it spend.
#pragma once

#include "server/http/http_server.h"
#include "server/site/result_rate_limit.h"
#include "server/store/results_store.h"

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

struct ServiceOptions {
    std::string address = "127.0.0.1";
    int port = 8080; // 0: any free port, printed once listening
    std::string db = "trivelle-results.sqlite";
    int threads = 2;
    HttpLimits limits;
    // How long a result may wait for the database's write lock, and how many may wait.
    std::chrono::milliseconds lock_wait{2000};
    size_t max_pending = 4096;
    // Threads that read class pages and /records, and the reads that may wait for them. One
    // by default: on a small server a crowd reading deep pages then takes one core at most,
    // and result links, which read on the serving threads, and the fixed pages keep the rest.
    // 256 waiting reads hold a few KiB; a crowd beyond them is refused at once.
    size_t page_readers = 1;
    size_t max_waiting_pages = 256;
    // Results a minute from one client (an IPv4 address or an IPv6 /64), one network and the
    // whole service, and how many clients and networks are remembered for them.
    ResultAllowances result_allowances;
    // The store's size beyond which results are refused.
    int64_t max_db_bytes = StoreLimits{}.max_bytes;
    // Front servers whose forwarding headers name the client.
    std::vector<boost::asio::ip::address> trusted_proxies;
    bool access_log = true;
    // Log lines waiting for standard output to take them; beyond it lines are dropped and
    // counted. A MiB holds some 12,000 lines of 85 bytes, seconds of the busiest load.
    size_t access_log_buffer = size_t(1) << 20;
    // PostgreSQL: the connections to the database, and how long any answer from it may take.
    size_t db_connections = 4;
    std::chrono::milliseconds db_timeout{10000};
    bool help = false;
};

// The options, or none with the reason in error.
std::optional<ServiceOptions> parse_service_options(int argc, const char* const* argv,
                                                    std::string& error);

extern const char* const service_usage;
