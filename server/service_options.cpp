// The service's command line: --address, --port and --db.
#include "server/service_options.h"

#include <charconv>
#include <string_view>

const char* const service_usage =
    "usage: trivelle-results [--address ADDRESS] [--port N] [--db FILE]\n"
    "  --address  the address to listen on (default 127.0.0.1)\n"
    "  --port     the port (default 8080; 0 takes any free port)\n"
    "  --db       the SQLite file of results (default trivelle-results.sqlite here)\n"
    "Each option may also be written --option=VALUE.\n";

std::optional<ServiceOptions> parse_service_options(int argc, const char* const* argv,
                                                    std::string& error) {
    ServiceOptions options;
    for (int i = 1; i < argc; ++i) {
        std::string_view argument = argv[i];
        if (argument == "--help" || argument == "-h") {
            options.help = true;
            continue;
        }
        std::string_view name = argument;
        std::optional<std::string_view> value;
        if (const size_t equals = argument.find('='); equals != std::string_view::npos) {
            name = argument.substr(0, equals);
            value = argument.substr(equals + 1);
        } else if (i + 1 < argc) {
            value = argv[i + 1];
        }
        if (name != "--address" && name != "--port" && name != "--db") {
            error = "unknown option " + std::string(argument);
            return std::nullopt;
        }
        if (!value) {
            error = std::string(name) + " needs a value";
            return std::nullopt;
        }
        if (name == argument) {
            ++i; // the value was the next argument
        }
        if (name == "--address") {
            options.address = *value;
        } else if (name == "--db") {
            options.db = *value;
        } else {
            int port = -1;
            const auto [end, failure] =
                std::from_chars(value->data(), value->data() + value->size(), port);
            if (failure != std::errc() || end != value->data() + value->size() || port < 0 ||
                port > 65535) {
                error = "--port takes a number from 0 to 65535, not '" + std::string(*value) + "'";
                return std::nullopt;
            }
            options.port = port;
        }
        if (options.address.empty() || options.db.empty()) {
            error = std::string(name) + " needs a value";
            return std::nullopt;
        }
    }
    return options;
}
