// The service's command line: --address, --port and --db.
#pragma once

#include <optional>
#include <string>

struct ServiceOptions {
    std::string address = "127.0.0.1";
    int port = 8080; // 0: any free port, printed once listening
    std::string db = "trivelle-results.sqlite";
    bool help = false;
};

// The options, or none with the reason in error.
std::optional<ServiceOptions> parse_service_options(int argc, const char* const* argv,
                                                    std::string& error);

extern const char* const service_usage;
