// The service's command line: where it listens, its database, and the bounds of what clients
// may make it spend.
#include "server/service_options.h"

#include <charconv>
#include <cstdint>
#include <string_view>

const char* const service_usage =
    "usage: trivelle-results [OPTION VALUE]...\n"
    "  --address ADDRESS   the address to listen on (default 127.0.0.1)\n"
    "  --port N            the port (default 8080; 0 takes any free port)\n"
    "  --db FILE|URI       the SQLite file of results (default trivelle-results.sqlite here),\n"
    "                      or a postgresql:// URI of a PostgreSQL database\n"
    "  --threads N         threads serving connections (default 2)\n"
    "Bounds on what clients may make the service spend:\n"
    "  --max-connections N              open connections in all (default 4096); beyond\n"
    "                                   a bound the one idle longest within it is closed\n"
    "  --max-connections-per-address N  open connections from one address (default 32)\n"
    "  --max-connections-per-network N  open connections from one IPv4 /24 or IPv6 /48\n"
    "                                   (default 64)\n"
    "  --max-request-bytes N            request line and headers (default 8192)\n"
    "  --max-headers N                  header fields of a request (default 64)\n"
    "  --request-timeout SECONDS        to send a request's headers, and to take its answer\n"
    "                                   (default 10)\n"
    "  --idle-timeout SECONDS           a kept-alive connection between requests (default 5)\n"
    "  --lock-wait MS                   a result waiting for the database's write lock\n"
    "                                   (default 2000)\n"
    "  --max-pending N                  results waiting to be written (default 4096)\n"
    "  --page-readers N                 threads reading class pages and /records from the\n"
    "                                   store (default 1); fewer than the readers of\n"
    "                                   --db-connections, so that results find one free\n"
    "  --max-waiting-pages N            page reads waiting for a page reader (default 256);\n"
    "                                   beyond it 503\n"
    "  --results-per-minute N           results from one client address, or IPv6 /64,\n"
    "                                   a minute (default 30); beyond it 429\n"
    "  --network-results-per-minute N   results from one network, IPv4 /24 or IPv6 /48,\n"
    "                                   a minute (default 120); beyond it 429\n"
    "  --service-results-per-minute N   results from all clients together a minute\n"
    "                                   (default 600); beyond it 429\n"
    "  --max-tracked-addresses N        clients, and networks, remembered for these limits\n"
    "                                   (default 16384 of each); only one whose allowance is\n"
    "                                   whole again is forgotten, and newcomers that find no\n"
    "                                   room share one client's allowance\n"
    "  --max-db-bytes N                 the store's size beyond which results are refused\n"
    "                                   with 507 (default 2147483648, 2 GiB)\n"
    "Behind a front server:\n"
    "  --trusted-proxy ADDRESS[,...]    a front server whose X-Forwarded-For (its rightmost\n"
    "                                   entry) or X-Real-IP names the client; may be repeated\n"
    "                                   (default none: the headers are ignored)\n"
    "  --access-log on|off              one line per request on standard output: time,\n"
    "                                   client, method, path without the query, status,\n"
    "                                   bytes, duration (default on)\n"
    "  --access-log-buffer BYTES        log lines waiting for standard output; beyond it\n"
    "                                   lines are dropped and counted (default 1048576)\n"
    "  --db-connections N               connections to the store: one writes, the rest read\n"
    "                                   (default 4)\n"
    "  --db-timeout MS                  PostgreSQL: any answer from the database (default\n"
    "                                   10000)\n"
    "Each option may also be written --option=VALUE.\n";

