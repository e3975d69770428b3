// The service's command line: where it listens, its database, and the bounds of what clients
// may make it spend.
#include "server/service_options.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <functional>
#include <string_view>
#include <type_traits>

namespace {

// How one option takes its value into the options, and shows its default in the usage.
struct OptionValue {
    // False with the reason in error.
    std::function<bool(ServiceOptions&, std::string_view name, std::string_view value,
                       std::string& error)>
        take;
    std::function<std::string(const ServiceOptions&)> shown;
};

// One row of the command line: the option, the name of its value in the usage, what it is
// for with {} where its default stands, and a heading when it begins a group.
struct OptionRow {
    std::string_view name;
    std::string_view value_name;
    std::string_view help;
    OptionValue value;
    std::string_view heading = {};
};

// Reaches a member of the options, or a member of a group of them, const or not.
template <typename Field> auto member(Field ServiceOptions::*field) {
    return [field](auto& options) -> auto& { return options.*field; };
}

template <typename Group, typename Field>
auto member(Group ServiceOptions::*group, Field Group::*field) {
    return [ group, field ](auto& options) -> auto& { return (options.*group).*field; };
}

// A whole decimal number from low to high, or none.
std::optional<int64_t> number_in(std::string_view text, int64_t low, int64_t high) {
    int64_t value = 0;
    const auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (failure != std::errc() || end != text.data() + text.size() || value < low || value > high) {
        return std::nullopt;
    }
    return value;
}

std::string decimal(int64_t number) { return std::to_string(number); }

// A size in bytes, with its GiB or MiB when it is a whole number of them.
std::string bytes(int64_t number) {
    constexpr int64_t mib = int64_t(1) << 20, gib = int64_t(1) << 30;
    if (number > 0 && number % gib == 0) {
        return std::to_string(number) + ", " + std::to_string(number / gib) + " GiB";
    }
    if (number > 0 && number % mib == 0) {
        return std::to_string(number) + ", " + std::to_string(number / mib) + " MiB";
    }
    return std::to_string(number);
}

// A count or a duration, from low to high.
template <typename Access>
OptionValue number(int64_t low, int64_t high, Access access,
                   std::string (*show)(int64_t) = decimal) {
    return {[=](ServiceOptions& options, std::string_view name, std::string_view value,
                std::string& error) {
                const std::optional<int64_t> number = number_in(value, low, high);
                if (!number) {
                    error = std::string(name) + " takes a number from " + std::to_string(low) +
                            " to " + std::to_string(high) + ", not '" + std::string(value) + "'";
                    return false;
                }
                auto& field = access(options);
                field = std::remove_reference_t<decltype(field)>(*number);
                return true;
            },
            [=](const ServiceOptions& options) {
                const auto& field = access(options);
                if constexpr (requires { field.count(); }) {
                    return show(int64_t(field.count()));
                } else {
                    return show(int64_t(field));
                }
            }};
}

// Any text but none.
template <typename Access> OptionValue text(Access access) {
    return {[=](ServiceOptions& options, std::string_view name, std::string_view value,
                std::string& error) {
                if (value.empty()) {
                    error = std::string(name) + " needs a value";
                    return false;
                }
                access(options) = value;
                return true;
            },
            [=](const ServiceOptions& options) { return std::string(access(options)); }};
}

template <typename Access> OptionValue on_off(Access access) {
    return {
        [=](ServiceOptions& options, std::string_view name, std::string_view value,
            std::string& error) {
            if (value != "on" && value != "off") {
                error = std::string(name) + " takes on or off, not '" + std::string(value) + "'";
                return false;
            }
            access(options) = value == "on";
            return true;
        },
        [=](const ServiceOptions& options) { return std::string(access(options) ? "on" : "off"); }};
}

// A file's path, or none when the option is not given.
template <typename Access> OptionValue optional_file(Access access) {
    OptionValue value = text(access);
    value.shown = [=](const ServiceOptions& options) {
        const std::string& path = access(options);
        return path.empty() ? std::string("none") : path;
    };
    return value;
}

// IP addresses, separated by commas; each time the option is given adds to them.
template <typename Access> OptionValue addresses(Access access) {
    return {[=](ServiceOptions& options, std::string_view name, std::string_view value,
                std::string& error) {
                for (size_t start = 0; start <= value.size();) {
                    const size_t comma = std::min(value.find(',', start), value.size());
                    const std::string_view entry = value.substr(start, comma - start);
                    boost::system::error_code failure;
                    const boost::asio::ip::address address =
                        boost::asio::ip::make_address(entry, failure);
                    if (failure) {
                        error = std::string(name) + " takes IP addresses, not '" +
                                std::string(entry) + "'";
                        return false;
                    }
                    access(options).push_back(unmapped(address));
                    start = comma + 1;
                }
                return true;
            },
            [=](const ServiceOptions& options) {
                std::string shown;
                for (const boost::asio::ip::address& address : access(options)) {
                    // Appended piecewise: GCC 12 warns falsely about "literal" + string
                    // (-Wrestrict).
                    shown += shown.empty() ? "" : ",";
                    shown += address.to_string();
                }
                return shown.empty() ? std::string("none") : shown;
            }};
}

using O = ServiceOptions;

const std::vector<OptionRow>& option_rows() {
    static const std::vector<OptionRow> rows = {
        {"--address", "ADDRESS", "the address to listen on (default {})",
         text(member(&O::address))},
        {"--port", "N", "the port (default {}; 0 takes any free port)",
         number(0, 65535, member(&O::port))},
        {"--db", "FILE|URI",
         "the SQLite file of results (default {} here), or a postgresql:// URI of a PostgreSQL "
         "database",
         text(member(&O::db))},
        {"--threads", "N", "threads serving connections (default {})",
         number(1, 256, member(&O::threads))},
        {"--download", "FILE",
         "the program's file (the release zip) offered at /download, read once at the start "
         "(default {})",
         optional_file(member(&O::download))},
        {"--max-connections", "N",
         "open connections in all (default {}); beyond a bound the one idle longest within it "
         "is closed",
         number(1, 1000000, member(&O::limits, &HttpLimits::max_connections)),
         "Bounds on what clients may make the service spend:"},
        {"--max-connections-per-address", "N", "open connections from one address (default {})",
         number(1, 1000000, member(&O::limits, &HttpLimits::max_connections_per_address))},
        {"--max-connections-per-network", "N",
         "open connections from one IPv4 /24 or IPv6 /48 (default {})",
         number(1, 1000000, member(&O::limits, &HttpLimits::max_connections_per_network))},
        {"--max-request-bytes", "N", "request line and headers (default {})",
         number(1024, 1 << 20, member(&O::limits, &HttpLimits::max_request_bytes))},
        {"--max-headers", "N", "header fields of a request (default {})",
         number(1, 10000, member(&O::limits, &HttpLimits::max_headers))},
        {"--request-timeout", "SECONDS",
         "to send a request's headers, and to take its answer (default {})",
         number(1, 3600, member(&O::limits, &HttpLimits::request_timeout))},
        {"--idle-timeout", "SECONDS", "a kept-alive connection between requests (default {})",
         number(1, 3600, member(&O::limits, &HttpLimits::idle_timeout))},
        {"--lock-wait", "MS", "a result waiting for the database's write lock (default {})",
         number(0, 600000, member(&O::store_limits, &StoreLimits::lock_wait))},
        {"--max-pending", "N", "results waiting to be written (default {})",
         number(1, 1000000, member(&O::store_limits, &StoreLimits::max_pending))},
        {"--page-readers", "N",
         "threads reading class pages and /records from the store (default {}); fewer than the "
         "readers of --db-connections, so that results find one free",
         number(1, 256, member(&O::page_readers))},
        {"--max-waiting-pages", "N",
         "page reads waiting for a page reader (default {}); beyond it 503",
         number(1, 1000000, member(&O::max_waiting_pages))},
        {"--results-per-minute", "N",
         "results from one client address, or IPv6 /64, a minute (default {}); beyond it 429",
         number(1, 1000000, member(&O::result_allowances, &ResultAllowances::per_client))},
        {"--network-results-per-minute", "N",
         "results from one network, IPv4 /24 or IPv6 /48, a minute (default {}); beyond it 429",
         number(1, 1000000, member(&O::result_allowances, &ResultAllowances::per_network))},
        {"--service-results-per-minute", "N",
         "results from all clients together a minute (default {}); beyond it 429",
         number(1, 1000000, member(&O::result_allowances, &ResultAllowances::per_service))},
        {"--max-tracked-addresses", "N",
         "clients, and networks, remembered for these limits (default {} of each); only one "
         "whose allowance is whole again is forgotten, and newcomers that find no room share "
         "one client's allowance",
         number(1, 10000000, member(&O::result_allowances, &ResultAllowances::max_tracked))},
        {"--max-body-bytes", "N", "the body of a browser test's request (default {})",
         number(64, 1 << 20, member(&O::limits, &HttpLimits::max_body_bytes)),
         "The browser test at /play:"},
        {"--referees", "N", "threads playing the browser test's requests (default {})",
         number(1, 256, member(&O::referees))},
        {"--max-waiting-moves", "N",
         "browser test requests waiting for a referee thread (default {}); beyond it 503",
         number(1, 1000000, member(&O::max_waiting_moves))},
        {"--tests-per-address", "N",
         "running tests started from one client address, or IPv6 /64 (default {}); beyond it "
         "429",
         number(1, 1000000, member(&O::play_limits, &PlayLimits::tests_per_address))},
        {"--running-tests", "N",
         "running tests in all, of every service sharing the store (default {}); beyond it 503",
         number(1, 100000000, member(&O::play_limits, &PlayLimits::tests_in_all))},
        {"--test-idle-timeout", "SECONDS",
         "a running test without a request; then it is gone (default {})",
         number(1, int64_t(30) * 86400, member(&O::play_limits, &PlayLimits::idle_test))},
        {"--moves-per-second", "N", "one test's moves and skips a second (default {})",
         number(1, 1000000, member(&O::play_limits, &PlayLimits::moves_per_second))},
        {"--move-burst", "N", "one test's moves and skips at once, above that pace (default {})",
         number(1, 1000000, member(&O::play_limits, &PlayLimits::move_burst))},
        {"--max-db-bytes", "N",
         "the store's size beyond which results are refused with 507 (default {})",
         number(4096, int64_t(1) << 50, member(&O::store_limits, &StoreLimits::max_db_bytes),
                bytes)},
        {"--trusted-proxy", "ADDRESS[,...]",
         "a front server whose X-Forwarded-For (its rightmost entry) or X-Real-IP names the "
         "client; may be repeated (default {}: the headers are ignored)",
         addresses(member(&O::trusted_proxies)), "Behind a front server:"},
        {"--access-log", "on|off",
         "one line per request on standard output: time, client, method, path without the "
         "query, status, bytes, duration (default {})",
         on_off(member(&O::access_log))},
        {"--access-log-buffer", "BYTES",
         "log lines waiting for standard output; beyond it lines are dropped and counted "
         "(default {})",
         number(4096, int64_t(1) << 30, member(&O::access_log_buffer), bytes)},
        {"--db-connections", "N",
         "connections to the store: one writes, the rest read (default {})",
         number(2, 1000, member(&O::store_limits, &StoreLimits::db_connections))},
        {"--db-timeout", "MS", "PostgreSQL: any answer from the database (default {})",
         number(100, 600000, member(&O::store_limits, &StoreLimits::db_timeout))},
    };
    return rows;
}

// The usage's lines are at most this wide; help starts in one column after the widest option.
constexpr size_t usage_width = 88;
// Joins two words of the usage that no line may break between.
constexpr char tie = '\x1f';

// Text broken at blanks into lines of at most width, each after indent.
std::string wrapped(std::string_view text, size_t width, const std::string& indent) {
    std::string lines;
    std::string line;
    for (size_t start = 0; start < text.size();) {
        const size_t blank = std::min(text.find(' ', start), text.size());
        const std::string_view word = text.substr(start, blank - start);
        if (!line.empty() && line.size() + 1 + word.size() > width) {
            lines += indent + line + "\n";
            line.clear();
        }
        line += line.empty() ? "" : " "; // piecewise, as above
        line += word;
        start = blank + 1;
    }
    return lines + indent + line + "\n";
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
        const std::vector<OptionRow>& rows = option_rows();
        const auto row = std::find_if(rows.begin(), rows.end(),
                                      [name](const OptionRow& row) { return row.name == name; });
        if (row == rows.end()) {
            error = "unknown option " + std::string(name);
            return std::nullopt;
        }
        if (!row->value.take(options, name, *value, error)) {
            return std::nullopt;
        }
    }
    return options;
}

std::string service_usage() {
    const ServiceOptions defaults;
    size_t column = 0;
    for (const OptionRow& row : option_rows()) {
        column = std::max(column, 2 + row.name.size() + 1 + row.value_name.size() + 2);
    }
    std::string usage = "usage: trivelle-results [OPTION VALUE]...\n";
    for (const OptionRow& row : option_rows()) {
        if (!row.heading.empty()) {
            usage += std::string(row.heading) + "\n";
        }
        // The default stays on one line with the word before it: "(default 2147483648, 2 GiB)".
        std::string shown = row.value.shown(defaults);
        std::replace(shown.begin(), shown.end(), ' ', tie);
        std::string help(row.help);
        const size_t mark = help.find("{}");
        help.replace(mark, 2, shown);
        if (mark > 0 && help[mark - 1] == ' ') {
            help[mark - 1] = tie;
        }
        std::string lines = wrapped(help, usage_width - column, std::string(column, ' '));
        std::replace(lines.begin(), lines.end(), tie, ' ');
        const std::string option = "  " + std::string(row.name) + " " + std::string(row.value_name);
        lines.replace(0, option.size(), option);
        usage += lines;
    }
    return usage + "Each option may also be written --option=VALUE.\n";
}
