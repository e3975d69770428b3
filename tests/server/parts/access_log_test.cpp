// The access log's line: its fields in order, no query, and nothing a client sends able to
// split a line or forge a field.
#include "server/http/access_log.h"

#include <gtest/gtest.h>

namespace {

AccessEntry entry(std::string_view method, std::string_view target) {
    AccessEntry e;
    // 2026-05-01T12:00:00.123Z
    e.at = std::chrono::system_clock::time_point(std::chrono::milliseconds(1777636800123));
    e.client = "203.0.113.7";
    e.method = method;
    e.target = target;
    e.status = 200;
    e.bytes = 5120;
    e.duration = std::chrono::microseconds(412);
    return e;
}

TEST(AccessLog, OneLineOfTheFieldsWithThePathOnly) {
    EXPECT_EQ(access_line(entry("GET", "/cgi-bin/trv-w-ru.pl?0A1B2C3D")),
              "2026-05-01T12:00:00.123Z 203.0.113.7 GET /cgi-bin/trv-w-ru.pl 200 5120 0.412ms\n");
    EXPECT_EQ(access_line(entry("", "")),
              "2026-05-01T12:00:00.123Z 203.0.113.7 - - 200 5120 0.412ms\n")
        << "a connection refused before any request";
}

TEST(AccessLog, WhatAClientSentCannotSplitTheLineOrForgeAField) {
    struct Case {
        std::string method;
        std::string target;
        std::string logged; // the method and the path
    };
    const Case cases[] = {
        {"GET", "/a b\r\n2026-01-01T00:00:00.000Z 1.2.3.4 GET / 200 1 1ms",
         "GET /a%20b%0D%0A2026-01-01T00:00:00.000Z%201.2.3.4%20GET%20/%20200%201%201ms"},
        {"GET", "/%0A\"\\\x7f\xd0\xb9", "GET /%250A%22%5C%7F%D0%B9"},
        {"G\tET", "/", "G%09ET /"},
        {"GET", "/" + std::string(300, 'a') + "?q", "GET /" + std::string(255, 'a') + "..."},
    };
    for (const Case& c : cases) {
        const std::string line = access_line(entry(c.method, c.target));
        EXPECT_EQ(line, "2026-05-01T12:00:00.123Z 203.0.113.7 " + c.logged + " 200 5120 0.412ms\n");
        EXPECT_EQ(line.find('\n'), line.size() - 1);
    }
}

} // namespace
