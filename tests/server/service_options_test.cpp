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

    for (const auto& arguments :
         {std::vector<const char*>{"--address", "0.0.0.0", "--port", "0", "--db", "/srv/r.sqlite"},
          std::vector<const char*>{"--address=0.0.0.0", "--port=0", "--db=/srv/r.sqlite"}}) {
        const auto options = parse(arguments, error);
        ASSERT_TRUE(options) << error;
        EXPECT_EQ(options->address, "0.0.0.0");
        EXPECT_EQ(options->port, 0);
        EXPECT_EQ(options->db, "/srv/r.sqlite");
    }
    EXPECT_EQ(parse({"--port", "65535"}, error)->port, 65535);
}

TEST(ServiceOptions, RefusesWhatItCannotUse) {
    const std::vector<const char*> cases[] = {
        {"--port", "65536"}, {"--port", "-1"},   {"--port", "80x"}, {"--port", ""},
        {"--port"},          {"--db"},           {"--db="},         {"--address="},
        {"--verbose"},       {"extra-argument"},
    };
    for (const auto& arguments : cases) {
        std::string error;
        EXPECT_FALSE(parse(arguments, error)) << arguments[0];
        EXPECT_FALSE(error.empty()) << arguments[0];
    }
}

} // namespace
