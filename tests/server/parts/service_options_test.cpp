// The service's command line.
#include "server/service_options.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::optional<ServiceOptions> parse(std::vector<const char*> arguments, std::string& error) {
    arguments.insert(arguments.begin(), "trivelle-results");
    return parse_service_options(int(arguments.size()), arguments.data(), error);
}

TEST(ServiceOptions, DefaultsAndBothSpellingsOfEachOption) {
    std::string error;
    const auto defaults = parse({}, error);
    ASSERT_TRUE(defaults);
    EXPECT_EQ(defaults->address, "127.0.0.1");
    EXPECT_EQ(defaults->port, 8080);
    EXPECT_EQ(defaults->db, "trivelle-results.sqlite");
    EXPECT_EQ(defaults->download, "") << "no program is offered unless asked";

    for (const auto& arguments :
         {std::vector<const char*>{"--address", "0.0.0.0", "--port", "0", "--db", "/srv/r.sqlite",
                                   "--download", "dist/t-1.0-win32.zip"},
          std::vector<const char*>{"--address=0.0.0.0", "--port=0", "--db=/srv/r.sqlite",
                                   "--download=dist/t-1.0-win32.zip"}}) {
        const auto options = parse(arguments, error);
        ASSERT_TRUE(options) << error;
        EXPECT_EQ(options->address, "0.0.0.0");
        EXPECT_EQ(options->port, 0);
        EXPECT_EQ(options->db, "/srv/r.sqlite");
        EXPECT_EQ(options->download, "dist/t-1.0-win32.zip");
    }
    EXPECT_EQ(parse({"--port", "65535"}, error)->port, 65535);
}

TEST(ServiceOptions, BoundsHaveSafeDefaultsAndTakeTheirOwnValues) {
    std::string error;
    const auto defaults = parse({}, error);
    ASSERT_TRUE(defaults);
    EXPECT_EQ(defaults->limits.max_connections, 4096u);
    EXPECT_EQ(defaults->limits.max_connections_per_address, 32u);
    EXPECT_EQ(defaults->limits.max_connections_per_network, 64u);
    EXPECT_EQ(defaults->limits.max_request_bytes, 8192u);
    EXPECT_EQ(defaults->limits.max_headers, 64u);
    EXPECT_EQ(defaults->limits.request_timeout, std::chrono::seconds(10));
    EXPECT_EQ(defaults->limits.idle_timeout, std::chrono::seconds(5));
    EXPECT_EQ(defaults->store_limits.lock_wait, std::chrono::milliseconds(2000));
    EXPECT_EQ(defaults->store_limits.max_pending, 4096u);
    EXPECT_EQ(defaults->store_limits.db_connections, 4u);
    EXPECT_EQ(defaults->store_limits.db_timeout, std::chrono::milliseconds(10000));
    EXPECT_EQ(defaults->result_allowances.per_client, 30u);
    EXPECT_EQ(defaults->result_allowances.per_network, 120u);
    EXPECT_EQ(defaults->result_allowances.per_service, 600u);
    EXPECT_EQ(defaults->result_allowances.max_tracked, 16384u);
    EXPECT_EQ(defaults->store_limits.max_db_bytes, int64_t(2147483648));
    EXPECT_TRUE(defaults->trusted_proxies.empty()) << "no header is believed unless asked";
    EXPECT_TRUE(defaults->access_log);
    EXPECT_EQ(defaults->access_log_buffer, 1048576u);

    const auto options = parse({"--threads=3",
                                "--max-connections",
                                "10",
                                "--max-connections-per-address=2",
                                "--max-connections-per-network",
                                "3",
                                "--max-request-bytes",
                                "1024",
                                "--max-headers",
                                "5",
                                "--request-timeout=7",
                                "--idle-timeout",
                                "1",
                                "--lock-wait",
                                "0",
                                "--max-pending",
                                "9",
                                "--results-per-minute=5",
                                "--network-results-per-minute",
                                "11",
                                "--service-results-per-minute=13",
                                "--max-tracked-addresses",
                                "7",
                                "--max-db-bytes=4096",
                                "--access-log=off",
                                "--access-log-buffer=4096",
                                "--trusted-proxy",
                                "127.0.0.1",
                                "--trusted-proxy=::1,::ffff:10.0.0.2",
                                "--db-connections=2",
                                "--db-timeout",
                                "100"},
                               error);
    ASSERT_TRUE(options) << error;
    EXPECT_EQ(options->threads, 3);
    EXPECT_EQ(options->limits.max_connections, 10u);
    EXPECT_EQ(options->limits.max_connections_per_address, 2u);
    EXPECT_EQ(options->limits.max_connections_per_network, 3u);
    EXPECT_EQ(options->limits.max_request_bytes, 1024u);
    EXPECT_EQ(options->limits.max_headers, 5u);
    EXPECT_EQ(options->limits.request_timeout, std::chrono::seconds(7));
    EXPECT_EQ(options->limits.idle_timeout, std::chrono::seconds(1));
    EXPECT_EQ(options->store_limits.lock_wait, std::chrono::milliseconds(0));
    EXPECT_EQ(options->store_limits.max_pending, 9u);
    EXPECT_EQ(options->result_allowances.per_client, 5u);
    EXPECT_EQ(options->result_allowances.per_network, 11u);
    EXPECT_EQ(options->result_allowances.per_service, 13u);
    EXPECT_EQ(options->result_allowances.max_tracked, 7u);
    EXPECT_EQ(options->store_limits.max_db_bytes, 4096);
    EXPECT_FALSE(options->access_log);
    EXPECT_EQ(options->access_log_buffer, 4096u);
    const std::vector<boost::asio::ip::address> proxies = {
        boost::asio::ip::make_address("127.0.0.1"), boost::asio::ip::make_address("::1"),
        boost::asio::ip::make_address("10.0.0.2")};
    EXPECT_EQ(options->trusted_proxies, proxies);
    EXPECT_EQ(options->store_limits.db_connections, 2u);
    EXPECT_EQ(options->store_limits.db_timeout, std::chrono::milliseconds(100));
}

