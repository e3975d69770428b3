// The service's command line: where it listens, its database, and the bounds of what clients
// may make it spend.
#pragma once

#include "server/http/http_server.h"
#include "server/play/referee_desk.h"
#include "server/site/result_rate_limit.h"
#include "server/store/results_store.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

// Every default is a member's initialiser here or in the limits it embeds; the usage text
// shows them from there.
struct ServiceOptions {
    std::string address = "127.0.0.1";
    int port = 8080; // 0: any free port, printed once listening
    std::string db = "trivelle-results.sqlite";
    int threads = 2;
    // The program's file offered at /download (the release zip); empty: none is offered.
    std::string download;
    HttpLimits limits;
    // How long a result may wait for the database, how many may wait, the connections to it
    // and the size beyond which results are refused.
    StoreLimits store_limits;
    // Threads that read class pages and /records, and the reads that may wait for them. One
    // by default: on a small server a crowd reading deep pages then takes one core at most,
    // and result links, which read on the serving threads, and the fixed pages keep the rest.
    // 256 waiting reads hold a few KiB; a crowd beyond them is refused at once.
    size_t page_readers = 1;
    size_t max_waiting_pages = 256;
    // Results a minute from one client (an IPv4 address or an IPv6 /64), one network and the
    // whole service, and how many clients and networks are remembered for them.
    ResultAllowances result_allowances;
    // The browser test: the threads its requests are played on, the requests that may wait for
    // them, and the running tests' bounds. Two threads: a move is a few store round trips, so
    // that one waits for the store while the other plays; 256 waiting moves hold a few KiB.
    size_t referees = 2;
    size_t max_waiting_moves = 256;
    PlayLimits play_limits;
    // Front servers whose forwarding headers name the client.
    std::vector<boost::asio::ip::address> trusted_proxies;
    bool access_log = true;
    // Log lines waiting for standard output to take them; beyond it lines are dropped and
    // counted. A MiB holds some 12,000 lines of 85 bytes, seconds of the busiest load.
    size_t access_log_buffer = size_t(1) << 20;
    bool help = false;
};

// The options, or none with the reason in error.
std::optional<ServiceOptions> parse_service_options(int argc, const char* const* argv,
                                                    std::string& error);

// What --help prints: every option with its value, its default and what it bounds.
std::string service_usage();