namespace {

// A whole decimal number from low to high, or none.
std::optional<int64_t> number_in(std::string_view text, int64_t low, int64_t high) {
    int64_t value = 0;
    const auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (failure != std::errc() || end != text.data() + text.size() || value < low || value > high) {
        return std::nullopt;
    }
    return value;
}

// Sets one option from its value; false with the reason in error.
bool set_option(ServiceOptions& options, std::string_view name, std::string_view value,
                std::string& error) {
    if (name == "--address" || name == "--db") {
        if (value.empty()) {
            error = std::string(name) + " needs a value";
            return false;
        }
        (name == "--address" ? options.address : options.db) = value;
        return true;
    }
    if (name == "--trusted-proxy") {
        // One address or several, separated by commas.
        for (size_t start = 0; start <= value.size();) {
            const size_t comma = std::min(value.find(',', start), value.size());
            const std::string_view entry = value.substr(start, comma - start);
            boost::system::error_code failure;
            const boost::asio::ip::address address = boost::asio::ip::make_address(entry, failure);
            if (failure) {
                error = "--trusted-proxy takes IP addresses, not '" + std::string(entry) + "'";
                return false;
            }
            options.trusted_proxies.push_back(unmapped(address));
            start = comma + 1;
        }
        return true;
    }
    if (name == "--access-log") {
        if (value != "on" && value != "off") {
            error = "--access-log takes on or off, not '" + std::string(value) + "'";
            return false;
        }
        options.access_log = value == "on";
        return true;
    }
    struct Numeric {
        const char* name;
        int64_t low, high;
        void (*set)(ServiceOptions&, int64_t);
    };
    static const Numeric numerics[] = {
        {"--port", 0, 65535, [](ServiceOptions& o, int64_t v) { o.port = int(v); }},
        {"--threads", 1, 256, [](ServiceOptions& o, int64_t v) { o.threads = int(v); }},
        {"--max-connections", 1, 1000000,
         [](ServiceOptions& o, int64_t v) { o.limits.max_connections = size_t(v); }},
        {"--max-connections-per-address", 1, 1000000,
         [](ServiceOptions& o, int64_t v) { o.limits.max_connections_per_address = size_t(v); }},
        {"--max-connections-per-network", 1, 1000000,
         [](ServiceOptions& o, int64_t v) { o.limits.max_connections_per_network = size_t(v); }},
        {"--max-request-bytes", 1024, 1 << 20,
         [](ServiceOptions& o, int64_t v) { o.limits.max_request_bytes = size_t(v); }},
        {"--max-headers", 1, 10000,
         [](ServiceOptions& o, int64_t v) { o.limits.max_headers = size_t(v); }},
        {"--request-timeout", 1, 3600,
         [](ServiceOptions& o, int64_t v) { o.limits.request_timeout = std::chrono::seconds(v); }},
        {"--idle-timeout", 1, 3600,
         [](ServiceOptions& o, int64_t v) { o.limits.idle_timeout = std::chrono::seconds(v); }},
        {"--lock-wait", 0, 600000,
         [](ServiceOptions& o, int64_t v) { o.lock_wait = std::chrono::milliseconds(v); }},
        {"--max-pending", 1, 1000000,
         [](ServiceOptions& o, int64_t v) { o.max_pending = size_t(v); }},
        {"--page-readers", 1, 256,
         [](ServiceOptions& o, int64_t v) { o.page_readers = size_t(v); }},
        {"--max-waiting-pages", 1, 1000000,
         [](ServiceOptions& o, int64_t v) { o.max_waiting_pages = size_t(v); }},
        {"--results-per-minute", 1, 1000000,
         [](ServiceOptions& o, int64_t v) { o.result_allowances.per_client = size_t(v); }},
        {"--network-results-per-minute", 1, 1000000,
         [](ServiceOptions& o, int64_t v) { o.result_allowances.per_network = size_t(v); }},
        {"--service-results-per-minute", 1, 1000000,
         [](ServiceOptions& o, int64_t v) { o.result_allowances.per_service = size_t(v); }},
        {"--max-tracked-addresses", 1, 10000000,
         [](ServiceOptions& o, int64_t v) { o.result_allowances.max_tracked = size_t(v); }},
        {"--max-db-bytes", 4096, int64_t(1) << 50,
         [](ServiceOptions& o, int64_t v) { o.max_db_bytes = v; }},
        {"--access-log-buffer", 4096, int64_t(1) << 30,
         [](ServiceOptions& o, int64_t v) { o.access_log_buffer = size_t(v); }},
        {"--db-connections", 2, 1000,
         [](ServiceOptions& o, int64_t v) { o.db_connections = size_t(v); }},
        {"--db-timeout", 100, 600000,
         [](ServiceOptions& o, int64_t v) { o.db_timeout = std::chrono::milliseconds(v); }},
    };
    for (const Numeric& numeric : numerics) {
        if (name == numeric.name) {
            const std::optional<int64_t> number = number_in(value, numeric.low, numeric.high);
            if (!number) {
                error = std::string(name) + " takes a number from " + std::to_string(numeric.low) +
                        " to " + std::to_string(numeric.high) + ", not '" + std::string(value) +
                        "'";
                return false;
            }
            numeric.set(options, *number);
            return true;
        }
    }
    error = "unknown option " + std::string(name);
    return false;
}

} // namespace

std::optional<ServiceOptions> parse_service_options(int argc, const char* const* argv,
                                                    std::string& error) {
    ServiceOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--help" || argument == "-h") {
            options.help = true;
            continue;
        }
        if (!argument.starts_with("--")) {
            error = "unknown argument " + std::string(argument);
            return std::nullopt;
        }
        std::string_view name = argument;
        std::optional<std::string_view> value;
        if (const size_t equals = argument.find('='); equals != std::string_view::npos) {
            name = argument.substr(0, equals);
            value = argument.substr(equals + 1);
        } else if (i + 1 < argc) {
            value = argv[++i];
        }
        if (!value) {
            error = std::string(name) + " needs a value";
            return std::nullopt;
        }
        if (!set_option(options, name, *value, error)) {
            return std::nullopt;
        }
    }
    return options;
}