TEST(ServiceOptions, RefusesWhatItCannotUse) {
    const std::vector<const char*> cases[] = {
        {"--port", "65536"},
        {"--port", "-1"},
        {"--port", "80x"},
        {"--port", ""},
        {"--port"},
        {"--db"},
        {"--db="},
        {"--address="},
        {"--download"},
        {"--download="},
        {"--verbose"},
        {"extra-argument"},
        // A bound of nothing would refuse every client; one too large is no bound.
        {"--threads", "0"},
        {"--max-connections", "0"},
        {"--max-connections-per-network", "0"},
        {"--max-request-bytes", "1023"},
        {"--max-request-bytes", "1048577"},
        {"--request-timeout", "0"},
        {"--idle-timeout", "x"},
        {"--max-headers", "0"},
        {"--lock-wait", "-1"},
        {"--max-pending", "0"},
        {"--results-per-minute", "0"},
        {"--network-results-per-minute", "0"},
        {"--service-results-per-minute", "1000001"},
        {"--max-tracked-addresses", "0"},
        {"--max-db-bytes", "4095"},
        {"--max-db-bytes", "2G"},
        {"--access-log", "yes"},
        // Smaller than the longest line it must hold.
        {"--access-log-buffer", "4095"},
        {"--access-log-buffer", "1073741825"},
        {"--trusted-proxy", "nginx.local"},
        {"--trusted-proxy", "127.0.0.1,"},
        {"--trusted-proxy", "10.0.0.0/8"},
        {"--trusted-proxy="},
        // The writer's connection and one to read with, at the least.
        {"--db-connections", "1"},
        {"--db-connections", "1001"},
        {"--db-timeout", "99"},
    };
    for (const auto& arguments : cases) {
        std::string error;
        EXPECT_FALSE(parse(arguments, error)) << arguments[0];
        EXPECT_FALSE(error.empty()) << arguments[0];
    }
}

TEST(ServiceOptions, TheUsageShowsTheDownloadOffAndWhereItIsOffered) {
    const std::string usage = service_usage();
    const std::string line = "  --download FILE";
    const size_t at = usage.find(line);
    ASSERT_NE(at, std::string::npos) << usage;
    const std::string row = usage.substr(at, usage.find("\n  --", at + 1) - at);
    for (const char* said : {"/download", "(default none)"}) {
        EXPECT_NE(row.find(said), std::string::npos) << said << " in " << row;
    }
}

} // namespace
